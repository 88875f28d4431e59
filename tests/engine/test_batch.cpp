// The batch's sequencing against small scripted tools, without a window: which tools run in
// which order for each format, when an entry leaves the list, and what counts as a failure.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>

#include "engine/base/apppaths.h"
#include "engine/base/messages.h"
#include "engine/batch/conversionbatch.h"
#include "filelist/filelistmodel.h"

using namespace lumivox;

namespace {

// Each fake tool logs its name and arguments, prints what the real one would, and writes the
// file it was asked for unless FAKE_FAIL names it. FAKE_SAY, when set, replaces what the video
// first pass and the MP3 encode print: pieces separated by "|", each its own chunk.
const char* kFakeTool = R"(#!/bin/sh
name=$(basename "$0")
echo "$name $*" >> "$FAKE_LOG"
case " $FAKE_FAIL " in *" $name "*) echo "$name: something went wrong"; exit 3;; esac
say() {
  [ -n "$FAKE_SAY" ] || { printf "$1"; return; }
  printf '%s\n' "$FAKE_SAY" | tr '|' '\n' | while IFS= read -r piece; do printf "$piece"; sleep 0.2; done
}
case "$name" in
sox.exe) cp "$1" "$2" ;;
conv.exe)
  say 'Pos:   1.0s     10f (50%%)  0.00fps\r'
  while [ $# -gt 1 ]; do [ "$1" = "-o" ] && out=$2; shift; done
  echo video > "$out" ;;
*)
  [ -e "$2" ] || { echo "$2: No such file or directory"; exit 1; }
  if [ $# -eq 2 ]; then echo "  Duration: 00:00:05.00, start: 0.000000, bitrate: 1411 kb/s"; exit 1; fi
  say "size=   1kB time=3.00 bitrate= 1.0kbits/s\rsize=   2kB time=5.00 bitrate= 1.0kbits/s\n"
  for last; do :; done
  echo audio > "$last" ;;
esac
)";

class FakeHost : public BatchHost {
  public:
    ConversionSettings settings() const override { return current; }
    QString outputFolderText() const override { return folder; }
    void setOutputFolderText(const QString& text) override { folder = text; }
    void showProgress(const progress::Display& display) override { captions << display.caption; }
    void setControlsEnabled(bool enabled) override { enabledStates << enabled; }
    void openOutputFolder(const QString& f) override { opened << f; }
    void playCompletionSound() override { ++sounds; }
    bool completionSoundWanted() const override { return soundWanted; }

    ConversionSettings current;
    QString folder;
    QStringList captions;
    QList<bool> enabledStates;
    QStringList opened;
    int sounds = 0;
    bool soundWanted = true;
};

class Batch : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        const QString app = dir_.filePath("app");
        QDir().mkpath(app + "/data");
        for (const char* tool : {"sox.exe", "coder.exe", "coder2.exe", "conv.exe"}) {
            QFile file(app + "/data/" + tool);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(kFakeTool);
            file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        paths::setAppFolderOverride(app);
        QDir().mkpath(dir_.filePath("T"));
        paths::setPrivateTempFolderOverride(dir_.filePath("T"));
        qputenv("FAKE_LOG", dir_.filePath("log").toLocal8Bit());
        qunsetenv("FAKE_FAIL");
        qunsetenv("FAKE_SAY");
        setMessageHandler([this](const Message& m) { messages_ << m.text; });
        host_.folder = dir_.filePath("out");
        host_.current.audioBitrate = "128";
        host_.current.sampleRate = "44100";
        host_.current.videoSize = "原始大小";
        host_.current.videoBitrate = "600";
        host_.current.frameRate = "24";
        for (const char* name : {"a.flac", "b.flac"}) {
            QFile file(dir_.filePath(name));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write("fLaC");
            inputs_ << file.fileName();
        }
    }
    void TearDown() override {
        setMessageHandler({});
        paths::setAppFolderOverride({});
        paths::setPrivateTempFolderOverride({});
    }

    QStringList log() {
        QFile file(dir_.filePath("log"));
        if (!file.open(QIODevice::ReadOnly)) {
            return {};
        }
        QStringList tools;
        for (const QByteArray& line : file.readAll().split('\n')) {
            if (!line.isEmpty()) {
                tools << QString::fromLocal8Bit(line.left(line.indexOf(' ')));
            }
        }
        return tools;
    }

    void runWith(int format, const QStringList& files) {
        host_.current.format = format;
        for (const QString& f : files) {
            list_.AddFileEntry(f);
        }
        batch_.RunConversionBatch();
    }

    QTemporaryDir dir_;
    FileListModel list_;
    FakeHost host_;
    ConversionBatch batch_{list_, host_};
    QStringList inputs_;
    QStringList messages_;
};

