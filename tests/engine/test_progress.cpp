#include "engine/commands/progress.h"

#include <gtest/gtest.h>

#include <QStringList>

using namespace lumivox::progress;

namespace {

const QString kDone = QStringLiteral("完成 100%");
const QString kEnded = QStringLiteral("结束 100%");

void expectFinished(const Display& d, const QString& caption) {
    EXPECT_EQ(d.caption, caption);
    EXPECT_EQ(d.barWidth, kBarFullWidth);
    EXPECT_EQ(d.value, 100.0f);
}

}  // namespace

TEST(DurationScan, ReadsHoursMinutesSecondsRounded) {
    EXPECT_EQ(scanDuration(u"  Duration: 00:03:25.48, start: 0.000000, bitrate: 1411 kb/s"), 205);
    EXPECT_EQ(scanDuration(u"Duration: 01:00:00.50, start"), 3600);
    EXPECT_EQ(scanDuration(u"Duration: 00:00:02.50, start"), 2);
    EXPECT_EQ(scanDuration(u"Duration: 00:00:03.50, start"), 4);
    EXPECT_EQ(scanDuration(u"x Duration: 10:00:00.00,"), 36000);
}

TEST(DurationScan, UnreadableOrAbsentLengthIsNone) {
    EXPECT_FALSE(scanDuration(u"  Duration: N/A, start: 0.000000, bitrate: N/A"));
    EXPECT_FALSE(scanDuration(u"size=  768kB time=59.24 bitrate= 106.2kbits/s"));
    EXPECT_FALSE(scanDuration(u"Duration: 03:25.48, start"));  // two parts only
    EXPECT_FALSE(scanDuration(u"Duration: 00:0x:25.48, start"));
    EXPECT_FALSE(scanDuration(u"Duration: -01:00:00.00, start"));  // negative is no length
    EXPECT_FALSE(scanDuration(u"Duration: 999999999:00:00.00,"));  // beyond 32 bits
    EXPECT_FALSE(scanDuration(u""));
}

TEST(DurationScan, NeedsACharacterAfterTheMarkerInTheSameChunk) {
    EXPECT_FALSE(scanDuration(u"  Duration: "));
    EXPECT_FALSE(scanDuration(u"  Durat"));
    EXPECT_FALSE(scanDuration(u"ion: 00:03:25.48, start"));
    EXPECT_EQ(scanDuration(u"Duration: 00:00:07"), 7);  // ends with the chunk, no space
}

TEST(DurationScan, SecondReportInTheSameChunkJoinsTheFirst) {
    // "00:03:25.48,00:01:00.00,": the seconds field reads "25.4800" once the commas are gone.
    EXPECT_EQ(scanDuration(u"Duration: 00:03:25.48, x\nDuration: 00:01:00.00, y"), 205);
}

TEST(ElapsedScan, ReadsSecondsRoundedHalfEven) {
    EXPECT_EQ(scanElapsed(u"size=  768kB time=59.24 bitrate= 106.2kbits/s speed= 118x"), 59);
    EXPECT_EQ(scanElapsed(u"time=37.12 bitrate"), 37);
    EXPECT_EQ(scanElapsed(u"time=204.50 b"), 204);
    EXPECT_EQ(scanElapsed(u"time=205.50 b"), 206);
    EXPECT_EQ(scanElapsed(u"time=3723.50"), 3724);
}

TEST(ElapsedScan, SeveralFieldsAreConcatenatedSoTheFirstDecides) {
    EXPECT_EQ(scanElapsed(u"time=12.34 bitrate=1\rtime=12.85 bitrate=2"), 12);  // "12.3412.85"
    EXPECT_EQ(scanElapsed(u"time=N/A x\rtime=40.00 y"), 0);                     // "N/A40.00"
}

TEST(ElapsedScan, OddFormsAndSplitReports) {
    EXPECT_EQ(scanElapsed(u"time=00:01:02.03 bitrate"), 0);  // hours field only
    EXPECT_EQ(scanElapsed(u"time=N/A bitrate"), 0);
    EXPECT_EQ(scanElapsed(u"size= 1kB time=12"), 12);  // the rest comes in the next chunk
    EXPECT_FALSE(scanElapsed(u".34 bitrate= 106.2kbits/s"));
    EXPECT_FALSE(scanElapsed(u"size= 1kB time="));  // nothing after the marker
    EXPECT_FALSE(scanElapsed(u"size= 1kB tim"));
    EXPECT_EQ(scanElapsed(u"time=-0.02 b"), 0);
    EXPECT_EQ(scanElapsed(QStringLiteral("time=") + QString(30, u'9')), 9000000000000000000LL);
}

TEST(Spinner, CyclesThroughFourSignsAndRecoversFromAnythingElse) {
    QString spin = QStringLiteral("-");
    QStringList seen;
    for (int i = 0; i < 4; ++i) {
        spin = nextSpin(spin);
        seen << spin;
    }
    EXPECT_EQ(seen, QStringList({"\\", "|", "/", "-"}));
    EXPECT_EQ(nextSpin(""), "-");
    EXPECT_EQ(nextSpin("x"), "-");
}

