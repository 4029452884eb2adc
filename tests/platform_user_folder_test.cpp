// Where an installed copy plays: telling an installed program from one in a
// build tree, the player's folder under the XDG data folder, and preparing
// it from the installed data without ever touching what the player has.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/user_folder.h"
#include "support/test_support.h"

namespace delver {
namespace {

namespace fs = std::filesystem;
using testing::ReadWholeFile;
using testing::ScratchDir;

std::vector<uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

// Writes a file, making its folders.
void WriteWholeFile(const fs::path& path, const std::vector<uint8_t>& bytes) {
    fs::create_directories(path.parent_path());
    testing::WriteWholeFile(path, bytes);
}

TEST(UserFolder, AnInstalledProgramIsToldByTheDataBesideIt) {
    ScratchDir dir;
    const fs::path prefix = dir.path() / "usr";
    fs::create_directories(prefix / "bin");
    const fs::path data = (prefix / "bin" / DELVER_INSTALLED_DATA).lexically_normal();
    // Not yet: the data folder is missing, then holds no overworld plan.
    EXPECT_TRUE(InstalledGameData(prefix / "bin" / "delver").empty());
    fs::create_directories(data / "map");
    EXPECT_TRUE(InstalledGameData(prefix / "bin" / "delver").empty());
    WriteWholeFile(data / "map" / "1.overworld", Bytes("plan"));
    EXPECT_EQ(InstalledGameData(prefix / "bin" / "delver"), data);
    // A program in a build tree, or one without a folder, is no installed copy.
    EXPECT_TRUE(InstalledGameData(dir.path() / "build" / "src" / "delver").empty());
    EXPECT_TRUE(InstalledGameData("delver").empty());
    EXPECT_TRUE(InstalledGameData("").empty());
}

TEST(UserFolder, LiesUnderTheXdgDataFolderElseTheHomeFolder) {
    EXPECT_EQ(UserGameFolder("/data/me", "/home/me"), fs::path("/data/me/delver"));
    EXPECT_EQ(UserGameFolder("", "/home/me"), fs::path("/home/me/.local/share/delver"));
    // A relative XDG_DATA_HOME is ignored; so is a relative home.
    EXPECT_EQ(UserGameFolder("data", "/home/me"), fs::path("/home/me/.local/share/delver"));
    EXPECT_TRUE(UserGameFolder("data", "home").empty());
    EXPECT_TRUE(UserGameFolder("", "").empty());
}

TEST(UserFolder, PreparingCopiesWhatIsMissingAndNeverTouchesThePlayersFiles) {
    ScratchDir dir;
    const fs::path installed = dir.path() / "installed";
    const fs::path user = dir.path() / "home" / ".local" / "share" / "delver";
    WriteWholeFile(installed / "bmp_cube" / "a.bmp", Bytes("picture a"));
    WriteWholeFile(installed / "bmp_cube" / "b.bmp", Bytes("picture b"));
    WriteWholeFile(installed / "map" / "1.overworld", Bytes("plan"));
    for (const char* f : {"bmp_cube/a.bmp", "bmp_cube/b.bmp", "map/1.overworld"})
        fs::permissions(installed / f, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    // The player already has a save and a picture of their own.
    WriteWholeFile(user / "map" / "SAVEGAME1.unit", Bytes("save"));
    WriteWholeFile(user / "bmp_cube" / "b.bmp", Bytes("my picture"));

    std::string error;
    for (int start = 0; start < 2; ++start) {  // the first start and a later one
        ASSERT_TRUE(PrepareUserGameFolder(installed, user, &error)) << error;
        EXPECT_EQ(ReadWholeFile(user / "bmp_cube" / "a.bmp"), Bytes("picture a"));
        EXPECT_EQ(ReadWholeFile(user / "map" / "1.overworld"), Bytes("plan"));
        EXPECT_EQ(ReadWholeFile(user / "bmp_cube" / "b.bmp"), Bytes("my picture"));
        EXPECT_EQ(ReadWholeFile(user / "map" / "SAVEGAME1.unit"), Bytes("save"));
    }
    // The copies are the player's to write (the game opens its images for
    // reading and writing), and no temporary file is left.
    for (const char* f : {"bmp_cube/a.bmp", "map/1.overworld"})
        EXPECT_NE(fs::status(user / f).permissions() & fs::perms::owner_write, fs::perms::none) << f;
    int files = 0;
    for (const auto& e : fs::recursive_directory_iterator(user)) files += e.is_regular_file() ? 1 : 0;
    EXPECT_EQ(files, 4);
    // A lost picture comes back on the next start.
    fs::remove(user / "bmp_cube" / "a.bmp");
    ASSERT_TRUE(PrepareUserGameFolder(installed, user, &error)) << error;
    EXPECT_EQ(ReadWholeFile(user / "bmp_cube" / "a.bmp"), Bytes("picture a"));
}

TEST(UserFolder, PreparingFailsWithOneLineWhenTheFolderCannotBeMade) {
    ScratchDir dir;
    WriteWholeFile(dir.path() / "installed" / "map" / "1.overworld", Bytes("plan"));
    WriteWholeFile(dir.path() / "share", Bytes("a file where the folder should be"));
    std::string error;
    EXPECT_FALSE(PrepareUserGameFolder(dir.path() / "installed", dir.path() / "share" / "delver", &error));
    EXPECT_NE(error.find("share"), std::string::npos) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos);
    error.clear();
    EXPECT_FALSE(PrepareUserGameFolder(dir.path() / "missing", dir.path() / "user", &error));
    EXPECT_NE(error.find("missing"), std::string::npos) << error;
}

}  // namespace
}  // namespace delver
