// End to end: the real window, the real adapters and tools, on media made here.

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

#include <sys/stat.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "engine/base/apppaths.h"
#include "engine/base/messages.h"
#include "engine/batch/conversionbatch.h"
#include "filelist/filelistmodel.h"
#include "settings/frmoptions.h"
#include "settings/lumivoxini.h"
#include "settings/settingsfiles.h"
#include "shell/commandrouter.h"
#include "shell/formatboxes.h"
#include "shell/frmmain.h"
#include "shell/mainprogram.h"
#include "shell/startup.h"
#include "tests/shell/e2e_support.h"
#include "tests/shell/window_support.h"
#include "widgets/desktopservices.h"
#include "widgets/messageboxes.h"

using namespace lumivox;
using namespace lumivox::testing;

namespace {

class EndToEnd : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        paths::setAppFolderOverride(makeProgramFolder(dir_, withData()));
        QDir().mkpath(dir_.filePath("T"));
        paths::setPrivateTempFolderOverride(dir_.filePath("T"));
        setMessageHandler([this](const Message& m) { messages_.append(m); });
        desktopServices() = DesktopServices{
            [this](const QString& folder) { openedFolders_.append(folder); },
            [this](const QString& wav) { sounds_.append(wav); }, [](const QUrl&) {}};
        program_ = std::make_unique<MainProgram>();
        out_ = dir_.filePath("out");
        window().txtPath()->setText(out_);
    }
    void TearDown() override {
        program_.reset();
        restoreProgramSeams();
    }
    virtual bool withData() const { return true; }

    frmMain& window() { return program_->window(); }

    // Presses the start button and waits for the batch to end.
    bool convert(int timeoutMs = 120000) {
        QSignalSpy finished(&program_->batch(), &ConversionBatch::batchFinished);
        QTest::mouseClick(window().Command3(), Qt::LeftButton);
        return finished.wait(timeoutMs);
    }

    QStringList outputs() const {
        return QDir(out_).entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
    }

    QTemporaryDir dir_;
    QString out_;
    std::unique_ptr<MainProgram> program_;
    QList<Message> messages_;
    QStringList openedFolders_;
    QStringList sounds_;
};

void expectControlsEnabled(frmMain& w, bool enabled) {
    EXPECT_EQ(w.Command3()->isEnabled(), enabled);
    for (QComboBox* box :
         {w.cmbOF(), w.cmbR(), w.cmbBR(), w.cmbS(), w.cmbVB(), w.cmbF(), w.cmbChannel()}) {
        EXPECT_EQ(box->isEnabled(), enabled) << box->objectName().toStdString();
    }
    EXPECT_EQ(w.CmdToolsBar(0)->isEnabled(), enabled);
}

