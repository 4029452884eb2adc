// Saves that are killed, fail or compete: a slot must always load as
// wholly the old game or wholly the new one. A save runs in a child
// process that the file operation hook kills at every operation; errors
// are injected at every operation; a full disk is a small tmpfs (where the
// test may mount one); two processes save one slot at once; game files
// that are FIFOs or read-only are read, or refused, without hanging.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "persist/overworld.h"
#include "persist/save_slots.h"
#include "platform/file_faults.h"
#include "platform/files.h"
#include "support/fake_platform.h"
#include "support/slot_game.h"
#include "support/slot_progress_log.h"
#include "support/test_support.h"

namespace delver {
namespace {

namespace fs = std::filesystem;
using testing::ReadWholeFile;
using testing::ScratchDir;
using testing::SlotBytes;
using testing::WriteWholeFile;

// A game without a window: the saves report their progress to a log and
// draw nothing, so that a forked child needs no OpenGL. Where the test
// may mount one, the game folder is a tmpfs: a kill needs no disk behind
// the files, and flushing hundreds of megabytes to one would take minutes.
class SaveCrash : public ::testing::Test, protected testing::SlotGame {
protected:
    void SetUp() override {
        dir.Enter();
        fs::create_directory("game");
        tmpfs = geteuid() == 0 && mount("tmpfs", "game", "tmpfs", 0, "size=200m") == 0;
        fs::current_path("game");
        fs::create_directory("map");
    }
    void TearDown() override {
        unsetenv("DELVER_FILE_FAULT");
        fs::current_path(dir.path());
        if (tmpfs) umount2((dir.path() / "game").c_str(), MNT_DETACH);
    }

    SlotBytes OnDisk(int slot = 1) {
        SlotBytes out;
        for (int f = 0; f < SlotFileCount; ++f) out[f] = ReadWholeFile(NativePath(SaveSlotPath(slot, f)));
        return out;
    }
    void PutSlot(const SlotBytes& bytes) {
        for (int f = 0; f < SlotFileCount; ++f) WriteWholeFile(NativePath(SaveSlotPath(1, f)), bytes[f]);
    }
    // The game folder made read-only, or writable again: a remount where
    // it is a tmpfs (root may write past any mode), else the folder's mode.
    void SetReadOnly(bool on) {
        if (tmpfs) {
            ASSERT_EQ(
                mount(nullptr, (dir.path() / "game").c_str(), nullptr, MS_REMOUNT | (on ? MS_RDONLY : 0), nullptr), 0)
                << std::strerror(errno);
        } else {
            fs::permissions("map", on ? fs::perms::owner_read | fs::perms::owner_exec : fs::perms::owner_all);
        }
    }
    std::set<std::string> MapFiles() {
        std::set<std::string> out;
        for (const auto& e : fs::directory_iterator("map")) out.insert(e.path().filename().string());
        return out;
    }
    const std::set<std::string> slotFiles{"SAVEGAME1.flagmap", "SAVEGAME1.mainmap", "SAVEGAME1.unit",
                                          "SAVEGAME1.variables"};

