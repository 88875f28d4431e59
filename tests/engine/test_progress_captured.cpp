// Real tool output, fed the way the runner hands it on: 1024-byte reads decoded by one stateful
// decoder. The ffmpeg sample has its time=HH:MM:SS.cc fields already rewritten into seconds, as
// the coder adapters pass them on.
#include "engine/commands/progress.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>
#include <QStringDecoder>

using namespace lumivox::progress;

namespace {

QByteArray sample(const char* name) {
    QFile file(QStringLiteral(LUMIVOX_ENGINE_TEST_DATA "/") + QLatin1String(name));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name;
    return file.readAll();
}

QStringList chunked(const QByteArray& bytes, qsizetype size) {
    QStringDecoder decoder(QStringConverter::System);
    QStringList chunks;
    for (qsizetype at = 0; at < bytes.size(); at += size) {
        chunks << decoder.decode(bytes.mid(at, size));
    }
    return chunks;
}

// What objffmpeg_ReceiveOutputs does with each chunk.
struct EncodeWatcher {
    qint32 duration = 0;
    QString spin = QStringLiteral("-");
    QList<Display> shown;
    QList<qint64> times;

    void receive(const QString& chunk) {
        if (duration == 0) {
            duration = scanDuration(chunk).value_or(0);
        }
        const auto t = scanElapsed(chunk);
        spin = nextSpin(spin);
        if (t) {
            times << *t;
            shown << displayFromElapsed(*t, duration, spin);
        }
    }
};

}  // namespace

TEST(CapturedOutput, ProbeOfTheDecodedWavGivesItsLength) {
    const QStringList chunks = chunked(sample("ffmpeg_probe_wav.txt"), 1024);
    ASSERT_EQ(chunks.size(), 1);
    EXPECT_EQ(scanDuration(chunks[0]), 205);
    EXPECT_FALSE(scanElapsed(chunks[0]));
}

TEST(CapturedOutput, EncodeInFixedReadsFollowsTheFirstTimeOfEachRead) {
    const QByteArray bytes = sample("ffmpeg_mp3_encode.txt");
    static const QRegularExpression firstTime(QStringLiteral("time=([0-9.]+)"));
    // 1024 as the runner reads; the smaller sizes split fields and markers in many places.
    for (const qsizetype size : {1024, 301, 97}) {
        SCOPED_TRACE(size);
        EncodeWatcher w;
        const QStringList chunks = chunked(bytes, size);
        int reports = 0;
        for (const QString& chunk : chunks) {
            w.receive(chunk);
            const auto m = firstTime.match(chunk);
            if (!m.hasMatch()) {
                continue;
            }
            // The first field decides, cut at the read's end when it is split.
            ASSERT_EQ(w.times.size(), ++reports);
            EXPECT_NEAR(w.times.last(), m.captured(1).toDouble(), 0.5);
            EXPECT_GE(w.shown.last().value, 0.0f);
            EXPECT_LE(w.shown.last().value, 100.0f);
        }
        // A "Duration: " report cut by a read is not recognised; every time report of the
        // input then shows the finished display.
        const qsizetype at = bytes.indexOf("Duration: 00:03:25.48, ");
        const bool whole = at / size == (at + 22) / size;
        EXPECT_EQ(w.duration, whole ? 205 : 0);
        if (w.duration == 0) {
            for (const Display& d : w.shown) {
                EXPECT_EQ(d.caption, QStringLiteral("完成 100%"));
            }
        }
        EXPECT_GE(reports, 3);
        for (int i = 1; i < w.shown.size(); ++i) {
            EXPECT_GE(w.shown[i].value, w.shown[i - 1].value) << i;
        }
    }
}

TEST(CapturedOutput, EncodeLineByLineEndsFinished) {
    // Read at the tool's pace, each poll holds about one status line.
    const QString text = QString::fromLocal8Bit(sample("ffmpeg_mp3_encode.txt"));
    EncodeWatcher w;
    for (const QString& piece : text.split(u'\r')) {
        w.receive(piece);
    }
    ASSERT_GE(w.shown.size(), 30);
    EXPECT_EQ(w.shown.first().caption, QStringLiteral("转换中\\ 0%"));
    for (int i = 1; i < w.shown.size(); ++i) {
        EXPECT_GE(w.shown[i].value, w.shown[i - 1].value) << i;
    }
    EXPECT_EQ(w.shown.last().caption, QStringLiteral("完成 100%"));
    EXPECT_EQ(w.shown.last().barWidth, kBarFullWidth);
    EXPECT_EQ(w.times.last(), 206);  // time=205.50, half to even
}

TEST(CapturedOutput, FirstPassPercentagesIn1024ByteReads) {
    const QStringList chunks = chunked(sample("mencoder_first_pass.txt"), 1024);
    QString spin = QStringLiteral("-");
    QList<Display> shown;
    for (const QString& chunk : chunks) {
        spin = nextSpin(spin);
        if (const auto report = scanPercent(chunk)) {
            shown << displayFromPercent(*report, spin);
        }
    }
    ASSERT_GE(shown.size(), 4);
    for (const Display& d : shown) {
        EXPECT_GE(d.value, 0.0f);
        EXPECT_LE(d.value, 100.0f);
        EXPECT_GE(d.barWidth, 0.0);
        EXPECT_LE(d.barWidth, kBarFullWidth);
    }
    for (int i = 1; i < shown.size(); ++i) {
        EXPECT_GE(shown[i].value, shown[i - 1].value) << i;
    }
    // mencoder ends at 102 %: held at the full bar.
    EXPECT_EQ(shown.last().value, 100.0f);
    EXPECT_TRUE(shown.last().caption.endsWith(QStringLiteral(" 100%")));
}
