#include <gtest/gtest.h>

#include "tooljob/files.h"
#include "tooljob/mp3track.h"

using namespace lumivox::tooljob;

namespace {

// What the batch writes, the adapters read back unchanged: one spelling for both sides.
TEST(TrackJob, TheBatchsArgumentsReadBackAsTheSameSpanAndTags) {
    TrackJob job;
    job.span = SampleSpan{588, 10407600};
    job.tags = {{"TITLE", "A = B"}, {"ARTIST", ""}, {"comment", "x"}};
    std::vector<std::string> command = {"-i", "image.flac", "-y", "-vn"};
    const std::vector<std::string> track = trackArguments(job);
    command.insert(command.end(), track.begin(), track.end());
    command.push_back("out.mp3");

    const auto span = parseAtrim(command);
    ASSERT_TRUE(span);
    EXPECT_EQ(span->start, 588u);
    EXPECT_EQ(span->end, 10407600u);
    const TagValues expected = {{"TITLE", "A = B"}, {"ARTIST", ""}, {"COMMENT", "x"}};
    EXPECT_EQ(parseMetadata(command), expected);
    EXPECT_EQ(withoutMetadata(command),
              (std::vector<std::string>{
                  "-i", "image.flac", "-y", "-vn", "-af",
                  "atrim=start_sample=588:end_sample=10407600,asetpts=PTS-STARTPTS", "out.mp3"}));
}

TEST(TrackJob, APartialNameIsHiddenBesideItsFileAndTheSameEveryTime) {
    const std::string partial = partialPath("/o/A - B/01 - Song.mp3");
    EXPECT_EQ(partial.rfind("/o/A - B/.lumivox-", 0), 0u);
    EXPECT_EQ(partial, partialPath("/o/A - B/01 - Song.mp3"));
    EXPECT_NE(partial, partialPath("/o/A - B/02 - Song.mp3"));
    EXPECT_EQ(partial.size(), partialPath("/o/A - B/" + std::string(200, 'x') + ".mp3").size());
}

TEST(CoverNames, CoverFolderFrontInAnyCaseAndInThatOrder) {
    const struct {
        const char* name;
        int rank;
    } cases[] = {
        {"cover.jpg", 0},    {"COVER.JPEG", 1},     {"Cover.png", 2},
        {"folder.jpg", 3},   {"front.png", 8},      {"cover.gif", -1},
        {"mycover.jpg", -1}, {"cover.jpg.txt", -1}, {"cover", -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(coverNameRank(c.name), c.rank) << c.name;
    }
}

TEST(RegularFiles, OnlyARegularFileCounts) {
    EXPECT_TRUE(isRegularFile("/etc/hostname"));
    EXPECT_FALSE(isRegularFile("/etc"));
    EXPECT_FALSE(isRegularFile("/dev/null"));
    EXPECT_FALSE(isRegularFile("/nonexistent/file"));
}

}  // namespace
