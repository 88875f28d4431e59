// The folder walk on trees the tests make: what matches, in which order, and the trees that
// would hang or crash a naive walk.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "filelist/folderscan.h"
#include "filelist/losslessnames.h"

using namespace lumivox;

namespace {

class FolderScanTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }

    QString root() const { return dir_.path(); }
    void touch(const QString& relative) {
        QDir().mkpath(QFileInfo(dir_.filePath(relative)).path());
        QFile file(dir_.filePath(relative));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    void mkdir(const QString& relative) { ASSERT_TRUE(QDir().mkpath(dir_.filePath(relative))); }
    QStringList scan(const QString& folder) {
        QStringList results;
        FolderScan().SearchFolder(folder, results);
        return results;
    }
    // Results relative to the root, for readable expectations.
    QStringList relative(const QStringList& results) {
        QStringList names;
        for (const QString& path : results) {
            names << path.mid(root().size() + 1);
        }
        return names;
    }

    QTemporaryDir dir_;
};

TEST_F(FolderScanTest, CollectsFlacNamesInAnyCaseAndNothingElse) {
    for (const char* name :
         {"a.flac", "B.FLAC", "c.Flac", "d.mp3", "e.flac.bak", ".flac", "flac", "f.flac "}) {
        touch(name);
    }
    mkdir("x.flac");  // a folder is searched, never added
    touch("x.flac/inner.flac");
    touch("   /spaced.flac");  // a folder named only with spaces is searched too
    EXPECT_EQ(relative(scan(root())), (QStringList{".flac", "a.flac", "B.FLAC", "c.Flac", "f.flac ",
                                                   "   /spaced.flac", "x.flac/inner.flac"}));
}

// The other lossless formats only when the option asks for them; ".flac" alone otherwise.
TEST_F(FolderScanTest, CollectsEveryLosslessFormatOnlyWhenAsked) {
    for (const char* name :
         {"01.ape", "02.WV", "03.tta", "04.tak", "05.m4a", "06.wav", "07.aif", "08.AIFF", "09.dsf",
          "10.dff", "11.flac", "12.mp3", "13.ogg", "14.cue", "15.ape.txt", "Disc/16.Ape"}) {
        touch(name);
    }
    EXPECT_EQ(relative(scan(root())), QStringList{"11.flac"});
    FolderScan all;
    all.setAllLossless(true);
    QStringList results;
    all.SearchFolder(root(), results);
    EXPECT_EQ(relative(results),
              (QStringList{"01.ape", "02.WV", "03.tta", "04.tak", "05.m4a", "06.wav", "07.aif",
                           "08.AIFF", "09.dsf", "10.dff", "11.flac", "Disc/16.Ape"}));
}

TEST(LosslessNames, TheDialogFilterListsEveryFormat) {
    const QString filter = losslessDialogFilter();
    EXPECT_TRUE(filter.startsWith(QStringLiteral("所有无损音频(*.flac, *.ape, ")));
    const QString patterns = filter.section(u'|', 1);
    EXPECT_EQ(patterns.split(u' ').size(), losslessSuffixes().size());
    for (const char* suffix : {"*.ape", "*.wv", "*.tta", "*.tak", "*.m4a", "*.wav", "*.aiff",
                               "*.aif", "*.dsf", "*.dff", "*.flac"}) {
        EXPECT_TRUE(patterns.split(u' ').contains(QString::fromLatin1(suffix))) << suffix;
    }
    EXPECT_FALSE(isLosslessName(QStringLiteral("song.mp3")));
    EXPECT_FALSE(isLosslessName(QStringLiteral("ape")));
}

TEST_F(FolderScanTest, OwnFilesFirstThenSubfoldersDepthFirstInFileManagerOrder) {
    for (const char* name : {"Track 10.flac", "Track 2.flac", "track 1.flac", "CD2/b.flac",
                             "CD10/a.flac", "CD2/deep/z.flac", "CD2/a.flac", "zz.flac"}) {
        touch(name);
    }
    EXPECT_EQ(relative(scan(root())),
              (QStringList{"track 1.flac", "Track 2.flac", "Track 10.flac", "zz.flac", "CD2/a.flac",
                           "CD2/b.flac", "CD2/deep/z.flac", "CD10/a.flac"}));
}

// A walk once stopped at 200 subfolders of a folder and left the rest out without a word.
TEST_F(FolderScanTest, SearchesEverySubfolderInOrder) {
    for (const int count : {201, 2000}) {
        QTemporaryDir tree;
        for (int i = 1; i <= count; ++i) {
            const QByteArray folder =
                QFile::encodeName(tree.filePath(QStringLiteral("d%1").arg(i)));
            ASSERT_EQ(::mkdir(folder.constData(), 0700), 0);
            const int fd = ::open((folder + "/x.flac").constData(), O_CREAT | O_WRONLY, 0600);
            ASSERT_GE(fd, 0);
            ::close(fd);
        }
        QStringList found;
        FolderScan().SearchFolder(tree.path(), found);
        ASSERT_EQ(found.size(), count);
        for (int i = 1; i <= count; ++i) {
            ASSERT_EQ(found[i - 1], tree.filePath(QStringLiteral("d%1/x.flac").arg(i)));
        }
    }
}

