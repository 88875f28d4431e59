#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <optional>

#include "collection/imagetracks.h"
#include "collection/sourcelinks.h"
#include "engine/batch/batchqueue.h"
#include "engine/commands/commandbuilder.h"
#include "engine/commands/progress.h"
#include "engine/run/dosoutputs.h"
#include "library/syncrun.h"

namespace lumivox {

// The MP3 for the phone and the car, as lumivox.ini keeps the choices: the encode's mode ("CBR",
// "V0", "V2"), the covers' largest side ("0": as they are), loudness ("off", "tags", "track",
// "album"), and names a FAT32 card takes.
struct DeviceChoices {
    QString mp3Mode = QStringLiteral("CBR");
    QString coverMax = QStringLiteral("0");
    QString loudness = QStringLiteral("off");
    bool fatNames = false;
};

// What the batch needs from the window: the settings as the boxes hold them, the output-folder
// text, the progress controls, the controls it disables, the desktop services at the end, and
// whether the user wants the completion sound.
class BatchHost {
  public:
    virtual ~BatchHost() = default;
    virtual ConversionSettings settings() const = 0;  // outFolder: the txtPath text as it is
    virtual QString outputFolderText() const = 0;
    virtual void setOutputFolderText(const QString& text) = 0;
    virtual void showProgress(const progress::Display& display) = 0;
    virtual void setControlsEnabled(bool enabled) = 0;
    virtual void openOutputFolder(const QString& folder) = 0;
    virtual void playCompletionSound() = 0;
    virtual bool completionSoundWanted() const = 0;
    // Whether scanned files go below the output folder in their source folders' layout.
    virtual bool keepSourceFolders() const { return false; }
    // Whether MP3s get ID3v2.3 with ID3v1, for old players, instead of ID3v2.4.
    virtual bool id3v23Tags() const { return false; }
    // Whether a FLAC with a CUE sheet gives one MP3 per track, and the sheets' code page by its
    // shown name (empty: guessed).
    virtual bool cueSplit() const { return false; }
    virtual QString cueCodePage() const { return {}; }
    virtual DeviceChoices deviceChoices() const { return {}; }
    // The stop command is offered while a batch runs and withdrawn once it was given.
    virtual void setStopAvailable(bool /*available*/) {}
    // Whether an MP3 batch of scanned files keeps the output in step with them: converts only
    // what is new or changed, rewrites tags alone, and offers to remove what is gone.
    virtual bool librarySync() const { return false; }
    // "第 %1/%2 个，剩余约 %3": the whole batch, beside the file's own progress.
    virtual void showBatchCount(const QString& /*caption*/) {}
};

// A file whose conversion failed, with the last line of its first tool run that failed (or the
// line that says how much of it was written).
struct FailedFile {
    QString path;
    QString lastLine;
};

// Walks the file list one file at a time: builds the command lines for entry 0, runs them
// through the four runners, drives the progress display from their output, and removes the
// entry when its last run is over. Everything runs on the UI thread, driven by the runners'
// signals: no step waits in a loop of its own, so a dialog opened meanwhile never holds it.
//
// The states and what moves the batch between them:
//   Idle / Done --start--> Waiting --Timer1--> (next entry)
//   (next entry) --MP3 or video--> ConvertingFile --last run over--> (next entry)
//   (next entry) --album image--> ConvertingImage --last track over--> (next entry)
//   (next entry) --list empty, or ended early--> Done
//   any busy state --stop--> Stopping --the tools are gone--> Done
class ConversionBatch : public QObject {
    Q_OBJECT
  public:
    enum class State {
        Idle,             // no batch yet
        Waiting,          // the start was given; Timer1 starts the batch
        ConvertingFile,   // entry 0's runs: decode, probe and encode, or the video passes
        ConvertingImage,  // an album image: its one decode and probe, then its tracks in turn
        Stopping,         // the stop was given; the running tool is ending
        Done,             // the completion steps ran
    };
    // The run of the current entry that is under way, in the order the entry takes them.
    enum class Step {
        None,
        Decode,      // sox.exe: the input to the temporary WAV
        Probe,       // coder.exe -i: the WAV's duration
        Encode,      // coder.exe: the MP3
        Track,       // coder.exe: one track of an album image, from its span
        FirstPass,   // conv.exe: a video format's only or first pass
        SecondPass,  // coder.exe or coder2.exe: the second pass of the two-pass formats
        Retag,       // coder.exe --retag: in sync mode, the MP3's tag alone, its audio kept
    };

    ConversionBatch(BatchQueue& list, BatchHost& host, QObject* parent = nullptr);

    // The start command (imgStart, Command3 and imgConvert): warns on an empty list, otherwise
    // disables the controls, holds the list and arms Timer1.
    void imgStart_Click();
    // Starts converting the list at once (Timer1 does this); batchFinished tells the end.
    void startConversionBatch();
    // The stop command ("停止", Esc): ends the running tool and everything it started, removes
    // that file's partial output and the temporary files, and ends the batch with "已停止". The
    // stopped file and the ones after it stay listed. Harmless when no batch runs.
    void cmdStop_Click();
    // The same for the program's end, waited for here: nothing the batch started runs on.
    void endForExit();