TEST_F(Batch, Mp3RunsDecodeProbeEncodePerFileAndEndsTheBatch) {
    QStringList toolsSeenByEncoder;
    QObject::connect(&batch_.objffmpeg, &DOSOutputs::ReceiveOutputs,
                     [&](QString&) { toolsSeenByEncoder << CurrentToolName; });
    runWith(FormatMp3, inputs_);
    EXPECT_EQ(log(), (QStringList{"sox.exe", "coder.exe", "coder.exe", "sox.exe", "coder.exe",
                                  "coder.exe"}));
    EXPECT_EQ(list_.FileCount(), 0);
    EXPECT_EQ(host_.folder, dir_.filePath("out") + "/") << "the separator is appended";
    EXPECT_EQ(host_.opened, QStringList{dir_.filePath("out") + "/"});
    EXPECT_EQ(host_.sounds, 1);
    EXPECT_EQ(host_.captions.last(), "Done.");
    EXPECT_TRUE(host_.captions.contains("准备中 - 正在估算音频长度"));
    // time=3.00 of a 5-second input.
    EXPECT_FALSE(host_.captions.filter(QRegularExpression("^转换中[-\\\\|/] 60%$")).isEmpty())
        << host_.captions.join(" | ").toStdString();
    EXPECT_EQ(batch_.lngDuration(), 0);
    EXPECT_TRUE(messages_.isEmpty());
    EXPECT_FALSE(toolsSeenByEncoder.isEmpty());
    EXPECT_EQ(toolsSeenByEncoder.filter(QRegularExpression("^coder\\.exe$")), toolsSeenByEncoder);
    EXPECT_EQ(QDir(dir_.filePath("out")).entryList(QDir::Files).size(), 2);
}

TEST_F(Batch, SecondPassesRunWithTheirOwnToolAndRemoveTheEntryOnlyAfterwards) {
    struct Case {
        int format;
        QStringList tools;
        QString second;
    };
    for (const Case& c : {Case{FormatRmvb, {"conv.exe", "coder.exe"}, "coder.exe"},
                          Case{Format3gp, {"conv.exe", "coder2.exe"}, "coder2.exe"},
                          Case{FormatAvi, {"conv.exe"}, ""}}) {
        QFile::remove(dir_.filePath("log"));
        int countDuringSecondPass = -1;
        QString toolDuringSecondPass;
        auto connection =
            QObject::connect(&batch_.objffmpeg, &DOSOutputs::ReceiveOutputs, [&](QString&) {
                countDuringSecondPass = list_.FileCount();
                toolDuringSecondPass = CurrentToolName;
            });
        runWith(c.format, {inputs_.at(0)});
        QObject::disconnect(connection);
        EXPECT_EQ(log(), c.tools) << c.format;
        EXPECT_EQ(list_.FileCount(), 0);
        EXPECT_EQ(toolDuringSecondPass, c.second);
        EXPECT_EQ(countDuringSecondPass, c.second.isEmpty() ? -1 : 1);
    }
    EXPECT_TRUE(messages_.isEmpty());
}

TEST_F(Batch, AFailedToolIsNamedButTheBatchGoesOn) {
    qputenv("FAKE_FAIL", "coder.exe");
    runWith(FormatMp3, inputs_);
    EXPECT_EQ(list_.FileCount(), 0);
    ASSERT_EQ(batch_.lastFailures().size(), 2);
    EXPECT_EQ(batch_.lastFailures().at(0).path, inputs_.at(0));
    EXPECT_EQ(batch_.lastFailures().at(0).lastLine, "coder.exe: something went wrong");
    ASSERT_EQ(messages_.size(), 1);
    EXPECT_TRUE(messages_.at(0).contains(inputs_.at(1)));
    EXPECT_EQ(host_.captions.last(), "Done.");
}