TEST_F(FolderScanTest, EntersNoFolderTwiceSoLinkLoopsEnd) {
    touch("music/a.flac");
    ASSERT_EQ(
        ::symlink(root().toUtf8().constData(), dir_.filePath("music/up").toUtf8().constData()), 0);
    ASSERT_EQ(::symlink(dir_.filePath("music").toUtf8().constData(),
                        dir_.filePath("again").toUtf8().constData()),
              0);
    EXPECT_EQ(relative(scan(root())), QStringList{"again/a.flac"});
}

TEST_F(FolderScanTest, UnreadableAndMissingFoldersContributeNothing) {
    EXPECT_TRUE(scan(dir_.filePath("missing")).isEmpty());
    touch("a/1.flac");
    touch("locked/2.flac");
    touch("z/3.flac");
    ASSERT_TRUE(QFile::setPermissions(dir_.filePath("locked"), QFileDevice::Permissions()));
    const QStringList found = relative(scan(root()));
    QFile::setPermissions(dir_.filePath("locked"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    if (geteuid() == 0) {
        EXPECT_EQ(found, (QStringList{"a/1.flac", "locked/2.flac", "z/3.flac"}));
    } else {
        EXPECT_EQ(found, (QStringList{"a/1.flac", "z/3.flac"}));
    }
}

// Albums unpacked from archives made on older systems: each folder's names in one code page,
// shown readable, with the true bytes kept to reach the file.
TEST_F(FolderScanTest, NamesThatAreNotUtf8AreShownReadableAndKeepTheirBytes) {
    struct Name {
        QByteArray bytes;
        QString shown;
    };
    const QList<Name> tree{
        {"\xb4\xba/\xb4\xba\xcc\xec.flac", u"春/春天.flac"_qs},  // GBK
        {"\xb4\xba/\xd4\xc2\xc1\xc1.flac", u"春/月亮.flac"_qs},
        {"\xaa\x46\xa8\xca/\xa9\x5d\xa8\xd3\xad\xbb.flac", u"東京/夜來香.flac"_qs},  // Big5
        {"\x93\x8c\x8b\x9e/\x82\xb3\x82\xad\x82\xe7.flac", u"東京/さくら.flac"_qs},  // Shift-JIS
        {"latin/Caf\xe9.flac", u"latin/Café.flac"_qs},                               // Latin-1
        {"latin/M\xfcller.flac", u"latin/Müller.flac"_qs},
        {"utf8/\xe6\x98\xa5.flac", u"utf8/春.flac"_qs},
    };
    const QByteArray base = QFile::encodeName(root()) + '/';
    for (const Name& name : tree) {
        const QByteArray path = base + name.bytes;
        ::mkdir(path.left(path.lastIndexOf('/')).constData(), 0700);
        const int fd = ::open(path.constData(), O_CREAT | O_WRONLY, 0600);
        ASSERT_GE(fd, 0) << path.constData();
        ::close(fd);
    }
    QStringList found;
    QList<QByteArray> natives;
    FolderScan().SearchFolder(root(), found, &natives);
    ASSERT_EQ(found.size(), tree.size());
    ASSERT_EQ(natives.size(), tree.size());
    for (const Name& name : tree) {
        const qsizetype at = found.indexOf(root() + u'/' + name.shown);
        ASSERT_GE(at, 0) << qPrintable(name.shown) << " in " << qPrintable(found.join(u'|'));
        EXPECT_EQ(natives[at], name.bytes.startsWith("utf8") ? QByteArray() : base + name.bytes);
    }
    for (const Name& name : tree) {
        ::unlink((base + name.bytes).constData());  // QTemporaryDir cannot name them to remove
        ::rmdir((base + name.bytes.left(name.bytes.indexOf('/'))).constData());
    }
}

TEST_F(FolderScanTest, ServesEventsWhileWalkingAndStopsWhenCancelled) {
    for (int i = 0; i < 50; ++i) {
        touch(QStringLiteral("d%1/x.flac").arg(i));
    }
    int serves = 0;
    FolderScan* self = nullptr;
    FolderScan scanner(
        [&] {
            ++serves;
            EXPECT_TRUE(self->isRunning());
            if (serves == 5) {
                self->cancel();
            }
        },
        0);
    self = &scanner;
    QStringList results;
    scanner.SearchFolder(root(), results);
    EXPECT_EQ(serves, 5);
    EXPECT_LT(results.size(), 50);
    EXPECT_FALSE(scanner.isRunning());

    results.clear();
    serves = 100;  // a new walk starts afresh after a cancelled one
    scanner.SearchFolder(root(), results);
    EXPECT_EQ(results.size(), 50);

    // However quick the walk, the window is served once as it starts, and a cancel there holds.
    int quickServes = 0;
    FolderScan quick(
        [&] {
            ++quickServes;
            self->cancel();
        },
        3'600'000);
    self = &quick;
    results.clear();
    quick.SearchFolder(root(), results);
    EXPECT_EQ(quickServes, 1);
    EXPECT_TRUE(results.isEmpty());
}

}  // namespace
