#include "collection/cueimage.h"

#include <FLAC/metadata.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QRegularExpression>

#include <algorithm>
#include <memory>

#include "collection/nativenames.h"
#include "collection/outputnames.h"
#include "tooljob/files.h"
#include "tools/tags/imagesource.h"

namespace lumivox::cue {

namespace {

struct MetadataDeleter {
    void operator()(FLAC__StreamMetadata* block) const { FLAC__metadata_object_delete(block); }
};
using Metadata = std::unique_ptr<FLAC__StreamMetadata, MetadataDeleter>;

// Only a regular file is read: opening a pipe would wait for a writer that never comes.
bool isRegularFile(const QByteArray& path) {
    return tooljob::isRegularFile(path.toStdString());
}

// The first `most` bytes of a file named by its true bytes; nullopt when it cannot be read.
std::optional<QByteArray> readBytes(const QByteArray& path, qint64 most) {
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return std::nullopt;
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return std::nullopt;
    }
    return file.read(most);
}

// Where a link points (relative targets made whole), else the path itself.
QByteArray linkTarget(const QByteArray& path) {
    char target[4096];
    const ssize_t n = ::readlink(path.constData(), target, sizeof target);
    if (n <= 0 || size_t(n) >= sizeof target) {
        return path;
    }
    const QByteArray to(target, n);
    return to.startsWith('/') ? to : path.left(path.lastIndexOf('/') + 1) + to;
}

qint64 sizeOf(const QByteArray& path) {
    struct stat st {};
    return ::stat(path.constData(), &st) == 0 ? qint64(st.st_size) : -1;
}

// "path/to\\Name.WAV" -> "Name.WAV": sheets written on Windows use either separator.
QString baseName(const QString& name) {
    const qsizetype slash = std::max(name.lastIndexOf(u'/'), name.lastIndexOf(u'\\'));
    return name.mid(slash + 1);
}

QString stemOf(const QString& name) {
    return fileStem(name);
}

QByteArray stemOf(const QByteArray& name) {
    const qsizetype dot = name.lastIndexOf('.');
    return dot <= 0 ? name : name.left(dot);
}

// The FILE names this FLAC, or a file of its stem with another extension.
bool namesFile(const QString& fileLine, const QStringList& flacNames) {
    const QString named = baseName(fileLine);
    return std::any_of(flacNames.begin(), flacNames.end(), [&](const QString& flacName) {
        return !flacName.isEmpty() &&
               (named.compare(flacName, Qt::CaseInsensitive) == 0 ||
                stemOf(named).compare(stemOf(flacName), Qt::CaseInsensitive) == 0);
    });
}

// The FILE of this FLAC; the only one when there is one.
const File* fileOf(const Sheet& sheet, const QStringList& flacNames) {
    for (const File& f : sheet.files) {
        if (namesFile(f.name, flacNames)) {
            return &f;
        }
    }
    return sheet.files.size() == 1 ? &sheet.files.front() : nullptr;
}

QString firstNonEmpty(const QString& a, const QString& b) {
    return a.isEmpty() ? b : a;
}

struct Stream {
    qint64 rate = 0;
    qint64 samples = 0;
    int bits = 16;
    int channels = 2;
};

std::optional<Stream> streamOf(const QByteArray& path) {
    FLAC__StreamMetadata info;
    if (!FLAC__metadata_get_streaminfo(path.constData(), &info) ||
        info.data.stream_info.sample_rate == 0) {
        return std::nullopt;
    }
    return Stream{info.data.stream_info.sample_rate,
                  static_cast<qint64>(info.data.stream_info.total_samples),
                  static_cast<int>(info.data.stream_info.bits_per_sample),
                  static_cast<int>(info.data.stream_info.channels)};
}

// The FLAC's Vorbis comments as NAME=value texts.
QStringList commentsOf(const QByteArray& path) {
    FLAC__StreamMetadata* raw = nullptr;
    QStringList comments;
    if (!FLAC__metadata_get_tags(path.constData(), &raw)) {
        return comments;
    }
    const Metadata tags(raw);
    const FLAC__StreamMetadata_VorbisComment& vc = tags->data.vorbis_comment;
    for (FLAC__uint32 i = 0; i < vc.num_comments; ++i) {
        comments.append(QString::fromUtf8(reinterpret_cast<const char*>(vc.comments[i].entry),
                                          vc.comments[i].length));
    }
    return comments;
}

QString commentValue(const QStringList& comments, const QString& name) {
    const QString prefix = name + u'=';
    for (const QString& c : comments) {
        if (c.startsWith(prefix, Qt::CaseInsensitive)) {
            return c.mid(prefix.size());
        }
    }
    return {};
}

// The CUESHEET block's audio tracks; the lead-out is left out. Offsets are exact samples: a
// hi-res image is cut where the block says, not at the CD frame before.
std::optional<Sheet> sheetFromBlock(const QByteArray& path, const QStringList& comments,
                                    qint64 rate) {
    FLAC__StreamMetadata* raw = nullptr;
    if (!FLAC__metadata_get_cuesheet(path.constData(), &raw)) {
        return std::nullopt;
    }
    const Metadata block(raw);
    const FLAC__StreamMetadata_CueSheet& cs = block->data.cue_sheet;
    File file;
    Sheet sheet;
    sheet.catalog = QString::fromLatin1(cs.media_catalog_number).trimmed();
    bool dataBefore = false;
    for (FLAC__uint32 i = 0; i + 1 < cs.num_tracks; ++i) {
        const FLAC__StreamMetadata_CueSheet_Track& t = cs.tracks[i];
        Track track;
        track.sheetNumber = t.number;
        track.isrc = QString::fromLatin1(t.isrc).trimmed();
        for (FLAC__byte k = 0; k < t.num_indices; ++k) {
            const qint64 at = static_cast<qint64>(t.offset + t.indices[k].offset);
            if (t.indices[k].number == 1) {
                track.index01Samples = at;
                track.index01 = at * 75 / rate;
            } else if (t.indices[k].number == 0) {
                track.index00 = at * 75 / rate;
            }
        }
        if (t.type != 0) {  // data
            if (!file.tracks.isEmpty() && track.index01Samples >= 0) {
                file.tracks.last().endBeforeSamples = track.index01Samples;
            }
            dataBefore = true;
            continue;
        }
        track.afterData = file.tracks.isEmpty() && dataBefore;
        track.number = ++sheet.audioTracks;
        track.title = commentValue(
            comments, QStringLiteral("CUE_TRACK%1_TITLE").arg(t.number, 2, 10, QChar(u'0')));
        file.tracks.append(track);
    }
    sheet.files.append(file);
    return sheet;
}

// "2/3" -> 2; 0 when it is no number.
int leadingNumber(const QString& text) {
    static const QRegularExpression number(QStringLiteral("^\\s*(\\d{1,3})"));
    const QRegularExpressionMatch m = number.match(text);
    return m.hasMatch() ? m.captured(1).toInt() : 0;
}

int totalAfterSlash(const QString& text) {
    const qsizetype slash = text.indexOf(u'/');
    return slash < 0 ? 0 : leadingNumber(text.mid(slash + 1));
}

// "CD2", "CD 2", "Disc 2", "disk-2", "[CD1]": a disc's mark in a name or title.
const QRegularExpression& discMark() {
    static const QRegularExpression mark(
        QStringLiteral("(?:^|[^A-Za-z])(?:CD|DIS[CK])\\s*[-_.#]?\\s*(\\d{1,2})(?!\\d)"),
        QRegularExpression::CaseInsensitiveOption);
    return mark;
}

}  // namespace