TEST_F(EndToEnd, FlacFilesBecomeMp3sWithTheChosenSettingsTagsAndNoOverwrite) {
    QDir(dir_.path()).mkpath("in/one");
    QDir(dir_.path()).mkpath("in/two");
    const QString tagged = dir_.filePath("in/tagged.flac");
    const QString odd = dir_.filePath("in/my \"best\" 歌曲 live.flac");
    const QString sameA = dir_.filePath("in/one/same.flac");
    const QString sameB = dir_.filePath("in/two/same.flac");
    ASSERT_TRUE(makeFlac(tagged, 3.0, {"title=Morning Song", "artist=Lumivox Tester"}));
    ASSERT_TRUE(makeFlac(odd, 2.0));
    ASSERT_TRUE(makeFlac(sameA, 2.5));
    ASSERT_TRUE(makeFlac(sameB, 1.5));

    window().formatBoxes()->selectFormat(8);
    window().cmbR()->setEditText("22050");
    window().cmbBR()->setEditText("96");
    window().cmbChannel()->setCurrentIndex(0);
    for (const QString& path : {tagged, odd, sameA, sameB}) {
        ASSERT_TRUE(window().fileList()->AddFileEntry(path));
    }

    ASSERT_TRUE(convert());

    EXPECT_EQ(window().fileList()->FileCount(), 0);
    EXPECT_EQ(window().lblPB()->text(), "Done.");
    EXPECT_EQ(window().pb()->value(), 0);
    EXPECT_EQ(window().imgPB()->width(), 0);
    EXPECT_EQ(program_->batch().lngDuration(), 0);
    expectControlsEnabled(window(), true);
    EXPECT_TRUE(messages_.isEmpty()) << messages_.value(0).text.toStdString();
    EXPECT_EQ(openedFolders_, QStringList{out_ + "/"});
    EXPECT_EQ(sounds_.size(), 1);

    const QStringList files = outputs();
    ASSERT_EQ(files.size(), 4) << files.join(", ").toStdString();
    const QMap<QString, double> lengths{{"tagged_", 3.0}, {"my \"best\" 歌曲 live_", 2.0}};
    int sameCount = 0;
    for (const QString& name : files) {
        const QJsonObject probed = probe(out_ + "/" + name);
        const QJsonObject audio = firstStream(probed, "audio");
        EXPECT_EQ(audio.value("codec_name").toString(), "mp3") << name.toStdString();
        EXPECT_EQ(audio.value("sample_rate").toString(), "22050");
        EXPECT_EQ(audio.value("channels").toInt(), 1);
        // The stream's rate: the file's also counts the tag and its padding.
        EXPECT_EQ(audio.value("bit_rate").toString(), "96000");
        const double duration =
            probed.value("format").toObject().value("duration").toString().toDouble();
        if (name.startsWith("same_")) {
            ++sameCount;
            EXPECT_TRUE(qAbs(duration - 2.5) < 0.1 || qAbs(duration - 1.5) < 0.1) << duration;
        } else {
            for (auto it = lengths.cbegin(); it != lengths.cend(); ++it) {
                if (name.startsWith(it.key())) {
                    EXPECT_NEAR(duration, it.value(), 0.1) << name.toStdString();
                }
            }
        }
        if (name.startsWith("tagged_")) {
            const QJsonObject tags = probed.value("format").toObject().value("tags").toObject();
            EXPECT_EQ(tags.value("title").toString(), "Morning Song");
            EXPECT_EQ(tags.value("artist").toString(), "Lumivox Tester");
        }
    }
    EXPECT_EQ(sameCount, 2) << "two inputs with one stem must both survive";
}

// mutagen's view of an MP3's ID3 tags: a reader apart from the one that wrote them.
QJsonObject id3Frames(const QString& mp3) {
    QString json;
    const QString script =
        QFileInfo(QStringLiteral(__FILE__)).dir().filePath("../tools/id3dump.py");
    runTool("/usr/bin/python3", {script, mp3}, &json);
    return QJsonDocument::fromJson(json.toUtf8()).object().value("frames").toObject();
}

