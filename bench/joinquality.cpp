#include "bench/joinquality.h"

#include <algorithm>
#include <cmath>

namespace lumivox::bench {
namespace {

constexpr long kBefore = 40;  // frames before a join that are compared
constexpr long kAfter = 100;  // ... and after it
// -60 dBFS as a mean square of 16-bit samples.
constexpr double kQuietest = 32768.0 * 32768.0 * 1e-6;

// SNR difference in dB of one window starting at stereo sample `at`; 0 when it is too quiet.
double windowLoss(const std::vector<short>& x, const std::vector<short>& serial,
                  const std::vector<short>& pieces, long at) {
    double signal = 0, serialError = 0, piecesError = 0;
    const std::size_t from = static_cast<std::size_t>(at) * 2;
    const std::size_t to = std::min({x.size(), serial.size(), pieces.size(), from + 2 * kWindow});
    for (std::size_t i = from; i < to; ++i) {
        const double s = x[i];
        signal += s * s;
        serialError += (s - serial[i]) * (s - serial[i]);
        piecesError += (s - pieces[i]) * (s - pieces[i]);
    }
    if (to <= from || signal / static_cast<double>(to - from) < kQuietest ||
        serialError == piecesError) {
        return 0;
    }
    // A window encoded without error by both is alike; floor the errors at a sample's rounding.
    const double floor = 0.25 * static_cast<double>(to - from);
    return 10 * std::log10(std::max(piecesError, floor) / std::max(serialError, floor));
}

}  // namespace

std::vector<long> joinSamples(long samples, int pieces) {
    const long frames = (samples + kWindow - 1) / kWindow;
    std::vector<long> joins;
    for (int k = 1; k < pieces; ++k) {
        joins.push_back(frames * k / pieces * kWindow);
    }
    return joins;
}

JoinQuality compareJoins(const std::vector<short>& original, const std::vector<short>& serial,
                         const std::vector<short>& pieces, int pieceCount) {
    JoinQuality q;
    const auto extra = [&original](const std::vector<short>& decoded) {
        return (static_cast<long>(decoded.size()) - static_cast<long>(original.size())) / 2;
    };
    q.piecesExtra = extra(pieces);
    q.serialExtra = extra(serial);
    q.identical = serial == pieces;
    if (q.identical) {
        return q;
    }
    const long samples =
        static_cast<long>(std::min({original.size(), serial.size(), pieces.size()}) / 2);
    for (long at = 0; at < samples; at += kWindow) {
        q.worstAnywhere = std::max(q.worstAnywhere, windowLoss(original, serial, pieces, at));
    }
    for (const long join : joinSamples(samples, pieceCount)) {
        const long first = std::max(0L, join - kBefore * kWindow);
        const long last = std::min(samples, join + kAfter * kWindow);
        for (long at = first; at < last; at += kWindow) {
            q.worstNearJoin = std::max(q.worstNearJoin, windowLoss(original, serial, pieces, at));
        }
    }
    return q;
}

}  // namespace lumivox::bench
