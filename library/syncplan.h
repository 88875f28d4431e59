#pragma once

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>

#include "library/outputtree.h"
#include "library/sourceprint.h"
#include "library/syncdecision.h"

namespace lumivox::library {

// What a sync batch does with one source.
struct SyncStep {
    SyncAction action = SyncAction::Encode;
    QString mp3;                  // the MP3 that belongs to the source: kept, retagged or replaced
    QString workPath;             // Encode: written here, then renamed over mp3
    QString record;               // the record its tag gets
    bool userFileAtName = false;  // the stable name holds a file of the user's: mp3 is empty,
                                  // and the usual unique name is to be used
};

// A sync batch's view of the output tree: read once per scanned folder, from the MP3s' tags.
class SyncPlanner {
  public:
    explicit SyncPlanner(const QString& outFolder) : outFolder_(outFolder) {}

    // `source` as the list shows it, `toolPath` the path that reaches it (a link for a name that
    // is not UTF-8), found by the scan under `scannedFolder`, written into `entryFolder`.
    SyncStep plan(const QString& source, const QString& toolPath, const QString& scannedFolder,
                  const QString& entryFolder, const QString& outputKey);

    // One track of an album image: its MP3's stable name as the image rules give it (without
    // the counter), and what the sheet says of it (its span and tags) as one text, so an edited
    // sheet retags or re-encodes only the tracks it changed.
    struct Track {
        int number = 0;
        QString stablePath;
        QString span;  // "S-E" in samples: a moved index re-encodes
        QString tags;  // the sheet's fields for the track
    };
    SyncStep planTrack(const QString& source, const QString& toolPath, const QString& scannedFolder,
                       const Track& track, const QString& outputKey);

    // After the batch: the recorded MP3s below each scanned folder's mirror whose source is gone.
    struct Gone {
        QString root;  // the mirror of the scanned folder
        QList<RecordedMp3> mp3s;
    };
    QList<Gone> gone() const;

    // The mirror of a scanned folder below the output folder: "<out>/<its name>/".
    static QString mirrorOf(const QString& outFolder, const QString& scannedFolder);

  private:
    SyncStep planFor(SyncRecord now, const QString& toolPath, const QString& stable,
                     const QString& scannedFolder, const QString& extraTags);
    const QHash<QString, RecordedMp3>& indexFor(const QString& scannedFolder);

    QString outFolder_;
    QHash<QString, QHash<QString, RecordedMp3>> indexes_;  // by scanned folder
    QHash<QString, QList<RecordedMp3>> recorded_;
    CoverPrints covers_;
    // Sources planned in this batch, by recordKey(): present, whatever the disk says of their
    // readable names (a name that is not UTF-8 is reached through a link).
    QSet<QString> seen_;
};

}  // namespace lumivox::library
