#pragma once

#include <QString>
#include <QTime>

namespace lumivox {

// The data-folder tools by the file names the runner's end test looks for.
inline const QString kSoxTool = QStringLiteral("sox.exe");
inline const QString kCoderTool = QStringLiteral("coder.exe");
inline const QString kCoder2Tool = QStringLiteral("coder2.exe");
inline const QString kConvTool = QStringLiteral("conv.exe");

// Output formats by their position in cmbOF.
enum OutputFormat : int {
    FormatRmvb = 0,
    FormatRm = 1,
    FormatMpg = 2,
    FormatAvi = 3,
    FormatMp4 = 4,
    FormatMov = 5,
    FormatPhoneMp4 = 6,
    Format3gp = 7,
    FormatMp3 = 8,
};

// The settings as the boxes hold them when a command line is built; texts go in unchecked.
struct ConversionSettings {
    int format = FormatMp3;
    QString audioBitrate;     // cmbBR text, kbit/s
    QString sampleRate;       // cmbR text, Hz
    int channelPosition = 1;  // cmbChannel position; the channel count is position + 1
    QString videoSize;        // cmbS text
    QString videoBitrate;     // cmbVB text
    QString frameRate;        // cmbF text
    QString outFolder;        // txtPath text, ending in the separator
    // Names a FAT32 card takes, and how many UTF-16 units the file's name may have there (the
    // path below the output folder stays under 240); 0: the names as they always were.
    qsizetype fatRoom = 0;
};

// Where the commands find the program and its temporary files.
struct CommandContext {
    QString appFolder;  // without trailing separator
    QString tmpWav;     // decoded copy for the probe
    QString tmpMp4;     // intermediate file of the two-pass formats
};

// Stem of a path: the file name after the last separator, up to its last "."; empty when the
// name has no dot.  "/music/live.set.flac" -> "live.set", "/music/noext" -> "".
QString GetFileStem(const QString& path);

// Hour, minute and second without leading zeros, joined: 14:30:05 -> "14305".
QString timeStamp(const QTime& time);

// File extension of a format, with its dot (".mp3", ".avi", ...).
QString formatExtension(int format);

// Tool of each step, as CurrentToolName wants it.
QString firstPassTool(int format);   // "conv.exe", or "sox.exe" for MP3 (its first step)
QString secondPassTool(int format);  // "coder2.exe" for 6 and 7, "coder.exe" otherwise
bool hasSecondPass(int format);      // 0, 1, 5, 6, 7

// Output name: out folder + stem + "_" + stamp + ".mp3" for MP3, "-" for the others; copy 2 and
// up put " (copy)" before the extension ("song_14305 (2).mp3").
QString outputPath(const ConversionSettings& s, const QString& inputPath, const QString& stamp,
                   int copy = 1);

// The first of those names that does not exist yet, so an earlier output is never overwritten.
QString uniqueOutputPath(const ConversionSettings& s, const QString& inputPath,
                         const QString& stamp);

// MP3 job, three lines: decode, duration probe, encode (to outputFile).
//   <app>/data/sox.exe "<input>" <tmpWav>
//   <app>/data/coder.exe -i <tmpWav>
//   <app>/data/coder.exe -i "<input>" -y -vn -ar 44100 -ab 128k -ac 2 "<out>/song_14305.mp3"
QString mp3DecodeCommand(const CommandContext& c, const QString& inputPath);
QString mp3ProbeCommand(const CommandContext& c);
QString mp3EncodeCommand(const CommandContext& c, const ConversionSettings& s,
                         const QString& inputPath, const QString& outputFile);

// First pass of a video format: writes outputFile for 2, 3 and 4; the two-pass formats write
// the intermediate file instead and ignore outputFile.
QString firstPassCommand(const CommandContext& c, const ConversionSettings& s,
                         const QString& inputPath, const QString& outputFile);

// Second pass of formats 0, 1, 5, 6, 7, from the intermediate file to outputFile.
QString secondPassCommand(const CommandContext& c, const ConversionSettings& s,
                          const QString& outputFile);

}  // namespace lumivox
