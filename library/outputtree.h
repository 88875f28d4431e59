#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include "library/syncrecord.h"

namespace lumivox::library {

// An MP3 under the output folder that carries a sync record.
struct RecordedMp3 {
    QString path;
    SyncRecord record;
};

// Every MP3 below `root` with a record, read from their tags alone. Files without one (the
// user's own) are not listed, so nothing built on this can touch them.
QList<RecordedMp3> recordedMp3s(const QString& root);

// By the source (and track) each belongs to, as recordKey() spells it; where two claim one, the
// first by path.
QHash<QString, RecordedMp3> bySource(const QList<RecordedMp3>& mp3s);

// Those whose source is no longer a file below `scannedFolder`.
QList<RecordedMp3> goneSources(const QList<RecordedMp3>& mp3s, const QString& scannedFolder);

// The question before removal: how many, and the first few by name.
QString removalQuestion(const QList<RecordedMp3>& gone, const QString& root);

// Removes the MP3s, and each folder that this leaves empty up to (not including) `root`. Never
// anything else: a cover or any file of the user's keeps its folder. Returns how many went.
int removeMp3s(const QList<RecordedMp3>& gone, const QString& root);

}  // namespace lumivox::library
