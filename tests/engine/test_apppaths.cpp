#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

#include "engine/base/apppaths.h"

using namespace Qt::StringLiterals;
namespace paths = lumivox::paths;

namespace {

mode_t modeOf(const QString& path) {
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0) {
        return 0;
    }
    return info.st_mode & 07777;
}

// Sets an environment variable for one test and puts the old value back.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const QByteArray& value)
        : name_(name), had_(qEnvironmentVariableIsSet(name)), old_(qgetenv(name)) {
        qputenv(name, value);
    }
    ~ScopedEnv() {
        if (had_) {
            qputenv(name_, old_);
        } else {
            qunsetenv(name_);
        }
    }

  private:
    const char* name_;
    bool had_;
    QByteArray old_;
};

class TempFolder : public ::testing::Test {
  protected:
    void TearDown() override { paths::setPrivateTempFolderOverride(QString()); }
    QTemporaryDir scratch;
};

}  // namespace

TEST(AppFolder, IsTheExecutableFolderUnlessOverridden) {
    EXPECT_EQ(paths::appFolder(), QCoreApplication::applicationDirPath());
    EXPECT_FALSE(paths::appFolder().endsWith(u'/'));
    paths::setAppFolderOverride(u"/opt/lumivox"_s);
    EXPECT_EQ(paths::appFolder(), u"/opt/lumivox"_s);
    paths::setAppFolderOverride(QString());
    EXPECT_EQ(paths::appFolder(), QCoreApplication::applicationDirPath());
}

// One meaning for every tool: relative to the application folder, never to wherever the program
// was started from or the folder a tool runs in; an emptied box is the default, never "/".
TEST(AppFolder, OutputFolderTextResolvesAgainstTheApplicationFolder) {
    paths::setAppFolderOverride(u"/opt/lumivox"_s);
    paths::setPerUserFilesOverride(false);  // a folder beside the program, as in a build
    const std::pair<QString, QString> cases[] = {
        {u"/music/out"_s, u"/music/out/"_s},    {u"/music/out/"_s, u"/music/out/"_s},
        {u"out"_s, u"/opt/lumivox/out/"_s},     {u"a/../b/"_s, u"/opt/lumivox/a/../b/"_s},
        {u" lead"_s, u"/opt/lumivox/ lead/"_s}, {QString(), u"/opt/lumivox/output/"_s},
        {u"   "_s, u"/opt/lumivox/output/"_s},
    };
    for (const auto& [text, folder] : cases) {
        EXPECT_EQ(paths::resolveOutputFolder(text), folder) << text.toStdString();
    }
    paths::setAppFolderOverride(QString());
    paths::setPerUserFilesOverride(std::nullopt);
}

TEST_F(TempFolder, IsCreatedPrivateWithItsFilesInside) {
    const QString t = scratch.filePath(u"t"_s);
    paths::setPrivateTempFolderOverride(t);
    EXPECT_EQ(paths::privateTempFolder(), t);
    EXPECT_EQ(modeOf(t), 0700u);
    EXPECT_EQ(paths::tmpWav(), t + u"/tmp.wav"_s);
    EXPECT_EQ(paths::tmpFolder(), t + u"/tmp"_s);
    EXPECT_EQ(modeOf(t + u"/tmp"_s), 0700u);
    EXPECT_EQ(paths::tmpMp4(), t + u"/tmp/tmp.mp4"_s);
    EXPECT_EQ(paths::tmpFileWav(), t + u"/tmp/tmpfile.wav"_s);
    EXPECT_EQ(paths::tmpFile1Mp3(), t + u"/tmp/tmpfile1.mp3"_s);
}

TEST_F(TempFolder, ExistingFolderOpenToOthersIsNarrowed) {
    const QString t = scratch.filePath(u"open"_s);
    ASSERT_EQ(::mkdir(QFile::encodeName(t).constData(), 0777), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(t).constData(), 0777), 0);
    paths::setPrivateTempFolderOverride(t);
    EXPECT_EQ(paths::privateTempFolder(), t);
    EXPECT_EQ(modeOf(t), 0700u);
}

