#include "collection/outputnames.h"
#include "engine/base/cmdline.h"
#include "engine/commands/commandbuilder.h"
#include "engine/commands/trackcommand.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace lumivox;

namespace {

const QString kInput = QStringLiteral("/music/song.flac");

CommandContext context() {
    return {QStringLiteral("/opt/conv"), QStringLiteral("/home/u/.cache/lumivox/tmp.wav"),
            QStringLiteral("/home/u/.cache/lumivox/tmp/tmp.mp4")};
}

ConversionSettings settings(int format) {
    ConversionSettings s;
    s.format = format;
    s.audioBitrate = QStringLiteral("128");
    s.sampleRate = QStringLiteral("44100");
    s.channelPosition = 1;
    s.videoSize = QStringLiteral("原始大小");
    s.videoBitrate = QStringLiteral("1200");
    s.frameRate = QStringLiteral("29");
    s.outFolder = QStringLiteral("/out/");
    return s;
}

QString outputFor(int format) {
    return outputPath(settings(format), kInput, timeStamp(QTime(14, 30, 5)));
}

}  // namespace

TEST(CommandBuilder, Mp3JobOfTheWorkedExample) {
    const CommandContext c = context();
    EXPECT_EQ(outputFor(FormatMp3), "/out/song_14305.mp3");
    EXPECT_EQ(mp3DecodeCommand(c, kInput),
              "/opt/conv/data/sox.exe \"/music/song.flac\" /home/u/.cache/lumivox/tmp.wav");
    EXPECT_EQ(mp3ProbeCommand(c), "/opt/conv/data/coder.exe -i /home/u/.cache/lumivox/tmp.wav");
    EXPECT_EQ(mp3EncodeCommand(c, settings(FormatMp3), kInput, outputFor(FormatMp3)),
              "/opt/conv/data/coder.exe -i \"/music/song.flac\" -y -vn -ar 44100 -ab 128k -ac 2 "
              "\"/out/song_14305.mp3\"");
}

TEST(CommandBuilder, MonoAndTypedTextsGoInAsTheBoxesHoldThem) {
    ConversionSettings s = settings(FormatMp3);
    s.channelPosition = 0;
    s.audioBitrate = QStringLiteral("150");
    s.sampleRate = QStringLiteral("8000");
    EXPECT_EQ(mp3EncodeCommand(context(), s, kInput, "/out/a_1.mp3"),
              "/opt/conv/data/coder.exe -i \"/music/song.flac\" -y -vn -ar 8000 -ab 150k -ac 1 "
              "\"/out/a_1.mp3\"");
    s.format = FormatRm;
    s.videoSize = QStringLiteral("640x480");
    EXPECT_TRUE(secondPassCommand(context(), s, "/out/a-1.rm").contains(" -ac 1 "));
}

TEST(CommandBuilder, SinglePassVideoFormats) {
    const CommandContext c = context();
    ConversionSettings mpg = settings(FormatMpg);
    mpg.audioBitrate = "64";
    mpg.videoBitrate = "600";
    mpg.frameRate = "24";
    EXPECT_EQ(firstPassCommand(c, mpg, kInput, outputFor(FormatMpg)),
              "/opt/conv/data/conv.exe \"/music/song.flac\" -oac lavc -lavcopts "
              "acodec=mp2:abitrate=64 -ovc lavc -lavcopts vcodec=mpeg1video:vbitrate=600:vpass=1 "
              "-ofps 24 -of lavf -lavfopts format=yuv4mpeg -o \"/out/song-14305.mpg\"");
    ConversionSettings avi = mpg;
    avi.format = FormatAvi;
    EXPECT_EQ(firstPassCommand(c, avi, kInput, outputFor(FormatAvi)),
              "/opt/conv/data/conv.exe \"/music/song.flac\" -oac lavc -lavcopts "
              "acodec=mp2:abitrate=64 -ovc lavc -lavcopts vcodec=mpeg1video:vbitrate=600:vpass=1 "
              "-ofps 24 -of lavf -lavfopts format=yuv4mpeg -o \"/out/song-14305.avi\"");
    ConversionSettings mp4 = settings(FormatMp4);
    mp4.audioBitrate = "320";
    EXPECT_EQ(firstPassCommand(c, mp4, kInput, outputFor(FormatMp4)),
              "/opt/conv/data/conv.exe \"/music/song.flac\" -oac mp3lame -lameopts preset=320 "
              "-ovc lavc -lavcopts vcodec=mpeg4:vbitrate=1200 -of avi -o \"/out/song-14305.mp4\"");
    EXPECT_FALSE(hasSecondPass(FormatMpg) || hasSecondPass(FormatAvi) || hasSecondPass(FormatMp4));
    EXPECT_EQ(secondPassCommand(c, mp4, "/out/x.mp4"), QString());
}

