// Start-up restore and the exit command's save, through the real window.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QTemporaryDir>

#include "engine/base/apppaths.h"
#include "engine/base/tempfiles.h"
#include "engine/batch/conversionbatch.h"
#include "filelist/filelistmodel.h"
#include "settings/settingsfiles.h"
#include "shell/formatboxes.h"
#include "shell/frmmain.h"
#include "shell/mainprogram.h"
#include "shell/startup.h"

using namespace lumivox;

namespace {

class StartUp : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        paths::setAppFolderOverride(dir_.path());
    }
    void TearDown() override { paths::setAppFolderOverride({}); }

    void writeFile(const QString& name, const QByteArray& bytes) {
        QFile file(dir_.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    QByteArray readFile(const QString& name) {
        QFile file(dir_.filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir dir_;
};

TEST_F(StartUp, FirstStartSelectsFormatZeroWithItsPresetsAndTheDefaultFolder) {
    MainProgram program;
    frmMain& w = program.window();
    EXPECT_EQ(w.cmbOF()->currentIndex(), 0);
    EXPECT_EQ(w.cmbBR()->currentText(), "320");
    EXPECT_EQ(w.cmbR()->currentText(), "44100");
    EXPECT_EQ(w.cmbChannel()->currentIndex(), 1);
    EXPECT_EQ(w.txtPath()->text(), dir_.path() + "/output");
    EXPECT_EQ(w.windowTitle(), "Lumivox");
    EXPECT_FALSE(QDir(dir_.filePath("output")).exists()) << "start-up never creates it";
    EXPECT_EQ(program.options().soundPrompt, 0);
}

TEST_F(StartUp, TheShippedSetupMakesMp3WithTheAudioDefaults) {
    // What the build writes beside the executable.
    writeFile("setup.ini", "\"7\"\r\n\"1\"\r\n\"1\"\r\n\"\"\r\n\"8\"\r\n");
    MainProgram program;
    frmMain& w = program.window();
    EXPECT_EQ(w.cmbOF()->currentIndex(), 8);
    EXPECT_EQ(w.cmbBR()->currentText(), "96");
    EXPECT_EQ(w.cmbR()->currentText(), "44100");
    EXPECT_EQ(w.cmbChannel()->currentIndex(), 1);
    EXPECT_EQ(w.txtPath()->text(), dir_.path() + "/output");
}

TEST_F(StartUp, ExitSavesTheChoicesAndTheNextStartRestoresThem) {
    {
        MainProgram program;
        frmMain& w = program.window();
        w.formatBoxes()->selectFormat(8);
        w.cmbBR()->setCurrentIndex(9);       // 128
        w.cmbR()->setCurrentIndex(4);        // 22050
        w.cmbChannel()->setCurrentIndex(0);  // mono
        w.txtPath()->setText("/home/someone/音乐/out/");
        program.imgExit_Click();
    }
    EXPECT_EQ(readFile("setup.ini"),
              QString("\"9\"\r\n\"4\"\r\n\"0\"\r\n\"/home/someone/音乐/out/\"\r\n\"8\"\r\n")
                  .toLocal8Bit());
    MainProgram again;
    frmMain& w = again.window();
    EXPECT_EQ(w.cmbOF()->currentIndex(), 8);
    EXPECT_EQ(w.cmbBR()->currentText(), "128") << "the saved choice wins over the preset";
    EXPECT_EQ(w.cmbR()->currentText(), "22050");
    EXPECT_EQ(w.cmbChannel()->currentIndex(), 0);
    EXPECT_EQ(w.txtPath()->text(), "/home/someone/音乐/out/");
}

TEST_F(StartUp, RefusedOrMissingValuesKeepWhatWasThere) {
    // A position outside the list, garbage, and a file cut short after the folder.
    writeFile("setup.ini", "\"99\"\n\"abc\"\n\"0\"\n\"/data/out\"\n");
    writeFile("options.ini", "1\r\n0\r\n0\r\n0\r\n");
    MainProgram program;
    frmMain& w = program.window();
    EXPECT_EQ(w.cmbOF()->currentIndex(), 0);
    EXPECT_EQ(w.cmbBR()->currentText(), "320");
    EXPECT_EQ(w.cmbR()->currentText(), "44100");
    EXPECT_EQ(w.cmbChannel()->currentIndex(), 0);
    EXPECT_EQ(w.txtPath()->text(), "/data/out");
    EXPECT_EQ(program.options().soundPrompt, 1);
}

TEST_F(StartUp, ATypedValueIsSavedAsNoEntry) {
    {
        MainProgram program;
        program.window().formatBoxes()->selectFormat(8);
        program.window().cmbBR()->setEditText("150");
        program.imgExit_Click();
    }
    EXPECT_TRUE(readFile("setup.ini").startsWith("\"-1\"\r\n\"0\"\r\n"));
}

TEST_F(StartUp, ATypedValueSavedAsNoEntryKeepsThePresetText) {
    writeFile("setup.ini", "\"-1\"\r\n\"-1\"\r\n\"1\"\r\n\"\"\r\n\"8\"\r\n");
    MainProgram program;
    frmMain& w = program.window();
    EXPECT_EQ(w.cmbBR()->currentText(), "320");
    EXPECT_EQ(w.cmbR()->currentText(), "48000");
    EXPECT_EQ(w.txtPath()->text(), dir_.path() + "/output");
}

// Random bytes restore no folder: the default stands, and no batch writes into garbage. A
// relative folder is kept as written (the batch takes it from the application folder).
TEST_F(StartUp, ADamagedFolderLineFallsBackToTheDefault) {
    QByteArray noise;
    for (int i = 0; i < 64; ++i) {
        noise += static_cast<char>(0x80 + (i * 37) % 0x7f);
    }
    const QList<QPair<QByteArray, QString>> cases = {
        {noise, dir_.path() + "/output"},
        {"out\x01x", dir_.path() + "/output"},
        {"out", "out"},
    };
    for (const auto& [line, expected] : cases) {
        writeFile("setup.ini", "\"7\"\r\n\"1\"\r\n\"1\"\r\n\"" + line + "\"\r\n\"8\"\r\n");
        MainProgram program;
        EXPECT_EQ(program.window().txtPath()->text(), expected);
        EXPECT_EQ(program.window().cmbOF()->currentIndex(), 8);
    }
}

}  // namespace

class ShutDown : public StartUp {
  protected:
    void SetUp() override {
        StartUp::SetUp();
        paths::setPrivateTempFolderOverride(dir_.filePath("cache"));
        for (const QString& path : temporaryFiles()) {
            QDir().mkpath(QFileInfo(path).path());
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write("left over");
        }
        ASSERT_EQ(temporaryFiles().size(), 7);  // the album list for loudness too
        writeFile("setup.ini", "\"9\"\r\n\"4\"\r\n\"0\"\r\n\"/earlier\"\r\n\"8\"\r\n");
    }
    void TearDown() override {
        paths::setPrivateTempFolderOverride({});
        StartUp::TearDown();
    }
    int temporaryFilesLeft() {
        int left = 0;
        for (const QString& path : temporaryFiles()) {
            left += QFileInfo::exists(path) ? 1 : 0;
        }
        return left;
    }
};

TEST_F(ShutDown, TheSystemCloseRemovesEveryTemporaryFileAndSavesNothing) {
    const QByteArray before = readFile("setup.ini");
    {
        MainProgram program;
        program.window().txtPath()->setText("/changed");
        program.window().show();
        program.window().close();
    }
    EXPECT_EQ(temporaryFilesLeft(), 0) << "the decoded WAV, the first pass and its log too";
    EXPECT_EQ(readFile("setup.ini"), before);
}

TEST_F(ShutDown, TheExitCommandSavesAndCleansUp) {
    {
        MainProgram program;
        program.window().txtPath()->setText("/changed");
        program.imgExit_Click();
    }
    EXPECT_EQ(temporaryFilesLeft(), 0);
    EXPECT_TRUE(readFile("setup.ini").contains("\"/changed\""));
}

TEST_F(ShutDown, ClosingInTheMiddleOfABatchEndsTheProgramAtOnce) {
    // A forked Qt program can hang on locks its other threads held; the child starts afresh.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            MainProgram program;
            program.window().fileList()->AddFileEntry(dir_.filePath("a.flac"));
            program.batch().imgStart_Click();
            program.window().close();
            std::exit(3);  // reached only if the close returned into the batch
        },
        ::testing::ExitedWithCode(0), "");
}
