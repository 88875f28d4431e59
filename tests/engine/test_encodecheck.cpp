#include "engine/commands/encodecheck.h"

#include <gtest/gtest.h>

using namespace lumivox;

namespace {

// coder.exe on a 12-second FLAC cut to its first 30 %, as the runner gathers it.
const QString kCutEncode = QStringLiteral(
    "Input #0, flac, from 'cut.flac':\n"
    "  Duration: 00:00:12.00, start: 0.000000, bitrate: 30 kb/s\n"
    "  Stream #0:0: Audio: flac, 44100 Hz, mono, s16\n"
    "Output #0, mp3, to '/out/cut_957.mp3':\n"
    "size=       1kB time=0.00 bitrate=6596.6kbits/s speed=11.5x    \r"
    "[flac @ 0x564a2d384bc0] invalid residual\n"
    "[flac @ 0x564a2d384bc0] decode_frame() failed\n"
    "Error while decoding stream #0:0: Invalid data found when processing input\n"
    "size=      48kB time=3.03 bitrate= 130.3kbits/s speed= 176x    \n"
    "video:0kB audio:48kB subtitle:0kB other streams:0kB global headers:0kB\n");

// The probe reads the copy sox decoded, which holds only what could be decoded.
const QString kCutProbe = QStringLiteral(
    "Input #0, wav, from '/home/u/.cache/lumivox/tmp.wav':\n"
    "  Duration: 00:00:03.03, bitrate: 705 kb/s\n"
    "At least one output file must be specified\n");

}  // namespace

TEST(EncodeCheck, ACutFlacIsShortOfItsStatedLength) {
    const EncodeReport report = readEncodeReport(kCutEncode);
    EXPECT_DOUBLE_EQ(report.statedSeconds.value_or(-1), 12.0);
    EXPECT_DOUBLE_EQ(report.writtenSeconds.value_or(-1), 3.03);
    EXPECT_EQ(report.decodeError,
              "Error while decoding stream #0:0: Invalid data found when processing input");
    EXPECT_DOUBLE_EQ(statedSeconds(kCutProbe).value_or(-1), 3.03);
    EXPECT_EQ(encodeShortfall(report, statedSeconds(kCutProbe)), "只写入了 3.0 秒，应为 12.0 秒");
}

TEST(EncodeCheck, AFileNameHoldingTheWordsIsNoDecoderError) {
    EXPECT_EQ(readEncodeReport("Input #0, flac, from '/m/Error while decoding stream.flac':\n")
                  .decodeError,
              QString());
}
