#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace lumivox::choices {

// The fixed lists of the seven choice boxes, in order.
QStringList outputFormats();  // cmbOF, list only
QStringList audioBitrates();  // cmbBR
QStringList sampleRates();    // cmbR
QStringList channels();       // cmbChannel
QStringList videoBitrates();  // cmbVB
QStringList videoSizes();     // cmbS
QStringList frameRates();     // cmbF

inline const QString kOriginalSize = QStringLiteral("原始大小");

// Selection at start: cmbBR 7, cmbR 1, cmbChannel 1, then cmbOF 0.
inline constexpr int kDefaultBitrate = 7;
inline constexpr int kDefaultSampleRate = 1;
inline constexpr int kDefaultChannel = 1;
inline constexpr int kDefaultFormat = 0;

// What choosing a format writes, in this order: cmbVB, cmbF, cmbS texts (not for MP3), then
// cmbR and cmbBR texts and the cmbChannel position.
struct Preset {
    std::optional<QString> videoBitrate;
    std::optional<QString> frameRate;
    std::optional<QString> videoSize;
    QString sampleRate;
    QString audioBitrate;
    int channelPosition = 1;
};

// nullopt for a position outside 0..8.
std::optional<Preset> presetFor(int format);

}  // namespace lumivox::choices
