#pragma once

#include <QString>

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

// "按 CUE 分轨": on when the file or the value is missing; only a plain no turns it off.
bool loadCueSplit();
bool saveCueSplit(bool split);

// "CUE 编码": the code page's shown name ("GB18030", ...); empty for "自动", also when the file or
// the value is missing. Loading or saving it also sets the code page names are read in.
QString loadCueCodePage();
bool saveCueCodePage(const QString& name);

}  // namespace lumivox::settings
