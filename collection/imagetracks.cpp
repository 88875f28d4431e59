#include "collection/imagetracks.h"

#include <QFileInfo>

#include <algorithm>

#include "collection/codepage.h"
#include "collection/fatnames.h"
#include "collection/outputnames.h"
#include "engine/base/apppaths.h"

namespace lumivox::cue {

QString imageFolder(const QString& outFolder, const Image& image, const QString& flacPath,
                    qsizetype fatRoom) {
    QString name = fileNameSafe(image.folderName);
    if (name.isEmpty()) {
        name = fileNameSafe(QFileInfo(flacPath).completeBaseName());
    }
    if (name.isEmpty()) {
        name = QStringLiteral("CD");
    }
    if (fatRoom > 0) {
        // Room is left for "NN - " and a few characters of each track's title.
        name = fat::name(fitStem(name, QString()),
                         std::clamp<qsizetype>(fatRoom - 20, 8, fat::kMostNameUnits));
    }
    return paths::withTrailingSeparator(outFolder) + fitStem(name, QString()) + u'/';
}

QString uniqueTrackPath(const QString& folder, const ImageTrack& track, qsizetype fatRoom) {
    const QString stem = QStringLiteral("%1 - %2")
                             .arg(track.number, 2, 10, QChar(u'0'))
                             .arg(fileNameSafe(track.title));
    for (int copy = 1;; ++copy) {
        const QString tail =
            (copy > 1 ? QStringLiteral(" (%1)").arg(copy) : QString()) + QStringLiteral(".mp3");
        if (fatRoom > 0) {
            const QString candidate =
                folder +
                fat::fileName(fitStem(stem, tail), tail, std::min(fatRoom, fat::kMostNameUnits));
            if (!fat::isTakenIgnoringCase(candidate)) {
                return candidate;
            }
            continue;
        }
        const QString candidate = folder + fitStem(stem, tail) + tail;
        if (!isNameTaken(candidate)) {
            return candidate;
        }
    }
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
