#include "collection/cuesheet.h"

#include <QRegularExpression>
#include <QStringDecoder>

namespace lumivox::cue {

namespace {

std::nullopt_t fail(QString* why, const QString& text) {
    if (why) {
        *why = text;
    }
    return std::nullopt;
}

std::optional<QString> decodeStrict(const QByteArray& bytes, QStringConverter::Encoding encoding) {
    QStringDecoder decoder(encoding, QStringConverter::Flag::Stateless);
    QString text = decoder(bytes);
    if (decoder.hasError()) {
        return std::nullopt;
    }
    return text;
}

// A value after its keyword: "quoted text" up to the closing quote, else the rest of the line.
QString value(const QString& rest) {
    const QString r = rest.trimmed();
    if (r.startsWith(u'"')) {
        const qsizetype close = r.indexOf(u'"', 1);
        return close < 0 ? r.mid(1) : r.mid(1, close - 1);
    }
    return r;
}

// FILE "name with spaces.wav" WAVE, or FILE name.wav WAVE: the name without its type.
QString fileName(const QString& rest) {
    const QString r = rest.trimmed();
    if (r.startsWith(u'"')) {
        return value(r);
    }
    const qsizetype space = r.lastIndexOf(u' ');
    return space < 0 ? r : r.left(space).trimmed();
}

// Splits off the first word of a line.
QString firstWord(const QString& line, QString& rest) {
    const qsizetype space = line.indexOf(QRegularExpression(QStringLiteral("\\s")));
    rest = space < 0 ? QString() : line.mid(space + 1);
    return space < 0 ? line : line.left(space);
}

bool isKeyword(const QString& word) {
    static const QRegularExpression keyword(QStringLiteral("^[A-Za-z][A-Za-z0-9_]*$"));
    return keyword.match(word).hasMatch();
}

}  // namespace

std::optional<QString> decodeSheet(const QByteArray& bytes, const Decoder& other) {
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        return decodeStrict(bytes.mid(3), QStringConverter::Utf8);
    }
    if (bytes.startsWith("\xFF\xFE")) {
        return decodeStrict(bytes.mid(2), QStringConverter::Utf16LE);
    }
    if (bytes.startsWith("\xFE\xFF")) {
        return decodeStrict(bytes.mid(2), QStringConverter::Utf16BE);
    }
    if (auto text = decodeStrict(bytes, QStringConverter::Utf8)) {
        return text;
    }
    return other ? other(bytes) : std::nullopt;
}

qint64 readIndexTime(const QString& text) {
    static const QRegularExpression time(QStringLiteral("^(\\d{1,4}):(\\d{1,2}):(\\d{1,2})$"));
    const QRegularExpressionMatch m = time.match(text.trimmed());
    if (!m.hasMatch()) {
        return -1;
    }
    const qint64 seconds = m.captured(2).toLongLong();
    const qint64 frames = m.captured(3).toLongLong();
    if (seconds >= 60 || frames >= 75) {
        return -1;
    }
    return (m.captured(1).toLongLong() * 60 + seconds) * 75 + frames;
}