TEST_F(Batch, AFailedFirstPassNeverFeedsAStaleIntermediateToTheSecond) {
    QFile stale(paths::tmpMp4());
    QDir().mkpath(paths::tmpFolder());
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.write("previous file's video");
    stale.close();
    qputenv("FAKE_FAIL", "conv.exe");
    runWith(FormatRm, {inputs_.at(0)});
    EXPECT_FALSE(QFile::exists(paths::tmpMp4()));
    EXPECT_EQ(batch_.lastFailures().size(), 1);
}

TEST_F(Batch, AMissingToolEndsTheBatchAndTheEntryStays) {
    QFile::remove(paths::appFolder() + "/data/conv.exe");
    runWith(FormatAvi, inputs_);
    EXPECT_EQ(messages_, QStringList{"File or command not found"});
    EXPECT_EQ(list_.FileCount(), 2);
    EXPECT_FALSE(list_.isHeld());
    EXPECT_TRUE(host_.opened.isEmpty());
    EXPECT_EQ(host_.enabledStates.last(), true);
}

TEST_F(Batch, TheStartCommandHoldsTheListAndWarnsWhenEmpty) {
    batch_.imgStart_Click();
    EXPECT_EQ(messages_, QStringList{"请先添加一个文件"});
    EXPECT_TRUE(host_.enabledStates.isEmpty());

    host_.current.format = FormatMp3;
    list_.AddFileEntry(inputs_.at(0));
    QSignalSpy finished(&batch_, &ConversionBatch::batchFinished);
    batch_.imgStart_Click();
    EXPECT_EQ(host_.enabledStates, QList<bool>{false});
    EXPECT_TRUE(batch_.Timer1().isActive());
    EXPECT_FALSE(list_.AddFileEntry(inputs_.at(1))) << "no route may change a running queue";
    ASSERT_TRUE(finished.wait(20000));
    EXPECT_EQ(list_.FileCount(), 0);
    EXPECT_EQ(host_.enabledStates, (QList<bool>{false, true}));
    EXPECT_TRUE(list_.AddFileEntry(inputs_.at(1)));
}

TEST_F(Batch, AnEmptiedOutputBoxMeansTheDefaultFolderNotTheRoot) {
    host_.folder = "  ";
    runWith(FormatMp3, {inputs_.at(0)});
    EXPECT_EQ(host_.folder, paths::appFolder() + "/output/");
    EXPECT_EQ(QDir(paths::appFolder() + "/output").entryList(QDir::Files).size(), 1);
}

TEST_F(Batch, NoSoundWhenSwitchedOff) {
    host_.soundWanted = false;
    runWith(FormatMp3, {inputs_.at(0)});
    EXPECT_EQ(host_.sounds, 0);
    EXPECT_EQ(host_.opened.size(), 1);
}

// A relative folder lies in the application folder for every tool alike; MEncoder, which runs in
// the private folder, used to resolve it there.
TEST_F(Batch, ARelativeOutputFolderLiesInTheApplicationFolder) {
    host_.folder = "out";
    runWith(FormatAvi, {inputs_.at(0)});
    runWith(FormatMp3, {inputs_.at(1)});
    EXPECT_EQ(host_.folder, "out/") << "the box keeps what the user typed";
    const QDir out(paths::appFolder() + "/out");
    EXPECT_EQ(out.entryList({"a-*.avi"}, QDir::Files).size(), 1);
    EXPECT_EQ(out.entryList({"b_*.mp3"}, QDir::Files).size(), 1);
    EXPECT_EQ(host_.opened.last(), paths::appFolder() + "/out/");
    EXPECT_TRUE(batch_.lastFailures().isEmpty());
}