    ScratchDir dir;
    bool tmpfs = false;
    testing::FakePlatform platform;
    testing::SlotProgressLog progress;
    SaveTarget target{grids, units, shell, camera, progress.Reporter()};
};

TEST_F(SaveCrash, AKillAtEveryFileOperationLeavesTheOldOrTheNewSlotWhole) {
    FillState(1);
    const SlotBytes oldSlot = Files();
    ASSERT_TRUE(SaveGame(target, 1));
    FillState(2);
    const SlotBytes newSlot = Files();
    for (int f = 0; f < SlotFileCount; ++f) ASSERT_NE(oldSlot[f], newSlot[f]);

    int kills = 0, endedOld = 0, endedNew = 0;
    for (int n = 0;; ++n) {
        PutSlot(oldSlot);
        FillState(2);
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            setenv("DELVER_FILE_FAULT", ("kill:" + std::to_string(n)).c_str(), 1);
            std::freopen("/dev/null", "w", stderr);  // the child's notes are not ours
            _exit(SaveGame(target, 1) ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        const bool killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
        if (!killed) {
            ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "at operation " << n;
        }

        // A folder that may only be read cannot be repaired: the load still
        // gives one whole game, read where it lies, and changes nothing.
        FillState(3);
        SetReadOnly(true);
        LoadGame(target, 1);
        SetReadOnly(false);
        ASSERT_TRUE(Files() == oldSlot || Files() == newSlot) << "a mixed read-only load at operation " << n;

        // The game starts on the folder (every other time straight into a
        // load, which recovers first) and loads the slot.
        FillState(3);
        if (n % 2 == 0) RecoverSaveSlots();
        LoadGame(target, 1);
        const SlotBytes now = OnDisk();
        const bool isOld = now == oldSlot, isNew = now == newSlot;
        ASSERT_TRUE(isOld || isNew) << "a mixed slot after a kill at operation " << n;
        EXPECT_EQ(Files(), isOld ? oldSlot : newSlot) << n;
        EXPECT_EQ(MapFiles(), slotFiles) << "left behind after a kill at operation " << n;
        (isOld ? endedOld : endedNew)++;
        if (!killed) break;
        ++kills;
    }
    // Every write, flush, the record and the renames: dozens of points.
    EXPECT_GE(kills, 60);
    EXPECT_GT(endedOld, 40);  // killed before the record was whole
    EXPECT_GT(endedNew, 10);  // killed once it was: the save was finished
}

TEST_F(SaveCrash, AnErrorAtAnyFileOperationKeepsTheOldSlotAndSaysSo) {
    FillState(1);
    ASSERT_TRUE(SaveGame(target, 1));
    const SlotBytes oldSlot = OnDisk();
    FillState(2);
    const SlotBytes newSlot = Files();

    std::set<std::string> failedKinds;
    for (int n = 0;; ++n) {
        PutSlot(oldSlot);
        progress.steps.clear();
        setenv("DELVER_FILE_FAULT", ("fail:" + std::to_string(n)).c_str(), 1);
        ::testing::internal::CaptureStderr();
        const bool saved = static_cast<bool>(SaveGame(target, 1));
        const std::string err = ::testing::internal::GetCapturedStderr();
        unsetenv("DELVER_FILE_FAULT");
        const char* kind = InjectedFileFault();
        if (!kind) {
            ASSERT_TRUE(saved);
            break;
        }
        const std::string what = kind;
        if (!saved) {
            failedKinds.insert(what);
            EXPECT_EQ(OnDisk(), oldSlot) << what << " at " << n;
            EXPECT_EQ(err.rfind("delver: saving slot 1 failed (", 0), 0u) << err;
            EXPECT_NE(err.find("injected I/O error); the old slot is kept\n"), std::string::npos) << err;
            if (what != "lock") {
                ASSERT_FALSE(progress.steps.empty());
                EXPECT_EQ(progress.steps.back().step, SlotProgress::Step::SaveFailed);
            }
        } else {
            // Only the tidying after the commit may fail without harm.
            EXPECT_TRUE(what == "remove" || what == "unlock") << what << " at " << n;
            EXPECT_EQ(OnDisk(), newSlot) << n;
            RecoverSaveSlots();
        }
        EXPECT_EQ(MapFiles(), slotFiles) << what << " at " << n;
    }
    for (const char* kind : {"lock", "create", "write", "flush", "close", "folder flush", "rename"})
        EXPECT_TRUE(failedKinds.count(kind)) << kind;
}

TEST_F(SaveCrash, ATornRecordIsRemovedAndAWholeOneIsFinishedByTheNextLoad) {
    CommitRecord record;
    for (int f = 0; f < SlotFileCount; ++f) {
        record.size[f] = SlotFileSize(f);
        record.crc[f] = 0xABCD0000u + static_cast<uint32_t>(f);
    }
    const std::string text = FormatCommitRecord(1, record);
    CommitRecord back;
    ASSERT_TRUE(ParseCommitRecord(1, text, back));
    EXPECT_EQ(back.crc[3], 0xABCD0003u);
    EXPECT_FALSE(ParseCommitRecord(2, text, back));  // another slot's names
    EXPECT_FALSE(ParseCommitRecord(1, text.substr(0, text.size() - 1), back));
    std::string flipped = text;
    flipped[30] ^= 1;
    EXPECT_FALSE(ParseCommitRecord(1, flipped, back));
    // A record promising other sizes than the slot's files have is torn,
    // checksummed or not: recovery never reads a 4 GiB "file" for it.
    record.size[0] = int64_t{4} << 30;
    EXPECT_FALSE(ParseCommitRecord(1, FormatCommitRecord(1, record), back));

    // The four new files and a record, as a save interrupted after its
    // record leaves them; once whole, once torn.
    FillState(1);
    ASSERT_TRUE(SaveGame(target, 1));
    const SlotBytes oldSlot = OnDisk();
    FillState(2);
    const SlotBytes newSlot = Files();
    for (int f = 0; f < SlotFileCount; ++f) {
        WriteWholeFile(NativePath(SaveSlotTempPath(1, f)), newSlot[f]);
        record.size[f] = static_cast<int64_t>(newSlot[f].size());
        record.crc[f] = Crc32(0, newSlot[f].data(), newSlot[f].size());
    }
    const std::string whole = FormatCommitRecord(1, record);
    WriteWholeFile(NativePath(SaveSlotCommitPath(1)), std::vector<uint8_t>(whole.begin(), whole.end() - 5));
    FillState(3);
    RecoverSaveSlots();
    EXPECT_EQ(OnDisk(), oldSlot);
    EXPECT_EQ(MapFiles(), slotFiles);

    for (int f = 0; f < SlotFileCount; ++f) WriteWholeFile(NativePath(SaveSlotTempPath(1, f)), newSlot[f]);
    WriteWholeFile(NativePath(SaveSlotCommitPath(1)), std::vector<uint8_t>(whole.begin(), whole.end()));
    ::testing::internal::CaptureStderr();
    LoadGame(target, 1);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "delver: slot 1: finished a save that had been interrupted\n");
    EXPECT_EQ(Files(), newSlot);
    EXPECT_EQ(OnDisk(), newSlot);
    EXPECT_EQ(MapFiles(), slotFiles);
}

TEST_F(SaveCrash, TwoProcessesSavingOneSlotNeverMixIt) {
    std::array<SlotBytes, 2> games;
    pid_t children[2];
    for (int c = 0; c < 2; ++c) {
        FillState(static_cast<uint8_t>(10 + c));
        games[c] = Files();
        children[c] = fork();
        ASSERT_GE(children[c], 0);
        if (children[c] == 0) {
            bool all = true;
            for (int i = 0; i < 3; ++i) all = SaveGame(target, 1) && all;
            _exit(all ? 0 : 1);
        }
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);  // the second waited for the first
    }
    const SlotBytes now = OnDisk();
    EXPECT_TRUE(now == games[0] || now == games[1]);
    EXPECT_EQ(MapFiles(), slotFiles);
}

// A disk failing from some rename on: the save's undo fails too. The save
// says the slot needs repair, a load in the same game (the disk still
// failing) reads the committed new game where it lies, creating nothing, and
// a start with another rename failing never moves a file over the old one.
TEST_F(SaveCrash, AFailedUndoSaysSoAndNoLaterLoadOrStartMixesTheSlot) {
    FillState(1);
    ASSERT_TRUE(SaveGame(target, 1));
    const SlotBytes oldSlot = OnDisk();
    FillState(2);
    const SlotBytes newSlot = Files();
    int repairs = 0;
    for (int from = 1; from <= 2 * SlotFileCount; ++from) {
        PutSlot(oldSlot);
        FillState(2);
        int renames = 0;
        SetFileFaultPolicy([&](const char* op) { return std::strcmp(op, "rename") == 0 && ++renames >= from; });
        ::testing::internal::CaptureStderr();
        const SlotResult saved = SaveGame(target, 1);
        const std::string err = ::testing::internal::GetCapturedStderr();
        ASSERT_FALSE(saved) << from;
        if (saved.outcome == SlotResult::Outcome::NeedsRepair) {
            ++repairs;
            EXPECT_NE(err.find("the slot needs repair"), std::string::npos) << err;
            EXPECT_TRUE(progress.steps.back().needsRepair);
        } else {
            EXPECT_EQ(OnDisk(), oldSlot) << from;
        }
        FillState(3);
        ::testing::internal::CaptureStderr();
        LoadGame(target, 1);
        ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(Files(), saved.outcome == SlotResult::Outcome::NeedsRepair ? newSlot : oldSlot) << from;
        for (int f = 0; f < SlotFileCount; ++f) {
            const std::string path = NativePath(SaveSlotPath(1, f));
            if (fs::exists(path)) {
                EXPECT_EQ(static_cast<int64_t>(fs::file_size(path)), SlotFileSize(f)) << from;
            }
        }
        renames = 0;
        SetFileFaultPolicy([&](const char* op) { return std::strcmp(op, "rename") == 0 && ++renames == 1; });
        ::testing::internal::CaptureStderr();
        RecoverSaveSlots();
        SetFileFaultPolicy(nullptr);
        FillState(3);
        LoadGame(target, 1);
        ::testing::internal::GetCapturedStderr();
        ASSERT_TRUE(OnDisk() == oldSlot || OnDisk() == newSlot) << from;
        EXPECT_EQ(Files(), OnDisk()) << from;
        EXPECT_EQ(MapFiles(), slotFiles) << from;
    }
    EXPECT_GE(repairs, SlotFileCount);
}

// Nothing is written outside the map folder or through a link: not by a
// file made where a link was planted, not by a load of a slot whose files
// are dangling links, not by a save replacing them. Slot files the player
// made read-only are not replaced. Files handed in are checked whole before
// the slot is touched, then committed as a save is.
TEST_F(SaveCrash, NothingIsWrittenOutsideAndOnlyWholeSlotsAreTakenIn) {
    fs::create_directory("../outside");
    const fs::path outside = fs::absolute("../outside");
    fs::create_symlink(outside / "planted", "map/SAVEGAME1.unit.tmp");
    GameFile made = GameFile::CreateNew(".\\map\\SAVEGAME1.unit.tmp");
    ASSERT_TRUE(made.IsOpen());
    EXPECT_EQ(made.Write("x", 1), 1u);
    made.Close();
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status("map/SAVEGAME1.unit.tmp")));
    fs::remove("map/SAVEGAME1.unit.tmp");
    for (int f = 0; f < SlotFileCount; ++f)
        fs::create_symlink(outside / std::to_string(f), NativePath(SaveSlotPath(1, f)));
    FillState(1);
    const SlotBytes game1 = Files();
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(LoadGame(target, 1).outcome, SlotResult::Outcome::Empty);
    EXPECT_TRUE(SaveGame(target, 1));
    ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(fs::is_empty(outside));
    EXPECT_EQ(OnDisk(), game1);
    EXPECT_EQ(MapFiles(), slotFiles);

    for (int f = 0; f < SlotFileCount; ++f)
        fs::permissions(NativePath(SaveSlotPath(1, f)), fs::perms::owner_read | fs::perms::group_read);
    FillState(2);
    const SlotBytes game2 = Files();
    ::testing::internal::CaptureStderr();
    const SlotResult refused = SaveGame(target, 1);
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(refused.outcome, SlotResult::Outcome::Kept);
    EXPECT_EQ(refused.why, "SAVEGAME1.mainmap is read-only");
    EXPECT_EQ(OnDisk(), game1);
    for (int f = 0; f < SlotFileCount; ++f) fs::permissions(NativePath(SaveSlotPath(1, f)), fs::perms::owner_all);

    fs::create_directory("in");
    std::vector<std::string> handed;
    for (int f = 0; f < SlotFileCount; ++f) {
        handed.push_back("in/" + SaveSlotFileName(1, f));
        WriteWholeFile(handed.back(), game2[f]);
    }
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(ImportSlotFiles(1, {handed.begin(), handed.end() - 1}));
    WriteWholeFile(handed[SlotUnit], std::vector<uint8_t>(100, 7));
    EXPECT_EQ(ImportSlotFiles(1, handed).why, "SAVEGAME1.unit is not 2112000 bytes");
    EXPECT_EQ(OnDisk(), game1);
    WriteWholeFile(handed[SlotUnit], game2[SlotUnit]);
    EXPECT_TRUE(ImportSlotFiles(1, handed));
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(OnDisk(), game2);
    EXPECT_EQ(MapFiles(), slotFiles);
}

