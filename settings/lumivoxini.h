#pragma once

namespace lumivox::settings {

// The choices kept in lumivox.ini, apart from the two designed files.

// "保持原文件夹结构": off when the file or the value is missing or unreadable.
bool loadKeepSourceFolders();
// False when the file could not be written.
bool saveKeepSourceFolders(bool keep);

// "MP3 标签": ID3v2.3 with an ID3v1 tag for old players instead of ID3v2.4. 2.4 when the file or
// the value is missing or unreadable.
bool loadId3v23Tags();
bool saveId3v23Tags(bool v23);

}  // namespace lumivox::settings
