#include "settings/settingsfiles.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/resource.h>
#include <unistd.h>
#include <csignal>

using namespace lumivox;
using namespace lumivox::settings;

namespace {

class SettingsFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        setup = dir.filePath(kSetupFile);
        options = dir.filePath(kOptionsFile);
    }

    void write(const QString& path, const QByteArray& bytes) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

    QByteArray read(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    QTemporaryDir dir;
    QString setup;
    QString options;
};

// Makes every write beyond `bytes` fail with EFBIG, also for root, whom permissions do not stop.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        previous_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previous_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

  private:
    rlimit saved_{};
    void (*previous_)(int) = nullptr;
};

}  // namespace

TEST_F(SettingsFiles, MissingFilesGiveNothingAndTheOptionDefaults) {
    EXPECT_FALSE(readSetupValues(setup));
    EXPECT_FALSE(readRecords(options));
    const Options o = loadOptions(options);
    EXPECT_EQ(o.soundPrompt, 0);
    EXPECT_EQ(o.cutter, 0);
    EXPECT_EQ(o.cutFrom, 0);
    EXPECT_EQ(o.cutTo, 0);

    Options held{1, 1, 65, 200};
    loadOptions(options, held);
    EXPECT_EQ(held.soundPrompt, 0);
    EXPECT_EQ(held.cutter, 0);
    EXPECT_EQ(held.cutFrom, 65);  // the times are left as they are
    EXPECT_EQ(held.cutTo, 200);
}

TEST_F(SettingsFiles, WritesTheExactRecordBytes) {
    ASSERT_TRUE(saveSetup(setup, {7, 1, 1, QStringLiteral("/home/u/out/"), 8}));
    EXPECT_EQ(read(setup), QByteArray("\"7\"\r\n\"1\"\r\n\"1\"\r\n\"/home/u/out/\"\r\n\"8\"\r\n"));
    ASSERT_TRUE(saveSetup(setup, {-1, 0, 0, QString(), 2}));  // and replaces the whole file
    EXPECT_EQ(read(setup), QByteArray("\"-1\"\r\n\"0\"\r\n\"0\"\r\n\"\"\r\n\"2\"\r\n"));

    ASSERT_TRUE(saveOptions(options, {0, 1, 65, 200}));
    EXPECT_EQ(read(options), QByteArray("0\r\n1\r\n65\r\n200\r\n"));
    ASSERT_TRUE(saveOptions(options, {-3, 0, -2147483647 - 1, 2147483647}));
    EXPECT_EQ(read(options), QByteArray("-3\r\n0\r\n-2147483648\r\n2147483647\r\n"));
}

TEST_F(SettingsFiles, SetupRoundTripKeepsPositionsAndOddFolders) {
    const QStringList folders = {QStringLiteral("/home/用户/音乐 输出/"),
                                 QStringLiteral("/home/u/a,b/"),
                                 QStringLiteral("/home/u/say \"hi\"/"),
                                 QStringLiteral(" /lead/"),
                                 QStringLiteral("out \"quoted\", with comma"),
                                 QStringLiteral("/m/\"a\",\"b\", c\""),
                                 QStringLiteral("\"")};
    for (const QString& folder : folders) {
        SCOPED_TRACE(folder.toStdString());
        ASSERT_TRUE(saveSetup(setup, {13, 6, 0, folder, 8}));
        const auto values = readSetupValues(setup);
        ASSERT_TRUE(values);
        ASSERT_EQ(values->size(), 5);
        EXPECT_EQ(positionFromText(values->at(0)), 13);
        EXPECT_EQ(positionFromText(values->at(1)), 6);
        EXPECT_EQ(positionFromText(values->at(2)), 0);
        EXPECT_EQ(values->at(3), folder);
        EXPECT_EQ(positionFromText(values->at(4)), 8);
    }
}

TEST_F(SettingsFiles, OptionsRoundTrip) {
    ASSERT_TRUE(saveOptions(options, {1, 1, 65, 200}));
    const Options o = loadOptions(options);
    EXPECT_EQ(o.soundPrompt, 1);
    EXPECT_EQ(o.cutter, 1);
    EXPECT_EQ(o.cutFrom, 65);
    EXPECT_EQ(o.cutTo, 200);
}