// A tmpfs of 32 MB holds one slot (26 MB) but not a second save beside it.
TEST_F(SaveCrash, AFullDiskFailsTheSaveVisiblyAndKeepsTheOldSlot) {
    fs::create_directory("small");
    if (geteuid() != 0 || mount("tmpfs", "small", "tmpfs", 0, "size=32m") != 0)
        GTEST_SKIP() << "needs root to mount a small tmpfs (" << std::strerror(errno) << ")";
    struct Unmount {
        fs::path at;
        ~Unmount() { umount2(at.c_str(), MNT_DETACH); }
    } unmount{fs::absolute("small")};
    fs::current_path("small");
    fs::create_directory("map");
    FillState(1);
    ASSERT_TRUE(SaveGame(target, 1));
    const SlotBytes oldSlot = OnDisk();
    FillState(2);
    progress.steps.clear();
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(SaveGame(target, 1));
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("delver: saving slot 1 failed (cannot write SAVEGAME1.mainmap.tmp: No space left on device)"),
              std::string::npos)
        << err;
    // Every screen, then the failure.
    EXPECT_EQ(progress.Parts(), 26);
    EXPECT_EQ(progress.Count(SlotProgress::Step::SaveFailed), 1);
    EXPECT_EQ(progress.steps.back().step, SlotProgress::Step::SaveFailed);
    EXPECT_EQ(MapFiles(), slotFiles);
    LoadGame(target, 1);
    EXPECT_EQ(Files(), oldSlot);
    fs::current_path("..");
}

