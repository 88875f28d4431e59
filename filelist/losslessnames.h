#pragma once

#include <QString>
#include <QStringList>

namespace lumivox {

// The endings of the lossless files the program converts: FLAC, Monkey's Audio, WavPack, TTA,
// TAK, ALAC (.m4a; an AAC one is refused when it is converted), WAV, AIFF and DSD.
const QStringList& losslessSuffixes();

// A name ending in one of them, in any letter case ("Track 01.APE").
bool isLosslessName(const QString& name);

// The add-files dialog's filter of all of them, in the dialog's "text|patterns" form:
//   "所有无损音频(*.flac, *.ape, ...)|*.flac *.ape ..."
QString losslessDialogFilter();

}  // namespace lumivox
