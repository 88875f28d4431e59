// The help file the build compiles: its pages, its start page and a contents list that a
// viewer reading the Chinese (PRC) code page shows as written.

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace {

const QString kHelpFile = QStringLiteral(LUMIVOX_BUILD_DIR "/help.chm");

QByteArray run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    EXPECT_TRUE(process.waitForFinished(20000)) << program.toStdString();
    EXPECT_EQ(process.exitCode(), 0) << program.toStdString();
    return process.readAllStandardOutput();
}

TEST(HelpFile, ListsItsPagesAndOpensAtTheIndex) {
    ASSERT_TRUE(QFile::exists(kHelpFile));
    const QByteArray listing = run("chmls", {"-n", "list", kHelpFile});
    for (const char* page : {"/index.html", "/files.html", "/choices.html", "/output.html",
                             "/options.html", "/temp.html", "/feedback.html", "/toc.hhc"}) {
        EXPECT_TRUE(listing.contains(QByteArray(page) + "\n")) << page;
    }
    const QByteArray system = run("chmls", {"printsystem", kHelpFile});
    EXPECT_TRUE(system.contains("Default topic from [options]  :index.html")) << system.data();
}

TEST(HelpFile, ContentsAreInTheChineseCodePage) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString toc = dir.filePath("toc.hhc");
    run("chmls", {"extract", kHelpFile, "/toc.hhc", toc});
    const QString text = QString::fromUtf8(run("iconv", {"-f", "GBK", "-t", "UTF-8", toc}));
    for (const char* title : {"选项设置", "输出文件的位置和名称", "临时文件"}) {
        EXPECT_TRUE(text.contains(QString::fromUtf8(title))) << title;
    }
}

}  // namespace