// One album's short intro (the plain encode) and long track (the encode in pieces) come out
// tagged alike but for title and track, with every field and picture of the FLAC; with the
// ID3v2.3 choice, id3lib lists them.
TEST_F(EndToEnd, AnAlbumsShortAndLongFilesComeOutTaggedAlike) {
    QDir(dir_.path()).mkpath("album");
    const QString pictures[] = {dir_.filePath("front.jpg"), dir_.filePath("back.png")};
    for (const QString& picture : pictures) {
        ASSERT_TRUE(runTool("ffmpeg", {"-v", "error", "-f", "lavfi", "-i", "testsrc=s=32x32",
                                       "-frames:v", "1", picture}));
    }
    const QStringList album{"ARTIST=李香蘭",
                            "ALBUM=東京の夜",
                            "TRACKTOTAL=12",
                            "DISCNUMBER=1",
                            "DISCTOTAL=2",
                            "GENRE=Pop",
                            "COMMENT=评论",
                            "LYRICS=那南風吹來",
                            "ORIGINALDATE=1944",
                            "REPLAYGAIN_ALBUM_GAIN=-5.00 dB",
                            "MUSICBRAINZ_ALBUMID=11111111-2222-3333-4444-555555555555"};
    const QString intro = dir_.filePath("album/intro.flac");
    const QString song = dir_.filePath("album/song.flac");
    ASSERT_TRUE(makeFlac(intro, 6, album + QStringList{"TITLE=序", "TRACKNUMBER=1"}));
    ASSERT_TRUE(makeFlac(song, 24, album + QStringList{"TITLE=夜來香", "TRACKNUMBER=3"}));
    for (const QString& flac : {intro, song}) {
        ASSERT_TRUE(
            runTool("metaflac", {"--import-picture-from=3|image/jpeg|||" + pictures[0],
                                 "--import-picture-from=4|image/png|||" + pictures[1], flac}));
    }
    window().formatBoxes()->selectFormat(8);
    window().cmbR()->setEditText("44100");
    window().cmbBR()->setEditText("128");
    const auto convertBoth = [&] {
        QDir(out_).removeRecursively();
        ASSERT_TRUE(window().fileList()->AddFileEntry(intro));
        ASSERT_TRUE(window().fileList()->AddFileEntry(song));
        ASSERT_TRUE(convert());
        ASSERT_EQ(outputs().size(), 2) << outputs().join(", ").toStdString();
    };
    const auto outputOf = [&](const char* stem) {
        return out_ + "/" +
               outputs().filter(QRegularExpression(QString("^%1_").arg(stem))).value(0);
    };

    convertBoth();
    QJsonObject introTags = id3Frames(outputOf("intro"));
    QJsonObject songTags = id3Frames(outputOf("song"));
    EXPECT_EQ(songTags.value("TRCK").toArray().first().toString(), "3/12");
    EXPECT_EQ(introTags.value("TIT2").toArray().first().toString(), "序");
    for (QJsonObject* tags : {&introTags, &songTags}) {
        EXPECT_EQ(tags->value("APIC").toArray().size(), 2);
        tags->remove("TIT2");
        tags->remove("TRCK");
    }
    EXPECT_EQ(introTags, songTags);
    for (const char* frame : {"TPE1", "TALB", "TPOS", "TCON", "COMM::eng", "USLT::eng", "TDOR",
                              "TXXX:REPLAYGAIN_ALBUM_GAIN", "TXXX:MusicBrainz Album Id"}) {
        EXPECT_TRUE(songTags.contains(frame)) << frame;
    }

    ASSERT_TRUE(settings::save(settings::ini::Id3Version, QStringLiteral("2.3")));
    convertBoth();
    QString listed;
    ASSERT_TRUE(runTool("id3v2", {"-l", outputOf("song")}, &listed));
    for (const char* text : {"夜來香", "李香蘭", "東京の夜", "3/12"}) {
        EXPECT_TRUE(listed.contains(QString::fromUtf8(text))) << text << "\n"
                                                              << listed.toStdString();
    }
}

TEST_F(EndToEnd, StartingWithAnEmptyListOnlyWarnsFromEveryStartRoute) {
    for (QWidget* start :
         {static_cast<QWidget*>(window().Command3()), window().imgStart(), window().imgConvert()}) {
        messages_.clear();
        QTest::mouseClick(start, Qt::LeftButton, {}, QPoint(2, 2));
        ASSERT_EQ(messages_.size(), 1) << start->objectName().toStdString();
        EXPECT_EQ(messages_.at(0).text, "请先添加一个文件");
        EXPECT_EQ(messages_.at(0).title, "添加");
        EXPECT_EQ(messages_.at(0).icon, MessageIcon::Exclamation);
    }
    EXPECT_FALSE(program_->batch().Timer1().isActive());
    expectControlsEnabled(window(), true);
}

TEST_F(EndToEnd, AVideoBecomesAviAndThreeGp) {
    const QString clip = dir_.filePath("clip.mp4");
    ASSERT_TRUE(makeVideo(clip, 2.0));
    for (int format : {3, 7}) {
        window().formatBoxes()->selectFormat(format);
        window().fileList()->AddFileEntry(clip);
        ASSERT_TRUE(convert());
        EXPECT_EQ(window().fileList()->FileCount(), 0);
    }
    EXPECT_TRUE(messages_.isEmpty()) << messages_.value(0).text.toStdString();
    EXPECT_TRUE(QFile::exists(paths::tmpFolder() + "/divx2pass.log"))
        << "mencoder's pass log belongs in the private folder";
    const QStringList files = outputs();
    ASSERT_EQ(files.size(), 2) << files.join(", ").toStdString();
    for (const QString& name : files) {
        const QJsonObject probed = probe(out_ + "/" + name);
        const QString container = probed.value("format").toObject().value("format_name").toString();
        EXPECT_FALSE(firstStream(probed, "video").isEmpty()) << name.toStdString();
        if (name.endsWith(".avi")) {
            EXPECT_TRUE(name.startsWith("clip-"));
            EXPECT_EQ(container, "avi");
        } else {
            EXPECT_TRUE(name.endsWith(".3gp")) << name.toStdString();
            EXPECT_EQ(firstStream(probed, "audio").value("codec_name").toString(), "amr_nb");
            EXPECT_EQ(firstStream(probed, "video").value("width").toInt(), 320);
        }
    }
}

