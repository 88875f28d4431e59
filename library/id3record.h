#pragma once

#include <QString>

#include <optional>

#include "library/syncrecord.h"

namespace lumivox::library {

// The value of the TXXX frame with this description in the ID3v2 tag at the file's start (2.3
// or 2.4). Reads the tag alone, never the audio; nullopt when there is no such frame.
std::optional<QString> readUserText(const QString& mp3Path, const QString& description);

// The sync record of an MP3, nullopt when it has none (a file of the user's).
std::optional<SyncRecord> readRecord(const QString& mp3Path);

}  // namespace lumivox::library
