#include <gtest/gtest.h>

#include <string>

#include "tools/timerewriter.h"

using lumivox::tools::clockToSeconds;
using lumivox::tools::TimeFieldRewriter;

namespace {

// Status lines as ffmpeg 5.1 prints them (captured), the last one ending the run with a newline.
const std::string kCaptured =
    "size=       1kB time=00:00:00.00 bitrate=6596.6kbits/s speed=8.14x    \r"
    "size=     768kB time=00:00:59.24 bitrate= 106.2kbits/s speed= 118x    \r"
    "size=N/A time=N/A bitrate=N/A speed=N/A    \r"
    "size=   58113kB time=01:02:03.50 bitrate= 127.9kbits/s speed= 120x    \n";
const std::string kExpected =
    "size=       1kB time=0.00 bitrate=6596.6kbits/s speed=8.14x    \r"
    "size=     768kB time=59.24 bitrate= 106.2kbits/s speed= 118x    \r"
    "size=N/A time=N/A bitrate=N/A speed=N/A    \r"
    "size=   58113kB time=3723.50 bitrate= 127.9kbits/s speed= 120x    \n";

std::string rewriteWhole(const std::string& text) {
    TimeFieldRewriter r;
    return r.feed(text) + r.flush();
}

}  // namespace

TEST(TimeFieldRewriter, RewritesCapturedStatusLinesAtEverySplitPoint) {
    ASSERT_EQ(rewriteWhole(kCaptured), kExpected);
    for (std::size_t cut = 0; cut <= kCaptured.size(); ++cut) {
        TimeFieldRewriter r;
        std::string out = r.feed(kCaptured.substr(0, cut));
        out += r.feed(kCaptured.substr(cut));
        out += r.flush();
        EXPECT_EQ(out, kExpected) << "split at " << cut;
    }
}

TEST(TimeFieldRewriter, RewritesWhenFedOneByteAtATime) {
    TimeFieldRewriter r;
    std::string out;
    for (char c : kCaptured) {
        out += r.feed(std::string(1, c));
    }
    out += r.flush();
    EXPECT_EQ(out, kExpected);
}

TEST(TimeFieldRewriter, PassesOnEverythingThatCannotBeAField) {
    TimeFieldRewriter r;
    // Nothing to wait for here: each piece must come out at once, not at the flush.
    EXPECT_EQ(r.feed("time=N/A bitrate=N/A\r"), "time=N/A bitrate=N/A\r");
    EXPECT_EQ(r.feed("time=12.34 "), "time=12.34 ");
    EXPECT_EQ(r.feed("runtime=x"), "runtime=x");
    EXPECT_EQ(r.feed("Duration: 00:03:25.48, start: 0.0\n"), "Duration: 00:03:25.48, start: 0.0\n");
    EXPECT_EQ(r.flush(), "");
}

TEST(TimeFieldRewriter, HoldsBackOnlyAnUnfinishedField) {
    TimeFieldRewriter r;
    EXPECT_EQ(r.feed("size= 1kB ti"), "size= 1kB ");
    EXPECT_EQ(r.feed("me=00:01:0"), "");
    EXPECT_EQ(r.feed("2.03 bitrate"), "time=62.03 bitrate");
}

TEST(TimeFieldRewriter, FlushesAtEndOfStream) {
    {
        TimeFieldRewriter r;
        EXPECT_EQ(r.feed("x time=00:00:01.50"), "x ");
        EXPECT_EQ(r.flush(), "time=1.50");
    }
    {
        TimeFieldRewriter r;
        r.feed("x time=00:0");
        EXPECT_EQ(r.flush(), "time=00:0");
    }
    {
        TimeFieldRewriter r;
        EXPECT_EQ(r.feed("ends with tim"), "ends with ");
        EXPECT_EQ(r.flush(), "tim");
    }
}

TEST(TimeFieldRewriter, RewritesSeveralFieldsInOneChunk) {
    EXPECT_EQ(rewriteWhole("time=00:00:01.00\rtime=00:00:02.00\rtime=10:00:00.99\n"),
              "time=1.00\rtime=2.00\rtime=36000.99\n");
}

TEST(TimeFieldRewriter, LeavesOverlongDigitRunsAlone) {
    const std::string runaway = "time=" + std::string(40, '1') + ":00:00.00 ";
    EXPECT_EQ(rewriteWhole(runaway), runaway);
}

TEST(ClockToSeconds, ConvertsHoursMinutesSeconds) {
    EXPECT_EQ(clockToSeconds("00:00:59.24"), "59.24");
    EXPECT_EQ(clockToSeconds("01:02:03.50"), "3723.50");
    EXPECT_EQ(clockToSeconds("00:01:05"), "65");
    EXPECT_EQ(clockToSeconds("-00:00:00.02"), "-0.02");
    EXPECT_EQ(clockToSeconds("100:00:00.00"), "360000.00");
    EXPECT_EQ(clockToSeconds("12.34"), "");
    EXPECT_EQ(clockToSeconds("N/A"), "");
}
