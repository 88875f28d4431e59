#include "collection/codepage.h"

#include <QSet>
#include <QStringDecoder>

#include <uchardet.h>

#include <array>
#include <cmath>
#include <memory>

namespace lumivox::codepage {

namespace {

struct PageInfo {
    CodePage page;
    const char* display;
    const char* icuName;
};

constexpr std::array<PageInfo, 7> kPages{{
    {CodePage::Utf8, "UTF-8", "UTF-8"},
    {CodePage::Gb18030, "GB18030", "GB18030"},
    {CodePage::Big5, "Big5", "Big5"},
    {CodePage::ShiftJis, "Shift-JIS", "Shift_JIS"},
    {CodePage::EucKr, "EUC-KR", "EUC-KR"},
    {CodePage::Windows1251, "Windows-1251", "windows-1251"},
    {CodePage::Windows1252, "Windows-1252", "windows-1252"},
}};

// The order ties fall in when nothing else tells the candidates apart.
constexpr std::array<CodePage, 6> kCandidates{CodePage::Gb18030,     CodePage::Big5,
                                              CodePage::ShiftJis,    CodePage::EucKr,
                                              CodePage::Windows1251, CodePage::Windows1252};

const PageInfo& info(CodePage page) {
    for (const auto& p : kPages) {
        if (p.page == page) {
            return p;
        }
    }
    return kPages[0];
}

// A character no name or sheet holds: controls, unassigned or private-use code points, and the
// replacement character some decoders put in for bytes they cannot map.
bool implausible(char32_t c) {
    if (c == U'\t' || c == U'\n' || c == U'\r') {
        return false;
    }
    if (c < 0x20 || (c >= 0x7F && c < 0xA0) || c == 0xFFFD) {
        return true;
    }
    const QChar::Category cat = QChar::category(c);
    return cat == QChar::Other_PrivateUse || cat == QChar::Other_NotAssigned ||
           cat == QChar::Other_Surrogate;
}

// Decodes every two-byte code of the given lead and trail ranges into the set.
void addDoubleBytes(QSet<char32_t>& set, const char* icuName, int leadFirst, int leadLast,
                    int trailFirst, int trailLast) {
    QByteArray bytes;
    for (int lead = leadFirst; lead <= leadLast; ++lead) {
        for (int trail = trailFirst; trail <= trailLast; ++trail) {
            if (trail == 0x7F) {
                continue;
            }
            bytes.append(char(lead));
            bytes.append(char(trail));
        }
    }
    QStringDecoder decoder(icuName);
    const QString text = decoder(bytes);
    for (const char32_t c : text.toUcs4()) {
        if (!implausible(c)) {
            set.insert(c);
        }
    }
}

void addRange(QSet<char32_t>& set, char32_t first, char32_t last) {
    for (char32_t c = first; c <= last; ++c) {
        set.insert(c);
    }
}

// Punctuation and full-width forms every CJK script uses.
void addCjkPunctuation(QSet<char32_t>& set) {
    addRange(set, 0x3000, 0x303F);
    addRange(set, 0xFF01, 0xFF5E);
    addRange(set, 0x2010, 0x2027);
}

// The few thousand most frequent characters of each script, taken from the frequency-ordered
// parts of the national character sets themselves.
QSet<char32_t> buildCommon(CodePage page) {
    QSet<char32_t> set;
    switch (page) {
        case CodePage::Gb18030:
            // GB2312 level 1: the 3755 most frequent hanzi.
            addDoubleBytes(set, "GB18030", 0xB0, 0xD7, 0xA1, 0xFE);
            addCjkPunctuation(set);
            break;
        case CodePage::Big5:
            // Big5's frequently used block, 0xA440-0xC67E.
            addDoubleBytes(set, "Big5", 0xA4, 0xC5, 0x40, 0xFE);
            addDoubleBytes(set, "Big5", 0xC6, 0xC6, 0x40, 0x7E);
            addCjkPunctuation(set);
            break;
        case CodePage::ShiftJis:
            // JIS X 0208 level 1 kanji (0x889F-0x9872) and the kana.
            addDoubleBytes(set, "Shift_JIS", 0x88, 0x88, 0x9F, 0xFC);
            addDoubleBytes(set, "Shift_JIS", 0x89, 0x97, 0x40, 0xFC);
            addDoubleBytes(set, "Shift_JIS", 0x98, 0x98, 0x40, 0x72);
            addRange(set, 0x3041, 0x3096);
            addRange(set, 0x30A1, 0x30FF);
            addCjkPunctuation(set);
            break;
        case CodePage::EucKr:
            // All KS X 1001 hangul.
            addDoubleBytes(set, "EUC-KR", 0xB0, 0xC8, 0xA1, 0xFE);
            addCjkPunctuation(set);
            break;
        case CodePage::Windows1251:
            addRange(set, 0x0410, 0x044F);  // А-я
            for (char32_t c : {0x0401, 0x0451, 0x0404, 0x0454, 0x0406, 0x0456, 0x0407, 0x0457,
                               0x0490, 0x0491, 0x040E, 0x045E}) {
                set.insert(c);  // Ё ё and the Ukrainian and Belarusian letters
            }
            break;
        case CodePage::Windows1252:
            addRange(set, 0x00C0, 0x00FF);
            set.remove(0x00D7);
            set.remove(0x00F7);
            for (char32_t c : {0x0152, 0x0153, 0x0160, 0x0161, 0x017D, 0x017E, 0x0178}) {
                set.insert(c);  // Œ œ Š š Ž ž Ÿ
            }
            break;
        case CodePage::Utf8:
            break;
    }
    return set;
}

const QSet<char32_t>& common(CodePage page) {
    static const auto tables = [] {
        std::array<QSet<char32_t>, kPages.size()> t;
        for (const CodePage p : kCandidates) {
            t[static_cast<size_t>(p)] = buildCommon(p);
        }
        return t;
    }();
    return tables[static_cast<size_t>(page)];
}

bool isSingleByte(CodePage page) {
    return page == CodePage::Windows1251 || page == CodePage::Windows1252;
}

// Typographic marks the single-byte pages share: dashes, quotes, ellipsis, guillemets, №.
bool singleBytePunctuation(char32_t c) {
    switch (c) {
        case 0x2013:
        case 0x2014:
        case 0x2018:
        case 0x2019:
        case 0x201C:
        case 0x201D:
        case 0x2026:
        case 0x00AB:
        case 0x00BB:
        case 0x2116:
        case 0x00B7:
            return true;
        default:
            return false;
    }
}

bool isAsciiLetter(char32_t c) {
    return (c >= U'a' && c <= U'z') || (c >= U'A' && c <= U'Z');
}

// Hangul syllables of the everyday shape: a frequent vowel and no final or a frequent one.
// Korean text is mostly made of these; two bytes of GB2312 read as hangul hit them by chance
// far less often, which is what tells the two apart (their common ranges overlap byte for byte).
bool plainHangul(char32_t c) {
    if (c < 0xAC00 || c > 0xD7A3) {
        return false;
    }
    const unsigned s = c - 0xAC00;
    const unsigned vowel = (s % 588) / 28;
    const unsigned final = s % 28;
    static constexpr std::array<bool, 21> kVowels{1, 1, 0, 0, 1, 1, 1, 0, 1, 1, 0,
                                                  0, 0, 1, 1, 0, 0, 0, 1, 0, 1};
    static constexpr std::array<bool, 28> kFinals{1, 1, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 0, 0,
                                                  0, 0, 1, 1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0};
    return kVowels[vowel] && kFinals[final];
}

// The share of a script's text its common characters make, and of Korean the plain syllables.
constexpr double kCommonShare = 0.95;
constexpr double kPlainHangulShare = 0.8;

struct Model {
    double commonChar = 0;  // log-probability of one common character
    double plainChar = 0;   // of one plain hangul syllable (Korean only)
    double otherCommon = 0;
    double rareChar = 0;  // of any other valid character
};

Model buildModel(CodePage page) {
    const QSet<char32_t>& table = common(page);
    Model m;
    const double size = double(table.size());
    const double rest = isSingleByte(page) ? 64.0 : 20000.0;
    m.commonChar = std::log(kCommonShare / size);
    m.rareChar = std::log((1 - kCommonShare) / rest);
    if (page == CodePage::EucKr) {
        double plain = 0;
        for (const char32_t c : table) {
            plain += plainHangul(c) ? 1 : 0;
        }
        m.plainChar = std::log(kCommonShare * kPlainHangulShare / plain);
        m.otherCommon = std::log(kCommonShare * (1 - kPlainHangulShare) / (size - plain));
    }
    return m;
}

const Model& model(CodePage page) {
    static const auto models = [] {
        std::array<Model, kPages.size()> t;
        for (const CodePage p : kCandidates) {
            t[static_cast<size_t>(p)] = buildModel(p);
        }
        return t;
    }();
    return models[static_cast<size_t>(page)];
}

// How likely one decoded text is in its script: the log-probability of its non-ASCII
// characters, counted with the bytes they take so readings of different widths compare.
// Single-byte letters count as common only inside believable words: a Latin accented letter
// beside ASCII letters (a word made only of accented letters is how CJK bytes look in
// Windows-1252), a Cyrillic letter not capitalised after a small one inside a word.
struct Tally {
    double logLikelihood = 0;
    int bytes = 0;
};

bool believableWord(const QList<uint>& chars, qsizetype i, CodePage page) {
    qsizetype first = i;
    while (first > 0 && QChar::isLetter(chars[first - 1])) {
        --first;
    }
    qsizetype last = i;
    while (last + 1 < chars.size() && QChar::isLetter(chars[last + 1])) {
        ++last;
    }
    bool hasAscii = false;
    for (qsizetype k = first; k <= last; ++k) {
        hasAscii = hasAscii || isAsciiLetter(chars[k]);
    }
    if (page == CodePage::Windows1252) {
        return hasAscii;
    }
    const bool capitalAfterSmall =
        i > first && QChar::isUpper(chars[i]) && QChar::isLower(chars[i - 1]);
    return !hasAscii && !capitalAfterSmall;
}

void score(const QString& text, CodePage page, Tally& tally) {
    const QSet<char32_t>& table = common(page);
    const Model& m = model(page);
    const QList<uint> chars = text.toUcs4();
    const bool single = isSingleByte(page);
    for (qsizetype i = 0; i < chars.size(); ++i) {
        const char32_t c = chars[i];
        if (c < 0x80) {
            continue;
        }
        tally.bytes += single || (c >= 0xFF61 && c <= 0xFF9F) ? 1 : 2;
        if (single && singleBytePunctuation(c)) {
            tally.logLikelihood += m.commonChar;
        } else if (!table.contains(c) || (single && !believableWord(chars, i, page))) {
            tally.logLikelihood += m.rareChar;
        } else if (page == CodePage::EucKr) {
            tally.logLikelihood += plainHangul(c) ? m.plainChar : m.otherCommon;
        } else {
            tally.logLikelihood += m.commonChar;
        }
    }
}

std::optional<CodePage> fromUchardet(const QList<QByteArray>& texts) {
    std::unique_ptr<std::remove_pointer_t<uchardet_t>, void (*)(uchardet_t)> detector(
        uchardet_new(), uchardet_delete);
    for (const QByteArray& text : texts) {
        uchardet_handle_data(detector.get(), text.constData(), size_t(text.size()));
        uchardet_handle_data(detector.get(), "\n", 1);
    }
    uchardet_data_end(detector.get());
    const QByteArray name = QByteArray(uchardet_get_charset(detector.get())).toUpper();
    if (name == "GB18030" || name == "GBK" || name == "GB2312" || name == "EUC-CN") {
        return CodePage::Gb18030;
    }
    if (name == "BIG5" || name == "BIG5-HKSCS") {
        return CodePage::Big5;
    }
    if (name == "SHIFT_JIS" || name == "CP932") {
        return CodePage::ShiftJis;
    }
    if (name == "EUC-KR" || name == "UHC" || name == "CP949") {
        return CodePage::EucKr;
    }
    if (name == "WINDOWS-1251") {
        return CodePage::Windows1251;
    }
    if (name == "WINDOWS-1252" || name == "ISO-8859-1" || name == "ISO-8859-15") {
        return CodePage::Windows1252;
    }
    return std::nullopt;
}

}  // namespace

QString displayName(CodePage page) {
    return QString::fromLatin1(info(page).display);
}

std::optional<CodePage> fromDisplayName(const QString& name) {
    for (const auto& p : kPages) {
        if (name == QLatin1String(p.display)) {
            return p.page;
        }
    }
    return std::nullopt;
}

std::optional<QString> decode(const QByteArray& bytes, CodePage page) {
    // UTF-8 by its enum: the name lookup would cost more than the check on a walk's names.
    QStringDecoder decoder =
        page == CodePage::Utf8
            ? QStringDecoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless)
            : QStringDecoder(info(page).icuName, QStringConverter::Flag::Stateless);
    QString text = decoder(bytes);
    if (!decoder.isValid() || decoder.hasError()) {
        return std::nullopt;
    }
    if (page == CodePage::Utf8) {
        return text;  // what UTF-8 decodes without error was written as UTF-8
    }
    for (const char32_t c : text.toUcs4()) {
        if (implausible(c)) {
            return std::nullopt;
        }
    }
    return text;
}

