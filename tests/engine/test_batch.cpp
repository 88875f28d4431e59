// The batch's sequencing against small scripted tools, without a window: which tools run in
// which order for each format, when an entry leaves the list, and what counts as a failure.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>

#include "apppaths.h"
#include "conversionbatch.h"
#include "filelistmodel.h"
#include "messages.h"

using namespace lumivox;

namespace {

// Each fake tool logs its name and arguments, prints what the real one would, and writes the
// file it was asked for unless FAKE_FAIL names it.
const char* kFakeTool = R"(#!/bin/sh
name=$(basename "$0")
echo "$name $*" >> "$FAKE_LOG"
case " $FAKE_FAIL " in *" $name "*) echo "$name: something went wrong"; exit 3;; esac
case "$name" in
sox.exe) cp "$1" "$2" ;;
conv.exe)
  printf 'Pos:   1.0s     10f (50%%)  0.00fps\r'
  while [ $# -gt 1 ]; do [ "$1" = "-o" ] && out=$2; shift; done
  echo video > "$out" ;;
*)
  [ -e "$2" ] || { echo "$2: No such file or directory"; exit 1; }
  if [ $# -eq 2 ]; then echo "  Duration: 00:00:05.00, start: 0.000000, bitrate: 1411 kb/s"; exit 1; fi
  printf 'size=   1kB time=3.00 bitrate= 1.0kbits/s\r'
  printf 'size=   2kB time=5.00 bitrate= 1.0kbits/s\n'
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

}  // namespace