TEST(CommandBuilder, TwoPassFormatsShareTheFirstPassIntoTheIntermediateFile) {
    const QString expected =
        "/opt/conv/data/conv.exe \"/music/song.flac\" -oac mp3lame -lameopts preset=320 -ovc lavc "
        "-lavcopts vcodec=mpeg4:vbitrate=1200 -of avi -o /home/u/.cache/lumivox/tmp/tmp.mp4";
    for (const int f : {FormatRmvb, FormatRm, FormatMov, FormatPhoneMp4, Format3gp}) {
        SCOPED_TRACE(f);
        ConversionSettings s = settings(f);
        s.videoSize = "640x480";  // the first pass ignores every setting
        s.audioBitrate = "64";
        EXPECT_EQ(firstPassCommand(context(), s, kInput, outputFor(f)), expected);
        EXPECT_TRUE(hasSecondPass(f));
        EXPECT_EQ(firstPassTool(f), "conv.exe");
    }
    EXPECT_EQ(firstPassCommand(context(), settings(FormatMp3), kInput, "/out/x.mp3"), QString());
}

TEST(CommandBuilder, SecondPassAtOriginalSize) {
    const CommandContext c = context();
    const QString in = "/home/u/.cache/lumivox/tmp/tmp.mp4";
    EXPECT_EQ(secondPassCommand(c, settings(FormatRmvb), outputFor(FormatRmvb)),
              "/opt/conv/data/coder.exe -i " + in +
                  " -y -vcodec rv10 -b 1200k -f rm  -ab 128k -ac 2 \"/out/song-14305.rmvb\"");
    EXPECT_EQ(secondPassCommand(c, settings(FormatRm), outputFor(FormatRm)),
              "/opt/conv/data/coder.exe -i " + in +
                  " -y -vcodec rv10 -b 1200k -f rm  -ab 128k -ac 2 \"/out/song-14305.rm\"");
    EXPECT_EQ(secondPassCommand(c, settings(FormatMov), outputFor(FormatMov)),
              "/opt/conv/data/coder.exe -i " + in +
                  " -y -ac 2 -ar 48000 -ab 128k \"/out/song-14305.mov\"");
    EXPECT_EQ(secondPassCommand(c, settings(FormatPhoneMp4), outputFor(FormatPhoneMp4)),
              "/opt/conv/data/coder2.exe -i " + in +
                  " -y -s 320x240 -vcodec mpeg4 -acodec amr_nb -ac 1 -ar 8000 -ab 12.2k "
                  "\"/out/song-14305.mp4\"");
    EXPECT_EQ(secondPassCommand(c, settings(Format3gp), outputFor(Format3gp)),
              "/opt/conv/data/coder2.exe -i " + in +
                  " -y -s 320x240 -vcodec mpeg4 -acodec amr_nb -ac 1 -ar 8000 -ab 12.2k "
                  "\"/out/song-14305.3gp\"");
}

TEST(CommandBuilder, SecondPassAtAChosenSize) {
    const CommandContext c = context();
    const QString in = "/home/u/.cache/lumivox/tmp/tmp.mp4";
    auto sized = [](int f) {
        ConversionSettings s = settings(f);
        s.videoSize = "640x480";
        s.videoBitrate = "800";
        s.sampleRate = "22050";
        s.audioBitrate = "96";
        return s;
    };
    EXPECT_EQ(secondPassCommand(c, sized(FormatRmvb), outputFor(FormatRmvb)),
              "/opt/conv/data/coder.exe -i " + in +
                  " -y -s 640x480 -vcodec rv10 -b 800k -f rm -ar 22050 -ab 96k -ac 2 "
                  "\"/out/song-14305.rmvb\"");
    EXPECT_EQ(secondPassCommand(c, sized(FormatRm), outputFor(FormatRm)),
              "/opt/conv/data/coder.exe -i " + in +
                  " -y -s 640x480 -vcodec rv10 -b 800k -f rm -ar 22050 -ab 96k -ac 2 "
                  "\"/out/song-14305.rm\"");
    EXPECT_EQ(secondPassCommand(c, sized(FormatMov), outputFor(FormatMov)),
              "/opt/conv/data/coder.exe -i " + in +
                  " -y -s 640x480 -ac 2 -ar 48000 -ab 128k \"/out/song-14305.mov\"");
    EXPECT_EQ(secondPassCommand(c, sized(FormatPhoneMp4), outputFor(FormatPhoneMp4)),
              "/opt/conv/data/coder2.exe -i " + in +
                  " -y -s 640x480 -vcodec mpeg4 -acodec amr_nb -ac 1 -ar 8000 -ab 12.2k "
                  "\"/out/song-14305.mp4\"");
    EXPECT_EQ(secondPassCommand(c, sized(Format3gp), outputFor(Format3gp)),
              "/opt/conv/data/coder2.exe -i " + in +
                  " -y -s 640x480 -vcodec mpeg4 -acodec amr_nb -ac 1 -ar 8000 -ab 12.2k "
                  "\"/out/song-14305.3gp\"");
}

