#include "filelist/filelistmodel.h"

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QSignalSpy>

using lumivox::FileListModel;

namespace {

// The rows as the user sees them (file name, format) and the queue the batch walks, both against
// the literal entries expected.
void expectEntries(const FileListModel& model, const QList<std::pair<QString, QString>>& expected) {
    ASSERT_EQ(model.rowCount(), expected.size());
    ASSERT_EQ(model.FileCount(), expected.size());
    QStringList paths;
    for (int row = 0; row < expected.size(); ++row) {
        SCOPED_TRACE(row);
        const auto& [path, label] = expected.at(row);
        EXPECT_EQ(model.data(model.index(row, FileListModel::PathColumn)).toString(), path);
        EXPECT_EQ(model.data(model.index(row, FileListModel::FormatColumn)).toString(), label);
        EXPECT_EQ(model.FilePathAt(row), path);
        paths << path;
    }
    EXPECT_EQ(model.paths(), paths);
}

// Collects the warnings QAbstractItemModelTester reports.
QStringList* g_modelWarnings = nullptr;
void recordWarning(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (g_modelWarnings != nullptr && type != QtDebugMsg && type != QtInfoMsg) {
        g_modelWarnings->append(message);
    }
}

}  // namespace

TEST(FormatLabel, LastFourCharactersUpperCaseAfterTrimmingSpaces) {
    EXPECT_EQ(lumivox::formatLabelFor("/m/x.flac"), "FLAC");
    EXPECT_EQ(lumivox::formatLabelFor("/m/x.FlAc"), "FLAC");
    EXPECT_EQ(lumivox::formatLabelFor("/m/x.mp3"), ".MP3");
    EXPECT_EQ(lumivox::formatLabelFor("/m/x.wav"), ".WAV");
    EXPECT_EQ(lumivox::formatLabelFor("abc"), "ABC");
    EXPECT_EQ(lumivox::formatLabelFor("  /m/x.flac   "), "FLAC");
    EXPECT_EQ(lumivox::formatLabelFor("/music/Live"), "LIVE");
    EXPECT_EQ(lumivox::formatLabelFor(""), "");
    EXPECT_EQ(lumivox::formatLabelFor("   "), "");
    // Only spaces are trimmed: a tab is part of the name.
    EXPECT_EQ(lumivox::formatLabelFor("/m/x.mp3\t"), "MP3\t");
}

TEST(FormatLabel, ALosslessFormatShowsItsOwnSuffix) {
    const struct {
        const char* path;
        const char* label;
    } cases[] = {{"/m/x.wv", ".WV"},   {"/m/x.ape", ".APE"},  {"/m/x.TTA", ".TTA"},
                 {"/m/x.m4a", ".M4A"}, {"/m/x.aiff", "AIFF"}, {"/m/x.aif", ".AIF"},
                 {"/m/x.dsf", ".DSF"}, {"/m/x.flac", "FLAC"}, {"  /m/x.wv ", ".WV"}};
    for (const auto& c : cases) {
        EXPECT_EQ(lumivox::formatLabelFor(QString::fromUtf8(c.path)), c.label) << c.path;
    }
}

TEST(ParsePath, FolderPartEndsAtTheLastSlashOnly) {
    EXPECT_EQ(lumivox::ParsePath("/a/b.flac"), "/a/");
    EXPECT_EQ(lumivox::ParsePath("b.flac"), "");
    EXPECT_EQ(lumivox::ParsePath("/b.flac"), "/");
    EXPECT_EQ(lumivox::ParsePath("/a/b/"), "/a/b/");
    EXPECT_EQ(lumivox::ParsePath(""), "");
    // Neither the backslash nor the drive colon separates on Linux.
    EXPECT_EQ(lumivox::ParsePath("C:b.flac"), "");
    EXPECT_EQ(lumivox::ParsePath("a\\b.flac"), "");
    EXPECT_EQ(lumivox::ParsePath("/x/C:a\\b.flac"), "/x/");
}

