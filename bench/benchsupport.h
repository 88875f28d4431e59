#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

// Helpers of the batch benchmark: timing with processor time, the tools' own reports, audio.
namespace lumivox::bench {

struct Timing {
    double wall = 0;  // seconds
    double cpu = 0;   // user + system seconds of this process and every child waited for
};
Timing timed(const std::function<void()>& work);

double median(std::vector<double> values);
QString loadAverage();

// Runs a program to its end (never through a shell); its standard output, or empty on failure.
QByteArray runCapture(const QString& program, const QStringList& args);
bool runQuietly(const QString& program, const QStringList& args);

// One line per MP3 encode that coder.exe appends to $LUMIVOX_PIECES_REPORT:
//   /music/song.flac\tpieces\tdecode=0.10 encode=2.31 joins=0.01
// Keyed by the input's file name; a later line for the same input wins.
struct PathTaken {
    QString path;  // "pieces" or "plain"
    QString detail;
};
QHash<QString, PathTaken> readPiecesReport(const QString& reportFile);

// The encoder its Info frame names: "LAME3.100" when coder.exe packed the pieces, "Lavc..." when
// ffmpeg wrote the file.
QString encoderTag(const QString& mp3);
// Which path an encode took: the report's word, else what the Info frame says, else "unknown".
QString pathTaken(const QHash<QString, PathTaken>& report, const QString& input,
                  const QString& output);

// The whole file decoded by ffmpeg as 16-bit interleaved stereo at 44.1 kHz.
std::vector<short> decodeStereo(const QString& path);

}  // namespace lumivox::bench
