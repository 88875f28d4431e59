#pragma once
// DSD files made in the tests, as ffmpeg cannot write them: DSF and DSDIFF of a tone at DSD64.
#include <QByteArray>

#include <algorithm>
#include <cmath>
#include <vector>

namespace lumivox::testing {

inline QByteArray littleEndian(quint64 v, int bytes) {
    QByteArray b;
    for (int i = 0; i < bytes; ++i) {
        b.append(static_cast<char>(v >> (8 * i)));
    }
    return b;
}

inline QByteArray bigEndian(quint64 v, int bytes) {
    QByteArray b = littleEndian(v, bytes);
    std::reverse(b.begin(), b.end());
    return b;
}

// One channel of DSD64 for a 1 kHz tone at half scale, by a second-order sigma-delta modulator;
// true is +1.
inline std::vector<bool> dsdTone(qint64 samples, double phase) {
    std::vector<bool> bits(static_cast<std::size_t>(samples));
    double a = 0, b = 0, y = 0;
    for (qint64 i = 0; i < samples; ++i) {
        const double x = 0.5 * std::sin(2 * M_PI * 1000 * static_cast<double>(i) / 2822400 + phase);
        a += x - y;
        b += a - y;
        y = b >= 0 ? 1 : -1;
        bits[static_cast<std::size_t>(i)] = y > 0;
    }
    return bits;
}

// DSF: the DSD, fmt and data chunks, blocks of 4096 bytes a channel, least significant bit
// first; the ID3v2 tag at the end, where the header points.
inline QByteArray dsfFile(qint64 samples, const QByteArray& id3) {
    const qint64 bytesPerChannel = (samples + 7) / 8;
    const qint64 blocks = (bytesPerChannel + 4095) / 4096;
    QByteArray data(static_cast<qsizetype>(blocks * 4096 * 2), '\0');
    for (int c = 0; c < 2; ++c) {
        const std::vector<bool> bits = dsdTone(samples, c * 0.5);
        for (qint64 i = 0; i < samples; ++i) {
            if (bits[static_cast<std::size_t>(i)]) {
                const qint64 byte = i / 8;
                const qint64 at = (byte / 4096) * 8192 + c * 4096 + byte % 4096;
                data[static_cast<qsizetype>(at)] = static_cast<char>(
                    static_cast<unsigned char>(data[static_cast<qsizetype>(at)]) | 1 << (i % 8));
            }
        }
    }
    const quint64 total = 28 + 52 + 12 + static_cast<quint64>(data.size() + id3.size());
    QByteArray f = "DSD " + littleEndian(28, 8) + littleEndian(total, 8) +
                   littleEndian(id3.isEmpty() ? 0 : total - static_cast<quint64>(id3.size()), 8);
    f += "fmt " + littleEndian(52, 8) + littleEndian(1, 4) + littleEndian(0, 4) +
         littleEndian(2, 4) + littleEndian(2, 4) + littleEndian(2822400, 4) + littleEndian(1, 4) +
         littleEndian(static_cast<quint64>(samples), 8) + littleEndian(4096, 4) +
         littleEndian(0, 4);
    f += "data" + littleEndian(12 + static_cast<quint64>(data.size()), 8) + data + id3;
    return f;
}

// DSDIFF: FRM8 with FVER, PROP (FS, CHNL, CMPR), the DSD chunk of the channels' bytes side by
// side, most significant bit first, then an ID3 chunk.
inline QByteArray dffFile(qint64 samples, const QByteArray& id3) {
    const qint64 bytes = samples / 8;
    QByteArray data(static_cast<qsizetype>(bytes * 2), '\0');
    for (int c = 0; c < 2; ++c) {
        const std::vector<bool> bits = dsdTone(bytes * 8, c * 0.5);
        for (qint64 i = 0; i < bytes * 8; ++i) {
            if (bits[static_cast<std::size_t>(i)]) {
                const auto at = static_cast<qsizetype>((i / 8) * 2 + c);
                data[at] =
                    static_cast<char>(static_cast<unsigned char>(data[at]) | 0x80 >> (i % 8));
            }
        }
    }
    const QByteArray cmpr = QByteArray("DSD ") + char(14) + "not compressed" + '\0';
    const QByteArray prop = "SND " + ("FS  " + bigEndian(4, 8) + bigEndian(2822400, 4)) +
                            ("CHNL" + bigEndian(10, 8) + bigEndian(2, 2) + "SLFTSRGT") +
                            ("CMPR" + bigEndian(static_cast<quint64>(cmpr.size()), 8) + cmpr);
    QByteArray body = "DSD " + ("FVER" + bigEndian(4, 8) + bigEndian(0x01050000, 4)) +
                      ("PROP" + bigEndian(static_cast<quint64>(prop.size()), 8) + prop) +
                      ("DSD " + bigEndian(static_cast<quint64>(data.size()), 8) + data);
    if (!id3.isEmpty()) {
        body += "ID3 " + bigEndian(static_cast<quint64>(id3.size()), 8) + id3;
        if (id3.size() % 2 != 0) {
            body += '\0';
        }
    }
    return "FRM8" + bigEndian(static_cast<quint64>(body.size()), 8) + body;
}

}  // namespace lumivox::testing
