#pragma once

#include <QString>

namespace lumivox::paths {

// The one path separator of the program (the Windows form used a backslash).
inline constexpr char16_t kSeparator = u'/';
inline const QString kSeparatorText = QStringLiteral("/");

// The folder as the command lines want it, ending in the separator.   "/o" -> "/o/"
QString withTrailingSeparator(const QString& folder);

// Folder of the running executable, without a trailing separator.
QString appFolder();
// Application folder + "/output": where outputs go when the output box names no folder.
QString defaultOutputFolder();
// The folder the output box names, as every tool must see it, ending in the separator: an empty
// text means defaultOutputFolder(), a relative one lies in the application folder (where a
// program started from its own folder would put it).   "out" -> "<app>/out/"
QString resolveOutputFolder(const QString& text);
// The program's own settings beside the two designed files: application folder + "/lumivox.ini".
QString lumivoxIni();
// Tests point the program at a build folder that holds data/ and the settings files.
void setAppFolderOverride(const QString& folder);

// Private per-user folder T for temporary files: created with mode 0700 on first use, refused
// when it is a symlink or owned by someone else, and never containing a space (command lines
// carry these paths unquoted). Empty when no such folder can be had.
QString privateTempFolder();
// Tests use a folder of their own.
void setPrivateTempFolderOverride(const QString& folder);

QString tmpFolder();    // T/tmp
QString tmpMp4();       // T/tmp/tmp.mp4   intermediate file of the two-pass formats
QString tmpWav();       // T/tmp.wav       decoded copy for the duration probe
QString tmpFileWav();   // T/tmp/tmpfile.wav   removed at unload
QString tmpFile1Mp3();  // T/tmp/tmpfile1.mp3  removed at unload

}  // namespace lumivox::paths
