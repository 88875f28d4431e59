#include <iconv.h>
#include <taglib/id3v1genres.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "tools/tags/id3tag.h"

namespace lumivox::tools {
namespace {

// The Unicode code points of UTF-8 text; a broken byte stands for itself.
std::vector<char32_t> codePoints(const std::string& text) {
    std::vector<char32_t> points;
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        const int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
        char32_t point = extra == 0 ? c : c & (0x3F >> extra);
        bool ok = i + static_cast<std::size_t>(extra) < text.size();
        for (int k = 1; ok && k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
            ok = (next & 0xC0) == 0x80;
            point = point << 6 | (next & 0x3F);
        }
        points.push_back(ok ? point : c);
        i += ok ? static_cast<std::size_t>(extra) + 1 : 1;
    }
    return points;
}

// One character in GBK, or empty when GBK has none.
std::string gbk(char32_t point) {
    static iconv_t cd = iconv_open("GBK", "UTF-32LE");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return {};
    }
    char in[4] = {static_cast<char>(point), static_cast<char>(point >> 8),
                  static_cast<char>(point >> 16), static_cast<char>(point >> 24)};
    char out[8];
    char* inPtr = in;
    char* outPtr = out;
    std::size_t inLeft = sizeof in;
    std::size_t outLeft = sizeof out;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1)) {
        return {};
    }
    return std::string(out, static_cast<std::size_t>(outPtr - out));
}

// The text in at most `size` bytes, cut after a whole character, padded with zero bytes.
std::string field(const std::string& text, std::size_t size) {
    const std::vector<char32_t> points = codePoints(text);
    const bool latin1 =
        std::all_of(points.begin(), points.end(), [](char32_t p) { return p < 0x100; });
    std::string bytes;
    for (const char32_t p : points) {
        std::string one = latin1 ? std::string(1, static_cast<char>(p)) : gbk(p);
        if (one.empty()) {
            one.push_back('?');
        }
        if (bytes.size() + one.size() > size) {
            break;
        }
        bytes += one;
    }
    bytes.resize(size, '\0');
    return bytes;
}

}  // namespace

std::string renderId3v1(const SourceTags& tags) {
    const auto joined = [&tags](const char* name) {
        for (const TagField& f : tags.fields) {
            if (f.name == name) {
                std::string text;
                for (const std::string& v : f.values) {
                    if (!text.empty()) {
                        text += '/';
                    }
                    text += v;
                }
                return text;
            }
        }
        return std::string();
    };
    std::string tag = "TAG";
    tag += field(firstValue(tags, "TITLE"), 30);
    tag += field(joined("ARTIST"), 30);
    tag += field(firstValue(tags, "ALBUM"), 30);
    tag += field(firstValue(tags, "DATE").substr(0, 4), 4);
    std::string comment = firstValue(tags, "COMMENT");
    tag += field(comment.empty() ? firstValue(tags, "DESCRIPTION") : comment, 28);
    const int track = std::atoi(firstValue(tags, "TRACKNUMBER").c_str());
    tag += '\0';
    tag += static_cast<char>(track > 0 && track < 256 ? track : 0);
    const int genre =
        TagLib::ID3v1::genreIndex(TagLib::String(firstValue(tags, "GENRE"), TagLib::String::UTF8));
    tag += static_cast<char>(genre >= 0 && genre < 256 ? genre : 255);
    return tag;
}

}  // namespace lumivox::tools
