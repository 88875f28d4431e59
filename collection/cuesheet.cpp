#include "collection/cuesheet.h"

#include <QRegularExpression>
#include <QStringDecoder>

#include <array>

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

// Unicode without a mark, told by its NUL bytes: the keywords are ASCII, so in UTF-16 every
// other byte of most characters is NUL, in UTF-32 three of four. nullopt: none of these.
std::optional<QStringConverter::Encoding> unmarkedUnicode(const QByteArray& bytes) {
    const qsizetype n = std::min<qsizetype>(bytes.size(), 4096) / 4 * 4;
    if (n < 8) {
        return std::nullopt;
    }
    std::array<qsizetype, 4> nuls{};
    for (qsizetype i = 0; i < n; ++i) {
        nuls[size_t(i % 4)] += bytes[i] == '\0' ? 1 : 0;
    }
    const double quarter = double(n) / 4;
    auto mostly = [&](size_t k) { return nuls[k] >= 0.9 * quarter; };
    auto some = [&](size_t k) { return nuls[k] >= 0.3 * quarter; };
    auto none = [&](size_t k) { return nuls[k] <= 0.02 * quarter; };
    if (none(0) && mostly(2) && mostly(3) && some(1)) {
        return QStringConverter::Utf32LE;
    }
    if (none(3) && mostly(0) && mostly(1) && some(2)) {
        return QStringConverter::Utf32BE;
    }
    if (none(0) && none(2) && some(1) && some(3)) {
        return QStringConverter::Utf16LE;
    }
    if (none(1) && none(3) && some(0) && some(2)) {
        return QStringConverter::Utf16BE;
    }
    return std::nullopt;
}

// A value after its keyword: "quoted text" up to the last quote of the line, "" standing for a
// quote inside; else the rest of the line.
//   TITLE "Say ""Hi"""  -> Say "Hi"        TITLE Plain words  -> Plain words
QString value(const QString& rest, QString* after = nullptr) {
    const QString r = rest.trimmed();
    if (after) {
        after->clear();
    }
    if (!r.startsWith(u'"')) {
        return r;
    }
    const qsizetype close = r.lastIndexOf(u'"');
    if (close <= 0) {
        return r.mid(1).trimmed();
    }
    if (after) {
        *after = r.mid(close + 1).trimmed();
    }
    QString inside = r.mid(1, close - 1);
    inside.replace(QStringLiteral("\"\""), QStringLiteral("\""));
    return inside;
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
    const QString l = line.trimmed();
    const qsizetype space = l.indexOf(u' ');
    rest = space < 0 ? QString() : l.mid(space + 1).trimmed();
    return space < 0 ? l : l.left(space);
}

bool isKeyword(const QString& word) {
    static const QRegularExpression keyword(QStringLiteral("^[A-Za-z][A-Za-z0-9_]*$"));
    return keyword.match(word).hasMatch();
}

// Keywords that say nothing this program uses.
bool isQuietKeyword(const QString& keyword) {
    return keyword == u"FLAGS" || keyword == u"PREGAP" || keyword == u"POSTGAP" ||
           keyword == u"CDTEXTFILE" || keyword == u"ARRANGER" || keyword == u"MESSAGE" ||
           keyword == u"UPC_EAN" || keyword == u"DISC_ID" || keyword == u"TOC_INFO1" ||
           keyword == u"TOC_INFO2" || keyword == u"SIZE_INFO";
}

// TRACK 01 AUDIO; CDG is audio with graphics beside it. Anything else (MODE1/2352, ...) is data.
bool isAudioType(const QString& type) {
    const QString t = type.toUpper();
    return t.isEmpty() || t == u"AUDIO" || t == u"CDG";
}

struct OpenTrack {
    Track track;
    bool audio = true;
    qsizetype startFile = -1;  // the FILE open at its TRACK line
    qsizetype indexFile = -1;  // the FILE its INDEX 01 lies in
};

}  // namespace

