#include "engine/imagetracks.h"

#include <QFileInfo>
#include <QStringDecoder>

#include "engine/apppaths.h"
#include "engine/cmdline.h"

namespace lumivox::cue {

namespace {

bool isTaken(const QString& path) {
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

// The ICU names of the code pages the options offer.
QByteArray icuName(const QString& shown) {
    if (shown == u"Shift-JIS") {
        return "Shift_JIS";
    }
    return shown.toLatin1();
}

std::optional<QString> decodeAs(const QByteArray& bytes, const QByteArray& name) {
    QStringDecoder decoder(name.constData(), QStringConverter::Flag::Stateless);
    if (!decoder.isValid()) {
        return std::nullopt;
    }
    QString text = decoder(bytes);
    return decoder.hasError() ? std::nullopt : std::optional<QString>(text);
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
    if (!codePage.isEmpty()) {
        const QByteArray name = icuName(codePage);
        return [name](const QByteArray& bytes) { return decodeAs(bytes, name); };
    }
    // Until the program's guesser reads them: the first code page the bytes are valid in.
    return [](const QByteArray& bytes) -> std::optional<QString> {
        for (const char* name : {"GB18030", "Big5", "Shift_JIS", "EUC-KR", "windows-1251"}) {
            if (auto text = decodeAs(bytes, name)) {
                return text;
            }
        }
        return std::nullopt;
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