TEST_F(EndToEnd, AFlacSentToAVideoFormatIsReportedAsFailed) {
    const QString song = dir_.filePath("song.flac");
    ASSERT_TRUE(makeFlac(song, 1.0));
    window().formatBoxes()->selectFormat(3);
    window().fileList()->AddFileEntry(song);
    ASSERT_TRUE(convert());
    EXPECT_EQ(window().fileList()->FileCount(), 0);
    ASSERT_EQ(messages_.size(), 1);
    EXPECT_TRUE(messages_.at(0).text.contains(song)) << messages_.at(0).text.toStdString();
    EXPECT_TRUE(outputs().isEmpty()) << "a failed encode leaves no file behind";
    ASSERT_EQ(program_->batch().lastFailures().size(), 1);
    EXPECT_FALSE(program_->batch().lastFailures().at(0).lastLine.isEmpty());
}

TEST_F(EndToEnd, TheCaptionAndBarMoveWhileAnMp3Encodes) {
    // Long enough that ffmpeg prints status lines before it ends (one each half second).
    const QString song = dir_.filePath("long.flac");
    ASSERT_TRUE(makeFlac(song, 900.0));
    window().formatBoxes()->selectFormat(8);
    window().fileList()->AddFileEntry(song);
    QStringList captions;
    QList<int> values;
    QObject::connect(&program_->batch().objffmpeg, &DOSOutputs::ReceiveOutputs, [&](QString&) {
        captions << window().lblPB()->text();
        values << window().pb()->value();
    });
    ASSERT_TRUE(convert(300000));
    EXPECT_TRUE(messages_.isEmpty()) << messages_.value(0).text.toStdString();
    const QStringList moving = captions.filter(QRegularExpression("^转换中[-\\\\|/] [0-9.]+%$"));
    EXPECT_FALSE(moving.isEmpty()) << captions.join(" | ").toStdString();
    EXPECT_TRUE(
        std::any_of(values.cbegin(), values.cend(), [](int v) { return v > 0 && v < 100; }));
    EXPECT_EQ(captions.last(), "完成 100%");
    EXPECT_EQ(window().lblPB()->text(), "Done.");
}

// What a hostile folder holds: a FIFO named .flac (a tool would wait for a writer forever) and a
// FLAC cut to its first 30 % (ffmpeg encodes what it can and exits 0), beside a good file.
TEST_F(EndToEnd, APipeAndACutFlacAreNamedAndTheGoodFileStillConverts) {
    const QString fifo = dir_.filePath("pipe.flac");
    const QString cut = dir_.filePath("cut.flac");
    const QString good = dir_.filePath("good.flac");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    ASSERT_TRUE(makeFlac(cut, 12.0));
    ASSERT_TRUE(makeFlac(good, 2.0));
    QFile file(cut);
    ASSERT_TRUE(file.resize(file.size() * 3 / 10));

    window().formatBoxes()->selectFormat(8);
    for (const QString& path : {fifo, cut, good}) {
        ASSERT_TRUE(window().fileList()->AddFileEntry(path));
    }
    ASSERT_TRUE(convert(60000));
    EXPECT_EQ(window().fileList()->FileCount(), 0);
    ASSERT_EQ(program_->batch().lastFailures().size(), 2);
    EXPECT_EQ(program_->batch().lastFailures().at(0).path, fifo);
    EXPECT_TRUE(program_->batch().lastFailures().at(0).lastLine.endsWith("not a regular file"));
    EXPECT_EQ(program_->batch().lastFailures().at(1).path, cut);
    const QString shortfall = program_->batch().lastFailures().at(1).lastLine;
    EXPECT_TRUE(shortfall.startsWith("只写入了 ") && shortfall.endsWith("，应为 12.0 秒"))
        << shortfall.toStdString();
    ASSERT_EQ(messages_.size(), 1);
    EXPECT_TRUE(messages_.at(0).text.contains(shortfall));
    const QStringList files = outputs();
    EXPECT_EQ(files.filter(QRegularExpression("^cut_\\d+\\.mp3$")).size(), 1) << "kept";
    EXPECT_EQ(files.filter(QRegularExpression("^good_\\d+\\.mp3$")).size(), 1);
}

