#include "engine/commands/formatchoices.h"

namespace lumivox::choices {

QStringList outputFormats() {
    return {QStringLiteral("RMVB(RealPlayerRMVB)"), QStringLiteral("RM(RealPlayerRM)"),
            QStringLiteral("MPG(MPEG2)"),           QStringLiteral("AVI(Windows Media Player格式)"),
            QStringLiteral("MP4(高清MPEG4格式)"),   QStringLiteral("MOV(QuickTime格式)"),
            QStringLiteral("MP4(手机MP4格式)"),     QStringLiteral("3GP(手机3GP格式)"),
            QStringLiteral("MP3(纯音频格式)")};
}

QStringList audioBitrates() {
    return {"10.2", "12.2", "32",  "48",  "56",  "64",  "80",
            "96",   "112",  "128", "192", "224", "256", "320"};
}

// 12050, not 12000: the list has always offered it and saved positions depend on the order.
QStringList sampleRates() {
    return {"48000", "44100", "32000", "24000", "22050", "16000", "12050", "8000"};
}

QStringList channels() {
    return {QStringLiteral("单声道"), QStringLiteral("双声道")};
}

QStringList videoBitrates() {
    return {"40",  "80",  "120", "128", "256", "384",  "512",
            "600", "640", "768", "800", "900", "1000", "1500"};
}

QStringList videoSizes() {
    return {kOriginalSize, "128x96",  "160x120", "176x144", "320x180", "320x240", "352x288",
            "640x272",     "480x480", "640x360", "640x480", "720x306", "720x320"};
}

QStringList frameRates() {
    return {"15", "23", "29"};
}

std::optional<Preset> presetFor(int format) {
    switch (format) {
        case 0:
        case 1:
            return Preset{"1200", "29", kOriginalSize, "44100", "320", 1};
        case 2:
        case 3:
            return Preset{"600", "24", kOriginalSize, "28000", "64", 1};
        case 4:
            return Preset{"1200", "29", kOriginalSize, "48000", "320", 1};
        case 5:
            return Preset{"256", "29", kOriginalSize, "48000", "64", 1};
        case 6:
        case 7:
            return Preset{"128", "29", QStringLiteral("320x240"), "8000", "12.2", 0};
        case 8:
            return Preset{std::nullopt, std::nullopt, std::nullopt, "48000", "320", 1};
        default:
            return std::nullopt;
    }
}

}  // namespace lumivox::choices
