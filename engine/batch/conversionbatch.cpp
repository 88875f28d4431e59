#include "engine/batch/conversionbatch.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

#include <algorithm>
#include <cmath>

#include "collection/albumfolders.h"
#include "collection/fatnames.h"
#include "engine/base/apppaths.h"
#include "engine/base/messages.h"
#include "engine/base/tempfiles.h"
#include "engine/commands/encodecheck.h"
#include "engine/commands/trackcommand.h"
#include "library/syncdecision.h"
#include "tooljob/mp3track.h"

namespace lumivox {

namespace {

// sox.exe decodes a 16-bit FLAC of one or two channels into the WAV the tracks then read; any
// other image each track decodes for its own span, so its WAV would be decoded for nothing.
bool decodesOnce(const cue::Image& image) {
    return image.bits == 16 && image.channels <= 2;
}

double trackSeconds(const cue::Image& image, const cue::ImageTrack& track) {
    return static_cast<double>(track.span.end - track.span.start) /
           static_cast<double>(std::max<qint64>(image.rate, 1));
}

// A track's progress from its own start, naming it: "03 - Title  42%". 100 % only once it is
// written; before that the last percent waits for the file.
progress::Display trackProgress(const cue::ImageTrack& track, double elapsed, double seconds,
                                const QString& spin, bool written) {
    const qint32 whole = static_cast<qint32>(std::ceil(seconds * 100));
    qint64 shown = static_cast<qint64>(std::max(elapsed, 0.0) * 100);
    if (!written) {
        shown = std::min<qint64>(shown, whole * 99 / 100);
    }
    progress::Display display = progress::displayFromElapsed(written ? whole : shown, whole, spin);
    const QString number = (track.disc > 0 ? QString::number(track.disc) + u'-' : QString()) +
                           QStringLiteral("%1").arg(track.number, 2, 10, QChar(u'0'));
    display.caption =
        number + QStringLiteral(" - ") + track.title + QStringLiteral("  ") + display.caption;
    return display;
}

const QString kPreparing = QStringLiteral("准备中 - 正在估算音频长度");
const QString kDone = QStringLiteral("Done.");
const QString kStopped = QStringLiteral("已停止");
const QString kUpToDate = QStringLiteral("已是最新");
const QString kRetagging = QStringLiteral("更新标签");

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
    // One run at a time: the step under way says which run ended and what follows.
    for (DOSOutputs* runner : {&objDOS, &objffmpeg, &objSox, &objDuration}) {
        connect(runner, &DOSOutputs::CommandOver, this, &ConversionBatch::runOver);
    }
    nextEntry_.setSingleShot(true);
    nextEntry_.setInterval(0);
    connect(&nextEntry_, &QTimer::timeout, this, &ConversionBatch::nextEntry);
}

DOSOutputs& ConversionBatch::runnerOf(Step step) {
    switch (step) {
        case Step::Decode:
            return objSox;
        case Step::Probe:
            return objDuration;
        case Step::FirstPass:
            return objDOS;
        default:
            return objffmpeg;
    }
}

void ConversionBatch::imgStart_Click() {
    if (isBusy()) {
        return;
    }
    if (list_.FileCount() == 0) {
        showMessage(QStringLiteral("请先添加一个文件"), MessageIcon::Exclamation,
                    QStringLiteral("添加"));
        return;
    }
    state_ = State::Waiting;
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

void ConversionBatch::startConversionBatch() {
    if (state_ != State::Stopping) {  // a stop that came before the first tool started ends it
        state_ = State::Waiting;
    }
    batch_ = BatchRun{};
    batch_.keepFolders = host_.keepSourceFolders();
    failures_.clear();
    sheetProblems_.clear();
    // coder.exe writes the MP3's tags; the choice reaches it through its environment.
    qputenv("LUMIVOX_ID3", host_.id3v23Tags() ? "2.3" : "2.4");
    // So do the MP3 mode, the covers' size and loudness, for sox.exe's decode as well.
    batch_.device = host_.deviceChoices();
    qputenv("LUMIVOX_MP3_MODE", batch_.device.mp3Mode.toLatin1());
    qputenv("LUMIVOX_COVER_MAX", batch_.device.coverMax.toLatin1());
    qputenv("LUMIVOX_LOUDNESS", batch_.device.loudness.toLatin1());
    qputenv("LUMIVOX_ALBUM", QFile::encodeName(paths::tmpFolder() + QStringLiteral("/album")));
    list_.setHeld(true);
    settleOutputFolderText();
    paths::makeOutputFolder(outFolder());
    QDir().mkpath(paths::tmpFolder());
    if (host_.librarySync() && host_.settings().format == FormatMp3) {
        // The device choices shape the MP3 too; at their defaults the key is the plain "cbr".
        const DeviceChoices& d = batch_.device;
        QString mode =
            d.mp3Mode == QStringLiteral("CBR") ? QStringLiteral("cbr") : d.mp3Mode.toLower();
        if (d.coverMax != QStringLiteral("0")) {
            mode += QStringLiteral("+cover") + d.coverMax;
        }
        if (d.loudness != QStringLiteral("off")) {
            mode += u'+' + d.loudness;
        }
        batch_.sync.emplace(outFolder(), host_.settings(), host_.id3v23Tags(), mode);
    }
    batch_.total = list_.FileCount();
    batch_.clock.start();
    nextEntry();
}

qsizetype ConversionBatch::fatRoom() const {
    return batch_.device.fatNames ? fat::kMostPathUnits - entry_.subfolder.size() : 0;
}

void ConversionBatch::noteAlbum(bool image) {
    const QString& loudness = batch_.device.loudness;
    if (loudness != QStringLiteral("tags") && loudness != QStringLiteral("album")) {
        return;
    }
    const QString folder = QFileInfo(entry_.path).path();
    if (!image && folder == batch_.albumFolder) {
        return;  // the album's list stands; its earlier tracks have left the list by now
    }
    batch_.albumFolder = image ? QString() : folder;
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
    if (list_.FileCount() == 0 || batch_.abandoned || state_ == State::Stopping) {
        completeBatch();
        return;
    }
    settleOutputFolderText();
    showBatchCount();
    convertFirstEntry();
    afterRun();  // when no run could start, the entry is over already
}

// Whichever run ended: the step it was says what comes next.
void ConversionBatch::runOver() {
    const bool converting = state_ == State::ConvertingFile || state_ == State::ConvertingImage;
    if (converting && !batch_.abandoned) {
        switch (entry_.step) {
            case Step::Decode:
                noteFailure(objSox);
                run(Step::Probe);
                break;
            case Step::Probe:
                if (image_) {
                    startTrack(0);
                } else {
                    run(Step::Encode);
                }
                break;
            case Step::Encode:
            case Step::SecondPass:
                finishEntry(objffmpeg);
                break;
            case Step::Track:
                finishTrack();
                break;
            case Step::Retag:
                finishRetag();
                break;
            case Step::FirstPass:
                if (hasSecondPass(entry_.settings.format)) {
                    startSecondPass();
                } else {
                    finishEntry(objDOS);
                }
                break;
            case Step::None:
                break;
        }
    }
    afterRun();
}

// Once no runner is busy, the entry is over.
void ConversionBatch::afterRun() {
    if (!isBusy() || nextEntry_.isActive()) {
        return;
    }
    for (const DOSOutputs* runner : {&objDOS, &objffmpeg, &objSox, &objDuration}) {
        if (runner->isRunning()) {
            return;  // the entry's next run
        }
    }
    // Whatever happened, never offer the same entry again without end.
    if (list_.FileCount() == entry_.countBefore && list_.FilePathAt(0) == entry_.path) {
        batch_.abandoned = true;
    }
    nextEntry_.start();
}

bool ConversionBatch::run(Step step) {
    if (state_ == State::Stopping) {
        return false;
    }
    const CommandContext c = context();
    const EntryRun& e = entry_;
    QString tool;
    QString line;
    switch (step) {
        case Step::Decode:
            tool = kSoxTool;
            // A failed decode must not hand the previous file's audio to the probe.
            QFile::remove(c.tmpWav);
            line = mp3DecodeCommand(c, e.toolInput);
            break;
        case Step::Probe:
            tool = kCoderTool;
            line = mp3ProbeCommand(c);
            break;
        case Step::Encode:
            tool = kCoderTool;
            line = mp3EncodeCommand(c, e.settings, e.toolInput, e.output);
            if (e.sync) {
                line = library::SyncRun::withRecord(line, e.output, e.sync->record);
            }
            break;
        case Step::Track:
            tool = kCoderTool;
            line = trackEncodeCommand(c, e.settings, e.toolInput, e.output,
                                      image_->image.tracks[image_->track]);
            if (e.sync) {
                line = library::SyncRun::withRecord(line, e.output, e.sync->record);
            }
            break;
        case Step::Retag:
            tool = kCoderTool;
            // The encode's command names the fields (a track's too); coder.exe keeps the audio.
            line = library::SyncRun::retagCommand(
                image_ ? trackEncodeCommand(c, e.settings, e.toolInput, e.sync->mp3,
                                            image_->image.tracks[image_->track])
                       : mp3EncodeCommand(c, e.settings, e.toolInput, e.sync->mp3),
                e.sync->mp3, e.sync->record);
            break;
        case Step::FirstPass:
            tool = kConvTool;
            // A failed first pass must not hand the previous file's video to the second pass.
            QFile::remove(c.tmpMp4);
            line = firstPassCommand(c, e.settings, e.toolInput, e.output);
            break;
        case Step::SecondPass:
            tool = secondPassTool(e.settings.format);
            line = secondPassCommand(c, e.settings, e.output);
            break;
        case Step::None:
            return false;
    }
    entry_.step = step;
    CurrentToolName = tool;
    DOSOutputs& runner = runnerOf(step);
    runner.setCommandLine(line);
    if (!runner.startCommand()) {
        batch_.abandoned = true;  // the runner said "File or command not found"; the entry stays
        return false;
    }
    return true;
}

void ConversionBatch::fail(const QString& path, const QString& cause) {
    failures_.append(FailedFile{path, cause});
}

void ConversionBatch::removeEntry() {
    list_.removeFirstEntryIf(entry_.path);
    lngDuration_ = 0;
}

QString ConversionBatch::makeEntryFolder() {
    const QString base = outFolder();
    paths::makeOutputFolder(base);  // the box may name another folder by now
    if (entry_.subfolder.isEmpty()) {
        return base;
    }
    const QString folder = base + entry_.subfolder;
    if (QDir().mkpath(folder)) {
        return folder;
    }
    fail(entry_.path, QStringLiteral("无法创建文件夹 ") + folder);
    removeEntry();
    return {};
}

void ConversionBatch::convertFirstEntry() {
    state_ = State::ConvertingFile;  // an album image turns it into ConvertingImage
    entry_ = EntryRun{};
    image_.reset();
    entry_.path = list_.FilePathAt(0);
    entry_.countBefore = list_.FileCount();
    entry_.toolInput = sourceLinks_.reach(entry_.path, list_.NativePathAt(0));
    entry_.subfolder = batch_.keepFolders
                           ? album::mirroredSubfolder(entry_.path, list_.FoundUnderAt(0))
                           : QString();
    if (batch_.device.fatNames && !entry_.subfolder.isEmpty()) {
        entry_.subfolder = fat::path(entry_.subfolder);
    }
    ConversionSettings s = host_.settings();
    entry_.settings.format = s.format;  // what the passes go by, even when no run starts
    s.outFolder = makeEntryFolder();
    if (s.outFolder.isEmpty()) {
        return;
    }
    s.fatRoom = fatRoom();
    entry_.settings = s;
    const QString stamp = timeStamp(QTime::currentTime());
    if (s.format == FormatMp3) {
        if (convertImage()) {
            return;
        }
        entry_.output = uniqueOutputPath(s, entry_.path, stamp);
        if (batch_.sync && syncEntry()) {
            return;
        }
        noteAlbum(false);
        host_.showProgress(progress::Display{0, 0, kPreparing});
        run(Step::Decode);
        return;
    }
    entry_.output = hasSecondPass(s.format) ? QString() : uniqueOutputPath(s, entry_.path, stamp);
    run(Step::FirstPass);
}

bool ConversionBatch::convertImage() {
    if (!host_.cueSplit()) {
        return false;
    }
    const cue::Lookup found =
        cue::findImage(entry_.toolInput, cue::sheetDecoder(host_.cueCodePage()));
    if (!found.image) {
        if (!found.sheet.isEmpty()) {
            sheetProblems_.append(cue::SheetProblem{found.sheet, found.problem});
        }
        return false;
    }
    const QString folder = cue::imageFolder(entry_.settings.outFolder, *found.image, entry_.path,
                                            entry_.settings.fatRoom);
    if (!QDir().mkpath(folder)) {
        fail(entry_.path, QStringLiteral("无法创建文件夹 ") + folder);
        list_.removeFirstEntryIf(entry_.path);
        return true;
    }
    state_ = State::ConvertingImage;
    image_ = ImageRun{*found.image, folder, 0, {}};
    noteAlbum(true);
    host_.showProgress(progress::Display{0, 0, kPreparing});
    planImageTracks();
    const bool tagsAtMost =
        !image_->steps.isEmpty() &&
        std::none_of(image_->steps.cbegin(), image_->steps.cend(), [](const library::SyncStep& s) {
            return s.action == library::SyncAction::Encode;
        });
    if (tagsAtMost || !decodesOnce(*found.image)) {
        // No track reads a WAV of the whole image: tags to write at most, or sox.exe would
        // decode it to a WAV no track reads, and each track decodes its own span.
        lngDuration_ = static_cast<qint32>(found.image->samples / found.image->rate);
        startTrack(0);
        return true;
    }
    // The image is decoded once; every track's encode reads its span of that WAV. The probe
    // follows, then the tracks.
    run(Step::Decode);
    return true;
}

void ConversionBatch::startTrack(qsizetype k) {
    image_->track = k;
    const cue::ImageTrack& track = image_->image.tracks[k];
    const qsizetype room =
        entry_.settings.fatRoom > 0
            ? entry_.settings.fatRoom - (image_->folder.size() - entry_.settings.outFolder.size())
            : 0;
    entry_.output =
        cue::uniqueTrackPath(image_->folder, track, room > 0 ? std::max<qsizetype>(room, 12) : 0);
    if (image_->steps.isEmpty()) {
        run(Step::Track);
        return;
    }
    entry_.sync = image_->steps[k];
    switch (entry_.sync->action) {
        case library::SyncAction::Skip:
            batch_.sync->countUpToDate();
            entry_.output.clear();
            entry_.sync.reset();
            nextTrack();
            return;
        case library::SyncAction::Retag:
            entry_.output.clear();  // a stop must never remove the MP3 being retagged
            run(Step::Retag);
            return;
        case library::SyncAction::Encode:
            break;
    }
    if (entry_.sync->mp3.isEmpty()) {
        if (entry_.sync->userFileAtName) {
            batch_.sync->noteUserFile(
                library::stableTrackPath(image_->folder, track.number, track.title));
        }
    } else {
        entry_.output = entry_.sync->workPath;
        QFile::remove(entry_.output);  // a killed run's
    }
    run(Step::Track);
}

void ConversionBatch::nextTrack() {
    if (image_->track + 1 < image_->image.tracks.size()) {
        startTrack(image_->track + 1);
        return;
    }
    // The image's WAV is of no more use: it need not wait for the program's exit.
    QFile::remove(context().tmpWav);
    removeEntry();
    image_.reset();
}

void ConversionBatch::planImageTracks() {
    if (!batch_.sync) {
        return;
    }
    QList<library::SyncStep> steps;
    for (const cue::ImageTrack& t : image_->image.tracks) {
        QString tags;
        for (const auto& [key, value] : t.tags) {
            tags += key + u'=' + value + u'\n';
        }
        const library::SyncPlanner::Track track{
            t.number, library::stableTrackPath(image_->folder, t.number, t.title),
            QStringLiteral("%1-%2").arg(t.span.start).arg(t.span.end), tags};
        const auto step =
            batch_.sync->planTrack(entry_.path, entry_.toolInput, list_.FoundUnderAt(0), track);
        if (!step) {
            return;  // a file added by itself: converted as without sync
        }
        steps.append(*step);
    }
    image_->steps = steps;
}

bool ConversionBatch::syncEntry() {
    entry_.sync = batch_.sync->plan(entry_.path, entry_.toolInput, list_.FoundUnderAt(0),
                                    entry_.settings.outFolder);
    if (!entry_.sync) {
        return false;
    }
    switch (entry_.sync->action) {
        case library::SyncAction::Skip:
            batch_.sync->countUpToDate();
            host_.showProgress(progress::Display{0, 0, kUpToDate});
            entry_.output.clear();
            entry_.sync.reset();
            removeEntry();
            return true;
        case library::SyncAction::Retag:
            entry_.output.clear();  // a stop must never remove the MP3 being retagged
            host_.showProgress(progress::Display{0, 0, kRetagging});
            run(Step::Retag);
            return true;
        case library::SyncAction::Encode:
            break;
    }
    if (entry_.sync->mp3.isEmpty()) {
        if (entry_.sync->userFileAtName) {
            batch_.sync->noteUserFile(
                library::stableMp3Path(entry_.settings.outFolder, entry_.path));
        }
    } else {
        entry_.output = entry_.sync->workPath;
        QFile::remove(entry_.output);  // a killed run's
    }
    return false;
}

void ConversionBatch::finishRetag() {
    const QString name =
        image_ ? entry_.path + QStringLiteral(" → ") + QFileInfo(entry_.sync->mp3).fileName()
               : entry_.path;
    if (objffmpeg.lastExitStatus() == 0) {
        batch_.sync->countRetagged();
    } else {
        fail(name, lastOutputLine(objffmpeg.Outputs()));
    }
    entry_.sync.reset();
    if (image_) {
        nextTrack();
        return;
    }
    removeEntry();
}

void ConversionBatch::settleSyncEncode(bool good) {
    const library::SyncStep& step = *entry_.sync;
    if (!good) {
        library::SyncRun::discardEncode(step);  // the old MP3 stays
    } else if (!library::SyncRun::settleEncode(step, entry_.output)) {
        fail(entry_.path, QStringLiteral("同步记录未能写入或无法替换 ") +
                              (step.mp3.isEmpty() ? entry_.output : step.mp3));
        good = false;
    }
    if (!step.workPath.isEmpty()) {
        entry_.output = step.mp3;
    }
    if (good) {
        batch_.sync->countEncoded();
    }
    entry_.sync.reset();
}

void ConversionBatch::showBatchCount() {
    const int done = std::max(0, batch_.total - list_.FileCount());
    host_.showBatchCount(progress::batchCaption(std::min(done + 1, batch_.total), batch_.total,
                                                batch_.clock.elapsed(), done));
}

void ConversionBatch::finishTrack() {
    const cue::Image& image = image_->image;
    const cue::ImageTrack& track = image.tracks[image_->track];
    const QString name =
        entry_.path + QStringLiteral(" → ") +
        QFileInfo(entry_.sync && !entry_.sync->mp3.isEmpty() ? entry_.sync->mp3 : entry_.output)
            .fileName();
    bool good = false;
    // A failed decode of the image is the cause to name; one track's failure is not the next's.
    if (objffmpeg.lastExitStatus() != 0 || !isNonEmptyFile(entry_.output)) {
        fail(name, entry_.firstFailure.isEmpty() ? lastOutputLine(objffmpeg.Outputs())
                                                 : entry_.firstFailure);
    } else {
        // The run states the image's length; the track is its span, and ffmpeg's time counts
        // from the span's start on every path, so a short track is told.
        const double seconds = trackSeconds(image, track);
        EncodeReport report = readEncodeReport(objffmpeg.Outputs());
        report.statedSeconds = seconds;
        const QString shortfall = encodeShortfall(report, seconds);
        if (!shortfall.isEmpty()) {
            fail(name, shortfall);
        } else {
            host_.showProgress(trackProgress(track, seconds, seconds, strSpin_, true));
        }
        good = shortfall.isEmpty();
    }
    if (entry_.sync) {
        settleSyncEncode(good);
    }
    if (isNonEmptyFile(entry_.output)) {
        carryCovers();
    }
    entry_.output.clear();
    nextTrack();
}

void ConversionBatch::startSecondPass() {
    // The second pass cannot mend a first pass that failed: its cause is the one to name.
    noteFailure(objDOS);
    ConversionSettings s = host_.settings();
    s.outFolder = makeEntryFolder();
    if (s.outFolder.isEmpty()) {
        return;
    }
    s.fatRoom = fatRoom();
    entry_.settings = s;
    entry_.output = uniqueOutputPath(s, entry_.path, timeStamp(QTime::currentTime()));
    run(Step::SecondPass);
}

void ConversionBatch::noteFailure(const DOSOutputs& runner) {
    if (entry_.firstFailure.isEmpty() && runner.lastExitStatus() != 0) {
        entry_.firstFailure = lastOutputLine(runner.Outputs());
    }
}

void ConversionBatch::finishEntry(const DOSOutputs& lastRunner) {
    noteFailure(lastRunner);
    const bool written = lastRunner.lastExitStatus() == 0 && isNonEmptyFile(entry_.output);
    QString shortfall;
    if (!written) {
        fail(entry_.path, entry_.firstFailure.isEmpty() ? lastOutputLine(lastRunner.Outputs())
                                                        : entry_.firstFailure);
    } else if (entry_.settings.format == FormatMp3) {
        // ffmpeg decodes what it can of a cut or damaged file and exits 0. The partial MP3 stays:
        // a damaged rip's first minutes are still the user's (in sync mode the old MP3 does).
        shortfall = encodeShortfall(readEncodeReport(lastRunner.Outputs()),
                                    statedSeconds(objDuration.Outputs()));
        if (!shortfall.isEmpty()) {
            fail(entry_.path, shortfall);
        }
    }
    if (entry_.sync) {
        settleSyncEncode(written && shortfall.isEmpty());
    }
    if (written) {
        carryCovers();
    }
    removeEntry();
    entry_.output.clear();
}

void ConversionBatch::cmdStop_Click() {
    if (!isBusy() || state_ == State::Stopping) {
        return;
    }
    const bool armed = timer1_.isActive();  // nothing started yet
    state_ = State::Stopping;
    // The screen answers at once; the batch unwinds when the tool is gone.
    host_.setStopAvailable(false);
    host_.showProgress(progress::Display{0, 0, kStopped});
    for (DOSOutputs* runner : {&objDOS, &objffmpeg, &objSox, &objDuration}) {
        runner->stop();
    }
    if (armed) {
        timer1_.stop();
        completeBatch();
    }
}

void ConversionBatch::endForExit() {
    if (!isBusy()) {
        return;
    }
    state_ = State::Stopping;
    timer1_.stop();
    for (DOSOutputs* runner : {&objDOS, &objffmpeg, &objSox, &objDuration}) {
        runner->endNow();
    }
    discardStoppedWork();
    sourceLinks_.clear();
}

void ConversionBatch::discardStoppedWork() {
    if (entry_.sync && entry_.step == Step::Retag) {
        // coder.exe rewrites the tag through its partial file; the MP3 itself stays.
        QFile::remove(QFile::decodeName(
            tooljob::partialPath(QFile::encodeName(entry_.sync->mp3).toStdString()).c_str()));
    }
    entry_.sync.reset();
    if (!entry_.output.isEmpty()) {
        QFile::remove(entry_.output);
        // coder.exe writes the MP3 under a name of its own beside it and renames it at the end; a
        // killed one leaves that file behind, and only that one is removed.
        QFile::remove(QFile::decodeName(
            tooljob::partialPath(QFile::encodeName(entry_.output).toStdString()).c_str()));
        entry_.output.clear();
    }
    removeTemporaryFiles(temporaryFiles(), serveEvents);
}

// A player that reads folder art finds it beside the MP3s; once a batch, so a second file of the
// same album does not try again.
void ConversionBatch::carryCovers() {
    // A linked source's covers are linked beside it.
    const QString source = QFileInfo(entry_.toolInput).path();
    if (entry_.subfolder.isEmpty() || batch_.coversCarried.contains(source)) {
        return;
    }
    if (entry_.toolInput == entry_.path) {
        batch_.coversCarried.insert(source);  // a link's folder is made again for each source
    }
    // Discs of one album share its folder: each keeps its own cover there.
    album::copyCoverFiles(source, QFileInfo(entry_.output).path(), image_ ? image_->image.disc : 0);
}

void ConversionBatch::completeBatch() {
    const bool stopped = state_ == State::Stopping;
    const bool finished = !stopped && !batch_.abandoned;
    if (stopped) {
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
        progress::Display{0, 0, finished ? kDone : (stopped ? kStopped : QStringLiteral("0%"))});
    lngDuration_ = 0;
    state_ = State::Done;
    entry_ = EntryRun{};
    image_.reset();
    host_.showBatchCount(QString());
    QStringList reports;
    bool syncNotes = false;
    if (batch_.sync) {
        // Asked only after a batch that went through: a stopped one saw part of the library.
        if (finished) {
            batch_.sync->offerRemoval();
        }
        reports << batch_.sync->endMessage(static_cast<int>(failures_.size()));
        syncNotes = batch_.sync->hasNotes();
        batch_.sync.reset();
    }
    if (!failures_.isEmpty()) {
        reports << failureReport(failures_);
    }
    if (!sheetProblems_.isEmpty()) {
        reports << cue::sheetReport(sheetProblems_);
    }
    if (!reports.isEmpty()) {
        // A sync batch's counts alone are news, not a warning.
        const bool warning = !failures_.isEmpty() || !sheetProblems_.isEmpty() || syncNotes;
        showMessage(reports.join(QStringLiteral("\n\n")),
                    warning ? MessageIcon::Exclamation : MessageIcon::Information);
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
    if (state_ == State::Stopping) {
        return;  // "已停止" stays
    }
    if (lngDuration_ == 0) {
        if (const auto duration = progress::scanDuration(CommandOutputs)) {
            lngDuration_ = *duration;
        }
    }
    const auto elapsed = progress::scanElapsed(CommandOutputs);
    strSpin_ = progress::nextSpin(strSpin_);
    if (elapsed && image_ && entry_.step == Step::Track) {
        const cue::ImageTrack& track = image_->image.tracks[image_->track];
        host_.showProgress(trackProgress(track, static_cast<double>(*elapsed),
                                         trackSeconds(image_->image, track), strSpin_, false));
    } else if (elapsed) {
        host_.showProgress(progress::displayFromElapsed(*elapsed, lngDuration_, strSpin_));
    }
}

void ConversionBatch::objDOS_ReceiveOutputs(QString& CommandOutputs) {
    if (state_ == State::Stopping) {
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
