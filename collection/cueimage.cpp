#include "collection/cueimage.h"

#include <FLAC/metadata.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <memory>

namespace lumivox::cue {

namespace {

struct MetadataDeleter {
    void operator()(FLAC__StreamMetadata* block) const { FLAC__metadata_object_delete(block); }
};
using Metadata = std::unique_ptr<FLAC__StreamMetadata, MetadataDeleter>;

// Only a regular file is read: opening a pipe would wait for a writer that never comes.
bool isRegularFile(const QByteArray& path) {
    struct stat st {};
    return ::stat(path.constData(), &st) == 0 && S_ISREG(st.st_mode);
}

// "path/to\\Name.WAV" -> "Name.WAV": sheets written on Windows use either separator.
QString baseName(const QString& name) {
    const qsizetype slash = std::max(name.lastIndexOf(u'/'), name.lastIndexOf(u'\\'));
    return name.mid(slash + 1);
}

QString stemOf(const QString& name) {
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot <= 0 ? name : name.left(dot);
}

// The FILE names this FLAC, or a file of its stem with another extension.
bool namesFile(const QString& fileLine, const QString& flacName) {
    const QString named = baseName(fileLine);
    return named.compare(flacName, Qt::CaseInsensitive) == 0 ||
           stemOf(named).compare(stemOf(flacName), Qt::CaseInsensitive) == 0;
}

// The FILE of this FLAC; the only one when there is one.
const File* fileOf(const Sheet& sheet, const QString& flacName) {
    for (const File& f : sheet.files) {
        if (namesFile(f.name, flacName)) {
            return &f;
        }
    }
    return sheet.files.size() == 1 ? &sheet.files.front() : nullptr;
}

// A sheet of several files that gives this one a single track: no image, a track of its own.
bool isOneTrackFile(const Sheet& sheet, const QString& flacName) {
    const File* file = fileOf(sheet, flacName);
    return sheet.files.size() > 1 && file && file->tracks.size() == 1;
}

QString firstNonEmpty(const QString& a, const QString& b) {
    return a.isEmpty() ? b : a;
}

struct Stream {
    qint64 rate = 0;
    qint64 samples = 0;
};

std::optional<Stream> streamOf(const QByteArray& path) {
    FLAC__StreamMetadata info;
    if (!FLAC__metadata_get_streaminfo(path.constData(), &info) ||
        info.data.stream_info.sample_rate == 0) {
        return std::nullopt;
    }
    return Stream{info.data.stream_info.sample_rate,
                  static_cast<qint64>(info.data.stream_info.total_samples)};
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

// The CUESHEET block's tracks; the lead-out is left out. Offsets are in samples: CD frames
// of audio at `rate` are whole numbers of them.
std::optional<Sheet> sheetFromBlock(const QByteArray& path, const QStringList& comments,
                                    qint64 rate) {
    FLAC__StreamMetadata* raw = nullptr;
    if (!FLAC__metadata_get_cuesheet(path.constData(), &raw)) {
        return std::nullopt;
    }
    const Metadata block(raw);
    const FLAC__StreamMetadata_CueSheet& cs = block->data.cue_sheet;
    File file;
    for (FLAC__uint32 i = 0; i + 1 < cs.num_tracks; ++i) {
        const FLAC__StreamMetadata_CueSheet_Track& t = cs.tracks[i];
        Track track;
        track.number = t.number;
        track.isrc = QString::fromLatin1(t.isrc).trimmed();
        for (FLAC__byte k = 0; k < t.num_indices; ++k) {
            const qint64 at = static_cast<qint64>(t.offset + t.indices[k].offset) * 75 / rate;
            if (t.indices[k].number == 1) {
                track.index01 = at;
            } else if (t.indices[k].number == 0) {
                track.index00 = at;
            }
        }
        track.title = commentValue(
            comments, QStringLiteral("CUE_TRACK%1_TITLE").arg(t.number, 2, 10, QChar(u'0')));
        file.tracks.append(track);
    }
    Sheet sheet;
    sheet.files.append(file);
    return sheet;
}

}  // namespace

std::optional<Image> imageFromSheet(const Sheet& sheet, const QString& flacName, qint64 rate,
                                    qint64 samples, QString* why) {
    const File* file = fileOf(sheet, flacName);
    if (!file) {
        if (why) {
            *why = QStringLiteral("没有此文件的 FILE 行");
        }
        return std::nullopt;
    }
    const auto spans = trackSpans(file->tracks, rate, samples, why);
    if (!spans) {
        return std::nullopt;
    }
    qsizetype total = 0;
    for (const File& f : sheet.files) {
        total += f.tracks.size();
    }
    Image image;
    image.rate = rate;
    image.samples = samples;
    if (!sheet.performer.isEmpty() && !sheet.title.isEmpty()) {
        image.folderName = sheet.performer + QStringLiteral(" - ") + sheet.title;
    } else {
        image.folderName = sheet.title;
    }
    for (qsizetype i = 0; i < file->tracks.size(); ++i) {
        const Track& t = file->tracks[i];
        ImageTrack track;
        track.number = t.number;
        track.title =
            firstNonEmpty(t.title, QStringLiteral("Track %1").arg(t.number, 2, 10, QChar(u'0')));
        track.span = (*spans)[i];
        QList<QPair<QString, QString>>& tags = track.tags;
        auto add = [&tags](const char* key, const QString& value) {
            if (!value.isEmpty()) {
                tags.append({QLatin1String(key), value});
            }
        };
        add("TITLE", track.title);
        add("ARTIST", firstNonEmpty(t.performer, sheet.performer));
        add("COMPOSER", firstNonEmpty(t.songwriter, sheet.songwriter));
        add("ALBUM", sheet.title);
        add("ALBUMARTIST", sheet.performer);
        add("DATE", sheet.date);
        add("GENRE", sheet.genre);
        add("COMMENT", sheet.comment);
        add("DISCNUMBER", sheet.discNumber);
        add("DISCTOTAL", sheet.totalDiscs);
        add("ISRC", t.isrc);
        add("TRACKNUMBER", QString::number(t.number));
        add("TRACKTOTAL", QString::number(total));
        // The whole sheet is no tag of one track.
        tags.append({QStringLiteral("CUESHEET"), QString()});
        image.tracks.append(track);
    }
    return image;
}

Lookup findImage(const QString& flacPath, const Decoder& other) {
    const QFileInfo flac(flacPath);
    const QByteArray encoded = QFile::encodeName(flacPath);
    if (!isRegularFile(encoded)) {
        return {};
    }
    const auto stream = streamOf(encoded);
    if (!stream || stream->samples <= 0) {
        return {};
    }
    const QString stem = stemOf(flac.fileName());

    // A sheet beside it: same stem first, then any whose FILE names it.
    QStringList sameStem, others;
    const QDir folder = flac.dir();
    for (const QString& name : folder.entryList(QDir::Files | QDir::Readable, QDir::Name)) {
        if (!name.endsWith(QStringLiteral(".cue"), Qt::CaseInsensitive) ||
            !isRegularFile(QFile::encodeName(folder.filePath(name)))) {
            continue;
        }
        (stemOf(name).compare(stem, Qt::CaseInsensitive) == 0 ? sameStem : others)
            .append(folder.filePath(name));
    }
    for (const QString& path : sameStem + others) {
        const bool ours = sameStem.contains(path);
        Lookup found{path, std::nullopt, {}};
        QFile file(path);
        if (file.size() > kMostSheetBytes || !file.open(QIODevice::ReadOnly)) {
            if (ours) {
                found.problem = file.size() > kMostSheetBytes
                                    ? QStringLiteral("文件过大，不是 CUE 表")
                                    : QStringLiteral("无法读取");
                return found;
            }
            continue;
        }
        const auto text = decodeSheet(file.read(kMostSheetBytes), other);
        QString why;
        const auto sheet = text ? parseSheet(*text, &why) : std::nullopt;
        if (!ours &&
            (!sheet || std::none_of(sheet->files.begin(), sheet->files.end(), [&](const File& f) {
                return namesFile(f.name, flac.fileName());
            }))) {
            continue;
        }
        if (sheet && isOneTrackFile(*sheet, flac.fileName())) {
            return {};  // a rip of one file per track: each converts as it is
        }
        if (sheet) {
            found.image =
                imageFromSheet(*sheet, flac.fileName(), stream->rate, stream->samples, &why);
        }
        if (!found.image) {
            found.problem = text ? why : QStringLiteral("编码无法识别");
        }
        return found;
    }

    const QStringList comments = commentsOf(encoded);
    const QString embedded = commentValue(comments, QStringLiteral("CUESHEET"));
    if (!embedded.isEmpty()) {
        Lookup found{flacPath + QStringLiteral(" (CUESHEET)"), std::nullopt, {}};
        QString why;
        if (const auto sheet = parseSheet(embedded, &why)) {
            found.image =
                imageFromSheet(*sheet, flac.fileName(), stream->rate, stream->samples, &why);
        }
        if (!found.image) {
            found.problem = why;
        }
        return found;
    }
    if (const auto sheet = sheetFromBlock(encoded, comments, stream->rate)) {
        Lookup found{flacPath + QStringLiteral(" (CUESHEET)"), std::nullopt, {}};
        QString why;
        found.image = imageFromSheet(*sheet, flac.fileName(), stream->rate, stream->samples, &why);
        if (!found.image) {
            found.problem = why;
        }
        return found;
    }
    return {};
}

}  // namespace lumivox::cue
