#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

#include "library/syncrecord.h"

namespace lumivox::library {

// The cover pictures of a folder, hashed once a batch: every file of an album shares them.
class CoverPrints {
  public:
    QByteArray of(const QString& folder);

  private:
    QHash<QString, QByteArray> byFolder_;
};

// What a source is now, from its metadata blocks alone: the sound's MD5 from STREAMINFO (where
// set), its size and modification time, and a hash of its Vorbis comments, pictures and CUE
// sheet, with the folder's cover when it has no picture of its own (as the tag writer takes
// it). The audio is not read; audioOffset says where it begins, for hashAudio().
struct SourcePrint {
    SoundPrint sound;
    QByteArray tags;
    qint64 audioOffset = 0;
    bool flac = false;  // false: not a FLAC this reads; the whole file is its sound
    bool ok = false;    // false: it could not be read
};
SourcePrint readSourcePrint(const QString& path, CoverPrints& covers);

// A hex hash of the file's bytes from `from` to its end: the FLAC's audio frames, which a tagger
// leaves as they are. Empty when it cannot be read.
QByteArray hashAudio(const QString& path, qint64 from);

}  // namespace lumivox::library