QString withoutDiscMark(const QString& title) {
    static const QRegularExpression trailing(
        QStringLiteral(
            "[\\s\\-_,.]*[\\(\\[{]?\\s*(?:CD|DIS[CK])\\s*[-_.#]?\\s*\\d{1,2}\\s*[\\)\\]}]?"
            "\\s*$"),
        QRegularExpression::CaseInsensitiveOption);
    QString stripped = title;
    stripped.remove(trailing);
    return stripped.isEmpty() ? title : stripped;
}

bool isDiscName(const QString& name) {
    static const QRegularExpression only(
        QStringLiteral(
            "^\\s*[\\(\\[{]?\\s*(?:CD|DIS[CK])\\s*[-_.#]?\\s*\\d{1,2}\\s*[\\)\\]}]?\\s*$"),
        QRegularExpression::CaseInsensitiveOption);
    return only.match(name).hasMatch();
}

int discOf(const Sheet& sheet, const FlacFacts& facts) {
    const int told = leadingNumber(firstNonEmpty(sheet.discNumber, facts.discNumber));
    const int total =
        std::max({leadingNumber(sheet.totalDiscs), leadingNumber(facts.totalDiscs),
                  totalAfterSlash(sheet.discNumber), totalAfterSlash(facts.discNumber)});
    if (told > 0 && (told > 1 || total > 1)) {
        return told;
    }
    for (const QString& name : {sheet.title, facts.pathName}) {
        const QRegularExpressionMatch m = discMark().match(name);
        if (m.hasMatch() && m.captured(1).toInt() > 0) {
            return m.captured(1).toInt();
        }
    }
    return 0;
}

