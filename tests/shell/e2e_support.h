#pragma once

// Helpers for the end-to-end tests: media made on the spot with ffmpeg, ffprobe readings, and a
// program folder of its own (settings files apart from the build's) whose data/ is the build's.

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>

#include "engine/base/apppaths.h"
#include "engine/base/messages.h"
#include "widgets/desktopservices.h"

namespace lumivox::testing {

inline bool runTool(const QString& program, const QStringList& args, QString* output = nullptr) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, args);
    if (!process.waitForFinished(120000)) {
        return false;
    }
    if (output) {
        *output = QString::fromUtf8(process.readAll());
    }
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

// A sine FLAC of the given length; metadata pairs become tags.
inline bool makeFlac(const QString& path, double seconds, const QStringList& metadata = {}) {
    QStringList args{
        "-hide_banner",
        "-loglevel",
        "error",
        "-y",
        "-f",
        "lavfi",
        "-i",
        QStringLiteral("sine=frequency=440:sample_rate=44100:duration=%1").arg(seconds),
        "-ac",
        "2"};
    for (const QString& pair : metadata) {
        args << "-metadata" << pair;
    }
    args << path;
    return runTool("ffmpeg", args);
}

// A short test-pattern video with sound.
inline bool makeVideo(const QString& path, double seconds) {
    return runTool("ffmpeg",
                   {"-hide_banner", "-loglevel", "error", "-y", "-f", "lavfi", "-i",
                    QStringLiteral("testsrc=size=160x120:rate=15:duration=%1").arg(seconds), "-f",
                    "lavfi", "-i", QStringLiteral("sine=frequency=300:duration=%1").arg(seconds),
                    "-c:v", "mpeg4", "-c:a", "libmp3lame", "-shortest", path});
}

// ffprobe's format and first-stream facts as JSON.
inline QJsonObject probe(const QString& path) {
    QProcess process;
    process.start("ffprobe",
                  {"-v", "error", "-print_format", "json", "-show_format", "-show_streams", path});
    process.waitForFinished(60000);
    return QJsonDocument::fromJson(process.readAllStandardOutput()).object();
}

inline QJsonObject firstStream(const QJsonObject& probed, const QString& codecType) {
    for (const auto& value : probed.value("streams").toArray()) {
        const QJsonObject stream = value.toObject();
        if (stream.value("codec_type").toString() == codecType) {
            return stream;
        }
    }
    return {};
}

// A program folder for one test: data/ links to the build's adapters unless told otherwise.
inline QString makeProgramFolder(const QTemporaryDir& dir, bool withData = true) {
    const QString folder = dir.filePath("app");
    QDir().mkpath(folder);
    if (withData) {
        QFile::link(QStringLiteral(LUMIVOX_DATA_DIR), folder + "/data");
    }
    return folder;
}

// Points the program at a folder of its own in `dir` (with data/) and a private work folder
// there, with desktop services that open and play nothing.
inline void useProgramFolderIn(const QTemporaryDir& dir) {
    paths::setAppFolderOverride(makeProgramFolder(dir));
    QDir().mkpath(dir.filePath("T"));
    paths::setPrivateTempFolderOverride(dir.filePath("T"));
    desktopServices() =
        DesktopServices{[](const QString&) {}, [](const QString&) {}, [](const QUrl&) {}};
}

// Puts back what an end-to-end fixture pointed elsewhere: messages, desktop, folders.
inline void restoreProgramSeams() {
    setMessageHandler({});
    desktopServices() = realDesktopServices();
    paths::setAppFolderOverride({});
    paths::setPrivateTempFolderOverride({});
}

}  // namespace lumivox::testing