TEST(FileListModel, ShowsTwoColumnsWithTheirHeadersAndPathTooltips) {
    FileListModel model;
    model.AddFileEntry("/music/a.flac");
    EXPECT_EQ(model.columnCount(), 2);
    EXPECT_EQ(model.headerData(0, Qt::Horizontal).toString(), "文件名");
    EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), "格式");
    EXPECT_EQ(model.data(model.index(0, 0)).toString(), "/music/a.flac");
    EXPECT_EQ(model.data(model.index(0, 1)).toString(), "FLAC");
    EXPECT_EQ(model.data(model.index(0, 0), Qt::ToolTipRole).toString(), "/music/a.flac");
    EXPECT_EQ(model.data(model.index(0, 1), Qt::ToolTipRole).toString(), "/music/a.flac");
    EXPECT_FALSE(model.data(model.index(1, 0)).isValid());
    EXPECT_EQ(model.rowCount(model.index(0, 0)), 0);
}

TEST(FileListModel, RowsAndQueueStayInStepThroughEveryOperation) {
    FileListModel model;
    QStringList warnings;
    g_modelWarnings = &warnings;
    const QtMessageHandler previous = qInstallMessageHandler(recordWarning);
    {
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::Warning);
        model.AddFileEntry("/m/a.flac");
        model.AddFileEntry("/m/a.flac");  // no duplicate check: two rows
        model.addFileEntries({"/m/b.mp3", "/m/c.wav", "/m/d"});
        model.addFileEntries({});
        expectEntries(model, {{"/m/a.flac", "FLAC"},
                              {"/m/a.flac", "FLAC"},
                              {"/m/b.mp3", ".MP3"},
                              {"/m/c.wav", ".WAV"},
                              {"/m/d", "/M/D"}});
        EXPECT_EQ(model.entryAt(1).FormatLabel, "FLAC");

        EXPECT_TRUE(model.removeEntryAt(2));
        EXPECT_TRUE(model.RemoveFirstEntry());
        expectEntries(model, {{"/m/a.flac", "FLAC"}, {"/m/c.wav", ".WAV"}, {"/m/d", "/M/D"}});

        EXPECT_TRUE(model.removeFirstEntryIf("/m/a.flac"));
        EXPECT_TRUE(model.ClearFileList([] {}));
        EXPECT_EQ(model.FileCount(), 0);
        EXPECT_FALSE(model.RemoveFirstEntry());
        expectEntries(model, {});
    }
    qInstallMessageHandler(previous);
    g_modelWarnings = nullptr;
    EXPECT_TRUE(warnings.isEmpty()) << warnings.join('\n').toStdString();
}

TEST(FileListModel, RemovalsAnnounceTheRowTheyRemove) {
    FileListModel model;
    model.addFileEntries({"/a", "/b", "/c"});
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
    ASSERT_TRUE(model.removeEntryAt(1));
    ASSERT_EQ(removed.count(), 1);
    EXPECT_EQ(removed.at(0).at(1).toInt(), 1);
    EXPECT_EQ(removed.at(0).at(2).toInt(), 1);
    EXPECT_EQ(model.paths(), QStringList({"/a", "/c"}));
}

TEST(FileListModel, RemoveEntryAtOutOfRangeChangesNothing) {
    FileListModel model;
    EXPECT_FALSE(model.removeEntryAt(0));
    model.addFileEntries({"/a", "/b"});
    QSignalSpy removed(&model, &QAbstractItemModel::rowsAboutToBeRemoved);
    EXPECT_FALSE(model.removeEntryAt(-1));
    EXPECT_FALSE(model.removeEntryAt(2));
    EXPECT_EQ(removed.count(), 0);
    EXPECT_EQ(model.paths(), QStringList({"/a", "/b"}));
    EXPECT_EQ(model.FilePathAt(-1), "");
    EXPECT_EQ(model.FilePathAt(2), "");
}

