#pragma once

#include <QString>
#include <QStringList>

namespace lumivox::settings {

// The choices kept in lumivox.ini, apart from the two designed files. Each is one line of the
// table below: its key, its type and the value it has when the file or the value is missing or
// unreadable. load() and save() are the only readers and writers of the file.

struct Switch {
    const char* key;
    bool fallback;  // also for any text but true/1 and false/0: "off" must not read as on
};
struct Choice {
    const char* key;
    QStringList values;  // as stored; any other text reads as the fallback
    QString fallback;
};
struct Text {
    const char* key;
    QString fallback;
};

namespace ini {
// "保持原文件夹结构"
inline const Switch KeepSourceFolders{"Output/KeepSourceFolders", false};
// "MP3 标签": ID3v2.3 with an ID3v1 tag for old players, or ID3v2.4
inline const Choice Id3Version{"Tags/Id3Version", {"2.4", "2.3"}, "2.4"};
// "按 CUE 分轨"
inline const Switch CueSplit{"Cue/Split", true};
// "CUE 编码": the code page's shown name ("GB18030", ...); empty for "自动". Loading or saving it
// also sets the code page file names are read in.
inline const Text CueCodePage{"Cue/CodePage", QString()};
// "扫描时也包括其他无损格式（APE、WV、TTA、TAK、M4A、WAV、AIFF、DSF）": the folder scan takes
// every lossless format, not only .flac
inline const Switch AllLossless{"Input/AllLossless", false};
// "同步模式：只转换新的和改过的文件": keeps an MP3 library in step with the scanned one
inline const Switch LibrarySync{"Library/Sync", false};
// cmbMp3Mode: constant bitrate as the window's box says, or LAME's VBR V0 or V2
inline const Choice Mp3Mode{"Mp3/Mode", {"CBR", "V0", "V2"}, "CBR"};
// cmbCoverSize: pictures as they are, or scaled down to 500 or 300 pixels a side
inline const Choice CoverMaxSize{"Covers/MaxSize", {"0", "500", "300"}, "0"};
// cmbReplayGain: loudness left alone, ReplayGain tags, or the sound brought to -18 LUFS
inline const Choice ReplayGain{"Loudness/ReplayGain", {"off", "tags", "track", "album"}, "off"};
// "文件名适合车载和 FAT 存储卡"
inline const Switch FatNames{"Names/Fat", false};
}  // namespace ini

bool load(const Switch& setting);
QString load(const Choice& setting);
QString load(const Text& setting);

// False when the file could not be written.
bool save(const Switch& setting, bool value);
bool save(const Choice& setting, const QString& value);
bool save(const Text& setting, const QString& value);

}  // namespace lumivox::settings
