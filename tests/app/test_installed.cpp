// The program as installed into a read-only prefix, with a home of its own: its settings go to
// the config folder, its outputs to the music folder, and it converts through the installed
// adapters without writing a byte under the prefix.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDirIterator>
#include <QJsonArray>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "engine/base/apppaths.h"
#include "engine/base/messages.h"
#include "engine/batch/conversionbatch.h"
#include "filelist/filelistmodel.h"
#include "settings/frmoptions.h"
#include "shell/formatboxes.h"
#include "shell/frmmain.h"
#include "shell/mainprogram.h"
#include "tests/shell/e2e_support.h"
#include "widgets/desktopservices.h"

using namespace lumivox;
using namespace lumivox::testing;

namespace {

const QString kPrefix = QStringLiteral(LUMIVOX_TEST_PREFIX);

// Every path under the prefix with its size, time and mode: any write shows.
QStringList snapshot(const QString& root) {
    QStringList entries;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info = it.nextFileInfo();
        entries << QStringLiteral("%1 %2 %3 %4")
                       .arg(info.filePath())
                       .arg(info.size())
                       .arg(info.lastModified().toMSecsSinceEpoch())
                       .arg(int(info.permissions()));
    }
    entries.sort();
    return entries;
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class InstalledProgram : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(QFileInfo(kPrefix + "/lib/lumivox/lumivox").isExecutable());
        ASSERT_TRUE(dir_.isValid());
        home_ = dir_.filePath("home");
        QDir().mkpath(home_);
        QDir().mkpath(dir_.filePath("T"));
        saved_ = {qgetenv("HOME"), qgetenv("XDG_CONFIG_HOME")};
        qputenv("HOME", QFile::encodeName(home_));
        qunsetenv("XDG_CONFIG_HOME");  // then ~/.config, as for most users
        paths::setAppFolderOverride(kPrefix + "/lib/lumivox");
        paths::setPrivateTempFolderOverride(dir_.filePath("T"));
        setMessageHandler([this](const Message& m) { messages_.append(m); });
        desktopServices() =
            DesktopServices{[](const QString&) {}, [](const QString&) {}, [](const QUrl&) {}};
        before_ = snapshot(kPrefix);
    }
    void TearDown() override {
        EXPECT_EQ(snapshot(kPrefix), before_) << "nothing may be written under the prefix";
        setMessageHandler({});
        desktopServices() = realDesktopServices();
        paths::setAppFolderOverride({});
        paths::setPrivateTempFolderOverride({});
        qputenv("HOME", saved_.first);
        if (saved_.second.isEmpty()) {
            qunsetenv("XDG_CONFIG_HOME");
        } else {
            qputenv("XDG_CONFIG_HOME", saved_.second);
        }
    }

    QTemporaryDir dir_;
    QString home_;
    std::pair<QByteArray, QByteArray> saved_;
    QStringList before_;
    QList<Message> messages_;
};

TEST_F(InstalledProgram, KeepsChoicesInTheConfigFolderAndConvertsIntoTheMusicFolder) {
    ASSERT_TRUE(paths::perUserFiles());
    const QString config = home_ + "/.config/lumivox";
    const QString music = home_ + "/Music/Lumivox";
    const QString song = dir_.filePath("song.flac");
    ASSERT_TRUE(makeFlac(song, 1.5));
    {
        MainProgram program;
        frmMain& window = program.window();
        EXPECT_EQ(readAll(config + "/setup.ini"), readAll(kPrefix + "/lib/lumivox/setup.ini"))
            << "the first start begins from the installed choices";
        EXPECT_EQ(window.txtPath()->text(), music);
        EXPECT_EQ(window.cmbOF()->currentIndex(), 8) << "the installed choices select MP3";

        ASSERT_TRUE(window.fileList()->AddFileEntry(song));
        QSignalSpy finished(&program.batch(), &ConversionBatch::batchFinished);
        QTest::mouseClick(window.Command3(), Qt::LeftButton);
        ASSERT_TRUE(finished.wait(120000));
        EXPECT_TRUE(messages_.isEmpty()) << messages_.value(0).text.toStdString();
        const QStringList made = QDir(music).entryList({"song_*.mp3"}, QDir::Files);
        ASSERT_EQ(made.size(), 1) << "a fresh home has no music folder: it is made";
        const QJsonObject probed = probe(music + "/" + made.first());
        EXPECT_EQ(firstStream(probed, "audio").value("codec_name").toString(), "mp3");
        EXPECT_NEAR(probed.value("format").toObject().value("duration").toString().toDouble(), 1.5,
                    0.1);

        frmOptions options(program.options(), &window);
        options.imgOK_Click();
        EXPECT_TRUE(QFileInfo::exists(config + "/options.ini"));

        window.txtPath()->setText("converted");
        program.imgExit_Click();
    }
    EXPECT_TRUE(readAll(config + "/setup.ini").contains("\"converted\""));
    EXPECT_EQ(paths::resolveOutputFolder("converted"), home_ + "/converted/");
}

}  // namespace