// "out" means a folder in the application folder for MEncoder too, which runs elsewhere.
TEST_F(EndToEnd, ARelativeOutputFolderWorksForTheVideoFormats) {
    const QString clip = dir_.filePath("clip.mp4");
    ASSERT_TRUE(makeVideo(clip, 1.0));
    window().txtPath()->setText("out");
    window().formatBoxes()->selectFormat(3);
    window().fileList()->AddFileEntry(clip);
    ASSERT_TRUE(convert());
    EXPECT_TRUE(messages_.isEmpty()) << messages_.value(0).text.toStdString();
    const QStringList files =
        QDir(paths::appFolder() + "/out").entryList({"clip-*.avi"}, QDir::Files);
    EXPECT_EQ(files.size(), 1);
}

class EndToEndWithoutTools : public EndToEnd {
  protected:
    bool withData() const override { return false; }
};

TEST_F(EndToEndWithoutTools, AMissingToolEndsTheBatchAndKeepsTheEntry) {
    const QString song = dir_.filePath("song.flac");
    ASSERT_TRUE(makeFlac(song, 1.0));
    window().formatBoxes()->selectFormat(8);
    window().fileList()->AddFileEntry(song);
    ASSERT_TRUE(convert(30000));
    ASSERT_FALSE(messages_.isEmpty());
    EXPECT_EQ(messages_.at(0).text, "File or command not found");
    ASSERT_EQ(window().fileList()->FileCount(), 1);
    EXPECT_EQ(window().fileList()->FilePathAt(0), song);
    EXPECT_FALSE(window().fileList()->isHeld());
    expectControlsEnabled(window(), true);
    EXPECT_TRUE(openedFolders_.isEmpty());
}

}  // namespace

// The options dialog's "OFF" reaches the end of the next batch: no sound, and "ON" brings it back.
TEST_F(EndToEnd, TheSoundSwitchedOffInTheOptionsStaysSilent) {
    const QString song = dir_.filePath("short.flac");
    ASSERT_TRUE(makeFlac(song, 1.0));
    window().formatBoxes()->selectFormat(8);
    for (const char* choice : {"OFF", "ON"}) {
        frmOptions options(program_->options(), &window());
        options.cmbSR()->setCurrentText(choice);
        options.imgOK_Click();
        window().fileList()->AddFileEntry(song);
        ASSERT_TRUE(convert());
        EXPECT_EQ(window().lblPB()->text(), "Done.");
    }
    EXPECT_EQ(sounds_.size(), 1) << "only the batch after ON plays the sound";
}

