#include <gtest/gtest.h>

#include <QStringList>

#include <random>

#include "engine/base/cmdline.h"

using namespace Qt::StringLiterals;
using lumivox::quotePath;
using lumivox::splitCommandLine;

namespace {

QStringList split(const char* text) {
    return splitCommandLine(QString::fromUtf8(text));
}

}  // namespace

// Cases whose results the Windows parser is known to give.
TEST(CmdLineSplit, FollowsTheWindowsRulesForArguments) {
    EXPECT_EQ(split(R"(p "abc" d e)"), (QStringList{"p", "abc", "d", "e"}));
    EXPECT_EQ(split(R"(p a\\\b d"e f"g h)"), (QStringList{"p", R"(a\\\b)", "de fg", "h"}));
    EXPECT_EQ(split(R"(p a\\\"b c d)"), (QStringList{"p", R"(a\"b)", "c", "d"}));
    EXPECT_EQ(split(R"(p a\\\\"b c" d e)"), (QStringList{"p", R"(a\\b c)", "d", "e"}));
    EXPECT_EQ(split("p  \t a\tb  "), (QStringList{"p", "a", "b"}));
    EXPECT_EQ(split(R"(p "" x)"), (QStringList{"p", "", "x"}));
    // Inside a quoted span "" is a literal quote and leaves the span; three quotes in a row
    // outside a span give one literal quote.
    EXPECT_EQ(split(R"(p a"b"" c d)"), (QStringList{"p", "ab\"", "c", "d"}));
    EXPECT_EQ(split(R"(p """a b)"), (QStringList{"p", "\"a", "b"}));
    // An unterminated span runs to the end.
    EXPECT_EQ(split(R"(p "a b)"), (QStringList{"p", "a b"}));
}

TEST(CmdLineSplit, ProgramTokenHasItsOwnRules) {
    EXPECT_EQ(split(""), QStringList{});
    EXPECT_EQ(split("/bin/true"), QStringList{"/bin/true"});
    EXPECT_EQ(split(R"("/opt/my app/bin"x y)"), (QStringList{"/opt/my app/bin", "x", "y"}));
    // Backslashes and quotes inside an unquoted program token are literal.
    EXPECT_EQ(split(R"(/a\"b c)"), (QStringList{R"(/a\"b)", "c"}));
    EXPECT_EQ(split(R"("/x\" y)"), (QStringList{R"(/x\)", "y"}));
    EXPECT_EQ(split("/data/coder.exe -i /tmp/a.wav"),
              (QStringList{"/data/coder.exe", "-i", "/tmp/a.wav"}));
}

TEST(CmdLineQuote, OrdinaryPathIsOnlyWrapped) {
    for (const QString& path : {u"/home/me/Music/a b.flac"_s, u"/x/中文 歌曲.flac"_s,
                                u"C:\\dir\\file.flac"_s, QString()}) {
        EXPECT_EQ(quotePath(path), u'"' + path + u'"');
    }
}

TEST(CmdLineQuote, InjectedQuotesStayInsideOneArgument) {
    const QString name = uR"(/m/a" -y "b.flac)"_s;
    const QStringList args = splitCommandLine(u"coder -i "_s + quotePath(name) + u" out.mp3"_s);
    EXPECT_EQ(args, (QStringList{"coder", "-i", name, "out.mp3"}));
}

// Any name built from the troublesome characters comes back exactly and alone, also when
// several quoted names and plain words share one line.
TEST(CmdLineQuote, RoundTripsGeneratedNames) {
    const QList<QChar> alphabet{u'a', u'"', u'\\', u' ', u'\t', u'\n', u'é', u'中', u'-', u'/'};
    std::mt19937 random(20240521);
    std::uniform_int_distribution<int> length(0, 12);
    std::uniform_int_distribution<qsizetype> pick(0, alphabet.size() - 1);
    auto makeName = [&] {
        QString name;
        for (int n = length(random); n > 0; --n) {
            name += alphabet[pick(random)];
        }
        return name;
    };
    for (int round = 0; round < 3000; ++round) {
        const QString first = makeName();
        const QString second = makeName();
        const QString line =
            u"prog "_s + quotePath(first) + u" -x "_s + quotePath(second) + u" end"_s;
        const QStringList expected{"prog", first, "-x", second, "end"};
        ASSERT_EQ(splitCommandLine(line), expected) << line.toStdString();
    }
    // The worst ends: backslash runs before an escaped quote and at the very end.
    for (const QString& name : {uR"(\\\")"_s, uR"(\)"_s, uR"(a\\)"_s, uR"(""")"_s}) {
        EXPECT_EQ(splitCommandLine(u"p "_s + quotePath(name)), (QStringList{"p", name}));
    }
}