    State state() const { return state_; }
    bool isBusy() const { return state_ != State::Idle && state_ != State::Done; }
    qint32 lngDuration() const { return lngDuration_; }
    const QList<FailedFile>& lastFailures() const { return failures_; }
    const QList<cue::SheetProblem>& lastSheetProblems() const { return sheetProblems_; }
    QTimer& Timer1() { return timer1_; }
    // The progress spinner; it runs on across inputs and batches.
    const QString& strSpin() const { return strSpin_; }

    DOSOutputs objDOS;
    DOSOutputs objffmpeg;
    DOSOutputs objSox;
    DOSOutputs objDuration;

  signals:
    // After the completion steps of a batch (also when it was ended early).
    void batchFinished();

  private:
    // Transitions.
    void Timer1_Timer();
    void nextEntry();
    void convertFirstEntry();
    bool convertImage();
    void runOver();
    void afterRun();
    void completeBatch();

    // The steps of an entry.
    bool run(Step step);
    void startTrack(qsizetype k);
    void finishTrack();
    void finishEntry(const DOSOutputs& lastRunner);
    void startSecondPass();
    void nextTrack();

    // Sync mode. The step of entry 0: true when it is done with here (a skip) or runs as a
    // retag; false when it encodes, to the output set here.
    bool syncEntry();
    void planImageTracks();
    void finishRetag();
    // A finished sync encode: its record checked and the MP3 put in place of the old one.
    void settleSyncEncode(bool good);
    void showBatchCount();

    void objDuration_ReceiveOutputs(QString& CommandOutputs);
    void objffmpeg_ReceiveOutputs(QString& CommandOutputs);
    void objDOS_ReceiveOutputs(QString& CommandOutputs);

    // Keeps the last line of the entry's first run that failed: a later run failing only
    // because of it would name the wrong cause.
    void noteFailure(const DOSOutputs& runner);
    void fail(const QString& path, const QString& cause);
    void removeEntry();
    void settleOutputFolderText();
    void discardStoppedWork();
    QString outFolder() const;
    // The output folder of the current entry, made when missing; on failure the entry is
    // reported and removed, and the result is empty.
    QString makeEntryFolder();
    void carryCovers();
    CommandContext context() const;
    DOSOutputs& runnerOf(Step step);
    // FAT names: how much room the entry's file name has below the output folder; 0 when off.
    qsizetype fatRoom() const;
    // Loudness per album: the sources of the entry's album (its folder's entries in the list, or
    // the image alone) in the file LUMIVOX_ALBUM names, written when a new album begins, so the
    // album's first encode measures them all before its gain is set.
    void noteAlbum(bool image);

    BatchQueue& list_;
    BatchHost& host_;
    State state_ = State::Idle;
    QTimer timer1_;
    QTimer nextEntry_;  // the next entry starts once the events of the last one were served
    qint32 lngDuration_ = 0;
    QString strSpin_ = QStringLiteral("-");

    // From the start to the completion of a batch.
    struct BatchRun {
        // A tool could not be started, or an entry stayed after its runs: the batch ends early
        // and the entry stays listed.
        bool abandoned = false;
        bool keepFolders = false;
        QSet<QString> coversCarried;           // source folders whose covers were copied
        std::optional<library::SyncRun> sync;  // a sync batch
        int total = 0;                         // entries at the start
        DeviceChoices device;
        QString albumFolder;  // whose sources the album list names
        QElapsedTimer clock;
    } batch_;
    QList<FailedFile> failures_;
    QList<cue::SheetProblem> sheetProblems_;

    // The entry being converted (ConvertingFile and ConvertingImage).
    struct EntryRun {
        QString path;         // entry 0 as it was when its runs were built
        int countBefore = 0;  // the list's count then
        QString toolInput;    // the path the tools open for it
        QString subfolder;    // below the output folder; empty unless source folders are kept
        ConversionSettings settings;  // as the first run was built
        Step step = Step::None;
        // The file the running step writes; cleared once it is whole, so that a stop removes
        // only what is unfinished.
        QString output;
        QString firstFailure;
        std::optional<library::SyncStep> sync;  // the source's (or track's) step, in sync mode
    } entry_;
    SourceLinks sourceLinks_;

    // The album image being split (ConvertingImage), and the track being encoded.
    struct ImageRun {
        cue::Image image;
        QString folder;
        qsizetype track = 0;
        QList<library::SyncStep> steps;  // each track's, in sync mode
    };
    std::optional<ImageRun> image_;
};

// One message naming each failed file with the last line its tool printed.
QString failureReport(const QList<FailedFile>& failures);

// The last non-empty line of a tool's console text (lines end in LF or CR).
QString lastOutputLine(const QString& outputs);

}  // namespace lumivox