// The box emptied while the first file converts: the next output goes to the default folder,
// never to the root of the file system.
TEST_F(Batch, AnOutputBoxEmptiedMidBatchStillMeansTheDefaultFolder) {
    bool emptied = false;
    QObject::connect(&batch_.objDuration, &DOSOutputs::CommandOver, [&] {
        if (!emptied) {
            emptied = true;
            host_.folder = "";
        }
    });
    runWith(FormatMp3, inputs_);
    // The first file's lines were built before the box was emptied.
    EXPECT_EQ(QDir(dir_.filePath("out")).entryList({"a_*.mp3"}, QDir::Files).size(), 1);
    EXPECT_EQ(QDir(paths::appFolder() + "/output").entryList({"b_*.mp3"}, QDir::Files).size(), 1);
    for (const QString& line : QString::fromLocal8Bit([this] {
                                   QFile f(dir_.filePath("log"));
                                   return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
                               }())
                                   .split('\n')) {
        EXPECT_FALSE(line.contains(" /a_") || line.contains(" /b_")) << line.toStdString();
    }
    EXPECT_EQ(host_.folder, paths::appFolder() + "/output/");
}

// A two-pass format whose first pass failed: the message names that cause, not the second
// pass's complaint about the missing intermediate file.
TEST_F(Batch, TheFirstRunThatFailedIsNamed) {
    qputenv("FAKE_FAIL", "conv.exe");
    runWith(FormatRm, {inputs_.at(0)});
    ASSERT_EQ(batch_.lastFailures().size(), 1);
    EXPECT_EQ(batch_.lastFailures().at(0).lastLine, "conv.exe: something went wrong");
    ASSERT_EQ(messages_.size(), 1);
    EXPECT_TRUE(messages_.at(0).contains("conv.exe: something went wrong"));
    EXPECT_FALSE(messages_.at(0).contains("No such file"));
}

// ffmpeg exits 0 after decoding what it could of a cut or damaged file (the probe said 5 s).
TEST_F(Batch, AnEncodeThatFallsShortIsAFailureAndKeepsItsOutput) {
    const char* decodeError =
        "Error while decoding stream #0:0: Invalid data found when "
        "processing input";
    struct Case {
        QByteArray say;
        QString failure;  // empty: a success
    };
    const Case cases[] = {
        {"size= 1kB time=4.98 bitrate= 1.0kbits/s\\n", ""},
        {"size= 1kB time=4.20 bitrate= 1.0kbits/s\\n", ""},  // within a second
        {"size= 1kB time=3.62 bitrate= 1.0kbits/s\\n", "只写入了 3.6 秒，应为 5.0 秒"},
        // The encode's own report of the input's stated length counts too.
        {"  Duration: 00:00:12.00, start: 0.000000\\nsize= 1kB time=4.98 bitrate= 1kbits/s\\n",
         "只写入了 5.0 秒，应为 12.0 秒"},
        {QByteArray(decodeError) + "\\nsize= 1kB time=4.98 bitrate= 1.0kbits/s\\n", decodeError},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.say.toStdString());
        qputenv("FAKE_SAY", c.say);
        messages_.clear();
        runWith(FormatMp3, {inputs_.at(0)});
        if (c.failure.isEmpty()) {
            EXPECT_TRUE(batch_.lastFailures().isEmpty());
        } else {
            ASSERT_EQ(batch_.lastFailures().size(), 1);
            EXPECT_EQ(batch_.lastFailures().at(0).lastLine.toStdString(), c.failure.toStdString());
            ASSERT_EQ(messages_.size(), 1);
            EXPECT_TRUE(messages_.at(0).contains(c.failure));
        }
    }
    // Every partial MP3 stays: a damaged rip's first minutes are still the user's.
    EXPECT_EQ(QDir(dir_.filePath("out")).entryList(QDir::Files).size(), 5);
}

