#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

#include "library/syncrecord.h"

namespace lumivox::library {

enum class SyncAction {
    Encode,  // no MP3 yet, or the sound or the output settings changed
    Retag,   // only the tags, pictures or cover changed: the tag is rewritten, the audio kept
    Skip,    // nothing changed
};

// The one decision per source, after rsync's quick check and beets' should_transcode: `stored`
// is the record of the MP3 that belongs to the source (nullopt: there is none), `now` the
// source as it is, its audio hash not yet taken: `hashAudio` is called only when the FLAC has no
// MD5 and its size or time moved, and its result is put into `now`. When the sound only proved
// the same by its hash, the MP3 is retagged so that its record's quick check holds again.
SyncAction decideSync(const std::optional<SyncRecord>& stored, SyncRecord& now,
                      const std::function<QByteArray()>& hashAudio);

// Where a source's MP3 lives in sync mode: "<folder><stem>.mp3", the stem fitted to the name
// limit, with no counter: the MP3 at that name belongs to the source while its record says so.
QString stableMp3Path(const QString& folder, const QString& sourcePath);

// The stable name of an album image's track: "<folder>NN - Title.mp3" as cue::uniqueTrackPath
// names it, without the counter.
QString stableTrackPath(const QString& folder, int number, const QString& title);

// The source's path below the scanned folder, "/" between folders:
//   ("/music/Artist A/Album 1/01.flac", "/music/Artist A") -> "Album 1/01.flac"
// A file added by itself is its own name.
QString sourceRelativePath(const QString& sourcePath, const QString& scannedFolder);

// The hidden name a sync encode writes before it is renamed over the stable name, so a stop or
// a crash never leaves a half-written MP3 there, and the old one stays until the new is whole.
QString syncWorkPath(const QString& stablePath);

}  // namespace lumivox::library
