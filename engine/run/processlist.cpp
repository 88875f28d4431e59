#include "engine/run/processlist.h"

#include <QDir>
#include <QFile>

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

QStringList processIds() {
    QStringList pids = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    pids.removeIf([](const QString& pid) { return pid.isEmpty() || !pid[0].isDigit(); });
    return pids;
}

}  // namespace

bool IsProcessRunning(const QString& name) {
    const QString wanted = name.left(kCommLength);
    if (wanted.isEmpty()) {
        return false;
    }
    for (const QString& pid : processIds()) {
        QByteArray comm = readProcFile(pid, "comm");
        if (comm.endsWith('\n')) {
            comm.chop(1);
        }
        if (QString::fromLocal8Bit(comm).compare(wanted, Qt::CaseInsensitive) == 0 &&
            !isZombie(pid)) {
            return true;
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
        const QByteArray stat = readProcFile(pid, "stat");
        const qsizetype close = stat.lastIndexOf(')');
        if (close < 0) {
            continue;
        }
        const QList<QByteArray> fields = stat.mid(close + 2).split(' ');
        if (fields.size() > 2 && fields[2].toLongLong() == pgid && fields[0] != "Z" &&
            fields[0] != "X") {
            return true;
        }
    }
    return false;
}

}  // namespace lumivox