// A stop during a second pass or between two files: no further run, the unfinished entries stay,
// "已停止", no folder and no sound; a second stop is harmless.
TEST_F(Batch, AStopEndsTheBatchWhereverItComes) {
    qputenv("FAKE_SAY", "size= 1kB time=1.00 \\r|size= 2kB time=2.00 \\r|size= 3kB time=3.00 \\n");
    const auto stopTwice = [this] {
        batch_.cmdStop_Click();
        batch_.cmdStop_Click();
    };
    for (const bool betweenFiles : {false, true}) {
        SCOPED_TRACE(betweenFiles);
        QFile::remove(dir_.filePath("log"));
        QDir(dir_.filePath("out")).removeRecursively();
        list_.ClearFileList([] {});
        host_.enabledStates.clear();
        host_.current.videoSize = "原始大小";
        // Between files: runs when the loop serves events after the first entry went.
        const auto hook = betweenFiles
                              ? QObject::connect(&batch_.objffmpeg, &DOSOutputs::CommandOver,
                                                 [&] { QTimer::singleShot(0, stopTwice); })
                              : QObject::connect(&batch_.objffmpeg, &DOSOutputs::ReceiveOutputs,
                                                 [&](QString&) { stopTwice(); });
        runWith(FormatRmvb, inputs_);
        QObject::disconnect(hook);
        const int left = betweenFiles ? 1 : 2;
        EXPECT_EQ(log(), (QStringList{"conv.exe", "coder.exe"}));
        EXPECT_EQ(list_.FileCount(), left);
        EXPECT_EQ(list_.FilePathAt(0), inputs_.at(2 - left));
        EXPECT_FALSE(list_.isHeld());
        EXPECT_EQ(host_.captions.last(), "已停止");
        EXPECT_EQ(host_.enabledStates.last(), true);
        EXPECT_EQ(QDir(dir_.filePath("out")).entryList(QDir::Files).size(), 2 - left);
        EXPECT_FALSE(QFile::exists(paths::tmpMp4()));
    }
    EXPECT_TRUE(host_.opened.isEmpty());
    EXPECT_EQ(host_.sounds, 0);
    EXPECT_TRUE(messages_.isEmpty());
}

// The progress rules of both output handlers, chunk by chunk through the real runners.
TEST_F(Batch, EachChunkAdvancesTheSpinnerOnceAndOnlyReportsMoveTheDisplay) {
    struct Seen {
        QString chunk;
        QString spin;
        qsizetype captions;
    };
    QList<Seen> seen;
    const auto record = [&](QString& chunk) {
        seen << Seen{chunk, batch_.strSpin(), host_.captions.size()};
    };
    QObject::connect(&batch_.objffmpeg, &DOSOutputs::ReceiveOutputs, record);
    QObject::connect(&batch_.objDOS, &DOSOutputs::ReceiveOutputs, record);

    // The probe said 5 s; the encode's own later "Duration: " of 100 s is ignored.
    qputenv("FAKE_SAY",
            "  Duration: 00:01:40.00, start: 0.0\\n|size= 1kB time=1.00 \\r|"
            "no report here\\r|size= 2kB time=4.98 \\n");
    runWith(FormatMp3, {inputs_.at(0)});
    qputenv("FAKE_SAY", "Pos: 0.1s 1f ( 7%%) 0.00fps\\r|Pos: 0.2s 2f\\r|Pos: 1.0s 9f (100%%)\\r");
    runWith(FormatAvi, {inputs_.at(0)});

    ASSERT_EQ(seen.size(), 7);
    const QStringList spins = {"\\", "|", "/", "-", "\\", "|", "/"};
    // The fifth chunk follows the first batch's "Done.".
    const QList<qsizetype> newCaptions = {0, 1, 0, 1, 2, 0, 1};
    for (int i = 0; i < seen.size(); ++i) {
        SCOPED_TRACE(seen[i].chunk.toStdString());
        EXPECT_EQ(seen[i].spin, spins[i]);
        if (i > 0) {
            EXPECT_EQ(seen[i].captions - seen[i - 1].captions, newCaptions[i]);
        }
    }
    EXPECT_TRUE(host_.captions.contains("转换中| 20%")) << "1 s of the probe's 5";
    EXPECT_TRUE(host_.captions.contains("完成 100%")) << host_.captions.join(" | ").toStdString();
    EXPECT_TRUE(host_.captions.contains("转换中\\ 7%"));
    EXPECT_TRUE(host_.captions.contains("结束 100%"));
}

}  // namespace