TEST_F(TempFolder, RefusesSymlinksFilesAndSpaces) {
    const QString target = scratch.filePath(u"elsewhere"_s);
    ASSERT_TRUE(QDir().mkpath(target));
    const QString link = scratch.filePath(u"link"_s);
    ASSERT_TRUE(QFile::link(target, link));
    const QString file = scratch.filePath(u"file"_s);
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();

    for (const QString& refused : {link, file, scratch.filePath(u"with space"_s)}) {
        paths::setPrivateTempFolderOverride(refused);
        EXPECT_TRUE(paths::privateTempFolder().isEmpty()) << refused.toStdString();
        // No file path may fall back into a shared folder.
        EXPECT_TRUE(paths::tmpFolder().isEmpty());
        EXPECT_TRUE(paths::tmpMp4().isEmpty());
        EXPECT_TRUE(paths::tmpWav().isEmpty());
        EXPECT_TRUE(paths::tmpFileWav().isEmpty());
        EXPECT_TRUE(paths::tmpFile1Mp3().isEmpty());
    }
    EXPECT_FALSE(QFileInfo::exists(target + u"/tmp"_s));
}

TEST_F(TempFolder, ReplacedTmpSubfolderIsRefused) {
    const QString t = scratch.filePath(u"t"_s);
    paths::setPrivateTempFolderOverride(t);
    ASSERT_FALSE(paths::privateTempFolder().isEmpty());
    ASSERT_TRUE(QFile::link(scratch.path(), t + u"/tmp"_s));
    EXPECT_TRUE(paths::tmpFolder().isEmpty());
    EXPECT_TRUE(paths::tmpMp4().isEmpty());
}

TEST_F(TempFolder, DefaultIsInTheCacheAndFallsBackWhenItHoldsASpace) {
    const ScopedEnv tmpdir("TMPDIR", QFile::encodeName(scratch.filePath(u"tmp"_s)));
    ASSERT_TRUE(QDir().mkpath(scratch.filePath(u"tmp"_s)));
    {
        const ScopedEnv cache("XDG_CACHE_HOME", QFile::encodeName(scratch.filePath(u"cache"_s)));
        const QString t = paths::privateTempFolder();
        EXPECT_TRUE(t.startsWith(scratch.filePath(u"cache/"_s))) << t.toStdString();
        EXPECT_EQ(modeOf(t), 0700u);
    }
    {
        const ScopedEnv cache("XDG_CACHE_HOME", QFile::encodeName(scratch.filePath(u"my cache"_s)));
        const QString t = paths::privateTempFolder();
        EXPECT_EQ(t, scratch.filePath(u"tmp/lumivox-"_s) + QString::number(::getuid()));
        EXPECT_EQ(modeOf(t), 0700u);
    }
}

namespace {

// An application folder of its own, with HOME and the XDG folders in a scratch folder.
class PerUserFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(scratch.isValid());
        app = scratch.filePath(u"app"_s);
        home = scratch.filePath(u"home"_s);
        ASSERT_TRUE(QDir().mkpath(app));
        ASSERT_TRUE(QDir().mkpath(home));
        paths::setAppFolderOverride(app);
    }
    void TearDown() override {
        paths::setAppFolderOverride(QString());
        paths::setPerUserFilesOverride(std::nullopt);
    }
    QTemporaryDir scratch;
    QString app;
    QString home;
    ScopedEnv homeEnv{"HOME", QFile::encodeName(scratch.filePath(u"home"_s))};
    ScopedEnv config{"XDG_CONFIG_HOME", QFile::encodeName(scratch.filePath(u"home/cfg"_s))};
};

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

}  // namespace

