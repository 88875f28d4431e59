#include "tools/flacwav.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <thread>

#include "tools/argtranslate.h"
#include "tools/flacreader.h"
#include "tools/runtool.h"

namespace lumivox::tools {
namespace {

void putLe(std::string& s, std::size_t at, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        s[at + static_cast<std::size_t>(i)] = static_cast<char>(v >> (8 * i));
    }
}

bool writeAt(int fd, const char* data, std::size_t size, off_t at) {
    while (size > 0) {
        const ssize_t n = pwrite(fd, data, size, at);
        if (n <= 0) {
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
        at += n;
    }
    return true;
}

// Decodes frames [from, to) into the file's data, interleaved 16-bit little-endian.
bool decodeSpan(const std::string& input, int fd, long long from, long long to) {
    FlacReader flac(input);
    constexpr long kChunk = 16384;
    std::vector<std::int32_t> left(kChunk), right(kChunk);
    const auto channels = static_cast<std::size_t>(flac.channels());
    std::vector<char> out(kChunk * channels * 2);
    for (long long at = from; at < to;) {
        if (endingSignalSeen() != 0) {
            return false;
        }
        const long want = static_cast<long>(std::min<long long>(kChunk, to - at));
        const long n = flac.read(at, want, left.data(), right.data());
        if (n != want) {
            return false;
        }
        char* p = out.data();
        for (long i = 0; i < n; ++i) {
            for (std::size_t c = 0; c < channels; ++c) {
                const auto v = static_cast<std::uint16_t>(c == 0 ? left[i] : right[i]);
                *p++ = static_cast<char>(v & 0xff);
                *p++ = static_cast<char>(v >> 8);
            }
        }
        if (!writeAt(fd, out.data(), static_cast<std::size_t>(p - out.data()),
                     static_cast<off_t>(44 + at * static_cast<long long>(channels) * 2))) {
            return false;
        }
        at += n;
    }
    return true;
}

}  // namespace

std::string wavHeader(long long frames, int channels, long sampleRate) {
    const auto data = static_cast<std::uint32_t>(frames * channels * 2);
    std::string h = "RIFF....WAVEfmt ....ffccrrrrbbbbaa16data....";
    putLe(h, 4, 36 + data, 4);
    putLe(h, 16, 16, 4);
    putLe(h, 20, 1, 2);  // PCM
    putLe(h, 22, static_cast<std::uint32_t>(channels), 2);
    putLe(h, 24, static_cast<std::uint32_t>(sampleRate), 4);
    putLe(h, 28, static_cast<std::uint32_t>(sampleRate * channels * 2), 4);
    putLe(h, 32, static_cast<std::uint32_t>(channels * 2), 2);
    putLe(h, 34, 16, 2);
    putLe(h, 40, data, 4);
    return h;
}

std::optional<int> decodeFlacToWav(const std::vector<std::string>& args, int pieces) {
    if (args.size() != 2 || !endsWithNoCase(args[0], ".flac") || !endsWithNoCase(args[1], ".wav") ||
        pieces < 2) {
        return std::nullopt;
    }
    const FlacReader flac(args[0]);
    const long long frames = flac.frames();
    if (!flac.ok() || flac.bits() != 16 || frames * flac.channels() * 2 + 36 > 0xffffffffLL) {
        return std::nullopt;
    }
    catchEndingSignals();
    struct stat st {};
    const bool existed = lstat(args[1].c_str(), &st) == 0;
    const int fd = open(args[1].c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        return std::nullopt;
    }
    const std::string header = wavHeader(frames, flac.channels(), flac.sampleRate());
    bool ok = writeAt(fd, header.data(), header.size(), 0);
    std::vector<std::thread> threads;
    std::vector<char> done(static_cast<std::size_t>(pieces), 0);
    for (int k = 0; k < pieces && ok; ++k) {
        threads.emplace_back([&, k] {
            done[static_cast<std::size_t>(k)] =
                decodeSpan(args[0], fd, frames * k / pieces, frames * (k + 1) / pieces);
        });
    }
    for (std::thread& t : threads) {
        t.join();
    }
    for (const char d : done) {
        ok = ok && d;
    }
    ok = close(fd) == 0 && ok;
    if (ok) {
        return 0;
    }
    if (!existed) {
        unlink(args[1].c_str());
    }
    if (const int sig = endingSignalSeen()) {
        return 128 + sig;
    }
    return std::nullopt;
}

}  // namespace lumivox::tools
