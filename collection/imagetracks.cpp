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
        const QString stem = fileStem(QFileInfo(flacPath).fileName());
        name = fileNameSafe(image.disc > 0 ? withoutDiscMark(stem) : stem);
    }
    if (name.isEmpty()) {
        name = QStringLiteral("CD");
    }
    if (fatRoom > 0) {
        // Room is left for "NN - " and a few characters of each track's title.
        name = fat::name(fitStem(name, QString()),
                         std::clamp<qsizetype>(fatRoom - 20, 8, fat::kMostNameUnits));
    }
    QString parent = paths::withTrailingSeparator(outFolder);
    if (image.disc > 0) {
        // "Album/CD2/" kept from the source folders: every disc goes to the album's one folder.
        const QString last = parent.section(u'/', -2, -2);
        if (isDiscName(last)) {
            parent.chop(last.size() + 1);
        }
    }
    return parent + fitStem(name, QString()) + u'/';
}

QString uniqueTrackPath(const QString& folder, const ImageTrack& track, qsizetype fatRoom) {
    // "1-01 - Title" when the album has several discs, all in one folder.
    const QString number = (track.disc > 0 ? QString::number(track.disc) + u'-' : QString()) +
                           QStringLiteral("%1").arg(track.number, 2, 10, QChar(u'0'));
    const QString stem = number + QStringLiteral(" - ") + fileNameSafe(track.title);
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
    return [](const QByteArray& bytes) {
        return codepage::decode(bytes, codepage::guess({bytes}, codepage::systemPreference()));
    };
}

QString sheetReport(const QList<SheetProblem>& problems) {
    QString text = QStringLiteral("以下 CUE 表未使用，文件已整体转换：");
    for (const SheetProblem& p : problems) {
        text += QStringLiteral("\n\n") + p.sheet + QStringLiteral("\n    ") + p.why;
    }
    return text;
}

}  // namespace lumivox::cue
