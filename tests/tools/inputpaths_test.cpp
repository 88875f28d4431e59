#include <gtest/gtest.h>

#include <string>

#include "tools/inputpaths.h"
#include "tools/writeerror.h"

using namespace lumivox::tools;

TEST(InputPaths, MencoderPathsBecomeAbsoluteAgainstTheCallersFolder) {
    EXPECT_EQ(absoluteMencoderPaths({"clip.avi", "-oac", "mp3lame", "-o", "out/clip-957.avi"},
                                    "/home/ann"),
              Args({"/home/ann/clip.avi", "-oac", "mp3lame", "-o", "/home/ann/out/clip-957.avi"}));
    // Absolute paths and option values stay; the input is found past the options.
    EXPECT_EQ(absoluteMencoderPaths({"-quiet", "-ofps", "24", "../v.avi", "-o", "/o/v.mpg"}, "/m/"),
              Args({"-quiet", "-ofps", "24", "/m/../v.avi", "-o", "/o/v.mpg"}));
    EXPECT_EQ(absoluteAgainst("", "/m"), "");
}

TEST(InputPaths, TheFilesEachToolReads) {
    EXPECT_EQ(ffmpegInputPaths({"-i", "a.flac", "-y", "-vn", "out.mp3"}), Args({"a.flac"}));
    EXPECT_EQ(ffmpegInputPaths({"-f", "lavfi", "-i", "sine", "-i", "b.wav", "o.mp4"}),
              Args({"sine", "b.wav"}));
    EXPECT_EQ(soxInputPaths({"in.flac", "/t/tmp.wav"}), Args({"in.flac"}));
    EXPECT_EQ(soxInputPaths({"in.flac"}), Args({"in.flac"}));
}

TEST(WriteErrors, SeenInTheToolsOwnLinesOnly) {
    struct Case {
        std::vector<std::string> pieces;
        std::string error;
    };
    const Case cases[] = {
        {{"size= 160kB time=12.01\rError writing trailer of /o/a.mp3: No space left on device\n"},
         "No space left on device"},
        // Split across reads, and as the last line without its end.
        {{"Error closing file /o/a.mp3: No sp", "ace left on device"}, "No space left on device"},
        {{"sox FAIL sox: `/o/a.wav' error writing output file: File too large\n"},
         "File too large"},
        {{"av_interleaved_write_frame(): Disk quota exceeded\r\n"}, "Disk quota exceeded"},
        // A file name or a tag that only holds the words.
        {{"Input #0, flac, from '/m/x: No space left on device':\n"}, ""},
        {{"    TITLE           : x: No space left on device\n"}, ""},
        {{"size= 160kB time=12.01 bitrate= 109.1kbits/s speed= 188x\r"}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pieces.front());
        WriteErrorWatch watch;
        for (const std::string& piece : c.pieces) {
            watch.feed(piece);
        }
        EXPECT_EQ(watch.error(), c.error);
    }
}