TEST(SettingsRecords, DecodesLineEndsQuotesAndCommas) {
    EXPECT_EQ(decodeRecords("\"7\"\n\"1\"\n"), QStringList({"7", "1"}));      // LF only
    EXPECT_EQ(decodeRecords("\"7\"\r\n\"1\"\r\n"), QStringList({"7", "1"}));  // CRLF
    EXPECT_EQ(decodeRecords("\"7\"\r\n\"1\""), QStringList({"7", "1"}));      // no last end
    EXPECT_EQ(decodeRecords("\"/a,b/\"\r\n"), QStringList({"/a,b/"}));        // comma inside
    EXPECT_EQ(decodeRecords("1,2\r\n3\r\n"), QStringList({"1", "2", "3"}));   // comma outside
    // A quoted value runs to the last quote of its line, quotes and commas inside included.
    EXPECT_EQ(decodeRecords("\"a\",\"b\"\r\n"), QStringList({"a\",\"b"}));
    EXPECT_EQ(decodeRecords("\"x \"y\", z\"\r\n"), QStringList({"x \"y\", z"}));
    EXPECT_EQ(decodeRecords("\"a\", 5\r\n"), QStringList({"a", "5"}));
    EXPECT_EQ(decodeRecords("  65  \r\n"), QStringList({"65"}));
    EXPECT_EQ(decodeRecords("\r\n\"x\"\r\n"), QStringList({"", "x"}));  // empty line
    EXPECT_EQ(decodeRecords("\"open\r\n"), QStringList({"open"}));      // unbalanced
    EXPECT_EQ(decodeRecords(""), QStringList());
    EXPECT_EQ(decodeRecords("\"a\" junk, 5\r\n"), QStringList({"a", "5"}));
}

TEST(SettingsRecords, EncodesStringsQuotedAndNumbersBare) {
    EXPECT_EQ(encodeRecords({"a", "5"}, {true, false}), QByteArray("\"a\"\r\n5\r\n"));
    EXPECT_EQ(encodeRecords({QStringLiteral("é")}, {true}),
              QByteArray("\"") + QStringLiteral("é").toLocal8Bit() + "\"\r\n");
}

TEST_F(SettingsFiles, TruncatedOrLongFilesGiveTheValuesPresentInOrder) {
    write(setup, "\"3\"\r\n\"2\"\r\n\"1\"\r\n");
    EXPECT_EQ(readSetupValues(setup), QStringList({"3", "2", "1"}));
    write(setup, "\"1\"\n\"2\"\n\"3\"\n\"/o/\"\n\"4\"\n\"5\"\n\"6\"\n");
    EXPECT_EQ(readSetupValues(setup), QStringList({"1", "2", "3", "/o/", "4"}));
    write(setup, "");
    EXPECT_EQ(readSetupValues(setup), QStringList());

    Options held{5, 5, 5, 5};
    write(options, "1\r\n1\r\n");
    loadOptions(options, held);
    EXPECT_EQ(held.soundPrompt, 1);
    EXPECT_EQ(held.cutter, 1);
    EXPECT_EQ(held.cutFrom, 5);
    EXPECT_EQ(held.cutTo, 5);
    const Options o = loadOptions(options);
    EXPECT_EQ(o.cutFrom, 0);
    EXPECT_EQ(o.cutTo, 0);
}

TEST_F(SettingsFiles, OptionValuesReadAsLeadingNumbersRoundedAndSkippedWhenTooLarge) {
    write(options, "1\r\n0\r\n0\r\n0\r\n");
    EXPECT_EQ(loadOptions(options).soundPrompt, 1);

    write(options, "garbage\r\n2.5\r\n65s\r\n\"3.5\"\r\n");
    Options o = loadOptions(options);
    EXPECT_EQ(o.soundPrompt, 0);
    EXPECT_EQ(o.cutter, 2);
    EXPECT_EQ(o.cutFrom, 65);
    EXPECT_EQ(o.cutTo, 4);

    // Too large for the type: the conversion fails and the value keeps its default; 70000 must
    // not become 32767, which would switch the sound off.
    write(options, "70000\r\n-70000\r\n99999999999\r\n-99999999999\r\n");
    o = loadOptions(options);
    EXPECT_EQ(o.soundPrompt, 0);
    EXPECT_EQ(o.cutter, 0);
    EXPECT_EQ(o.cutFrom, 0);
    EXPECT_EQ(o.cutTo, 0);
    write(options, "32767\r\n-32768\r\n2147483647\r\n-2147483648\r\n");
    o = loadOptions(options);
    EXPECT_EQ(o.soundPrompt, 32767);
    EXPECT_EQ(o.cutter, -32768);
    EXPECT_EQ(o.cutFrom, 2147483647);
    EXPECT_EQ(o.cutTo, -2147483647 - 1);

    write(options, QByteArray(500, '9') + "\r\n");
    EXPECT_EQ(loadOptions(options).soundPrompt, 0);
}

