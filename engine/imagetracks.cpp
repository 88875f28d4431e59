#include "engine/imagetracks.h"

#include <QFileInfo>

#include "engine/apppaths.h"
#include "engine/cmdline.h"
#include "engine/codepage.h"

namespace lumivox::cue {

namespace {

bool isTaken(const QString& path) {
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

}  // namespace

QString fileNameSafe(const QString& text) {
    QString name;
    for (const QChar c : text) {
        const bool unfit = c.unicode() < 0x20 || QStringView(u"/\\:*?\"<>|").contains(c);
        name += unfit ? QChar(u'_') : c;
    }
    while (!name.isEmpty() && (name.back() == u'.' || name.back().isSpace())) {
        name.chop(1);
    }
    while (!name.isEmpty() && (name.front() == u'.' || name.front().isSpace())) {
        name.remove(0, 1);
    }
    return name;
}

QString imageFolder(const QString& outFolder, const Image& image, const QString& flacPath) {
    QString name = fileNameSafe(image.folderName);
    if (name.isEmpty()) {
        name = fileNameSafe(QFileInfo(flacPath).completeBaseName());
    }
    if (name.isEmpty()) {
        name = QStringLiteral("CD");
    }
    return paths::withTrailingSeparator(outFolder) + fitStem(name, QString()) + u'/';
}

QString uniqueTrackPath(const QString& folder, const ImageTrack& track) {
    const QString stem = QStringLiteral("%1 - %2")
                             .arg(track.number, 2, 10, QChar(u'0'))
                             .arg(fileNameSafe(track.title));
    for (int copy = 1;; ++copy) {
        const QString tail =
            (copy > 1 ? QStringLiteral(" (%1)").arg(copy) : QString()) + QStringLiteral(".mp3");
        const QString candidate = folder + fitStem(stem, tail) + tail;
        if (!isTaken(candidate)) {
            return candidate;
        }
    }
}

QString trackEncodeCommand(const CommandContext& c, const ConversionSettings& s,
                           const QString& inputPath, const QString& outputFile,
                           const ImageTrack& track) {
    const QString whole = mp3EncodeCommand(c, s, inputPath, outputFile);
    const QString quotedOutput = quotePath(outputFile);
    QString extra = QStringLiteral(" -af atrim=start_sample=%1:end_sample=%2")
                        .arg(track.span.start)
                        .arg(track.span.end);
    for (const auto& [key, value] : track.tags) {
        extra += QStringLiteral(" -metadata ") + quotePath(key + u'=' + value);
    }
    return whole.left(whole.size() - quotedOutput.size() - 1) + extra + u' ' + quotedOutput;
}

Decoder sheetDecoder(const QString& codePage) {
    if (const auto page = codepage::fromDisplayName(codePage)) {
        return [page = *page](const QByteArray& bytes) { return codepage::decode(bytes, page); };
    }
    // The whole sheet judged at once: a single short title is too little to go by.
    return
        [](const QByteArray& bytes) { return codepage::decode(bytes, codepage::guess({bytes})); };
}

QString sheetReport(const QList<SheetProblem>& problems) {
    QString text = QStringLiteral("以下 CUE 表未使用，文件已整体转换：");
    for (const SheetProblem& p : problems) {
        text += QStringLiteral("\n\n") + p.sheet + QStringLiteral("\n    ") + p.why;
    }
    return text;
}

}  // namespace lumivox::cue
