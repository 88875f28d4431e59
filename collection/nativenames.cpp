#include "collection/nativenames.h"

#include <QFile>

#include <dirent.h>
#include <sys/stat.h>

#include <memory>

namespace lumivox::names {

namespace {

bool isUtf8(const QByteArray& bytes) {
    return codepage::decode(bytes, codepage::CodePage::Utf8).has_value();
}

bool isFolder(const QByteArray& path) {
    struct stat st {};
    return ::stat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

QString readableName(const QByteArray& name, codepage::CodePage page) {
    if (page == codepage::CodePage::Utf8) {
        return QFile::decodeName(name);
    }
    if (const std::optional<QString> text = codepage::decode(name, page)) {
        return *text;
    }
    return QFile::decodeName(name);
}

codepage::CodePage folderCodePage(const QList<QByteArray>& names) {
    QList<QByteArray> foreign;
    for (const QByteArray& name : names) {
        if (!isUtf8(name)) {
            foreign.append(name);
        }
    }
    return codepage::guess(foreign);
}

QString readableFolderName(const QByteArray& parent, const QByteArray& name) {
    if (isUtf8(name)) {
        return QString::fromUtf8(name);
    }
    QList<QByteArray> evidence = folderEntries(parent + name);
    evidence.prepend(name);
    return readableName(name, folderCodePage(evidence));
}

QList<QByteArray> folderEntries(const QByteArray& folder) {
    QList<QByteArray> names;
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.constData()), &::closedir);
    if (!dir) {
        return names;
    }
    while (const dirent* entry = ::readdir(dir.get())) {
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..") {
            names.append(name);
        }
    }
    return names;
}

QString readablePath(const QByteArray& path) {
    if (isUtf8(path)) {
        return QString::fromUtf8(path);
    }
    QString shown;
    QByteArray walked;
    const QList<QByteArray> parts = path.split('/');
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const QByteArray& part = parts[i];
        if (i > 0) {
            shown += u'/';
            walked += '/';
        }
        const QByteArray parent = walked.isEmpty() ? QByteArray("./") : walked;
        if (isUtf8(part)) {
            shown += QString::fromUtf8(part);
        } else if (isFolder(parent + part)) {
            shown += readableFolderName(parent, part);
        } else {
            QList<QByteArray> files;
            for (const QByteArray& sibling : folderEntries(parent)) {
                if (!isFolder(parent + sibling)) {
                    files.append(sibling);
                }
            }
            if (!files.contains(part)) {
                files.append(part);
            }
            shown += readableName(part, folderCodePage(files));
        }
        walked += part;
    }
    return shown;
}

ListedPath listedFromBytes(const QByteArray& path) {
    const QString readable = readablePath(path);
    return {readable, nativeIfDifferent(readable, path)};
}

}  // namespace lumivox::names
