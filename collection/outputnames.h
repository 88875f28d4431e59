#pragma once

#include <QString>

namespace lumivox {

// Longest file name the file system takes, in bytes of its encoded form.
inline constexpr qsizetype kMaxNameBytes = 255;

// The stem, shortened at a whole character when needed, so that stem + tail fits in
// kMaxNameBytes: a long name must not fail only because of the suffix we add.
QString fitStem(const QString& stem, const QString& tail);

// A name with what a file name cannot hold (on this system or on the FAT stick it may be copied
// to) replaced by "_", and no leading or trailing blanks and dots: "AC/DC: Live?" -> "AC_DC_
// Live_".
QString fileNameSafe(const QString& text);

// Whether a name is in use; a dangling link counts, since writing to it would write through it.
bool isNameTaken(const QString& path);

}  // namespace lumivox