CodePage guess(const QList<QByteArray>& texts) {
    bool allUtf8 = true;
    for (const QByteArray& text : texts) {
        allUtf8 = allUtf8 && decode(text, CodePage::Utf8).has_value();
    }
    if (allUtf8) {
        return CodePage::Utf8;
    }

    // The library's opinion settles ties between equally plausible readings; on its own it
    // misjudges short texts too often to be taken unchecked.
    const std::optional<CodePage> opinion = fromUchardet(texts);
    std::optional<CodePage> best;
    double bestScore = 0;
    for (const CodePage page : kCandidates) {
        Tally tally;
        bool valid = true;
        for (const QByteArray& text : texts) {
            const std::optional<QString> decoded = decode(text, page);
            if (!decoded) {
                valid = false;
                break;
            }
            score(*decoded, page, tally);
        }
        if (!valid) {
            continue;
        }
        const double value = tally.bytes == 0 ? 0 : tally.logLikelihood / tally.bytes;
        const bool tie = best && qAbs(value - bestScore) < 1e-9;
        if (!best || value > bestScore + 1e-9 || (tie && opinion == page && opinion != best)) {
            best = page;
            bestScore = value;
        }
    }
    return best.value_or(CodePage::Windows1252);
}

}  // namespace lumivox::codepage