// FIFOs in place of game files: refused at once, never waited on; the
// save's temporary name is cleared and the save goes through.
TEST_F(SaveCrash, FifosInPlaceOfGameFilesAreRefusedWithoutHanging) {
    ASSERT_EQ(mkfifo("map/1.overworld", 0644), 0);
    ASSERT_EQ(mkfifo("map/SAVEGAME1.variables", 0644), 0);
    EXPECT_FALSE(GameFile::OpenAlways(".\\map\\1.overworld").IsOpen());
    EXPECT_EQ(LastFileError(), "not a regular file");
    LoadOverworld(grids, platform, 1);
    EXPECT_EQ(platform.VirtualMilliseconds(), 0u);  // as if there were no folder

    FillState(1);
    ::testing::internal::CaptureStderr();
    LoadGame(target, 1);
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("slot 1: nothing saved there"), std::string::npos);
    ASSERT_EQ(mkfifo("map/SAVEGAME1.unit.tmp", 0644), 0);
    ::testing::internal::CaptureStderr();
    EXPECT_TRUE(SaveGame(target, 1));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "delver: slot 1: removed 1 temporary file of a save that never finished\n");
    EXPECT_EQ(OnDisk(), Files());  // the FIFO slot file was replaced too
}

// Read-only game files are read; a read-only map folder keeps its slot.
// Root may write anything a mode forbids, so there the folder is a tmpfs
// made read-only.
TEST_F(SaveCrash, ReadOnlyFilesAreReadAndAReadOnlyFolderKeepsItsSlot) {
    fs::create_directory("ro");
    const bool root = geteuid() == 0;
    if (root && mount("tmpfs", "ro", "tmpfs", 0, "size=64m") != 0)
        GTEST_SKIP() << "as root this needs a tmpfs (" << std::strerror(errno) << ")";
    struct Unmount {
        bool mounted;
        fs::path at;
        ~Unmount() {
            if (mounted) umount2(at.c_str(), MNT_DETACH);
        }
    } unmount{root, fs::absolute("ro")};
    fs::current_path("ro");
    fs::create_directory("map");
    FillState(1);
    ASSERT_TRUE(SaveGame(target, 1));
    const SlotBytes oldSlot = OnDisk();
    WriteWholeFile("map/1.overworld", std::vector<uint8_t>(65536, 19));
    if (root) {
        ASSERT_EQ(mount(nullptr, ".", nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0) << std::strerror(errno);
    } else {
        for (const auto& e : fs::directory_iterator("map")) fs::permissions(e.path(), fs::perms::owner_read);
        fs::permissions("map", fs::perms::owner_read | fs::perms::owner_exec);
    }

    LoadOverworld(grids, platform, 1);
    EXPECT_EQ(grids.WorldGrid[CellIndex(255, 255, 0)], 19);
    FillState(2);
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(SaveGame(target, 1));
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("delver: saving slot 1 failed (cannot lock the slot"),
              std::string::npos);
    LoadGame(target, 1);
    EXPECT_EQ(Files(), oldSlot);
    EXPECT_FALSE(GameFile::OpenAlways(".\\map\\SAVEGAME2.unit").IsOpen());  // nothing is created
    EXPECT_FALSE(fs::exists("map/SAVEGAME2.unit"));
    if (!root) fs::permissions("map", fs::perms::owner_all);
    fs::current_path("..");
}

}  // namespace
}  // namespace delver
