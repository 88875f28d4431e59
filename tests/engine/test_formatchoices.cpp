#include "engine/commands/formatchoices.h"

#include <gtest/gtest.h>

using namespace lumivox::choices;

TEST(FormatChoices, ListsKeepTheirOrderBecauseSavedPositionsIndexThem) {
    ASSERT_EQ(outputFormats().size(), 9);
    EXPECT_EQ(outputFormats()[3], QStringLiteral("AVI(Windows Media Player格式)"));
    EXPECT_EQ(outputFormats()[8], QStringLiteral("MP3(纯音频格式)"));
    EXPECT_EQ(audioBitrates().size(), 14);
    EXPECT_EQ(audioBitrates()[kDefaultBitrate], "96");
    EXPECT_EQ(audioBitrates()[13], "320");
    EXPECT_EQ(sampleRates()[kDefaultSampleRate], "44100");
    EXPECT_EQ(sampleRates()[6], "12050");
    EXPECT_EQ(sampleRates().size(), 8);
    EXPECT_EQ(channels()[kDefaultChannel], QStringLiteral("双声道"));
    EXPECT_EQ(videoBitrates().size(), 14);
    EXPECT_EQ(videoSizes().size(), 13);
    EXPECT_EQ(videoSizes()[0], kOriginalSize);
    EXPECT_EQ(videoSizes()[10], "640x480");
    EXPECT_EQ(frameRates(), QStringList({"15", "23", "29"}));
}

TEST(FormatChoices, Mp3PresetLeavesTheVideoBoxesAlone) {
    const auto p = presetFor(8);
    ASSERT_TRUE(p);
    EXPECT_FALSE(p->videoBitrate);
    EXPECT_FALSE(p->frameRate);
    EXPECT_FALSE(p->videoSize);
    EXPECT_EQ(p->sampleRate, "48000");
    EXPECT_EQ(p->audioBitrate, "320");
    EXPECT_EQ(p->channelPosition, 1);
}

TEST(FormatChoices, VideoPresetsFillAllSixBoxes) {
    struct Row {
        int format;
        const char *vb, *fr, *rate, *br;
        bool original;
        int channel;
    };
    const Row rows[] = {
        {0, "1200", "29", "44100", "320", true, 1}, {1, "1200", "29", "44100", "320", true, 1},
        {2, "600", "24", "28000", "64", true, 1},   {3, "600", "24", "28000", "64", true, 1},
        {4, "1200", "29", "48000", "320", true, 1}, {5, "256", "29", "48000", "64", true, 1},
        {6, "128", "29", "8000", "12.2", false, 0}, {7, "128", "29", "8000", "12.2", false, 0}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.format);
        const auto p = presetFor(r.format);
        ASSERT_TRUE(p);
        EXPECT_EQ(p->videoBitrate, QString(r.vb));
        EXPECT_EQ(p->frameRate, QString(r.fr));
        EXPECT_EQ(p->videoSize, r.original ? kOriginalSize : QStringLiteral("320x240"));
        EXPECT_EQ(p->sampleRate, r.rate);
        EXPECT_EQ(p->audioBitrate, r.br);
        EXPECT_EQ(p->channelPosition, r.channel);
    }
    EXPECT_FALSE(presetFor(-1));
    EXPECT_FALSE(presetFor(9));
}
