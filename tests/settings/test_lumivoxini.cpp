#include "settings/lumivoxini.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "engine/base/apppaths.h"

using namespace lumivox;
using namespace lumivox::settings;

namespace {

class LumivoxIni : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        paths::setAppFolderOverride(dir_.path());
    }
    void TearDown() override { paths::setAppFolderOverride({}); }

    void writeIni(const QByteArray& text) {
        QFile f(paths::lumivoxIniPath());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }

    QTemporaryDir dir_;
};

// A hand-edited or damaged value reads as the setting's own default, never as the other state.
TEST_F(LumivoxIni, SwitchesReadOnlyAPlainYesOrNo) {
    struct Case {
        QByteArray stored;
        bool offByDefault;  // KeepSourceFolders
        bool onByDefault;   // CueSplit
    };
    const Case cases[] = {
        {"", false, true},       {"true", true, true}, {"1", true, true},    {" TRUE ", true, true},
        {"false", false, false}, {"0", false, false},  {"off", false, true}, {"yes", false, true},
    };
    for (const Case& c : cases) {
        writeIni("[Output]\nKeepSourceFolders=" + c.stored + "\n[Cue]\nSplit=" + c.stored + "\n");
        EXPECT_EQ(load(ini::KeepSourceFolders), c.offByDefault) << c.stored.constData();
        EXPECT_EQ(load(ini::CueSplit), c.onByDefault) << c.stored.constData();
    }
}

TEST_F(LumivoxIni, ChoicesOutsideTheirValuesReadAsTheDefault) {
    writeIni("[Tags]\nId3Version=2.2\n");
    EXPECT_EQ(load(ini::Id3Version), "2.4");
    writeIni("[Tags]\nId3Version= 2.3\n");
    EXPECT_EQ(load(ini::Id3Version), "2.3");
}

TEST_F(LumivoxIni, EveryKindRoundTripsAndKeepsTheOthers) {
    EXPECT_EQ(load(ini::CueCodePage), QString()) << "no file: the default";
    ASSERT_TRUE(save(ini::KeepSourceFolders, true));
    ASSERT_TRUE(save(ini::Id3Version, QStringLiteral("2.3")));
    ASSERT_TRUE(save(ini::CueSplit, false));
    ASSERT_TRUE(save(ini::CueCodePage, QStringLiteral("GB18030")));
    EXPECT_TRUE(load(ini::KeepSourceFolders));
    EXPECT_EQ(load(ini::Id3Version), "2.3");
    EXPECT_FALSE(load(ini::CueSplit));
    EXPECT_EQ(load(ini::CueCodePage), "GB18030");
}

}  // namespace
