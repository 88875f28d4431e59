#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include "collection/codepage.h"

namespace lumivox::names {

// Names on Linux are bytes. One that is not valid UTF-8 (unpacked from an archive made on an
// older Chinese, Japanese or Windows system) is shown decoded with the likeliest code page of
// its folder, and reached again through its true bytes.

// The name as shown: decoded in page, else (bytes invalid there) as the system decodes it.
QString readableName(const QByteArray& name, codepage::CodePage page);

// The code page of a folder's names, judged together: those that are valid UTF-8 say nothing.
codepage::CodePage folderCodePage(const QList<QByteArray>& names);

// A folder's name as shown: judged with the names it holds, which came from the same place.
// parent ends in "/".
QString readableFolderName(const QByteArray& parent, const QByteArray& name);

// The names a folder holds, as bytes, without "." and "..". Empty when it cannot be read.
QList<QByteArray> folderEntries(const QByteArray& folder);

// A path shown in readable form: each component that is not valid UTF-8 decoded as the folder
// scan shows it (a folder with the names it holds, a file with the other files beside it).
// "/m/\xb4\xba.flac" -> "/m/春.flac"
QString readablePath(const QByteArray& path);

// The bytes to remember beside a readable path: empty when the readable path's own encoding is
// the true name already.
inline QByteArray nativeIfDifferent(const QString& readable, const QByteArray& native) {
    return readable.toUtf8() == native ? QByteArray() : native;
}

// A path as the file list keeps it: readable, with its true bytes when they differ.
struct ListedPath {
    QString readable;
    QByteArray native;
};
ListedPath listedFromBytes(const QByteArray& path);

}  // namespace lumivox::names