TEST(FileListModel, BatchRemovesTheHeadOnlyWhenItIsStillTheFileItConverted) {
    FileListModel model;
    EXPECT_FALSE(model.removeFirstEntryIf(""));
    model.addFileEntries({"/a.flac", "/b.flac"});
    model.setHeld(true);
    EXPECT_FALSE(model.removeFirstEntryIf("/b.flac"));
    EXPECT_FALSE(model.removeFirstEntryIf("/A.flac"));
    EXPECT_EQ(model.FileCount(), 2);
    EXPECT_TRUE(model.removeFirstEntryIf("/a.flac"));
    EXPECT_EQ(model.paths(), QStringList({"/b.flac"}));
}

TEST(FileListModel, HeldListRefusesEveryOtherRoute) {
    FileListModel model;
    model.addFileEntries({"/a", "/b"});
    model.setHeld(true);
    ASSERT_TRUE(model.isHeld());
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsAboutToBeInserted);
    QSignalSpy removed(&model, &QAbstractItemModel::rowsAboutToBeRemoved);
    int served = 0;
    EXPECT_FALSE(model.AddFileEntry("/c"));
    EXPECT_FALSE(model.addFileEntries({"/c", "/d"}));
    EXPECT_FALSE(model.addFileEntries({}));
    EXPECT_FALSE(model.RemoveFirstEntry());
    EXPECT_FALSE(model.removeEntryAt(0));
    EXPECT_FALSE(model.ClearFileList([&] { ++served; }));
    EXPECT_EQ(served, 0);
    EXPECT_EQ(inserted.count(), 0);
    EXPECT_EQ(removed.count(), 0);
    EXPECT_EQ(model.paths(), QStringList({"/a", "/b"}));

    model.setHeld(false);
    EXPECT_TRUE(model.AddFileEntry("/c"));
    EXPECT_EQ(model.FileCount(), 3);
}

TEST(ClearFileList, RemovesTheOriginalEntriesFromTheFrontServingEventsAfterEach) {
    FileListModel model;
    model.addFileEntries({"/a", "/b", "/c"});
    QStringList seenHeads;
    EXPECT_TRUE(model.ClearFileList([&] { seenHeads.append(model.FilePathAt(0)); }));
    EXPECT_EQ(seenHeads, QStringList({"/b", "/c", ""}));
    EXPECT_EQ(model.FileCount(), 0);
    EXPECT_TRUE(model.ClearFileList([] { FAIL() << "nothing to remove, nothing to serve"; }));
}

TEST(ClearFileList, EntriesAddedOrRemovedWhileServingEventsAreRespected) {
    FileListModel model;
    model.addFileEntries({"/a", "/b", "/c", "/d"});
    int served = 0;
    EXPECT_TRUE(model.ClearFileList([&] {
        ++served;
        if (served == 1) {
            model.AddFileEntry("/new1");
            // The user removes an original entry in between: no appended entry pays for it.
            model.removeEntryAt(1);
        }
        if (served == 2) {
            model.AddFileEntry("/new2");
        }
    }));
    EXPECT_EQ(served, 3);
    expectEntries(model, {{"/new1", "NEW1"}, {"/new2", "NEW2"}});
}

TEST(ClearFileList, StopsWhenABatchTakesTheListOverMeanwhile) {
    FileListModel model;
    model.addFileEntries({"/a", "/b", "/c"});
    int served = 0;
    EXPECT_TRUE(model.ClearFileList([&] {
        ++served;
        model.setHeld(true);
    }));
    EXPECT_EQ(served, 1);
    EXPECT_EQ(model.paths(), QStringList({"/b", "/c"}));
}

TEST(ClearFileList, NestedClearFromAnEventLeavesTheOuterOneConsistent) {
    FileListModel model;
    model.addFileEntries({"/a", "/b", "/c"});
    bool nested = false;
    EXPECT_TRUE(model.ClearFileList([&] {
        if (!nested) {
            nested = true;
            model.AddFileEntry("/late");
            model.ClearFileList([] {});  // the second remove-all takes "/late" as well
        }
    }));
    EXPECT_EQ(model.FileCount(), 0);
}
