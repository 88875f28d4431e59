// Names for FAT32 cards and car stereos: each rule in one table.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "collection/fatnames.h"

namespace {

using namespace lumivox;

TEST(FatNames, EachRuleOfTheCard) {
    const QString tooLong = QString(300, u'a') + QStringLiteral(".mp3");
    const QString tooLongPair = QString(254, u'b') + QString::fromUtf16(u"😀") + ".mp3";
    const struct {
        const char* rule;
        QString in;
        QString out;
    } cases[] = {
        {"fit already", "01 - Song.mp3", "01 - Song.mp3"},
        {"look-alikes", "a\"b*c:d<e>f?g\\h|i.mp3",
         QString::fromUtf16(u"a＂b＊c：d＜e＞f？g＼h｜i.mp3")},
        {"slash and control characters", QString("a/b\tc") + QChar(1) + ".mp3", "a_b_c_.mp3"},
        {"trailing dots and spaces", "Live... ", "Live"},
        {"trailing dot before the extension kept", "Vol. 2.mp3", "Vol. 2.mp3"},
        {"stem ending in a dot", "St. .mp3", "St. .mp3"},
        {"device name", "CON.mp3", "CON_.mp3"},
        {"device name any case and extensions", "nul.tar.gz", "nul_.tar.gz"},
        {"device name as a folder", "lpt9", "lpt9_"},
        {"COM0 is no device", "COM0.mp3", "COM0.mp3"},
        {"device name within a longer stem", "Console.mp3", "Console.mp3"},
        {"255 code units, the extension kept", tooLong, QString(251, u'a') + ".mp3"},
        {"never half a surrogate pair", tooLongPair, QString(251, u'b') + ".mp3"},
        {"nothing left", "...", "_"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(fat::name(c.in), c.out) << c.rule;
        EXPECT_EQ(fat::name(fat::name(c.in)), fat::name(c.in)) << c.rule << " (the same again)";
        EXPECT_LE(fat::name(c.in).size(), fat::kMostNameUnits) << c.rule;
    }
}

TEST(FatNames, WholePathStaysUnder240FromTheOutputFolder) {
    const QString artist(120, u'A');
    const QString album(100, u'L');
    const QString file = QString(80, u'T') + ".mp3";
    const QString fitted = fat::path(artist + "/" + album + "/" + file);
    EXPECT_LE(fitted.size(), fat::kMostPathUnits);
    EXPECT_TRUE(fitted.startsWith(artist + "/" + album + "/")) << "the file's name is cut first";
    EXPECT_TRUE(fitted.endsWith(".mp3"));
    EXPECT_EQ(fat::path("Artist:1/Album?/"), QString::fromUtf16(u"Artist：1/Album？/"));
    EXPECT_EQ(fat::path("a/b.mp3"), "a/b.mp3");
}

// A card does not tell "Song.mp3" from "song.mp3": a second source meeting the first one's
// name, in any case, is seen as taken.
TEST(FatNames, NamesDifferingInCaseAreTaken) {
    QTemporaryDir dir;
    QFile f(dir.filePath("Song.mp3"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    EXPECT_TRUE(fat::isTakenIgnoringCase(dir.filePath("song.MP3")));
    EXPECT_TRUE(fat::isTakenIgnoringCase(dir.filePath("Song.mp3")));
    EXPECT_FALSE(fat::isTakenIgnoringCase(dir.filePath("Song (2).mp3")));
}

}  // namespace