// A window opened from the menus while a batch converts never holds it: the options dialog, and
// the about box as the program shows it, stay open until the batch has finished behind them.
TEST_F(EndToEnd, AWindowOpenedDuringABatchNeverHoldsIt) {
    QStringList songs;
    for (const char* name : {"one.flac", "two.flac", "three.flac"}) {
        songs << dir_.filePath(name);
        ASSERT_TRUE(makeFlac(songs.last(), 20.0));
    }
    window().formatBoxes()->selectFormat(8);
    window().show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window()));
    const std::pair<const char*, QString> routes[] = {{"menuReminder", "选项设置"},
                                                      {"menuAbout", "关于"}};
    for (const auto& [item, title] : routes) {
        SCOPED_TRACE(item);
        QDir(out_).removeRecursively();
        for (const QString& song : songs) {
            ASSERT_TRUE(window().fileList()->AddFileEntry(song));
        }
        const MessageHandler recording = setMessageHandler({});
        installMessageBoxes();
        QSignalSpy finished(&program_->batch(), &ConversionBatch::batchFinished);
        QString opened;
        qsizetype mp3sAtOpening = -1;
        qsizetype mp3sAtClosing = -1;
        QString captionAtClosing;
        bool finishedBehindIt = false;
        QElapsedTimer clock;
        // Closes the window once the batch is over, or after a minute when it is held.
        QTimer watcher;
        QObject::connect(&watcher, &QTimer::timeout, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal == nullptr) {
                return;
            }
            if (opened.isEmpty()) {
                opened = modal->windowTitle();
            }
            if (finished.isEmpty() && clock.elapsed() < 60000) {
                return;
            }
            finishedBehindIt = !finished.isEmpty();
            mp3sAtClosing = outputs().size();
            captionAtClosing = window().lblPB()->text();
            qobject_cast<QDialog*>(modal)->reject();
        });
        // Opened as a click opens it, from the event loop, once the first encode is at work.
        const auto open = [&, item = item] {
            clock.start();
            mp3sAtOpening = outputs().size();
            watcher.start(50);
            window().findChild<QAction*>(item)->trigger();
            watcher.stop();
        };
        bool asked = false;
        const auto hook = QObject::connect(&program_->batch().objffmpeg,
                                           &DOSOutputs::ReceiveOutputs, [&](QString&) {
                                               if (!std::exchange(asked, true)) {
                                                   QTimer::singleShot(0, open);
                                               }
                                           });
        const bool ended = convert();
        QObject::disconnect(hook);
        setMessageHandler(recording);
        ASSERT_TRUE(ended);

        EXPECT_EQ(opened, title);
        EXPECT_LT(mp3sAtOpening, 2) << "the window opened while the first file converted";
        EXPECT_TRUE(finishedBehindIt) << "the batch waited for the window";
        EXPECT_EQ(mp3sAtClosing, 3);
        EXPECT_EQ(captionAtClosing, "Done.");
        EXPECT_TRUE(program_->batch().lastFailures().isEmpty());
    }
}

