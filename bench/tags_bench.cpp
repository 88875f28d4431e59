// What writing the tags adds to an MP3 encode: coder.exe's whole encode of a 3-minute FLAC with
// a tagger's fields and two pictures, against the tag step alone (read the FLAC's tags, render
// the ID3v2 tag, rewrite the MP3 through its partial file), median of five rounds.
//   lumivox_tags_bench [FLAC]   (default: 3 minutes of pink noise made here)
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

#include "bench/benchsupport.h"
#include "tools/tags/id3tag.h"
#include "tools/tags/mp3tags.h"
#include "tools/tags/sourcetags.h"

using namespace lumivox;

namespace {

double seconds(const std::function<void()>& work) {
    QElapsedTimer clock;
    clock.start();
    work();
    return static_cast<double>(clock.nsecsElapsed()) / 1e9;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString flac = dir.filePath("in.flac");
    const QString source = app.arguments().value(1);
    if (source.isEmpty()) {
        bench::runQuietly(
            "ffmpeg", {"-v", "error", "-f", "lavfi", "-i", "anoisesrc=d=180:c=pink:r=44100:a=0.3",
                       "-ac", "2", "-sample_fmt", "s16", flac});
    } else {
        bench::runQuietly("ffmpeg", {"-v", "error", "-i", source, "-t", "180", "-map", "0:a", "-ac",
                                     "2", "-ar", "44100", "-sample_fmt", "s16", flac});
    }
    const QString cover = dir.filePath("cover.jpg");
    bench::runQuietly("ffmpeg", {"-v", "error", "-f", "lavfi", "-i", "testsrc=s=600x600",
                                 "-frames:v", "1", cover});
    bench::runQuietly("metaflac",
                      {"--set-tag=TITLE=夜來香", "--set-tag=ARTIST=李香蘭", "--set-tag=ALBUM=東京",
                       "--set-tag=TRACKNUMBER=3", "--set-tag=TRACKTOTAL=12",
                       "--set-tag=LYRICS=" + QString(2000, QChar(u'词')),
                       "--import-picture-from=3|image/jpeg|||" + cover,
                       "--import-picture-from=4|image/jpeg|||" + cover, flac});
    const QString mp3 = dir.filePath("out.mp3");
    const QString coder = QStringLiteral(LUMIVOX_DATA_DIR) + "/coder.exe";

    std::vector<double> encodes, tags;
    for (int round = 0; round < 5; ++round) {
        encodes.push_back(seconds([&] {
            bench::runQuietly(
                coder, {"-i", flac, "-y", "-vn", "-ar", "44100", "-ab", "128k", "-ac", "2", mp3});
        }));
        tags.push_back(seconds([&] {
            const std::string in = flac.toStdString();
            tools::SourceTags tagged = tools::readSourceTags(in);
            tools::retagMp3(mp3.toStdString(),
                            tools::renderId3v2(tagged, tools::Id3Version::V24, "LAME3.100"), {},
                            tagged.samples);
        }));
    }
    const double encode = bench::median(encodes);
    const double tag = bench::median(tags);
    std::printf("3-minute FLAC, 2 pictures of %lld bytes each, load %s\n",
                static_cast<long long>(QFileInfo(cover).size()),
                bench::loadAverage().toUtf8().constData());
    std::printf("coder.exe encode with tags: %.3f s (median of 5)\n", encode);
    std::printf("tag step alone:             %.4f s (median of 5)\n", tag);
    std::printf("tags / encode:              %.2f %%\n", 100 * tag / encode);
    return 0;
}
