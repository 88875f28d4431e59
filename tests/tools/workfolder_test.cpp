// Where MEncoder is run: only the private folder the program hands over.
#include "tools/workfolder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

TEST(WorkFolder, OnlyTheProgramsOwnRealFolderWithoutASpace) {
    char scratch[] = "/tmp/workfolder_test.XXXXXX";
    ASSERT_NE(mkdtemp(scratch), nullptr);
    const std::string root = scratch;
    ASSERT_EQ(mkdir((root + "/tmp").c_str(), 0700), 0);
    ASSERT_EQ(mkdir((root + "/with space").c_str(), 0700), 0);
    ASSERT_EQ(symlink((root + "/tmp").c_str(), (root + "/link").c_str()), 0);
    // A folder the program did not name is never guessed, however likely it looks.
    ASSERT_EQ(mkdir((root + "/lumivox").c_str(), 0700), 0);
    ASSERT_EQ(mkdir((root + "/lumivox/tmp").c_str(), 0700), 0);
    setenv("XDG_CACHE_HOME", root.c_str(), 1);

    const struct {
        const char* given;  // nullptr: unset
        std::string expected;
    } cases[] = {
        {nullptr, ""}, {"tmp", root + "/tmp"}, {"link", ""}, {"with space", ""}, {"missing", ""}};
    for (const auto& c : cases) {
        if (c.given) {
            setenv("LUMIVOX_TMP", (root + "/" + c.given).c_str(), 1);
        } else {
            unsetenv("LUMIVOX_TMP");
        }
        EXPECT_EQ(lumivox::tools::programWorkFolder(), c.expected) << (c.given ? c.given : "unset");
    }
    unsetenv("LUMIVOX_TMP");
    unsetenv("XDG_CACHE_HOME");
    std::filesystem::remove_all(root);
}

}  // namespace
