#pragma once

#include <QString>
#include <QStringList>

namespace lumivox::album {

// Where an entry goes below the output folder when the source folders are kept: the name of the
// folder it was found under and the way down from there, ending in the separator. Empty for a
// file added by itself, or one that does not lie below that folder.
//   ("/music/Artist A/Album 1/01.flac", "/music/Artist A") -> "Artist A/Album 1/"
QString mirroredSubfolder(const QString& entryPath, const QString& foundUnder);

// Whether a name is one of those: cover, folder or front with .jpg, .jpeg or .png, any case.
bool isCoverName(const QString& name);

// The cover pictures a folder holds, by name: cover, folder or front with .jpg, .jpeg or .png,
// in any letter case.
QStringList coverFiles(const QString& folder);

// Copies the cover pictures of fromFolder into toFolder under their own names; a name toFolder
// holds already is never written over. Returns how many were copied.
int copyCoverFiles(const QString& fromFolder, const QString& toFolder);

}  // namespace lumivox::album
