#include "engine/run/processlist.h"

#include <QDir>
#include <QFile>
#include <QHash>

#include <unistd.h>

#include <optional>

namespace lumivox {

namespace {

// Linux keeps at most this many characters of an executable's name in /proc/PID/comm.
constexpr qsizetype kCommLength = 15;

QByteArray readProcFile(const QString& pid, const char* file) {
    QFile f(QStringLiteral("/proc/%1/%2").arg(pid, QLatin1String(file)));
    if (!f.open(QIODevice::ReadOnly)) {
        return {};
    }
    return f.readAll();
}

// /proc/PID/stat: "1234 (coder.exe) S 1 ..."; the name may itself hold ")" and blanks, so the
// state is the field after the last ")".
bool isZombie(const QString& pid) {
    const QByteArray stat = readProcFile(pid, "stat");
    const qsizetype close = stat.lastIndexOf(')');
    if (close < 0 || close + 2 >= stat.size()) {
        return true;  // gone meanwhile
    }
    const char state = stat[close + 2];
    return state == 'Z' || state == 'X';
}

// /proc/PID/stat after the name: state, parent, process group.
struct StatFields {
    char state = 'X';
    qint64 parent = 0;
    qint64 group = 0;
};

std::optional<StatFields> statOf(const QString& pid) {
    const QByteArray stat = readProcFile(pid, "stat");
    const qsizetype close = stat.lastIndexOf(')');
    if (close < 0) {
        return std::nullopt;
    }
    const QList<QByteArray> fields = stat.mid(close + 2).split(' ');
    if (fields.size() < 3 || fields[0].isEmpty()) {
        return std::nullopt;
    }
    return StatFields{fields[0][0], fields[1].toLongLong(), fields[2].toLongLong()};
}

// /proc/PID/status: "Uid:\t1000\t1000\t1000\t1000", the real one first.
qint64 realUid(const QString& pid) {
    const QByteArray status = readProcFile(pid, "status");
    const qsizetype at = status.indexOf("\nUid:");
    if (at < 0) {
        return -1;
    }
    bool ok = false;
    const qint64 uid = status.mid(at + 5, 32).simplified().split(' ').value(0).toLongLong(&ok);
    return ok ? uid : -1;
}

QStringList processIds() {
    QStringList pids = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    pids.removeIf([](const QString& pid) { return pid.isEmpty() || !pid[0].isDigit(); });
    return pids;
}

}  // namespace

bool IsProcessRunning(const QString& name, qint64 ownGroup) {
    const QString wanted = name.left(kCommLength);
    if (wanted.isEmpty()) {
        return false;
    }
    const QStringList pids = processIds();
    QHash<qint64, qint64> parents;  // read once, for the walks up from each candidate
    for (const QString& pid : pids) {
        QByteArray comm = readProcFile(pid, "comm");
        if (comm.endsWith('\n')) {
            comm.chop(1);
        }
        if (QString::fromLocal8Bit(comm).compare(wanted, Qt::CaseInsensitive) != 0 ||
            isZombie(pid) || realUid(pid) != qint64(::getuid())) {
            continue;
        }
        const auto stat = statOf(pid);
        if (!stat) {
            continue;
        }
        if (ownGroup > 0 && stat->group == ownGroup) {
            return true;
        }
        if (parents.isEmpty()) {
            for (const QString& other : pids) {
                if (const auto s = statOf(other)) {
                    parents.insert(other.toLongLong(), s->parent);
                }
            }
        }
        const qint64 self = ::getpid();
        qint64 up = stat->parent;
        for (int depth = 0; up > 1 && depth < 64; ++depth) {
            if (up == self) {
                return true;
            }
            up = parents.value(up, 0);
        }
    }
    return false;
}

// /proc/PID/stat: "1234 (coder.exe) S 1200 1234 ...": state, parent, then the process group.
bool isProcessGroupAlive(qint64 pgid) {
    if (pgid <= 0) {
        return false;
    }
    for (const QString& pid : processIds()) {
        const auto stat = statOf(pid);
        if (stat && stat->group == pgid && stat->state != 'Z' && stat->state != 'X') {
            return true;
        }
    }
    return false;
}

}  // namespace lumivox