std::optional<Sheet> parseSheet(const QString& text, QString* why) {
    Sheet sheet;
    std::optional<Track> track;
    qsizetype trackFile = -1;  // the FILE its INDEX 01 lies in
    qsizetype trackStartFile = -1;
    int trackCount = 0;
    auto closeTrack = [&] {
        if (!track) {
            return;
        }
        const qsizetype in = trackFile >= 0 ? trackFile : trackStartFile;
        if (in < 0) {
            sheet.files.append(File{});
            sheet.files.last().tracks.append(*track);
        } else {
            sheet.files[in].tracks.append(*track);
        }
        track.reset();
    };

    const QStringList lines = text.split(QRegularExpression(QStringLiteral("\r\n|\r|\n")));
    for (qsizetype n = 0; n < lines.size(); ++n) {
        const QString line = lines[n].trimmed();
        if (line.isEmpty()) {
            continue;
        }
        QString rest;
        const QString word = firstWord(line, rest);
        const QString keyword = word.toUpper();
        const QString where = QStringLiteral("第 %1 行").arg(n + 1);
        if (!isKeyword(word)) {
            return fail(why, QStringLiteral("不是 CUE 表（%1）").arg(where));
        }
        if (keyword == u"REM") {
            QString remValue;
            const QString field = firstWord(rest.trimmed(), remValue).toUpper();
            QString* target = field == u"DATE"         ? &sheet.date
                              : field == u"GENRE"      ? &sheet.genre
                              : field == u"COMMENT"    ? &sheet.comment
                              : field == u"DISCNUMBER" ? &sheet.discNumber
                              : field == u"TOTALDISCS" ? &sheet.totalDiscs
                                                       : nullptr;
            if (target && !track) {
                *target = value(remValue);
            }
        } else if (keyword == u"FILE") {
            // A track stays open: its pregap may end one file and the track start the next.
            sheet.files.append(File{fileName(rest), {}});
        } else if (keyword == u"TRACK") {
            closeTrack();
            bool ok = false;
            const int number = value(rest).section(u' ', 0, 0).toInt(&ok);
            if (!ok || number < 0) {
                return fail(why, QStringLiteral("TRACK 编号无法识别（%1）").arg(where));
            }
            track = Track{};
            track->number = number;
            trackStartFile = sheet.files.size() - 1;
            trackFile = -1;
            ++trackCount;
        } else if (keyword == u"INDEX") {
            QString time;
            bool ok = false;
            const int index = firstWord(rest.trimmed(), time).toInt(&ok);
            const qint64 frames = readIndexTime(time);
            if (!ok || frames < 0) {
                return fail(why, QStringLiteral("INDEX 无法识别（%1）").arg(where));
            }
            if (!track) {
                return fail(why, QStringLiteral("INDEX 不在 TRACK 之内（%1）").arg(where));
            }
            const qsizetype file = sheet.files.size() - 1;
            if (index == 1) {
                track->index01 = frames;
                trackFile = file;
                if (file != trackStartFile) {
                    track->index00 = -1;  // the pregap lies in the file before
                }
            } else if (index == 0 && file == trackStartFile) {
                track->index00 = frames;
            }
        } else if (keyword == u"TITLE" || keyword == u"PERFORMER" || keyword == u"SONGWRITER") {
            const QString v = value(rest);
            if (track) {
                (keyword == u"TITLE"       ? track->title
                 : keyword == u"PERFORMER" ? track->performer
                                           : track->songwriter) = v;
            } else {
                (keyword == u"TITLE"       ? sheet.title
                 : keyword == u"PERFORMER" ? sheet.performer
                                           : sheet.songwriter) = v;
            }
        } else if (keyword == u"ISRC" && track) {
            track->isrc = value(rest);
        }
        // CATALOG, FLAGS, PREGAP, POSTGAP, CDTEXTFILE and the like say nothing we use.
    }
    closeTrack();
    if (trackCount == 0) {
        return fail(why, QStringLiteral("没有音轨"));
    }
    return sheet;
}

qint64 framesToSamples(qint64 frames, qint64 rate) {
    return frames * rate / 75;
}

std::optional<QList<Span>> trackSpans(const QList<Track>& tracks, qint64 rate, qint64 samples,
                                      QString* why) {
    if (tracks.isEmpty()) {
        return fail(why, QStringLiteral("没有音轨"));
    }
    QList<Span> spans;
    qint64 previous = -1;
    for (const Track& t : tracks) {
        const QString name = QStringLiteral("第 %1 轨").arg(t.number);
        if (t.index01 < 0) {
            return fail(why, name + QStringLiteral("没有 INDEX 01"));
        }
        if (t.index01 <= previous || (t.index00 >= 0 && t.index00 > t.index01)) {
            return fail(why, name + QStringLiteral("的索引顺序错误"));
        }
        const qint64 start = spans.isEmpty() ? 0 : framesToSamples(t.index01, rate);
        if (framesToSamples(t.index01, rate) >= samples) {
            return fail(why, name + QStringLiteral("的索引超出音频末尾"));
        }
        if (!spans.isEmpty()) {
            spans.last().end = start;
        }
        spans.append(Span{start, samples});
        previous = t.index01;
    }
    return spans;
}

}  // namespace lumivox::cue
