#include "engine/batch/conversionbatch.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

#include <algorithm>

#include "collection/albumfolders.h"
#include "collection/fatnames.h"
#include "engine/base/apppaths.h"
#include "engine/base/messages.h"
#include "engine/base/tempfiles.h"
#include "engine/commands/encodecheck.h"
#include "engine/commands/trackcommand.h"
#include "tooljob/mp3track.h"

namespace lumivox {

namespace {
const QString kPreparing = QStringLiteral("准备中 - 正在估算音频长度");
const QString kDone = QStringLiteral("Done.");
const QString kStopped = QStringLiteral("已停止");

void serveEvents() {
    QCoreApplication::processEvents();
}

bool isNonEmptyFile(const QString& path) {
    const QFileInfo info(path);
    return info.isFile() && info.size() > 0;
}
}  // namespace

ConversionBatch::ConversionBatch(BatchQueue& list, BatchHost& host, QObject* parent)
    : QObject(parent), list_(list), host_(host) {
    timer1_.setObjectName(QStringLiteral("Timer1"));
    timer1_.setInterval(100);
    timer1_.setSingleShot(true);
    connect(&timer1_, &QTimer::timeout, this, &ConversionBatch::Timer1_Timer);
    connect(&objDuration, &DOSOutputs::ReceiveOutputs, this,
            &ConversionBatch::objDuration_ReceiveOutputs);
    connect(&objffmpeg, &DOSOutputs::ReceiveOutputs, this,
            &ConversionBatch::objffmpeg_ReceiveOutputs);
    connect(&objDOS, &DOSOutputs::ReceiveOutputs, this, &ConversionBatch::objDOS_ReceiveOutputs);
    connect(&objDOS, &DOSOutputs::CommandOver, this, &ConversionBatch::objDOS_CommandOver);
    connect(&objffmpeg, &DOSOutputs::CommandOver, this, &ConversionBatch::objffmpeg_CommandOver);
    connect(&objSox, &DOSOutputs::CommandOver, this, &ConversionBatch::objSox_CommandOver);
    connect(&objDuration, &DOSOutputs::CommandOver, this,
            &ConversionBatch::objDuration_CommandOver);
    for (DOSOutputs* runner : {&objDOS, &objffmpeg, &objSox, &objDuration}) {
        connect(runner, &DOSOutputs::CommandOver, this, &ConversionBatch::afterRun);
    }
    nextEntry_.setSingleShot(true);
    nextEntry_.setInterval(0);
    connect(&nextEntry_, &QTimer::timeout, this, &ConversionBatch::nextEntry);
}

void ConversionBatch::imgStart_Click() {
    if (busy_) {
        return;
    }
    if (list_.FileCount() == 0) {
        showMessage(QStringLiteral("请先添加一个文件"), MessageIcon::Exclamation,
                    QStringLiteral("添加"));
        return;
    }
    busy_ = true;
    stopped_ = false;
    failures_.clear();
    sheetProblems_.clear();
    host_.setControlsEnabled(false);
    host_.setStopAvailable(true);
    // No route may change the list while it is the queue of a running batch.
    list_.setHeld(true);
    timer1_.start();
}

void ConversionBatch::Timer1_Timer() {
    timer1_.stop();
    startConversionBatch();
}

// Read wherever the folder is used: the box may have been emptied or changed since the start.
QString ConversionBatch::outFolder() const {
    return paths::resolveOutputFolder(host_.outputFolderText());
}

void ConversionBatch::settleOutputFolderText() {
    // An emptied box would become "/" below, the root of the file system.
    if (host_.outputFolderText().trimmed().isEmpty()) {
        host_.setOutputFolderText(paths::defaultOutputFolder());
    }
    const QString settled = paths::withTrailingSeparator(host_.outputFolderText());
    if (settled != host_.outputFolderText()) {
        host_.setOutputFolderText(settled);
    }
}

CommandContext ConversionBatch::context() const {
    return CommandContext{paths::appFolder(), paths::tmpWav(), paths::tmpMp4()};
}

void ConversionBatch::RunConversionBatch() {
    QEventLoop loop;
    bool finished = false;
    const QMetaObject::Connection over = connect(this, &ConversionBatch::batchFinished, &loop, [&] {
        finished = true;
        loop.quit();
    });
    startConversionBatch();
    if (!finished) {
        loop.exec();
    }
    disconnect(over);
}

void ConversionBatch::startConversionBatch() {
    busy_ = true;
    ended_ = stopped_;  // a stop that came before the first tool started
    failures_.clear();
    sheetProblems_.clear();
    coversCarried_.clear();
    keepFolders_ = host_.keepSourceFolders();
    // coder.exe writes the MP3's tags; the choice reaches it through its environment.
    qputenv("LUMIVOX_ID3", host_.id3v23Tags() ? "2.3" : "2.4");
    // So do the MP3 mode, the covers' size and loudness, for sox.exe's decode as well.
    device_ = host_.deviceChoices();
    qputenv("LUMIVOX_MP3_MODE", device_.mp3Mode.toLatin1());
    qputenv("LUMIVOX_COVER_MAX", device_.coverMax.toLatin1());
    qputenv("LUMIVOX_LOUDNESS", device_.loudness.toLatin1());
    qputenv("LUMIVOX_ALBUM", QFile::encodeName(paths::tmpFolder() + QStringLiteral("/album")));
    albumFolder_.clear();
    list_.setHeld(true);
    settleOutputFolderText();
    paths::makeOutputFolder(outFolder());
    QDir().mkpath(paths::tmpFolder());
    nextEntry();
}

qsizetype ConversionBatch::fatRoom() const {
    return device_.fatNames ? fat::kMostPathUnits - currentSubfolder_.size() : 0;
}

void ConversionBatch::noteAlbum(bool image) {
    if (device_.loudness != QStringLiteral("tags") && device_.loudness != QStringLiteral("album")) {
        return;
    }
    const QString folder = QFileInfo(currentInput_).path();
    if (!image && folder == albumFolder_) {
        return;  // the album's list stands; its earlier tracks have left the list by now
    }
    albumFolder_ = image ? QString() : folder;
    // The tools read the paths as bytes: a name that is not UTF-8 as it lies on the disk.
    QByteArray sources;
    for (int i = 0; i < (image ? 1 : list_.FileCount()); ++i) {
        const QString path = list_.FilePathAt(i);
        if (QFileInfo(path).path() != folder || path.contains(u'\n')) {
            continue;
        }
        const QByteArray native = list_.NativePathAt(i);
        sources += (native.isEmpty() ? QFile::encodeName(path) : native) + '\n';
    }
    QSaveFile list(paths::tmpFolder() + QStringLiteral("/album"));
    if (list.open(QIODevice::WriteOnly)) {
        list.write(sources);
        list.commit();
    }
}

void ConversionBatch::nextEntry() {
    if (list_.FileCount() == 0 || ended_) {
        completeBatch();
        return;
    }
    settleOutputFolderText();
    entryBefore_ = list_.FilePathAt(0);
    countBefore_ = list_.FileCount();
    convertFirstEntry();
    afterRun();  // when no run could start, the entry is over already
}

void ConversionBatch::afterRun() {
    if (!busy_ || nextEntry_.isActive()) {
        return;
    }
    for (const DOSOutputs* runner : {&objDOS, &objffmpeg, &objSox, &objDuration}) {
        if (runner->isRunning()) {
            return;  // the entry's next run
        }
    }
    // Whatever happened, never offer the same entry again without end.
    if (!ended_ && list_.FileCount() == countBefore_ && list_.FilePathAt(0) == entryBefore_) {
        ended_ = true;
    }
    nextEntry_.start();
}

bool ConversionBatch::run(DOSOutputs& runner, const QString& tool, const QString& commandLine) {
    if (stopped_) {
        return false;
    }
    CurrentToolName = tool;
    runner.setCommandLine(commandLine);
    if (!runner.startCommand()) {
        ended_ = true;  // the runner said "File or command not found"; the entry stays
        return false;
    }
    return true;
}

QString ConversionBatch::makeEntryFolder() {
    const QString base = outFolder();
    paths::makeOutputFolder(base);  // the box may name another folder by now
    if (currentSubfolder_.isEmpty()) {
        return base;
    }
    const QString folder = base + currentSubfolder_;
    if (QDir().mkpath(folder)) {
        return folder;
    }
    failures_.append(FailedFile{currentInput_, QStringLiteral("无法创建文件夹 ") + folder});
    list_.removeFirstEntryIf(currentInput_);
    lngDuration_ = 0;
    return {};
}

void ConversionBatch::convertFirstEntry() {
    ConversionSettings s = host_.settings();
    currentFormat_ = s.format;
    currentInput_ = list_.FilePathAt(0);
    toolInput_ = sourceLinks_.reach(currentInput_, list_.NativePathAt(0));
    currentSubfolder_ =
        keepFolders_ ? album::mirroredSubfolder(currentInput_, list_.FoundUnderAt(0)) : QString();
    if (device_.fatNames && !currentSubfolder_.isEmpty()) {
        currentSubfolder_ = fat::path(currentSubfolder_);
    }
    firstFailure_.clear();
    s.outFolder = makeEntryFolder();
    if (s.outFolder.isEmpty()) {
        return;
    }
    s.fatRoom = fatRoom();
    entrySettings_ = s;
    const QString stamp = timeStamp(QTime::currentTime());
    const CommandContext c = context();

    if (s.format == FormatMp3) {
        if (convertImage(s, c)) {
            return;
        }
        currentOutput_ = uniqueOutputPath(s, currentInput_, stamp);
        noteAlbum(false);
        host_.showProgress(progress::Display{0, 0, kPreparing});
        // A failed decode must not hand the previous file's audio to the probe.
        QFile::remove(c.tmpWav);
        run(objSox, kSoxTool, mp3DecodeCommand(c, toolInput_));
        return;
    }

    currentOutput_ =
        hasSecondPass(s.format) ? QString() : uniqueOutputPath(s, currentInput_, stamp);
    // A failed first pass must not hand the previous file's video to the second pass.
    QFile::remove(c.tmpMp4);
    run(objDOS, kConvTool, firstPassCommand(c, s, toolInput_, currentOutput_));
}

bool ConversionBatch::convertImage(const ConversionSettings& s, const CommandContext& c) {
    image_.reset();
    if (!host_.cueSplit()) {
        return false;
    }
    const cue::Lookup found = cue::findImage(toolInput_, cue::sheetDecoder(host_.cueCodePage()));
    if (!found.image) {
        if (!found.sheet.isEmpty()) {
            sheetProblems_.append(cue::SheetProblem{found.sheet, found.problem});
        }
        return false;
    }
    const QString folder = cue::imageFolder(s.outFolder, *found.image, currentInput_, s.fatRoom);
    if (!QDir().mkpath(folder)) {
        failures_.append(FailedFile{currentInput_, QStringLiteral("无法创建文件夹 ") + folder});
        list_.removeFirstEntryIf(currentInput_);
        return true;
    }
    image_ = ImageRun{*found.image, folder, 0};
    noteAlbum(true);
    // The image is decoded once; every track's encode reads its span of that WAV. The probe
    // follows, then the tracks (objDuration_CommandOver).
    host_.showProgress(progress::Display{0, 0, kPreparing});
    QFile::remove(c.tmpWav);
    run(objSox, kSoxTool, mp3DecodeCommand(c, toolInput_));
    return true;
}

void ConversionBatch::startTrack(qsizetype k) {
    image_->track = k;
    const cue::ImageTrack& track = image_->image.tracks[k];
    const qsizetype room =
        entrySettings_.fatRoom > 0
            ? entrySettings_.fatRoom - (image_->folder.size() - entrySettings_.outFolder.size())
            : 0;
    currentOutput_ =
        cue::uniqueTrackPath(image_->folder, track, room > 0 ? std::max<qsizetype>(room, 12) : 0);
    run(objffmpeg, kCoderTool,
        trackEncodeCommand(context(), entrySettings_, toolInput_, currentOutput_, track));
}

void ConversionBatch::finishTrack() {
    const cue::Image& image = image_->image;
    const cue::ImageTrack& track = image.tracks[image_->track];
    const QString name =
        currentInput_ + QStringLiteral(" → ") + QFileInfo(currentOutput_).fileName();
    // A failed decode of the image is the cause to name; one track's failure is not the next's.
    if (objffmpeg.lastExitStatus() != 0 || !isNonEmptyFile(currentOutput_)) {
        failures_.append(FailedFile{
            name, firstFailure_.isEmpty() ? lastOutputLine(objffmpeg.Outputs()) : firstFailure_});
    } else {
        // The run states the image's length; the track is its span.
        const double seconds = static_cast<double>(track.span.end - track.span.start) /
                               static_cast<double>(image.rate);
        EncodeReport report = readEncodeReport(objffmpeg.Outputs());
        report.statedSeconds = seconds;
        if (const QString shortfall = encodeShortfall(report, seconds); !shortfall.isEmpty()) {
            failures_.append(FailedFile{name, shortfall});
        }
        carryCovers();
    }
    currentOutput_.clear();  // finished: a stop from now on keeps it
    if (image_->track + 1 < image.tracks.size()) {
        startTrack(image_->track + 1);
        return;
    }
    list_.removeFirstEntryIf(currentInput_);
    lngDuration_ = 0;
    image_.reset();
}

void ConversionBatch::objDOS_CommandOver() {
    if (!busy_ || ended_) {
        return;
    }
    if (!hasSecondPass(currentFormat_)) {
        finishEntry(objDOS);
        return;
    }
    // The second pass cannot mend a first pass that failed: its cause is the one to name.
    noteFailure(objDOS);
    ConversionSettings s = host_.settings();
    s.outFolder = makeEntryFolder();
    if (s.outFolder.isEmpty()) {
        return;
    }
    s.fatRoom = fatRoom();
    const QString stamp = timeStamp(QTime::currentTime());
    currentOutput_ = uniqueOutputPath(s, currentInput_, stamp);
    run(objffmpeg, secondPassTool(currentFormat_), secondPassCommand(context(), s, currentOutput_));
}

void ConversionBatch::objffmpeg_CommandOver() {
    if (!busy_ || ended_) {
        return;
    }
    if (image_) {
        finishTrack();
        return;
    }
    finishEntry(objffmpeg);
}

void ConversionBatch::objSox_CommandOver() {
    if (!busy_ || ended_) {
        return;
    }
    noteFailure(objSox);
    run(objDuration, kCoderTool, mp3ProbeCommand(context()));
}

void ConversionBatch::objDuration_CommandOver() {
    if (!busy_ || ended_) {
        return;
    }
    if (image_) {
        startTrack(0);
        return;
    }
    run(objffmpeg, kCoderTool,
        mp3EncodeCommand(context(), entrySettings_, toolInput_, currentOutput_));
}

void ConversionBatch::noteFailure(const DOSOutputs& runner) {
    if (firstFailure_.isEmpty() && runner.lastExitStatus() != 0) {
        firstFailure_ = lastOutputLine(runner.Outputs());
    }
}

void ConversionBatch::finishEntry(const DOSOutputs& lastRunner) {
    noteFailure(lastRunner);
    const bool written = lastRunner.lastExitStatus() == 0 && isNonEmptyFile(currentOutput_);
    if (!written) {
        const QString cause =
            firstFailure_.isEmpty() ? lastOutputLine(lastRunner.Outputs()) : firstFailure_;
        failures_.append(FailedFile{currentInput_, cause});
    } else if (currentFormat_ == FormatMp3) {
        // ffmpeg decodes what it can of a cut or damaged file and exits 0. The partial MP3 stays:
        // a damaged rip's first minutes are still the user's.
        const QString shortfall = encodeShortfall(readEncodeReport(lastRunner.Outputs()),
                                                  statedSeconds(objDuration.Outputs()));
        if (!shortfall.isEmpty()) {
            failures_.append(FailedFile{currentInput_, shortfall});
        }
    }
    if (written) {
        carryCovers();
    }
    list_.removeFirstEntryIf(currentInput_);
    lngDuration_ = 0;
    currentOutput_.clear();  // finished: a stop from now on must not touch it
}

void ConversionBatch::cmdStop_Click() {
    if (!busy_ || stopped_) {
        return;
    }
    stopped_ = true;
    ended_ = true;
    // The screen answers at once; the batch unwinds when the tool is gone.
    host_.setStopAvailable(false);
    host_.showProgress(progress::Display{0, 0, kStopped});
    for (DOSOutputs* runner : {&objDOS, &objffmpeg, &objSox, &objDuration}) {
        runner->stop();
    }
    if (timer1_.isActive()) {  // armed, but nothing started yet
        timer1_.stop();
        completeBatch();
    }
}

void ConversionBatch::endForExit() {
    if (!busy_) {
        return;
    }
    stopped_ = true;
    ended_ = true;
    timer1_.stop();
    for (DOSOutputs* runner : {&objDOS, &objffmpeg, &objSox, &objDuration}) {
        runner->endNow();
    }
    discardStoppedWork();
    sourceLinks_.clear();
}

void ConversionBatch::discardStoppedWork() {
    if (!currentOutput_.isEmpty()) {
        QFile::remove(currentOutput_);
        // coder.exe writes the MP3 under a name of its own beside it and renames it at the end; a
        // killed one leaves that file behind, and only that one is removed.
        QFile::remove(QFile::decodeName(
            tooljob::partialPath(QFile::encodeName(currentOutput_).toStdString()).c_str()));
        currentOutput_.clear();
    }
    removeTemporaryFiles(temporaryFiles(), serveEvents);
}

// A player that reads folder art finds it beside the MP3s; once a batch, so a second file of the
// same album does not try again.
void ConversionBatch::carryCovers() {
    // A linked source's covers are linked beside it.
    const QString source = QFileInfo(toolInput_).path();
    if (currentSubfolder_.isEmpty() || coversCarried_.contains(source)) {
        return;
    }
    if (toolInput_ == currentInput_) {
        coversCarried_.insert(source);  // a link's folder is made again for each source
    }
    album::copyCoverFiles(source, QFileInfo(currentOutput_).path());
}

void ConversionBatch::completeBatch() {
    const bool finished = !ended_;
    if (stopped_) {
        discardStoppedWork();
    }
    if (finished) {
        host_.openOutputFolder(outFolder());
        if (host_.completionSoundWanted()) {
            host_.playCompletionSound();
        }
    }
    sourceLinks_.clear();
    list_.setHeld(false);
    host_.setStopAvailable(false);
    host_.setControlsEnabled(true);
    host_.showProgress(
        progress::Display{0, 0, finished ? kDone : (stopped_ ? kStopped : QStringLiteral("0%"))});
    lngDuration_ = 0;
    busy_ = false;
    stopped_ = false;
    currentOutput_.clear();
    image_.reset();
    QStringList reports;
    if (!failures_.isEmpty()) {
        reports << failureReport(failures_);
    }
    if (!sheetProblems_.isEmpty()) {
        reports << cue::sheetReport(sheetProblems_);
    }
    if (!reports.isEmpty()) {
        showMessage(reports.join(QStringLiteral("\n\n")), MessageIcon::Exclamation);
    }
    emit batchFinished();
}

void ConversionBatch::objDuration_ReceiveOutputs(QString& CommandOutputs) {
    if (lngDuration_ != 0) {
        return;
    }
    if (const auto duration = progress::scanDuration(CommandOutputs)) {
        lngDuration_ = *duration;
    }
}

void ConversionBatch::objffmpeg_ReceiveOutputs(QString& CommandOutputs) {
    if (stopped_) {
        return;  // "已停止" stays
    }
    if (lngDuration_ == 0) {
        if (const auto duration = progress::scanDuration(CommandOutputs)) {
            lngDuration_ = *duration;
        }
    }
    const auto elapsed = progress::scanElapsed(CommandOutputs);
    strSpin_ = progress::nextSpin(strSpin_);
    if (elapsed && image_) {
        // Over the whole image, naming the track.
        const cue::ImageTrack& track = image_->image.tracks[image_->track];
        progress::Display display = progress::displayFromElapsed(
            *elapsed + track.span.start / std::max<qint64>(image_->image.rate, 1), lngDuration_,
            strSpin_);
        display.caption =
            QStringLiteral("%1 - %2  ").arg(track.number, 2, 10, QChar(u'0')).arg(track.title) +
            display.caption;
        host_.showProgress(display);
    } else if (elapsed) {
        host_.showProgress(progress::displayFromElapsed(*elapsed, lngDuration_, strSpin_));
    }
}

void ConversionBatch::objDOS_ReceiveOutputs(QString& CommandOutputs) {
    if (stopped_) {
        return;
    }
    strSpin_ = progress::nextSpin(strSpin_);
    if (const auto report = progress::scanPercent(CommandOutputs)) {
        host_.showProgress(progress::displayFromPercent(*report, strSpin_));
    }
}

QString lastOutputLine(const QString& outputs) {
    const QStringList lines =
        outputs.split(QRegularExpression(QStringLiteral("[\r\n]")), Qt::SkipEmptyParts);
    for (auto it = lines.crbegin(); it != lines.crend(); ++it) {
        const QString line = it->trimmed();
        if (!line.isEmpty()) {
            return line;
        }
    }
    return QString();
}

QString failureReport(const QList<FailedFile>& failures) {
    QString text = QStringLiteral("以下文件转换失败：");
    for (const FailedFile& failed : failures) {
        text += QStringLiteral("\n\n") + failed.path;
        if (!failed.lastLine.isEmpty()) {
            text += QStringLiteral("\n    ") + failed.lastLine;
        }
    }
    return text;
}

}  // namespace lumivox