std::optional<Image> imageFromSheet(const Sheet& sheet, const QStringList& flacNames, qint64 rate,
                                    qint64 samples, QString* why, const FlacFacts& facts) {
    const File* file = fileOf(sheet, flacNames);
    if (!file || file->tracks.isEmpty()) {
        if (why) {
            *why = file ? QStringLiteral("此文件没有音轨") : QStringLiteral("没有此文件的 FILE 行");
        }
        return std::nullopt;
    }
    const auto spans = trackSpans(file->tracks, rate, samples, why);
    if (!spans) {
        return std::nullopt;
    }
    Image image;
    image.rate = rate;
    image.samples = samples;
    image.disc = discOf(sheet, facts);
    const QString album = image.disc > 0 ? withoutDiscMark(sheet.title) : sheet.title;
    if (!sheet.performer.isEmpty() && !album.isEmpty()) {
        image.folderName = sheet.performer + QStringLiteral(" - ") + album;
    } else {
        image.folderName = album;
    }
    // A file of one track: a sheet without its title must not name it "Track 01".
    const bool oneTrack = file->tracks.size() == 1;
    for (qsizetype i = 0; i < file->tracks.size(); ++i) {
        const Track& t = file->tracks[i];
        ImageTrack track;
        track.number = t.number;
        track.disc = image.disc;
        const QString sheetTitle = t.title.isEmpty() && oneTrack ? facts.title : t.title;
        track.title =
            firstNonEmpty(sheetTitle, QStringLiteral("Track %1").arg(t.number, 2, 10, QChar(u'0')));
        track.span = (*spans)[i];
        QList<QPair<QString, QString>>& tags = track.tags;
        auto add = [&tags](const char* key, const QString& value) {
            if (!value.isEmpty()) {
                tags.append({QLatin1String(key), value});
            }
        };
        const QString songwriter = firstNonEmpty(t.songwriter, sheet.songwriter);
        const QString composer = firstNonEmpty(t.composer, sheet.composer);
        add("TITLE", oneTrack && t.title.isEmpty() ? QString() : track.title);
        add("ARTIST", firstNonEmpty(t.performer, sheet.performer));
        add("COMPOSER", firstNonEmpty(composer, songwriter));
        if (!composer.isEmpty() && songwriter != composer) {
            add("LYRICIST", songwriter);  // both given: the songwriter wrote the words
        }
        add("ALBUM", album);
        add("ALBUMARTIST", sheet.performer);
        add("DATE", sheet.date);
        add("GENRE", sheet.genre);
        add("COMMENT", sheet.comment);
        add("BARCODE", sheet.catalog);
        add("DISCNUMBER", image.disc > 0 ? QString::number(image.disc) : sheet.discNumber);
        add("DISCTOTAL", sheet.totalDiscs);
        add("ISRC", t.isrc);
        add("TRACKNUMBER", QString::number(t.number));
        add("TRACKTOTAL", QString::number(sheet.audioTracks));
        // The whole sheet is no tag of one track.
        tags.append({QStringLiteral("CUESHEET"), QString()});
        image.tracks.append(track);
    }
    return image;
}

std::optional<Image> imageFromSheet(const Sheet& sheet, const QString& flacName, qint64 rate,
                                    qint64 samples, QString* why) {
    return imageFromSheet(sheet, QStringList{flacName}, rate, samples, why);
}

namespace {

Lookup withStream(Lookup found, const Stream& stream) {
    if (found.image) {
        found.image->bits = stream.bits;
        found.image->channels = stream.channels;
    }
    return found;
}

Lookup findImageIn(const QString& flacPath, const Decoder& other, Stream& stream);

}  // namespace

Lookup findImage(const QString& flacPath, const Decoder& other) {
    Stream stream;
    Lookup found = findImageIn(flacPath, other, stream);
    return withStream(std::move(found), stream);
}