TEST(DisplayFromElapsed, WorkedExamplesAgainstDuration205) {
    const Display d = displayFromElapsed(37, 205, QStringLiteral("\\"));
    EXPECT_EQ(d.caption, QStringLiteral("转换中\\ 18.0%"));
    EXPECT_FLOAT_EQ(d.value, 18.0f);
    EXPECT_NEAR(d.barWidth, 977.34, 0.005);
    EXPECT_EQ(d.barWidth, static_cast<double>(static_cast<float>(0.180487804878049 * 5415)));

    EXPECT_EQ(displayFromElapsed(5, 205, "-").caption, QStringLiteral("转换中- 2.43%"));
    EXPECT_FLOAT_EQ(displayFromElapsed(5, 205, "-").value, 2.43f);
    EXPECT_EQ(displayFromElapsed(204, 205, "/").caption, QStringLiteral("转换中/ 99.5%"));
    EXPECT_FLOAT_EQ(displayFromElapsed(204, 205, "/").value, 99.5f);

    const Display zero = displayFromElapsed(0, 205, "-");
    EXPECT_EQ(zero.caption, QStringLiteral("转换中- 0%"));
    EXPECT_EQ(zero.value, 0.0f);
    EXPECT_EQ(zero.barWidth, 0.0);
}

TEST(DisplayFromElapsed, FinishedAtOrPastTheEndOrWithoutALength) {
    expectFinished(displayFromElapsed(205, 205, "-"), kDone);
    expectFinished(displayFromElapsed(300, 205, "-"), kDone);
    expectFinished(displayFromElapsed(37, 0, "-"), kDone);
    expectFinished(displayFromElapsed(0, 0, "-"), kDone);
    EXPECT_EQ(displayFromElapsed(2147483646, 2147483647, "-").caption,
              QStringLiteral("转换中- 99.9%"));
}

TEST(DisplayFromElapsed, TimeBeforeTheStartShowsTheStart) {
    const Display d = displayFromElapsed(-3, 205, "|");
    EXPECT_EQ(d.caption, QStringLiteral("转换中| 0%"));
    EXPECT_EQ(d.barWidth, 0.0);
}

TEST(DisplayFromElapsed, LongInputKeepsAPlainPercentText) {
    // 1 s of 2^31-1 s: 4.66e-8 %, shown as "0.00", not as an exponent form's "4.66".
    const Display d = displayFromElapsed(1, 2147483647, "-");
    EXPECT_EQ(d.caption, QStringLiteral("转换中- 0.00%"));
    EXPECT_EQ(d.value, 0.0f);
}

TEST(PercentScan, FirstParenthesisWithACloseFourOrFiveLaterWins) {
    EXPECT_EQ(scanPercent(u"Pos: 0.0s 1f ( 5%) 0.00fps"), " 5%");
    EXPECT_EQ(scanPercent(u"Pos: 12.3s 308f (45%) 10.2fps"), "45%");
    EXPECT_EQ(scanPercent(u"Pos: 20.0s 502f (100%) 0.00fps"), "100%");
    EXPECT_EQ(scanPercent(u"Pos: 20.0s 502f (102%) 0.00fps"), "102%");
    EXPECT_EQ(scanPercent(u"(45%) then (77%)"), "45%");
    EXPECT_EQ(scanPercent(u"information not (yet?) available (45%)"), "yet?");
    EXPECT_EQ(scanPercent(u"(a (12%)"), "12%");
}

TEST(PercentScan, NoReportWhenTheCloseIsElsewhereOrMissing) {
    EXPECT_FALSE(scanPercent(u"MEncoder (C) 2000-2023 MPlayer Team"));
    EXPECT_FALSE(scanPercent(u"(1%)"));  // close two later
    EXPECT_FALSE(scanPercent(u"(1000%)"));
    EXPECT_FALSE(scanPercent(u"Pos: 4.8s 120f (56"));  // split across chunks
    EXPECT_FALSE(scanPercent(u""));
}

TEST(DisplayFromPercent, ExamplesOfTheFirstPass) {
    const Display d = displayFromPercent(QStringLiteral("45%"), QStringLiteral("|"));
    EXPECT_EQ(d.caption, QStringLiteral("转换中| 45%"));
    EXPECT_EQ(d.value, 45.0f);
    EXPECT_EQ(d.barWidth, 2436.75);

    const Display seven = displayFromPercent(QStringLiteral(" 7%"), QStringLiteral("-"));
    EXPECT_EQ(seven.caption, QStringLiteral("转换中- 7%"));
    EXPECT_EQ(seven.value, 7.0f);

    expectFinished(displayFromPercent(QStringLiteral("100%"), "-"), kEnded);
    EXPECT_EQ(displayFromPercent(QStringLiteral("yet?"), "-").caption,
              QStringLiteral("转换中- 0%"));
    EXPECT_EQ(displayFromPercent(QStringLiteral("12.5"), "-").caption,
              QStringLiteral("转换中- 12%"));
}

TEST(DisplayFromPercent, ReportsOutsideTheRangeAreHeldAtItsEnds) {
    const Display over = displayFromPercent(QStringLiteral("102%"), QStringLiteral("/"));
    EXPECT_EQ(over.caption, QStringLiteral("转换中/ 100%"));
    EXPECT_EQ(over.value, 100.0f);
    EXPECT_EQ(over.barWidth, kBarFullWidth);

    const Display under = displayFromPercent(QStringLiteral("-5%"), QStringLiteral("/"));
    EXPECT_EQ(under.caption, QStringLiteral("转换中/ 0%"));
    EXPECT_EQ(under.value, 0.0f);
    EXPECT_EQ(under.barWidth, 0.0);
}