TEST(CommandBuilder, ToolsAndExtensionsOfEachFormat) {
    const QStringList extensions = {".rmvb", ".rm",  ".mpg", ".avi", ".mp4",
                                    ".mov",  ".mp4", ".3gp", ".mp3"};
    for (int f = 0; f <= 8; ++f) {
        EXPECT_EQ(formatExtension(f), extensions[f]) << f;
    }
    EXPECT_EQ(formatExtension(9), QString());
    EXPECT_EQ(firstPassTool(FormatMp3), "sox.exe");
    EXPECT_EQ(secondPassTool(FormatPhoneMp4), "coder2.exe");
    EXPECT_EQ(secondPassTool(Format3gp), "coder2.exe");
    EXPECT_EQ(secondPassTool(FormatRmvb), "coder.exe");
    EXPECT_EQ(secondPassTool(FormatMov), "coder.exe");
    EXPECT_FALSE(hasSecondPass(FormatMp3));
}

TEST(CommandBuilder, UntrustedFileNamesComeBackAsOneArgumentEach) {
    // Names from a folder scan: a quote must not let a name add options of its own.
    const QString input = QStringLiteral("/music/a\" -y \"b.flac");
    const QString output = QStringLiteral("/out/x\\\" -f \\q_1.mp3");
    const CommandContext c = context();
    const ConversionSettings s = settings(FormatMp3);
    const QStringList decode = splitCommandLine(mp3DecodeCommand(c, input));
    EXPECT_EQ(decode, QStringList({"/opt/conv/data/sox.exe", input, c.tmpWav}));
    const QStringList encode = splitCommandLine(mp3EncodeCommand(c, s, input, output));
    ASSERT_EQ(encode.size(), 12);
    EXPECT_EQ(encode[2], input);
    EXPECT_EQ(encode.last(), output);
    const QStringList first =
        splitCommandLine(firstPassCommand(c, settings(FormatMp4), input, output));
    EXPECT_EQ(first[1], input);
    EXPECT_EQ(first.last(), output);
    EXPECT_EQ(splitCommandLine(secondPassCommand(c, settings(FormatMov), output)).last(), output);
}

TEST(FileStem, NamePartUpToItsLastDot) {
    EXPECT_EQ(GetFileStem("/music/song.flac"), "song");
    EXPECT_EQ(GetFileStem("/a.b/live.set.flac"), "live.set");
    EXPECT_EQ(GetFileStem("/music/noext"), "");
    EXPECT_EQ(GetFileStem("/a.b/noext"), "");  // a dot in a folder name does not count
    EXPECT_EQ(GetFileStem("song.flac"), "song");
    EXPECT_EQ(GetFileStem("/music/.hidden"), "");
    EXPECT_EQ(GetFileStem("C:\\Music\\song.flac"), "C:\\Music\\song");  // "/" only on Linux
    EXPECT_EQ(GetFileStem(""), "");
    EXPECT_EQ(GetFileStem("/music/"), "");
}

TEST(OutputNames, TimeStampAndNames) {
    EXPECT_EQ(timeStamp(QTime(14, 30, 5)), "14305");
    EXPECT_EQ(timeStamp(QTime(1, 23, 45)), "12345");
    EXPECT_EQ(timeStamp(QTime(12, 34, 5)), "12345");
    EXPECT_EQ(timeStamp(QTime(9, 5, 7)), "957");
    EXPECT_EQ(timeStamp(QTime(0, 0, 0)), "000");
    EXPECT_EQ(timeStamp(QTime()), "");

    ConversionSettings s = settings(FormatMp3);
    EXPECT_EQ(outputPath(s, "/music/noext", "957"), "/out/_957.mp3");
    s.outFolder = "/out";  // the separator is added when missing
    EXPECT_EQ(outputPath(s, "/music/a.b.flac", "957"), "/out/a.b_957.mp3");
    s.format = Format3gp;
    EXPECT_EQ(outputPath(s, "/music/a.b.flac", "957"), "/out/a.b-957.3gp");
}

