#include "library/syncrun.h"

#include <QFile>

#include <cstdio>

#include "engine/base/cmdline.h"
#include "engine/base/messages.h"
#include "library/id3record.h"

namespace lumivox::library {

SyncRun::SyncRun(const QString& outFolder, const ConversionSettings& s, bool id3v23,
                 const QString& mode)
    : outFolder_(outFolder),
      outputKey_(outputKey(s.audioBitrate, s.sampleRate, s.channelPosition + 1, mode, id3v23)),
      planner_(outFolder) {}

std::optional<SyncStep> SyncRun::plan(const QString& source, const QString& toolPath,
                                      const QString& scannedFolder, const QString& entryFolder) {
    if (scannedFolder.isEmpty()) {
        return std::nullopt;
    }
    return planner_.plan(source, toolPath, scannedFolder, entryFolder, outputKey_);
}

std::optional<SyncStep> SyncRun::planTrack(const QString& source, const QString& toolPath,
                                           const QString& scannedFolder,
                                           const SyncPlanner::Track& track) {
    if (scannedFolder.isEmpty()) {
        return std::nullopt;
    }
    return planner_.planTrack(source, toolPath, scannedFolder, track, outputKey_);
}

QString SyncRun::withRecord(const QString& command, const QString& outputFile,
                            const QString& record) {
    const QString quotedOutput = quotePath(outputFile);
    return command.left(command.size() - quotedOutput.size() - 1) + QStringLiteral(" -metadata ") +
           quotePath(kRecordField + u'=' + record) + u' ' + quotedOutput;
}

QString SyncRun::retagCommand(const QString& encodeCommand, const QString& mp3,
                              const QString& record) {
    const QString tool = QStringLiteral("/data/coder.exe ");
    QString command = withRecord(encodeCommand, mp3, record);
    const qsizetype at = command.indexOf(tool);
    return at < 0 ? command : command.insert(at + tool.size(), QStringLiteral("--retag "));
}

bool SyncRun::settleEncode(const SyncStep& step, const QString& written) {
    const auto record = readRecord(written);
    bool ok = record && recordText(*record) == step.record;
    if (ok && written == step.workPath) {
        const QByteArray from = QFile::encodeName(step.workPath);
        const QByteArray to = QFile::encodeName(step.mp3);
        ok = std::rename(from.constData(), to.constData()) == 0;
    }
    if (!ok && written == step.workPath) {
        QFile::remove(step.workPath);
    }
    return ok;
}

void SyncRun::discardEncode(const SyncStep& step) {
    if (!step.workPath.isEmpty()) {
        QFile::remove(step.workPath);
    }
}

QString SyncRun::endMessage(int failed) const {
    QString text = QStringLiteral("转换 %1 个，更新标签 %2 个，已是最新 %3 个，失败 %4 个。")
                       .arg(encoded_)
                       .arg(retagged_)
                       .arg(upToDate_)
                       .arg(failed);
    if (!userFiles_.isEmpty()) {
        text += QStringLiteral(
            "\n\n以下文件名已被不是本程序写的文件占用，没有覆盖，MP3 另存为新名字：");
        for (const QString& name : userFiles_) {
            text += u'\n' + name;
        }
    }
    return text;
}

int SyncRun::offerRemoval() {
    QList<RecordedMp3> all;
    QList<SyncPlanner::Gone> gone = planner_.gone();
    for (const SyncPlanner::Gone& g : gone) {
        all += g.mp3s;
    }
    if (all.isEmpty() || !askQuestion(removalQuestion(all, outFolder_))) {
        return 0;
    }
    int removed = 0;
    for (const SyncPlanner::Gone& g : gone) {
        removed += removeMp3s(g.mp3s, g.root);
    }
    return removed;
}

}  // namespace lumivox::library