std::optional<QString> decodeSheet(const QByteArray& bytes, const Decoder& other) {
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        return decodeStrict(bytes.mid(3), QStringConverter::Utf8);
    }
    if (bytes.startsWith(QByteArray("\xFF\xFE\0\0", 4))) {
        return decodeStrict(bytes.mid(4), QStringConverter::Utf32LE);
    }
    if (bytes.startsWith(QByteArray("\0\0\xFE\xFF", 4))) {
        return decodeStrict(bytes.mid(4), QStringConverter::Utf32BE);
    }
    if (bytes.startsWith("\xFF\xFE")) {
        return decodeStrict(bytes.mid(2), QStringConverter::Utf16LE);
    }
    if (bytes.startsWith("\xFE\xFF")) {
        return decodeStrict(bytes.mid(2), QStringConverter::Utf16BE);
    }
    if (const auto unicode = unmarkedUnicode(bytes)) {
        return decodeStrict(bytes, *unicode);
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

Reading readSheet(const QString& source) {
    Reading reading;
    Sheet& sheet = reading.sheet;
    std::optional<OpenTrack> open;
    QList<bool> dataInFile;  // a data track seen so far in each file
    qsizetype currentFile = -1;
    auto refuse = [&](const QString& why) {
        if (reading.refused.isEmpty()) {
            reading.refused = why;
        }
    };
    auto closeTrack = [&] {
        if (!open) {
            return;
        }
        OpenTrack t = *open;
        open.reset();
        const qsizetype in = t.indexFile >= 0 ? t.indexFile : t.startFile;
        if (in < 0) {
            return;  // a TRACK line always has a file, made when the sheet names none
        }
        QList<Track>& tracks = sheet.files[in].tracks;
        if (!t.audio) {
            if (!tracks.isEmpty() && t.indexFile == in && t.track.index01 >= 0 &&
                tracks.last().endBefore < 0) {
                tracks.last().endBefore = t.track.index01;
            }
            dataInFile[in] = true;
            return;
        }
        t.track.afterData = tracks.isEmpty() && dataInFile[in];
        t.track.number = ++sheet.audioTracks;
        tracks.append(t.track);
    };

    QString text = source;
    text.remove(QChar(0x1A));    // DOS editors end a file with Ctrl-Z
    text.remove(QChar(0xFEFF));  // a mark left by a second conversion
    text.replace(u'\t', u' ');
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
        auto note = [&](const QString& why) { sheet.notes.append(where + u'：' + why); };
        if (!isKeyword(word)) {
            note(QStringLiteral("无法识别"));
            continue;
        }
        if (keyword == u"REM") {
            QString remValue;
            const QString field = firstWord(rest, remValue).toUpper();
            if (field == u"COMPOSER") {
                (open ? open->track.composer : sheet.composer) = value(remValue);
                continue;
            }
            QString* target = field == u"DATE"         ? &sheet.date
                              : field == u"GENRE"      ? &sheet.genre
                              : field == u"COMMENT"    ? &sheet.comment
                              : field == u"DISCNUMBER" ? &sheet.discNumber
                              : field == u"TOTALDISCS" ? &sheet.totalDiscs
                                                       : nullptr;
            if (target && !open) {
                *target = value(remValue);
            }
        } else if (keyword == u"FILE") {
            // A track stays open: its pregap may end one file and the track start the next.
            const QString name = fileName(rest);
            currentFile = -1;
            for (qsizetype f = 0; f < sheet.files.size(); ++f) {
                if (sheet.files[f].name.compare(name, Qt::CaseInsensitive) == 0) {
                    currentFile = f;  // named again: the same file goes on
                }
            }
            if (currentFile < 0) {
                sheet.files.append(File{name, {}});
                dataInFile.append(false);
                currentFile = sheet.files.size() - 1;
            }
        } else if (keyword == u"TRACK") {
            closeTrack();
            if (currentFile < 0) {
                sheet.files.append(File{});  // no FILE line: the sheet's one file
                dataInFile.append(false);
                currentFile = 0;
            }
            const QStringList parts = rest.split(u' ', Qt::SkipEmptyParts);
            open = OpenTrack{};
            bool ok = false;
            open->track.sheetNumber = parts.value(0).toInt(&ok);
            if (!ok) {
                note(QStringLiteral("TRACK 编号无法识别"));
            }
            open->audio = isAudioType(parts.value(1));
            if (!open->audio) {
                note(QStringLiteral("数据轨 %1 已跳过").arg(parts.value(1)));
            }
            open->startFile = currentFile;
        } else if (keyword == u"INDEX") {
            QString time;
            bool ok = false;
            const int index = firstWord(rest, time).toInt(&ok);
            const qint64 frames = readIndexTime(time);
            if (!ok || frames < 0) {
                refuse(QStringLiteral("INDEX 无法识别（%1：%2）").arg(where, line));
                continue;
            }
            if (!open) {
                note(QStringLiteral("INDEX 不在 TRACK 之内"));
                continue;
            }
            if (index == 1) {
                open->track.index01 = frames;
                open->indexFile = currentFile;
                if (currentFile != open->startFile) {
                    open->track.index00 = -1;  // the pregap lies in the file before
                }
            } else if (index == 0 && currentFile == open->startFile) {
                open->track.index00 = frames;
            }
        } else if (keyword == u"TITLE" || keyword == u"PERFORMER" || keyword == u"SONGWRITER") {
            const QString v = value(rest);
            if (open) {
                (keyword == u"TITLE"       ? open->track.title
                 : keyword == u"PERFORMER" ? open->track.performer
                                           : open->track.songwriter) = v;
            } else {
                (keyword == u"TITLE"       ? sheet.title
                 : keyword == u"PERFORMER" ? sheet.performer
                                           : sheet.songwriter) = v;
            }
        } else if (keyword == u"ISRC") {
            if (open) {
                open->track.isrc = value(rest);
            }
        } else if (keyword == u"CATALOG") {
            sheet.catalog = value(rest);
        } else if (!isQuietKeyword(keyword)) {
            note(QStringLiteral("未知的关键字 %1").arg(word));
        }
    }
    closeTrack();
    if (sheet.audioTracks == 0) {
        refuse(QStringLiteral("没有音轨"));
    }
    return reading;
}