TEST_F(SettingsFiles, ADamagedSetupFileGivesNoUsableFolder) {
    QByteArray noise;
    for (int i = 0; i < 600; ++i) {
        noise += static_cast<char>((i * 73 + 41) % 256);
    }
    write(setup, "\"7\"\r\n\"1\"\r\n\"1\"\r\n\"" + noise + "\"\r\n\"8\"\r\n");
    const auto values = readSetupValues(setup);
    ASSERT_TRUE(values);
    ASSERT_GE(values->size(), 4);
    EXPECT_FALSE(isUsableFolderText(values->at(3)));

    EXPECT_TRUE(isUsableFolderText(QStringLiteral("/home/用户/音乐 输出/")));
    EXPECT_TRUE(isUsableFolderText(QStringLiteral("out \"quoted\", with comma")));
    EXPECT_TRUE(isUsableFolderText(QString()));
    EXPECT_FALSE(isUsableFolderText(QStringLiteral("/a\tb/")));
    EXPECT_FALSE(isUsableFolderText(QStringLiteral("/a\x1b[31m/")));
    EXPECT_FALSE(isUsableFolderText(QStringLiteral("/a") + QChar(0x85) + QStringLiteral("/")));
    EXPECT_FALSE(isUsableFolderText(QString::fromUtf8("/a\xff\xfe/")));
}

TEST(SettingsPositions, DecimalTextRoundedHalfEvenWithin16Bits) {
    EXPECT_EQ(positionFromText("7"), 7);
    EXPECT_EQ(positionFromText("-1"), -1);
    EXPECT_EQ(positionFromText(" 5 "), 5);
    EXPECT_EQ(positionFromText("2.5"), 2);
    EXPECT_EQ(positionFromText("3.5"), 4);
    EXPECT_EQ(positionFromText("32767.4"), 32767);
    EXPECT_EQ(positionFromText("-32768"), -32768);
    EXPECT_FALSE(positionFromText(""));
    EXPECT_FALSE(positionFromText("abc"));
    EXPECT_FALSE(positionFromText("7x"));
    EXPECT_FALSE(positionFromText("32767.5"));
    EXPECT_FALSE(positionFromText("40000"));
    EXPECT_FALSE(positionFromText("-32769"));
}

TEST_F(SettingsFiles, FailedWriteLeavesTheEarlierFileAndNoLeftovers) {
    ASSERT_TRUE(saveSetup(setup, {7, 1, 1, QStringLiteral("/home/u/out/"), 8}));
    const QByteArray earlier = read(setup);
    {
        const FileSizeLimit limit(8);
        EXPECT_FALSE(saveSetup(setup, {3, 2, 1, QString(200, u'x'), 0}));
    }
    EXPECT_EQ(read(setup), earlier);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList({kSetupFile}));
}

TEST_F(SettingsFiles, LineBreakInAValueIsRefusedRatherThanShiftingTheLines) {
    ASSERT_TRUE(saveSetup(setup, {7, 1, 1, QStringLiteral("/home/u/out/"), 8}));
    const QByteArray earlier = read(setup);
    EXPECT_FALSE(saveSetup(setup, {7, 1, 1, QStringLiteral("/home/u/a\nb/"), 8}));
    EXPECT_FALSE(saveSetup(setup, {7, 1, 1, QStringLiteral("/home/u/a\rb/"), 8}));
    EXPECT_EQ(read(setup), earlier);
}

TEST_F(SettingsFiles, ReadOnlyFolderKeepsTheEarlierFile) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "permissions do not stop root; the size-limit test covers the failure";
    }
    ASSERT_TRUE(saveOptions(options, {1, 0, 0, 0}));
    const QByteArray earlier = read(options);
    ASSERT_TRUE(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner));
    EXPECT_FALSE(saveOptions(options, {0, 1, 65, 200}));
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(read(options), earlier);
}
