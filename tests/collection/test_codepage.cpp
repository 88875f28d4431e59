#include "collection/codepage.h"

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

}  // namespace