TEST(OutputNames, UniqueNameNeverReplacesAnEarlierOutput) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ConversionSettings s = settings(FormatMp3);
    s.outFolder = dir.path();
    const QString base = dir.path() + "/song_12345.mp3";
    EXPECT_EQ(uniqueOutputPath(s, kInput, "12345"), base);

    auto touch = [](const QString& p) {
        QFile f(p);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    };
    touch(base);
    EXPECT_EQ(uniqueOutputPath(s, kInput, "12345"), dir.path() + "/song_12345 (2).mp3");
    touch(dir.path() + "/song_12345 (2).mp3");
    touch(dir.path() + "/song_12345 (4).mp3");
    EXPECT_EQ(uniqueOutputPath(s, kInput, "12345"), dir.path() + "/song_12345 (3).mp3");

    touch(dir.path() + "/_957.mp3");
    EXPECT_EQ(uniqueOutputPath(s, "/music/noext", "957"), dir.path() + "/_957 (2).mp3");

    // A dangling link would be written through, so it counts as taken.
    s.format = FormatPhoneMp4;
    ASSERT_TRUE(QFile::link(dir.path() + "/missing", dir.path() + "/clip-957.mp4"));
    EXPECT_EQ(uniqueOutputPath(s, "/v/clip.avi", "957"), dir.path() + "/clip-957 (2).mp4");
}

// The file system takes names of at most 255 bytes: a stem that fits on its own must not fail
// because of the stamp and counter we add, and it is cut at a whole character.
TEST(OutputNames, LongStemsAreShortenedSoTheNameFits) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    auto touch = [](const QString& p) {
        QFile f(p);
        return f.open(QIODevice::WriteOnly);
    };
    const QString ascii(255 - 5, u'a');             // 250 bytes; the input name is 255
    const QString wide = QString(83, u'音') + "a";  // 250 bytes, 3 per character
    const QString emoji = QString::fromUtf8("🎵").repeated(62) + "ab";  // 250 bytes, 4 each
    for (const QString& stem : {ascii, wide, emoji}) {
        for (const int format : {int(FormatMp3), int(FormatAvi), int(FormatRmvb)}) {
            SCOPED_TRACE(format);
            ConversionSettings s = settings(format);
            s.outFolder = dir.path();
            const QString input = "/music/" + stem + ".flac";
            for (int copy = 1; copy <= 3; ++copy) {
                const QString path = uniqueOutputPath(s, input, "235959");
                const QString name = path.mid(dir.path().size() + 1);
                EXPECT_LE(QFile::encodeName(name).size(), 255);
                EXPECT_GE(QFile::encodeName(name).size(), 251);  // shortened no more than needed
                EXPECT_TRUE(stem.startsWith(
                    name.left(name.lastIndexOf(format == FormatMp3 ? u'_' : u'-'))));
                EXPECT_FALSE(name.contains(QChar::ReplacementCharacter));
                EXPECT_TRUE(touch(path)) << "copy " << copy;
            }
        }
    }
    // Short stems stay whole.
    EXPECT_EQ(fitStem("song", "_14305.mp3"), "song");
    EXPECT_EQ(fitStem(QString(300, u'x'), QString(300, u'y')), "");
}

namespace {

TEST(TrackCommand, TheTrackCommandCarriesSpanAndTagsIntact) {
    cue::ImageTrack track;
    track.span = {588, 1176000};
    track.tags = {{"TITLE", "say \"hi\" \\ there"}, {"CUESHEET", ""}};
    ConversionSettings s;
    s.sampleRate = "44100";
    s.audioBitrate = "128";
    const QString line = trackEncodeCommand(CommandContext{"/app", "/t/tmp.wav", ""}, s,
                                            "/m/a b.flac", "/o/01 - x.mp3", track);
    EXPECT_EQ(
        splitCommandLine(line).mid(1),
        (QStringList{"-i", "/m/a b.flac", "-y", "-vn", "-ar", "44100", "-ab", "128k", "-ac", "2",
                     "-af", "atrim=start_sample=588:end_sample=1176000", "-metadata",
                     "TITLE=say \"hi\" \\ there", "-metadata", "CUESHEET=", "/o/01 - x.mp3"}));
}

}  // namespace
