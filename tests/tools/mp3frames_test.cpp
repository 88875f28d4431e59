// Repacking MPEG audio frames and the Info frame, on frames made here.
#include <gtest/gtest.h>

#include "tools/mp3/mp3frames.h"

namespace {

using namespace lumivox::tools;

constexpr std::uint32_t kHeader = 0xfffb9044;  // MPEG-1 Layer III, 128 kbit/s, 44100 Hz, joint

// A frame whose side information says its main data is `bytes` long less `shortBits` (spread over
// the four part2_3_length fields), filled with `fill`.
Mp3Frame frameWith(std::size_t bytes, char fill, std::size_t shortBits = 0) {
    Mp3Frame f;
    f.header = *parseMp3Header(kHeader);
    f.headerAndSideInfo = std::string(36, '\0');
    for (int i = 0; i < 4; ++i) {
        f.headerAndSideInfo[static_cast<std::size_t>(i)] =
            static_cast<char>(kHeader >> (24 - 8 * i));
    }
    std::size_t bits = bytes * 8 - shortBits;
    for (int entry = 0; entry < 4; ++entry) {
        const std::size_t part = std::min<std::size_t>(bits, 4095);
        bits -= part;
        const std::size_t at = 20 + 59 * static_cast<std::size_t>(entry);  // after the scfsi bits
        for (int b = 0; b < 12; ++b) {
            if (part >> (11 - b) & 1) {
                const std::size_t bit = at + static_cast<std::size_t>(b);
                f.headerAndSideInfo[4 + bit / 8] |= static_cast<char>(0x80 >> (bit % 8));
            }
        }
    }
    f.mainData = std::string(bytes, fill);
    return f;
}

TEST(Mp3Frames, MainDataGoesAsFarBackAsTheReservoirAllowsAndNoFurther) {
    const std::size_t area = 417 - 36;
    Mp3FramePacker packer;
    ASSERT_TRUE(packer.add(frameWith(100, 'a')));
    EXPECT_EQ(packer.room(511), static_cast<int>(area - 100));
    EXPECT_FALSE(packer.add(frameWith(area + (area - 100) + 1, 'x')));  // one byte too many
    ASSERT_TRUE(packer.add(frameWith(area + (area - 100), 'b')));
    ASSERT_TRUE(packer.add(frameWith(10, 'c')));

    const auto frames = unpackMp3Frames(packer.bytes());
    ASSERT_TRUE(frames);
    ASSERT_EQ(frames->size(), 3u);
    EXPECT_EQ((*frames)[1].mainDataBegin, static_cast<int>(area - 100));
    EXPECT_EQ((*frames)[0].mainData, std::string(100, 'a'));
    EXPECT_EQ((*frames)[1].mainData, std::string(area + area - 100, 'b'));
    EXPECT_EQ((*frames)[2].mainData, std::string(10, 'c'));
}

TEST(Mp3Frames, BackReferenceOutsideTheStreamIsRefused) {
    Mp3FramePacker packer;
    ASSERT_TRUE(packer.add(frameWith(50, 'a')));
    std::string stream = packer.bytes();
    stream[4] = static_cast<char>(0xff);  // main_data_begin of the first frame: before the start
    EXPECT_FALSE(unpackMp3Frames(stream));
}

// Two encoders that coded a frame alike may still place it differently in the reservoir and leave
// different filler after its last bit.
TEST(Mp3Frames, FramesCodedAlikeAreTheSameSoundWhereverTheyLie) {
    auto stream = [](std::size_t before, char filler, char fill) {
        Mp3Frame last = frameWith(50, fill, 3);
        last.mainData.back() = filler;
        Mp3FramePacker packer;
        EXPECT_TRUE(packer.add(frameWith(before, 'a')));
        EXPECT_TRUE(packer.add(last));
        return packer.bytes();
    };
    const auto a = unpackMp3Frames(stream(100, 'x', 'x'));
    const auto b = unpackMp3Frames(stream(200, 'y', 'x'));  // 'x' and 'y' differ in the low 3 bits
    const auto c = unpackMp3Frames(stream(100, 'x', 'z'));
    ASSERT_TRUE(a && b && c);
    ASSERT_NE((*a)[1].mainDataBegin, (*b)[1].mainDataBegin);
    EXPECT_TRUE(sameSound((*a)[1], (*b)[1]));
    EXPECT_FALSE(sameSound((*a)[1], (*c)[1]));
    EXPECT_FALSE(sameSound((*a)[0], (*a)[1]));
}

TEST(Mp3Frames, AStreamFedInSlicesReadsAsAWhole) {
    Mp3FramePacker packer;
    for (std::size_t i = 0; i < 6; ++i) {
        ASSERT_TRUE(packer.add(frameWith(100 + 90 * i, static_cast<char>('a' + i))));
    }
    const auto whole = unpackMp3Frames(packer.bytes());
    ASSERT_TRUE(whole);
    Mp3FrameReader reader;
    for (std::size_t at = 0; at < packer.bytes().size(); at += 7) {
        ASSERT_TRUE(reader.feed(std::string_view(packer.bytes()).substr(at, 7)));
    }
    EXPECT_TRUE(reader.atFrameEnd());
    ASSERT_EQ(reader.frames().size(), whole->size());
    for (std::size_t i = 0; i < whole->size(); ++i) {
        EXPECT_EQ(reader.frames()[i].mainData, (*whole)[i].mainData) << i;
        EXPECT_EQ(reader.frames()[i].mainDataBegin, (*whole)[i].mainDataBegin) << i;
    }
}

TEST(Mp3Frames, Crc16IsTheLameTagOne) {
    EXPECT_EQ(crc16("123456789"), 0xBB3D);  // CRC-16/ARC check value
}

TEST(Mp3Frames, InfoFrameCountsDelayPaddingAndCrc) {
    Mp3FramePacker packer;
    for (int i = 0; i < 10; ++i) {
        ASSERT_TRUE(packer.add(frameWith(300, static_cast<char>('a' + i))));
    }
    const std::string info =
        mp3InfoFrame(packer.bytes(), packer.frameOffsets(), {576, 10000, 17000, "LAME3.100"});
    ASSERT_EQ(info.size(), 417u);
    auto be32 = [&info](std::size_t at) {
        std::uint32_t v = 0;
        for (std::size_t i = 0; i < 4; ++i) {
            v = v << 8 | static_cast<unsigned char>(info[at + i]);
        }
        return v;
    };
    EXPECT_EQ(info.substr(36, 4), "Info");
    EXPECT_EQ(be32(44), 10u);                           // audio frames
    EXPECT_EQ(be32(48), 417u + packer.bytes().size());  // bytes, the Info frame's own too
    EXPECT_EQ(info.substr(156, 9), "LAME3.100");
    EXPECT_EQ(be32(177) >> 8, 576u << 12 | (11520 - 576 - 10000));  // delay, padding
    const std::uint16_t stored = static_cast<std::uint16_t>(
        static_cast<unsigned char>(info[190]) << 8 | static_cast<unsigned char>(info[191]));
    EXPECT_EQ(crc16(std::string_view(info).substr(0, 190)), stored);
}

}  // namespace
