// Where a scanned file lands when the source folders are kept.

#include <gtest/gtest.h>

#include "collection/albumfolders.h"

using namespace lumivox;

namespace {

TEST(MirroredSubfolder, AScannedFileGoesBelowTheScannedFoldersName) {
    struct Case {
        const char* entry;
        const char* foundUnder;
        const char* expected;
    };
    const Case cases[] = {
        {"/music/Artist A/Album 1/01.flac", "/music/Artist A", "Artist A/Album 1/"},
        {"/music/Artist A/01.flac", "/music/Artist A", "Artist A/"},
        {"/music/Artist A//01.flac", "/music/Artist A/", "Artist A/"},
        {"//Album/01.flac", "/", "Album/"},  // the root picked: its results begin with "//"
        {"//01.flac", "/", ""},
        {"/music/Artist AB/01.flac", "/music/Artist A", ""},  // not below it: stays flat
        {"/music/Artist A/01.flac", "", ""},                  // added by itself
    };
    for (const Case& c : cases) {
        EXPECT_EQ(
            album::mirroredSubfolder(QString::fromUtf8(c.entry), QString::fromUtf8(c.foundUnder)),
            QString::fromUtf8(c.expected))
            << c.entry << " under " << c.foundUnder;
    }
}

}  // namespace
