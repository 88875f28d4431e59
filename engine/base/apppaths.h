#pragma once

#include <QString>

#include <optional>

namespace lumivox::paths {

// The one path separator of the program (the Windows form used a backslash).
inline constexpr char16_t kSeparator = u'/';
inline const QString kSeparatorText = QStringLiteral("/");

// The folder as the command lines want it, ending in the separator.   "/o" -> "/o/"
QString withTrailingSeparator(const QString& folder);

// Folder of the running executable, without a trailing separator. data/, sound.wav and help.chm
// are always read from here.
QString appFolder();
// Tests point the program at a build folder that holds data/ and the settings files.
void setAppFolderOverride(const QString& folder);

// Name of the file the install rules put beside an installed program.
inline const QString kInstalledMarker = QStringLiteral("lumivox.installed");

// Whether settings and outputs belong to the user's own folders rather than the application
// folder: it cannot be written, or it is an installed copy (which even root must not fill with
// one user's files). Decided once per application folder.
bool perUserFiles();
// Tests decide it themselves; nullopt gives the decision back to the folder.
void setPerUserFilesOverride(std::optional<bool> perUser);

// Where the settings files live: the application folder, or $XDG_CONFIG_HOME/lumivox.
QString settingsFolder();
QString setupIniPath();    // settingsFolder() + "/setup.ini"
QString optionsIniPath();  // settingsFolder() + "/options.ini"
QString lumivoxIniPath();  // settingsFolder() + "/lumivox.ini"
// Makes the per-user settings folder, whose setup.ini begins from the installed one the first
// time; true when it was copied.
bool seedSetupIni();

// Where a relative output folder lies: the application folder, or the home folder.
QString baseFolder();
// Where outputs go when the output box names no folder: application folder + "/output", or the
// music folder + "/Lumivox".
QString defaultOutputFolder();
// The folder the output box names, as every tool must see it, ending in the separator: an empty
// text means defaultOutputFolder(), a relative one lies in baseFolder() (where a program started
// from its own folder would put it).   "out" -> "<app>/out/"
QString resolveOutputFolder(const QString& text);
// Creates the output folder as the batch does, one level like mkdir; the default folder with its
// parents, as a fresh home may have no music folder yet.
bool makeOutputFolder(const QString& folder);

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