TEST_F(PerUserFiles, WhereEachFileLivesFollowsTheOneDecision) {
    struct Case {
        bool perUser;
        QString settings, output, relative;
    };
    const Case cases[] = {
        {false, app, app + u"/output"_s, app + u"/out/"_s},
        {true, home + u"/cfg/lumivox"_s, home + u"/Music/Lumivox"_s, home + u"/out/"_s},
    };
    for (const Case& c : cases) {
        paths::setPerUserFilesOverride(c.perUser);
        EXPECT_EQ(paths::setupIniPath(), c.settings + u"/setup.ini"_s);
        EXPECT_EQ(paths::optionsIniPath(), c.settings + u"/options.ini"_s);
        EXPECT_EQ(paths::lumivoxIniPath(), c.settings + u"/lumivox.ini"_s);
        EXPECT_EQ(paths::defaultOutputFolder(), c.output);
        EXPECT_EQ(paths::resolveOutputFolder(QString()), c.output + u"/"_s);
        EXPECT_EQ(paths::resolveOutputFolder(u"out"_s), c.relative);
        EXPECT_EQ(paths::appFolder(), app) << "data/ and help stay beside the program";
    }
}

TEST_F(PerUserFiles, AnInstalledOrReadOnlyFolderIsPerUser) {
    EXPECT_FALSE(paths::perUserFiles());
    ASSERT_TRUE(writeFile(app + u"/"_s + paths::kInstalledMarker, "installed\n"));
    const QString other = scratch.filePath(u"installed"_s);
    ASSERT_TRUE(QDir().mkpath(other));
    ASSERT_TRUE(writeFile(other + u"/"_s + paths::kInstalledMarker, "installed\n"));
    paths::setAppFolderOverride(other);
    EXPECT_TRUE(paths::perUserFiles()) << "decided again for another folder";

    if (::geteuid() != 0) {  // root writes anywhere; the marker decides for it
        const QString readOnly = scratch.filePath(u"ro"_s);
        ASSERT_TRUE(QDir().mkpath(readOnly));
        ASSERT_EQ(::chmod(QFile::encodeName(readOnly).constData(), 0555), 0);
        paths::setAppFolderOverride(readOnly);
        EXPECT_TRUE(paths::perUserFiles());
        ::chmod(QFile::encodeName(readOnly).constData(), 0755);
    }
}

TEST_F(PerUserFiles, FirstStartBeginsFromTheInstalledChoicesAndKeepsTheUsersAfter) {
    ASSERT_TRUE(writeFile(app + u"/setup.ini"_s, "\"7\"\r\n"));
    ASSERT_EQ(::chmod(QFile::encodeName(app + u"/setup.ini"_s).constData(), 0444), 0);
    paths::setPerUserFilesOverride(true);
    ASSERT_TRUE(paths::seedSetupIni());
    QFile own(paths::setupIniPath());
    ASSERT_TRUE(own.open(QIODevice::ReadWrite)) << "the user's copy must be writable";
    EXPECT_EQ(own.readAll(), "\"7\"\r\n");
    own.close();

    ASSERT_TRUE(writeFile(paths::setupIniPath(), "\"3\"\r\n"));
    EXPECT_FALSE(paths::seedSetupIni());
    QFile again(paths::setupIniPath());
    ASSERT_TRUE(again.open(QIODevice::ReadOnly));
    EXPECT_EQ(again.readAll(), "\"3\"\r\n");

    paths::setPerUserFilesOverride(false);
    EXPECT_FALSE(paths::seedSetupIni()) << "beside the program the file is the user's already";
}

TEST_F(PerUserFiles, WithNothingInstalledToBeginFromTheFolderIsStillMadeForSaving) {
    paths::setPerUserFilesOverride(true);
    EXPECT_FALSE(paths::seedSetupIni());
    EXPECT_TRUE(QFileInfo(paths::settingsFolder()).isDir());
}