std::optional<Sheet> parseSheet(const QString& text, QString* why) {
    Reading reading = readSheet(text);
    if (!reading.refused.isEmpty()) {
        return fail(why, reading.refused);
    }
    return std::move(reading.sheet);
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
        if (t.index01 < 0 && t.index01Samples < 0) {
            return fail(why, name + QStringLiteral("没有 INDEX 01"));
        }
        const qint64 at =
            t.index01Samples >= 0 ? t.index01Samples : framesToSamples(t.index01, rate);
        if (at <= previous || (t.index00 >= 0 && t.index01 >= 0 && t.index00 > t.index01)) {
            return fail(why, name + QStringLiteral("的索引顺序错误"));
        }
        if (at >= samples) {
            return fail(why, name + QStringLiteral("的索引超出音频末尾"));
        }
        const qint64 start = spans.isEmpty() && !t.afterData ? 0 : at;
        if (!spans.isEmpty()) {
            spans.last().end = std::min(spans.last().end, start);
        }
        qint64 end = samples;
        if (t.endBeforeSamples >= 0 || t.endBefore >= 0) {
            const qint64 cap =
                t.endBeforeSamples >= 0 ? t.endBeforeSamples : framesToSamples(t.endBefore, rate);
            if (cap > at) {
                end = std::min(end, cap);
            }
        }
        spans.append(Span{start, end});
        previous = at;
    }
    return spans;
}

}  // namespace lumivox::cue