namespace {

Lookup findImageIn(const QString& flacPath, const Decoder& other, Stream& streamOut) {
    QByteArray encoded = QFile::encodeName(flacPath);
    if (!isRegularFile(encoded)) {
        return {};
    }
    auto stream = streamOf(encoded);
    // An APE, WavPack, TTA, TAK or WAV image: its length, and the sheet rippers write into its
    // APEv2 tag in place of the FLAC's CUESHEET comment.
    std::optional<QString> otherSheet;
    if (!stream) {
        if (const auto source = tools::imageSourceOf(encoded.toStdString())) {
            stream = Stream{source->rate, source->samples};
            otherSheet = QString::fromStdString(source->embeddedSheet);
        }
    }
    if (!stream || stream->samples <= 0) {
        return {};
    }
    streamOut = *stream;
    const QString shownName = baseName(flacPath);
    // The tools reach a source of a name that is not UTF-8 through a link: its sheet lies
    // beside the true file.
    const QByteArray native = linkTarget(encoded);
    const qsizetype slash = native.lastIndexOf('/');
    const QByteArray folder = slash < 0 ? QByteArray("./") : native.left(slash + 1);
    const QByteArray nativeName = native.mid(slash + 1);
    QStringList flacNames{shownName};
    if (const auto utf8 = codepage::decode(nativeName, codepage::CodePage::Utf8)) {
        flacNames << *utf8;
    } else if (other) {
        flacNames << other(nativeName).value_or(QString());  // as the sheet spells it
    }

    const QStringList comments = commentsOf(encoded);
    FlacFacts facts;
    facts.title = commentValue(comments, QStringLiteral("TITLE"));
    facts.discNumber = commentValue(comments, QStringLiteral("DISCNUMBER"));
    facts.totalDiscs = firstNonEmpty(commentValue(comments, QStringLiteral("DISCTOTAL")),
                                     commentValue(comments, QStringLiteral("TOTALDISCS")));
    const QString readableFolder = names::readablePath(folder);
    facts.pathName = readableFolder.section(u'/', -2, -2) + u'/' + stemOf(shownName);

    // A sheet beside it: same stem first, then any whose FILE names it.
    QList<QByteArray> sameStem, others;
    QList<QByteArray> entries = names::folderEntries(folder);
    std::sort(entries.begin(), entries.end());
    for (const QByteArray& name : entries) {
        if (!name.toLower().endsWith(".cue") || !isRegularFile(folder + name)) {
            continue;
        }
        (stemOf(name).toLower() == stemOf(nativeName).toLower() ? sameStem : others).append(name);
    }
    for (const QByteArray& name : sameStem + others) {
        const bool ours = sameStem.contains(name);
        const QByteArray path = folder + name;
        Lookup found{names::readablePath(path), std::nullopt, {}, {}};
        const qint64 size = sizeOf(path);
        const auto bytes = size > kMostSheetBytes ? std::nullopt : readBytes(path, kMostSheetBytes);
        if (!bytes) {
            if (ours) {
                found.problem = size > kMostSheetBytes ? QStringLiteral("文件过大，不是 CUE 表")
                                                       : QStringLiteral("无法读取");
                return found;
            }
            continue;
        }
        const auto text = decodeSheet(*bytes, other);
        const Reading reading = text ? readSheet(*text) : Reading{};
        const bool namesUs =
            std::any_of(reading.sheet.files.begin(), reading.sheet.files.end(),
                        [&](const File& f) { return namesFile(f.name, flacNames); });
        if (!ours && !namesUs) {
            continue;
        }
        QString why = reading.refused;
        if (text && why.isEmpty()) {
            found.image = imageFromSheet(reading.sheet, flacNames, stream->rate, stream->samples,
                                         &why, facts);
        }
        if (!found.image) {
            found.problem = text ? why : QStringLiteral("编码无法识别");
        }
        found.notes = reading.sheet.notes;
        return found;
    }

    const QString embedded =
        otherSheet ? *otherSheet : commentValue(comments, QStringLiteral("CUESHEET"));
    if (!embedded.isEmpty()) {
        Lookup found{flacPath + QStringLiteral(" (CUESHEET)"), std::nullopt, {}, {}};
        const Reading reading = readSheet(embedded);
        QString why = reading.refused;
        if (why.isEmpty()) {
            found.image = imageFromSheet(reading.sheet, flacNames, stream->rate, stream->samples,
                                         &why, facts);
        }
        if (!found.image) {
            found.problem = why;
        }
        found.notes = reading.sheet.notes;
        return found;
    }
    if (const auto sheet =
            otherSheet ? std::nullopt : sheetFromBlock(encoded, comments, stream->rate)) {
        if (sheet->audioTracks <= 1) {
            return {};  // where its one track starts says nothing the whole file does not
        }
        Lookup found{flacPath + QStringLiteral(" (CUESHEET)"), std::nullopt, {}, {}};
        QString why;
        found.image = imageFromSheet(*sheet, flacNames, stream->rate, stream->samples, &why, facts);
        if (!found.image) {
            found.problem = why;
        }
        return found;
    }
    return {};
}

}  // namespace

}  // namespace lumivox::cue
