// Where the program keeps its files: beside a portable or build-tree
// executable, per user for an installed one; the installed share folder.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>
#include <filesystem>
#include <fstream>

#include "core/common/ProgramFolder.h"

namespace fs = std::filesystem;
using namespace kurvex;

TEST(ProgramFolder, InstalledProgramKeepsSettingsPerUserAndFindsItsShareFolder) {
    const fs::path root = fs::temp_directory_path() / ("kurvex-layout-" + std::to_string(::getpid()));
    fs::remove_all(root);
    const fs::path config = root / "home/.config/kurvex";

    // An installed program: <prefix>/bin/kurvex beside <prefix>/share/kurvex,
    // its bin folder writable (as /usr/bin is for root).
    fs::create_directories(root / "usr/bin");
    fs::create_directories(root / "usr/share/kurvex/help");
    const fs::path installed = root / "usr/bin/kurvex";
    EXPECT_EQ(InstalledDataFolder(installed), root / "usr/share/kurvex");
    EXPECT_EQ(ProgramFolderFor(installed, config), config);

    // A build tree or portable copy: no share folder, its own folder is writable.
    fs::create_directories(root / "build/gui");
    const fs::path portable = root / "build/gui/kurvex";
    EXPECT_TRUE(InstalledDataFolder(portable).empty());
    EXPECT_EQ(ProgramFolderFor(portable, config), root / "build/gui");

    // A copy in a folder it may not write to keeps its files per user too
    // (root may write anywhere, so only an ordinary user can see it).
    if (::geteuid() != 0) {
        fs::create_directories(root / "opt/kurvex");
        ::chmod((root / "opt/kurvex").c_str(), 0555);
        EXPECT_EQ(ProgramFolderFor(root / "opt/kurvex/kurvex", config), config);
        ::chmod((root / "opt/kurvex").c_str(), 0755);
    }

    // A file named share/kurvex is no installed layout.
    fs::create_directories(root / "odd/bin");
    fs::create_directories(root / "odd/share");
    std::ofstream(root / "odd/share/kurvex") << "x";
    EXPECT_TRUE(InstalledDataFolder(root / "odd/bin/kurvex").empty());
    fs::remove_all(root);
}

TEST(ProgramFolder, UserConfigFolderFollowsXdgConfigHome) {
    const char* saved = std::getenv("XDG_CONFIG_HOME");
    const std::string keep = saved ? saved : "";
    ::setenv("XDG_CONFIG_HOME", "/tmp/xdg-test", 1);
    EXPECT_EQ(UserConfigFolder(), fs::path("/tmp/xdg-test/kurvex"));
    ::unsetenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    if (home && *home) {
        EXPECT_EQ(UserConfigFolder(), fs::path(home) / ".config/kurvex");
    }
    if (saved) ::setenv("XDG_CONFIG_HOME", keep.c_str(), 1);
}
