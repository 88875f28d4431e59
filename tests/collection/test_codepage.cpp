#include "collection/codepage.h"
#include "collection/cuesheet.h"
#include "collection/imagetracks.h"
#include "collection/nativenames.h"

#include <QStringEncoder>

#include <gtest/gtest.h>

namespace {

using lumivox::codepage::CodePage;
namespace codepage = lumivox::codepage;

struct Titles {
    CodePage page;
    const char* icuName;
    QStringList titles;
};

// Short titles as they come: album and song names of one or a few characters.
const QList<Titles>& titleTable() {
    static const QList<Titles> table{
        {CodePage::Gb18030,
         "GB18030",
         {u"春"_qs, u"东京"_qs, u"夜来香"_qs, u"爱情"_qs, u"月亮代表我的心"_qs, u"甜蜜蜜"_qs}},
        {CodePage::Big5,
         "Big5",
         {u"春"_qs, u"夜來香"_qs, u"東京"_qs, u"愛情"_qs, u"月亮代表我的心"_qs, u"甜蜜蜜"_qs}},
        {CodePage::ShiftJis,
         "Shift_JIS",
         {u"春"_qs, u"東京"_qs, u"さくら"_qs, u"恋"_qs, u"夜明け"_qs, u"ありがとう"_qs}},
        {CodePage::EucKr,
         "EUC-KR",
         {u"사랑"_qs, u"봄"_qs, u"아리랑"_qs, u"눈물"_qs, u"서울"_qs, u"우리"_qs}},
        {CodePage::Windows1251,
         "windows-1251",
         {u"Любовь"_qs, u"Весна"_qs, u"Кино"_qs, u"Ночь"_qs, u"Я"_qs, u"Звезда"_qs}},
        {CodePage::Windows1252,
         "windows-1252",
         {u"Café"_qs, u"Müller"_qs, u"Señor"_qs, u"Ça va"_qs, u"Für Elise"_qs, u"Niño"_qs}},
    };
    return table;
}

QByteArray encoded(const QString& text, const char* icuName) {
    QStringEncoder encoder(icuName);
    QByteArray bytes = encoder(text);
    EXPECT_FALSE(encoder.hasError()) << text.toStdString() << " in " << icuName;
    return bytes;
}

TEST(CodePageGuess, UnicodeNamesStayUtf8) {
    EXPECT_EQ(codepage::guess({u"春"_qs.toUtf8(), QByteArray("plain.flac")}), CodePage::Utf8);
}

// Each title alone, and each code page's titles as the names of one folder.
TEST(CodePageGuess, TitleTable) {
    int singlesRight = 0;
    int singles = 0;
    QStringList wrong;
    for (const Titles& row : titleTable()) {
        QList<QByteArray> folder;
        for (const QString& title : row.titles) {
            const QByteArray bytes = encoded(title, row.icuName);
            folder.append(QByteArray::number(folder.size() + 1).rightJustified(2, '0') + ' ' +
                          bytes + ".flac");
            ++singles;
            const CodePage guessed = codepage::guess({bytes});
            if (guessed == row.page) {
                ++singlesRight;
            } else {
                wrong.append(title + u" as "_qs + codepage::displayName(guessed));
            }
        }
        EXPECT_EQ(codepage::guess(folder), row.page) << row.icuName;
    }
    // One short title says little; most are still read right alone.
    EXPECT_GE(singlesRight, 33) << qPrintable(wrong.join(u", "_qs));
    std::printf("single titles right: %d of %d; wrong: %s\n", singlesRight, singles,
                qPrintable(wrong.join(u", "_qs)));
}

// Sheets that are mostly ASCII: one or two bytes of another code page carry little evidence,
// so the whole text is weighed.
TEST(CodePageGuess, MostlyAsciiSheets) {
    struct Case {
        const char* icu;
        const char* first;
        const char* second;
    };
    const Case cases[] = {
        {"windows-1252", "Wond\u2019ring Aloud", "Cross-Eyed Mary"},
        {"windows-1252", "Don\u2019t Stop", "It\u2019s Over"},
        {"ISO-8859-1", "Perch\u00e9 \u00e8 cos\u00ec", "La citt\u00e0 per\u00f2"},
        {"ISO-8859-1", "\u00c7a va \u00e0 Paris", "O\u00f9 est l\u00e0"},
        {"Shift_JIS", "\u3055\u304f\u3089 \u3055\u304f\u3089", "\u6771\u4eac\u306e\u591c"},
        {"Shift_JIS", "\u3042\u308a\u304c\u3068\u3046", "\u604b\u306e\u3046\u305f"},
        {"Big5-HKSCS", "\u591c\u4f86\u9999", "\u3055\u304f\u3089"},   // kana as Taiwan writes them
        {"windows-949", "\ub620\ubc29\uac01\ud558", "\ubd04\ub0a0"},  // CP949's own syllable
    };
    for (const Case& c : cases) {
        const QString first = QString::fromUtf8(c.first);
        const QString sheet = QStringLiteral(
                                  "REM GENRE Rock\nREM DATE 1971\nPERFORMER \"Jethro Tull\"\n"
                                  "TITLE \"Aqualung\"\nFILE \"Jethro Tull - Aqualung.wav\" WAVE\n"
                                  "  TRACK 01 AUDIO\n    TITLE \"%1\"\n    INDEX 01 00:00:00\n"
                                  "  TRACK 02 AUDIO\n    TITLE \"%2\"\n    INDEX 01 04:00:00\n")
                                  .arg(first, QString::fromUtf8(c.second));
        const auto text =
            lumivox::cue::decodeSheet(encoded(sheet, c.icu), lumivox::cue::sheetDecoder({}));
        ASSERT_TRUE(text) << c.icu;
        const auto parsed = lumivox::cue::parseSheet(*text);
        ASSERT_TRUE(parsed) << c.icu;
        EXPECT_EQ(parsed->files[0].tracks[0].title, first) << c.icu;
    }
}

// Each name of a folder on its own, the folder's guess and the desktop's language deciding only
// between readings that both fit.
TEST(CodePageGuess, EachNameOfAMixedFolder) {
    const QString chinese = u"\u6708\u4eae\u4ee3\u8868\u6211\u7684\u5fc3.flac"_qs;
    const QString latin = u"Caf\u00e9.jpg"_qs;
    const QList<QByteArray> folder{encoded(chinese, "GB18030"), encoded(latin, "ISO-8859-1")};
    const CodePage page = lumivox::names::folderCodePage(folder);
    EXPECT_EQ(lumivox::names::readableName(folder[0], page), chinese);
    EXPECT_EQ(lumivox::names::readableName(folder[1], page), latin);
    // The options' choice holds for names too.
    const QByteArray big5 = encoded(u"\u6771\u4eac"_qs, "Big5");
    lumivox::names::setChosenCodePage(CodePage::Big5);
    EXPECT_EQ(lumivox::names::readableName(big5, CodePage::Gb18030), u"\u6771\u4eac"_qs);
    lumivox::names::setChosenCodePage(std::nullopt);
}

TEST(CodePageGuess, TheDesktopsLanguageOrdersTheScripts) {
    using P = CodePage;
    EXPECT_EQ(codepage::localePreference(u"zh_CN.UTF-8"_qs),
              (QList<P>{P::Gb18030, P::Big5, P::ShiftJis}));
    EXPECT_EQ(codepage::localePreference(u"zh_TW.UTF-8"_qs).value(0), P::Big5);
    EXPECT_EQ(codepage::localePreference(u"ja_JP.UTF-8"_qs).value(0), P::ShiftJis);
    EXPECT_EQ(codepage::localePreference(u"ru_RU.UTF-8"_qs), QList<P>{P::Windows1251});
    EXPECT_TRUE(codepage::localePreference(u"C.UTF-8"_qs).isEmpty());
    // A preference settles near ties only: clear evidence still wins.
    const QByteArray gb = encoded(u"\u6708\u4eae\u4ee3\u8868\u6211\u7684\u5fc3"_qs, "GB18030");
    EXPECT_EQ(codepage::guess({gb}, {P::Big5, P::ShiftJis}), P::Gb18030);
    const QByteArray sjis = encoded(u"\u3042\u308a\u304c\u3068\u3046"_qs, "Shift_JIS");
    EXPECT_EQ(codepage::guess({sjis}, {P::Gb18030, P::Big5}), P::ShiftJis);
}

}  // namespace