namespace {

// A two-artist, three-album tree with covers, and a file added by itself.
const QStringList kTree{"A/Album 1/01 Intro.flac", "A/Album 2/01 Intro.flac",
                        "B/Album 3/01 Intro.flac", "B/Album 3/02 Song.flac"};

class AlbumFolders : public EndToEnd {
  protected:
    void SetUp() override {
        EndToEnd::SetUp();
        window().formatBoxes()->selectFormat(8);
        for (const QString& flac : kTree) {
            QDir().mkpath(QFileInfo(music(flac)).path());
            ASSERT_TRUE(makeFlac(music(flac), 1.0));
        }
        ASSERT_TRUE(runTool("ffmpeg", {"-loglevel", "error", "-f", "lavfi", "-i",
                                       "color=red:size=16x16", "-frames:v", "1", cover()}));
        for (const char* copy :
             {"A/Album 2/Folder.JPG", "B/Album 3/front.jpeg", "B/Album 3/back.jpg"}) {
            ASSERT_TRUE(QFile::copy(cover(), music(copy)));
        }
        ASSERT_TRUE(makeFlac(dir_.filePath("solo.flac"), 1.0));
    }
    QString music(const QString& relative) const { return dir_.filePath("music/" + relative); }
    QString cover() const { return music("A/Album 1/cover.jpg"); }
    QString mirrored(const QString& relative) const { return out_ + "/music/" + relative; }
    static QByteArray contents(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // Scans the music folder through the window, adds the single file by itself, converts.
    bool scanAndConvert() {
        ScriptedDialogs dialogs;
        dialogs.accept(dir_.filePath("music"));
        window().router()->CmdToolsBar_Click(1);
        window().fileList()->AddFileEntry(dir_.filePath("solo.flac"));
        return convert(300000) && window().fileList()->FileCount() == 0;
    }
};

TEST_F(AlbumFolders, TheTickedBoxSurvivesARestartAndMirrorsTheTreeWithoutOverwriting) {
    {
        frmOptions options(program_->options(), &window());
        EXPECT_FALSE(options.chkKeepFolders()->isChecked()) << "off by default";
        options.chkKeepFolders()->setChecked(true);
        options.imgOK_Click();
    }
    EXPECT_EQ(contents(paths::appFolder() + "/options.ini").count("\r\n"), 4);
    program_->imgExit_Click();
    program_ = std::make_unique<MainProgram>();  // the saved choices bring back MP3 and out_
    ASSERT_TRUE(frmOptions(program_->options(), &window()).chkKeepFolders()->isChecked());

    ASSERT_TRUE(scanAndConvert());
    EXPECT_TRUE(messages_.isEmpty()) << messages_.value(0).text.toStdString();
    for (const QString& flac : kTree) {
        EXPECT_EQ(QDir(mirrored(QFileInfo(flac).path()))
                      .entryList({GetFileStem("/" + flac) + "_*.mp3"}, QDir::Files)
                      .size(),
                  1)
            << flac.toStdString();
    }
    for (const char* copied :
         {"A/Album 1/cover.jpg", "A/Album 2/Folder.JPG", "B/Album 3/front.jpeg"}) {
        EXPECT_EQ(contents(mirrored(copied)), contents(cover())) << copied;
    }
    EXPECT_FALSE(QFile::exists(mirrored("B/Album 3/back.jpg")));
    EXPECT_EQ(QDir(out_).entryList({"*.mp3"}, QDir::Files).size(), 1)
        << "the single file stays flat";
    // A player shows each album's cover: coder.exe put the folder's picture into the MP3.
    for (const QString& flac : kTree) {
        const QFileInfoList mp3s =
            QDir(mirrored(QFileInfo(flac).path())).entryInfoList({"*.mp3"}, QDir::Files);
        ASSERT_FALSE(mp3s.isEmpty()) << flac.toStdString();
        const QJsonObject picture = firstStream(probe(mp3s.first().filePath()), "video");
        EXPECT_EQ(picture.value("disposition").toObject().value("attached_pic").toInt(), 1)
            << flac.toStdString();
    }

    // Again: every name the clock could give is taken, and the user has changed a cover.
    const QString album1 = mirrored("A/Album 1/");
    for (int s = 0; s < 600; ++s) {
        QFile taken(album1 + "01 Intro_" + timeStamp(QTime::currentTime().addSecs(s)) + ".mp3");
        ASSERT_TRUE(taken.open(QIODevice::WriteOnly));
    }
    QFile mine(mirrored("A/Album 2/Folder.JPG"));
    ASSERT_TRUE(mine.open(QIODevice::WriteOnly | QIODevice::Truncate) && mine.write("mine") == 4);
    mine.close();
    ASSERT_TRUE(scanAndConvert());
    EXPECT_TRUE(messages_.isEmpty()) << messages_.value(0).text.toStdString();
    const QFileInfoList counted = QDir(album1).entryInfoList({"01 Intro_* (2).mp3"}, QDir::Files);
    ASSERT_EQ(counted.size(), 1);
    EXPECT_GT(counted[0].size(), 0);
    EXPECT_EQ(QDir(album1).entryInfoList({"*.mp3"}, QDir::Files, QDir::Size).value(2).size(), 0)
        << "only the first MP3 and the counted one hold sound";
    EXPECT_EQ(contents(mirrored("A/Album 2/Folder.JPG")), "mine");
}

TEST_F(AlbumFolders, UntickedTheOutputIsFlatAndAFolderThatCannotBeMadeIsReported) {
    ASSERT_TRUE(scanAndConvert());
    EXPECT_TRUE(messages_.isEmpty()) << messages_.value(0).text.toStdString();
    EXPECT_EQ(QDir(out_).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size(),
              kTree.size() + 1)
        << "MP3s only, no folders, no covers";

    ASSERT_TRUE(settings::save(settings::ini::KeepSourceFolders, true));
    QFile blocker(out_ + "/music");  // a file where the tree's folder would go
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    ASSERT_TRUE(scanAndConvert());
    ASSERT_EQ(messages_.size(), 1);
    EXPECT_EQ(messages_[0].text.count("无法创建文件夹"), kTree.size())
        << messages_[0].text.toStdString();
    EXPECT_FALSE(messages_[0].text.contains("solo.flac"));
    EXPECT_EQ(QDir(out_).entryList({"solo_*.mp3"}, QDir::Files).size(), 2);
}

}  // namespace
