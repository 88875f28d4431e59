#pragma once

#include <QString>

namespace lumivox::fat {

// Longest path below the output folder that car stereos and Windows still open from a FAT32
// card, in UTF-16 code units.
inline constexpr qsizetype kMostPathUnits = 239;
// Longest name a FAT long file name holds, in UTF-16 code units.
inline constexpr qsizetype kMostNameUnits = 255;

// One file or folder name as a FAT32 card takes it, the same every time:
//   " * : < > ? \ |  as their full-width look-alikes (＂＊：＜＞？＼｜), "/" and control
//   characters as "_"; no trailing dots or spaces; a DOS device name (CON, PRN, AUX, NUL, COM1-9,
//   LPT1-9, any case, any extension) gets "_" after its stem ("con.mp3" -> "con_.mp3"); cut at a
//   whole character to `mostUnits`, the extension kept.
//   "AC/DC: Live?.mp3" -> "AC_DC： Live？.mp3"
QString name(const QString& text, qsizetype mostUnits = kMostNameUnits);

// A file name made of a stem and what the program adds to it ("_14305 (2).mp3"), the stem cut
// first so that the whole is at most `mostUnits`; the same rules as name().
QString fileName(const QString& stem, const QString& tail, qsizetype mostUnits = kMostNameUnits);

// A path below the output folder ("Artist/Album/01 - Song.mp3", "/" between names, a trailing
// "/" for a folder), each name as above, names shortened from the last one on until the whole
// is at most kMostPathUnits.
QString path(const QString& relative);

// Whether a file of that name, in any letter case, is in its folder: FAT ignores case, so two
// names differing only in case would meet on the card.
bool isTakenIgnoringCase(const QString& filePath);

}  // namespace lumivox::fat
