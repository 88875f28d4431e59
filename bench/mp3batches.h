#pragma once

#include <QString>
#include <QStringList>

class QTemporaryDir;

// The two ways the benchmarks convert a batch of FLACs to MP3 at 128 kbit/s, 44100 Hz, stereo.
namespace lumivox::bench {

// The program as the benchmarks run it: its folder beside the bench folder, the private work
// folder in `dir`, messages on standard error, no desktop services.
void useBenchFolders(const QTemporaryDir& dir);

// ffmpeg's arguments for one file with the window's settings.
QStringList plainFfmpegArgs(const QString& input, const QString& output);

// The window set to those settings, converting the inputs into outFolder; returns at the end.
void throughWindow(const QStringList& inputs, const QString& outFolder);

// Plain ffmpeg, two processes side by side, each taking the next file when it is done.
void twoSideBySide(const QStringList& inputs, const QString& outFolder);

}  // namespace lumivox::bench
