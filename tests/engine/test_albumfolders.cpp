// Where a scanned file lands when the source folders are kept, and which pictures count as the
// folder's cover.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "engine/albumfolders.h"

using namespace lumivox;

namespace {

TEST(AlbumFolders, AScannedFileGoesBelowTheScannedFoldersName) {
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

TEST(AlbumFolders, CoversAreFoundInAnyCaseInOrderAndNeverCopiedOverAFile) {
    QTemporaryDir from;
    QTemporaryDir to;
    for (const char* name :
         {"front.jpeg", "Folder.JPG", "back.jpg", "cover.jpg.txt", "COVER.png"}) {
        QFile file(from.filePath(QString::fromUtf8(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(name);
    }
    QDir(from.path()).mkdir("cover.jpg");  // a folder, not a picture
    EXPECT_EQ(album::coverFiles(from.path()),
              (QStringList{"COVER.png", "Folder.JPG", "front.jpeg"}));

    QFile mine(to.filePath("Folder.JPG"));
    ASSERT_TRUE(mine.open(QIODevice::WriteOnly));
    mine.write("mine");
    mine.close();
    EXPECT_EQ(album::copyCoverFiles(from.path(), to.path()), 2);
    ASSERT_TRUE(mine.open(QIODevice::ReadOnly));
    EXPECT_EQ(mine.readAll(), "mine");
    QFile copied(to.filePath("COVER.png"));
    ASSERT_TRUE(copied.open(QIODevice::ReadOnly));
    EXPECT_EQ(copied.readAll(), "COVER.png");
}

}  // namespace
