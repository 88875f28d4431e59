#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

#include "engine/commands/commandbuilder.h"
#include "library/syncplan.h"

namespace lumivox::library {

// One sync batch, as the conversion batch sees it: the step for each source, the commands
// that carry the record, the atomic replacement of a finished MP3, the counts for the end
// message, and the removal of MP3s whose source is gone, after asking.
class SyncRun {
  public:
    // `mode`: what else shapes the MP3 ("cbr", or "v2+cover500+album"); a change re-encodes.
    SyncRun(const QString& outFolder, const ConversionSettings& s, bool id3v23,
            const QString& mode = QStringLiteral("cbr"));

    // The step of a source found by a scan; nullopt for a file added by itself, which converts
    // as without sync.
    std::optional<SyncStep> plan(const QString& source, const QString& toolPath,
                                 const QString& scannedFolder, const QString& entryFolder);

    // The same for one track of an album image (see SyncPlanner::planTrack).
    std::optional<SyncStep> planTrack(const QString& source, const QString& toolPath,
                                      const QString& scannedFolder,
                                      const SyncPlanner::Track& track);

    // The encode command with the record before its output, as the tag writer reads it:
    //   ... -ac 2 -metadata "LUMIVOX_SYNC=lumivox-sync/1 src=..." "/o/A/.lumivox-sync-….mp3"
    static QString withRecord(const QString& command, const QString& outputFile,
                              const QString& record);
    // The tag-only rewrite of `mp3`, from the encode command that would write it (so a track's
    // fields come along); coder.exe leaves the audio as it is:
    //   <app>/data/coder.exe --retag -i "/m/A/01.flac" ... -metadata "LUMIVOX_SYNC=..."
    //   "/o/A/01.mp3"
    static QString retagCommand(const QString& encodeCommand, const QString& mp3,
                                const QString& record);

    // After the encode to `written` (step.workPath, or the usual unique name) succeeded: its
    // record is read back, and a work file is renamed over step.mp3 in one step, so the name
    // holds the old MP3 or the new, never a part. False (a work file removed) when the tag lacks
    // the record (the next run would take the MP3 for the user's) or the rename failed.
    static bool settleEncode(const SyncStep& step, const QString& written);
    // After a failed or stopped encode: its work file goes, the old MP3 stays.
    static void discardEncode(const SyncStep& step);

    void countEncoded() { ++encoded_; }
    void countRetagged() { ++retagged_; }
    void countUpToDate() { ++upToDate_; }
    // A source whose stable name holds a file of the user's: written under the usual name.
    void noteUserFile(const QString& stableName) { userFiles_ << stableName; }

    // "转换 %1 个，更新标签 %2 个，已是最新 %3 个，失败 %4 个。" and why any source took another
    // name.
    QString endMessage(int failed) const;
    bool hasNotes() const { return !userFiles_.isEmpty(); }

    // Asks once, naming how many and the first few, and removes them on 是; how many went.
    int offerRemoval();

  private:
    QString outFolder_;
    QString outputKey_;
    SyncPlanner planner_;
    int encoded_ = 0;
    int retagged_ = 0;
    int upToDate_ = 0;
    QStringList userFiles_;
};

}  // namespace lumivox::library
