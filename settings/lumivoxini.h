#pragma once

namespace lumivox::settings {

// The choices kept in lumivox.ini, apart from the two designed files.

// "保持原文件夹结构": off when the file or the value is missing or unreadable.
bool loadKeepSourceFolders();
// False when the file could not be written.
bool saveKeepSourceFolders(bool keep);

}  // namespace lumivox::settings
