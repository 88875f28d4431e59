#pragma once

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
class ConversionBatch : public QObject {
    Q_OBJECT
  public:
    ConversionBatch(BatchQueue& list, BatchHost& host, QObject* parent = nullptr);

    // The start command (imgStart, Command3 and imgConvert): warns on an empty list, otherwise
    // disables the controls, holds the list and arms Timer1.
    void imgStart_Click();
    // Converts the whole list; returns when it is empty or the batch was ended.
    void RunConversionBatch();
    // The same, returning at once; batchFinished tells the end.
    void startConversionBatch();
    // The stop command ("停止", Esc): ends the running tool and everything it started, removes
    // that file's partial output and the temporary files, and ends the batch with "已停止". The
    // stopped file and the ones after it stay listed. Harmless when no batch runs.
    void cmdStop_Click();
    // The same for the program's end, waited for here: nothing the batch started runs on.
    void endForExit();

    bool isBusy() const { return busy_; }
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
    void Timer1_Timer();
    void objDuration_ReceiveOutputs(QString& CommandOutputs);
    void objffmpeg_ReceiveOutputs(QString& CommandOutputs);
    void objDOS_ReceiveOutputs(QString& CommandOutputs);
    void objDOS_CommandOver();
    void objffmpeg_CommandOver();
    void objSox_CommandOver();
    void objDuration_CommandOver();
    // After every run's own handler: once no runner is busy, the entry is over.
    void afterRun();
    void nextEntry();

    bool run(DOSOutputs& runner, const QString& tool, const QString& commandLine);
    void convertFirstEntry();
    void finishEntry(const DOSOutputs& lastRunner);
    // An album image with a usable sheet: starts its one decode, after which its tracks are
    // encoded one by one. False when the entry is no such image (a sheet that cannot be used is
    // noted).
    bool convertImage(const ConversionSettings& s, const CommandContext& c);
    void startTrack(qsizetype k);
    void finishTrack();
    // Keeps the last line of the entry's first run that failed: a later run failing only
    // because of it would name the wrong cause.
    void noteFailure(const DOSOutputs& runner);
    void settleOutputFolderText();
    void completeBatch();
    void discardStoppedWork();
    QString outFolder() const;
    // The output folder of the current entry, made when missing; on failure the entry is
    // reported and removed, and the result is empty.
    QString makeEntryFolder();
    void carryCovers();
    CommandContext context() const;
    // FAT names: how much room the entry's file name has below the output folder; 0 when off.
    qsizetype fatRoom() const;
    // Loudness per album: the sources of the entry's album (its folder's entries in the list, or
    // the image alone) in the file LUMIVOX_ALBUM names, written when a new album begins, so the
    // album's first encode measures them all before its gain is set.
    void noteAlbum(bool image);

    BatchQueue& list_;
    BatchHost& host_;
    QTimer timer1_;
    QTimer nextEntry_;  // the next entry starts once the events of the last one were served
    ConversionSettings entrySettings_;  // as the entry's first run was built
    QString entryBefore_;               // entry 0 and the count before its runs
    int countBefore_ = 0;
    qint32 lngDuration_ = 0;
    QString strSpin_ = QStringLiteral("-");
    bool busy_ = false;
    bool ended_ = false;    // a tool could not be started: the batch stops, the entry stays
    QString currentInput_;  // entry 0 as it was when its runs were built
    QString toolInput_;     // the path the tools open for it
    SourceLinks sourceLinks_;
    QString currentOutput_;        // the final file of the current entry
    bool stopped_ = false;         // the user stopped the batch
    QString currentSubfolder_;     // below the output folder; empty unless source folders are kept
    bool keepFolders_ = false;     // read once a batch
    QSet<QString> coversCarried_;  // source folders whose covers were copied in this batch
    DeviceChoices device_;         // read once a batch
    QString albumFolder_;          // whose sources the album list names
    int currentFormat_ = FormatMp3;
    QString firstFailure_;  // of the current entry
    QList<FailedFile> failures_;
    // The album image being split, and the track being encoded.
    struct ImageRun {
        cue::Image image;
        QString folder;
        qsizetype track = 0;
    };
    std::optional<ImageRun> image_;
    QList<cue::SheetProblem> sheetProblems_;
};

// One message naming each failed file with the last line its tool printed.
QString failureReport(const QList<FailedFile>& failures);

// The last non-empty line of a tool's console text (lines end in LF or CR).
QString lastOutputLine(const QString& outputs);

}  // namespace lumivox
