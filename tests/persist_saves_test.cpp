// The save slots: file names, sizes and bytes; a round trip; loads from
// missing, short and damaged files; the progress each reports; and a
// save that fails half way leaving the old slot whole.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <vector>

#include "persist/save_slots.h"
#include "platform/files.h"
#include "support/slot_game.h"
#include "support/slot_progress_log.h"
#include "support/test_support.h"

namespace delver {
namespace {

namespace fs = std::filesystem;
using testing::ReadWholeFile;
using testing::ScratchDir;
using testing::WriteWholeFile;

constexpr size_t UnitFileSize = static_cast<size_t>(UnitCount) * sizeof(UnitRecord);

int32_t Int32At(const std::vector<uint8_t>& bytes, size_t offset) {
    int32_t v;
    std::memcpy(&v, bytes.data() + offset, 4);
    return v;
}

std::vector<uint8_t> Int32Bytes(std::initializer_list<int32_t> values) {
    std::vector<uint8_t> out;
    for (int32_t v : values) {
        uint8_t b[4];
        std::memcpy(b, &v, 4);
        out.insert(out.end(), b, b + 4);
    }
    return out;
}

class SaveSlots : public ::testing::Test, protected testing::SlotGame {
protected:
    void SetUp() override {
        dir.Enter();
        fs::create_directory("map");
    }

    // A recognisable state, different for each seed, down to the player's
    // record and every variable.
    void FillState(uint8_t seed) {
        for (int i = 0; i < GridCells; ++i) {
            grids.WorldGrid[i] = static_cast<uint8_t>(i * 7 + seed);
            grids.MarkerGrid[i] = static_cast<uint8_t>((i % 13 == 0) ? ObjectiveMarker : seed);
        }
        grids.WorldGrid[GridCells - 1] = static_cast<uint8_t>(200 + seed);
        grids.MarkerGrid[GridCells - 1] = static_cast<uint8_t>(100 + seed);
        UnitRecord& player = units.Player();
        player.CellX = static_cast<uint16_t>(40 + seed);
        player.CellY = 52;
        player.CellZ = 39;
        player.CellPosition[0] = 0.25f;
        player.CellPosition[1] = 0.5f;
        player.CellPosition[2] = 0.75f;
        player.PreviousCellPosition[0] = 0.125f;
        player.PreviousCellPosition[1] = 0.5f;
        player.PreviousCellPosition[2] = 0.875f;
        player.StepCounter = 1000 + seed;
        units.Units[UnitCount - 1].StepCounter = -seed;
        shell.FrameCounter = 12345 + seed;
        camera.CycleStep = 5 + seed % 10;
        shell.ViewDistance = 6 + seed % 10;
        shell.PlayerCell[0] = 40 + seed;
        shell.PlayerCell[1] = 52;
        shell.PlayerCell[2] = 39;
        shell.ObjectiveTotal = 12 + seed;
        shell.ObjectivesFound = 3;
    }

    fs::path File(int slot, int file) { return NativePath(SaveSlotPath(slot, file)); }

    std::vector<fs::path> MapFolderFiles() {
        std::vector<fs::path> out;
        for (const auto& e : fs::directory_iterator("map")) out.push_back(e.path().filename());
        std::sort(out.begin(), out.end());
        return out;
    }

    ScratchDir dir;
    testing::SlotProgressLog progress;
    SaveTarget target{grids, units, shell, camera, progress.Reporter()};
};

TEST(SaveNames, PathsAndProgressNumbers) {
    EXPECT_EQ(SaveSlotPath(1, SlotMainmap), ".\\map\\SAVEGAME1.mainmap");
    EXPECT_EQ(SaveSlotPath(2, SlotFlagmap), ".\\map\\SAVEGAME2.flagmap");
    EXPECT_EQ(SaveSlotPath(2, SlotUnit), ".\\map\\SAVEGAME2.unit");
    EXPECT_EQ(SaveSlotPath(1, SlotVariables), ".\\map\\SAVEGAME1.variables");
    EXPECT_EQ(SaveSlotTempPath(1, SlotFlagmap), ".\\map\\SAVEGAME1.flagmap.tmp");

    std::vector<int> shown;
    for (int64_t pos = 0; pos < GridCells; pos += 1000000) shown.push_back(ProgressPercent(pos, GridCells));
    EXPECT_EQ(shown, (std::vector<int>{0, 8, 16, 25, 33, 42, 50, 59, 67, 76, 84, 93}));
}

// Range edges of the two checked values; the file order and the partial
// files are covered by the slot tests below.
TEST(SaveVariables, RangeEdges) {
    ShellState held;
    CameraState heldCam;
    held.ViewDistance = 6;
    heldCam.CycleStep = 2;
    for (auto [step, view] : {std::pair{37, 0}, std::pair{-1, 31}, std::pair{INT32_MIN, INT32_MAX}}) {
        auto damaged = Int32Bytes({1, step, view});
        ApplyVariables(damaged.data(), damaged.size(), held, heldCam);
        EXPECT_EQ(heldCam.CycleStep, 2);
        EXPECT_EQ(held.ViewDistance, 6);
    }
    auto edges = Int32Bytes({1, 36, 30});
    ApplyVariables(edges.data(), edges.size(), held, heldCam);
    EXPECT_EQ(heldCam.CycleStep, 36);
    EXPECT_EQ(held.ViewDistance, 30);
    auto low = Int32Bytes({1, 1, 1});
    ApplyVariables(low.data(), 11, held, heldCam);  // the third value is cut short
    EXPECT_EQ(heldCam.CycleStep, 1);
    EXPECT_EQ(held.ViewDistance, 30);
}

TEST_F(SaveSlots, SaveWritesFourFilesOfTheirSizesAndLoadRestoresEverything) {
    FillState(1);
    const testing::SlotBytes saved = Files();
    SaveGame(target, 2);
    EXPECT_EQ(MapFolderFiles(), (std::vector<fs::path>{"SAVEGAME2.flagmap", "SAVEGAME2.mainmap", "SAVEGAME2.unit",
                                                       "SAVEGAME2.variables"}));
    EXPECT_EQ(fs::file_size(File(2, SlotMainmap)), 11796480u);
    EXPECT_EQ(fs::file_size(File(2, SlotFlagmap)), 11796480u);
    EXPECT_EQ(fs::file_size(File(2, SlotUnit)), 2112000u);
    EXPECT_EQ(fs::file_size(File(2, SlotVariables)), 32u);

    // The files are the raw memory images.
    EXPECT_TRUE(ReadWholeFile(File(2, SlotMainmap)) == saved[SlotMainmap]);
    EXPECT_TRUE(ReadWholeFile(File(2, SlotFlagmap)) == saved[SlotFlagmap]);
    auto unitFile = ReadWholeFile(File(2, SlotUnit));
    EXPECT_TRUE(unitFile == saved[SlotUnit]);
    EXPECT_EQ(unitFile[806], 41);  // the player's column
    EXPECT_EQ(Int32At(unitFile, 704 + 700), 1001);
    auto vars = ReadWholeFile(File(2, SlotVariables));
    EXPECT_EQ(vars, Int32Bytes({12346, 6, 7, 41, 52, 39, 13, 3}));

    FillState(2);
    ASSERT_FALSE(Files() == saved);
    LoadGame(target, 2);
    EXPECT_TRUE(Files() == saved);
    EXPECT_EQ(grids.WorldGrid[GridCells - 1], 201);
    EXPECT_EQ(grids.MarkerGrid[GridCells - 1], 101);
    EXPECT_EQ(shell.FrameCounter, 12346);
    EXPECT_EQ(camera.CycleStep, 6);
    EXPECT_EQ(shell.ViewDistance, 7);
    EXPECT_EQ(shell.PlayerCell[0], 41);
    EXPECT_EQ(shell.ObjectiveTotal, 13);
    EXPECT_EQ(shell.ObjectivesFound, 3);

    // Saving over an existing, longer slot leaves exactly the new bytes.
    WriteWholeFile(File(2, SlotVariables), std::vector<uint8_t>(100, 0xAA));
    SaveGame(target, 2);
    EXPECT_EQ(ReadWholeFile(File(2, SlotVariables)), Int32Bytes({12346, 6, 7, 41, 52, 39, 13, 3}));
}

TEST_F(SaveSlots, SaveAndLoadReportEveryPartBeforeAndAfterItMoves) {
    FillState(3);
    SaveGame(target, 1);
    const std::vector<SlotProgress> saved = progress.steps;
    // Twelve grid passes for each grid, then the unit and variables files
    // whole; each part reported before and after it moves.
    ASSERT_EQ(saved.size(), 2u * 26u);
    std::vector<int> percents;
    for (int64_t pos = 0; pos < GridCells; pos += 1000000) percents.push_back(ProgressPercent(pos, GridCells));
    size_t i = 0;
    for (int file = 0; file < SlotFileCount; ++file) {
        const std::vector<int> parts = file <= SlotFlagmap ? percents : std::vector<int>{-1};
        for (int percent : parts)
            for (auto step : {SlotProgress::Step::BeforePart, SlotProgress::Step::AfterPart}) {
                const SlotProgress& p = saved[i++];
                EXPECT_EQ(p.step, step) << i;
                EXPECT_TRUE(p.saving) << i;
                EXPECT_EQ(p.file, file) << i;
                EXPECT_EQ(p.percent, percent) << i;
            }
    }
    // A load reports the same parts as the save.
    progress.steps.clear();
    LoadGame(target, 1);
    ASSERT_EQ(progress.steps.size(), saved.size());
    for (size_t k = 0; k < saved.size(); ++k) {
        EXPECT_FALSE(progress.steps[k].saving);
        EXPECT_EQ(progress.steps[k].file, saved[k].file);
        EXPECT_EQ(progress.steps[k].percent, saved[k].percent);
        EXPECT_EQ(progress.steps[k].step, saved[k].step);
    }
}

TEST_F(SaveSlots, LoadingANeverSavedSlotChangesNothingAndCreatesNothing) {
    FillState(4);
    const testing::SlotBytes before = Files();
    EXPECT_EQ(LoadGame(target, 1).outcome, SlotResult::Outcome::Empty);
    EXPECT_TRUE(Files() == before);
    for (int file = 0; file < SlotFileCount; ++file) EXPECT_FALSE(fs::exists(File(1, file)));
    EXPECT_EQ(progress.Parts(), 0);
}

TEST_F(SaveSlots, ShortFilesFillOnlyTheirLeadingPart) {
    FillState(5);
    const testing::SlotBytes before = Files();
    WriteWholeFile(File(1, SlotVariables), Int32Bytes({777, 9, 12, 100, 101, 102}));
    std::filesystem::resize_file(File(1, SlotVariables), 16);
    WriteWholeFile(File(1, SlotMainmap), std::vector<uint8_t>(1500000, 0xEE));
    LoadGame(target, 1);
    EXPECT_EQ(shell.FrameCounter, 777);
    EXPECT_EQ(camera.CycleStep, 9);
    EXPECT_EQ(shell.ViewDistance, 12);
    EXPECT_EQ(shell.PlayerCell[0], 100);
    EXPECT_EQ(shell.PlayerCell[1], 52);  // row, layer and both counts as they were
    EXPECT_EQ(shell.PlayerCell[2], 39);
    EXPECT_EQ(shell.ObjectiveTotal, 17);
    EXPECT_EQ(shell.ObjectivesFound, 3);
    EXPECT_EQ(grids.WorldGrid[0], 0xEE);
    EXPECT_EQ(grids.WorldGrid[1499999], 0xEE);
    const std::vector<uint8_t>& world = before[SlotMainmap];
    EXPECT_EQ(grids.WorldGrid[1500000], world[1500000]);
    EXPECT_TRUE(std::equal(world.begin() + 1500000, world.end(), grids.WorldGrid.get() + 1500000));
    EXPECT_TRUE(Files()[SlotFlagmap] == before[SlotFlagmap]);
    EXPECT_TRUE(Files()[SlotUnit] == before[SlotUnit]);
}

TEST_F(SaveSlots, DamagedValuesAreNotTaken) {
    FillState(6);
    auto vars = Int32Bytes({50, 0, 99, 300, -5, 179, 20, 2});
    WriteWholeFile(File(1, SlotVariables), vars);
    std::vector<uint8_t> unitFile(UnitFileSize, 0);
    auto putFloat = [&](size_t offset, float v) { std::memcpy(unitFile.data() + 704 + offset, &v, 4); };
    putFloat(168, std::numeric_limits<float>::quiet_NaN());
    putFloat(172, 2.5f);
    putFloat(176, 0.75f);
    putFloat(180, -std::numeric_limits<float>::infinity());
    putFloat(184, -1.0f);
    putFloat(188, 2.0f);
    WriteWholeFile(File(1, SlotUnit), unitFile);
    LoadGame(target, 1);
    EXPECT_EQ(camera.CycleStep, 11);    // kept
    EXPECT_EQ(shell.ViewDistance, 12);  // kept
    EXPECT_EQ(shell.FrameCounter, 50);
    EXPECT_EQ(shell.PlayerCell[0], 300);  // as saved
    EXPECT_EQ(shell.PlayerCell[1], -5);
    EXPECT_EQ(shell.ObjectivesFound, 2);
    const UnitRecord& player = units.Player();
    EXPECT_EQ(player.CellPosition[0], 0.5f);
    EXPECT_EQ(player.CellPosition[1], 0.5f);
    EXPECT_EQ(player.CellPosition[2], 0.75f);
    EXPECT_EQ(player.PreviousCellPosition[0], 0.5f);
    EXPECT_EQ(player.PreviousCellPosition[1], -1.0f);
    EXPECT_EQ(player.PreviousCellPosition[2], 2.0f);

    // A unit file that ends inside the first position component: that
    // component is checked too, the ones beyond it are left as they were.
    units.Player().CellPosition[0] = -0.75f;  // bytes 00 00 40 BF
    units.Player().CellPosition[1] = 0.25f;
    std::vector<uint8_t> cut(704 + 171, 0);
    cut[704 + 170] = 0xC0;  // with the old top byte: -1.5
    WriteWholeFile(File(1, SlotUnit), cut);
    LoadGame(target, 1);
    EXPECT_EQ(units.Player().CellX, 0);
    EXPECT_EQ(units.Player().CellPosition[0], 0.5f);
    EXPECT_EQ(units.Player().CellPosition[1], 0.25f);
}

TEST_F(SaveSlots, WithoutAMapFolderNothingHappens) {
    fs::remove("map");
    FillState(7);
    const testing::SlotBytes before = Files();
    SaveGame(target, 1);
    LoadGame(target, 2);
    EXPECT_TRUE(Files() == before);
    EXPECT_TRUE(progress.steps.empty());  // no screen, no pause
    EXPECT_TRUE(fs::is_empty(dir.path()));
}

TEST_F(SaveSlots, AFailedSaveLeavesTheOldSlotWholeAndNoTemporaryFile) {
    FillState(8);
    SaveGame(target, 1);
    std::vector<std::vector<uint8_t>> old;
    for (int file = 0; file < SlotFileCount; ++file) old.push_back(ReadWholeFile(File(1, file)));

    // The flagmap's temporary name is taken by a folder: the second file
    // cannot be written.
    fs::path blocker = NativePath(SaveSlotTempPath(1, SlotFlagmap));
    fs::create_directory(blocker);
    FillState(9);
    SaveGame(target, 1);
    for (int file = 0; file < SlotFileCount; ++file)
        EXPECT_TRUE(ReadWholeFile(File(1, file)) == old[static_cast<size_t>(file)]) << file;
    for (const fs::path& name : MapFolderFiles()) {
        if (name == blocker.filename()) continue;
        EXPECT_NE(name.extension(), ".tmp") << name;
    }
    EXPECT_EQ(MapFolderFiles().size(), 5u);

    // With the way clear the next save goes through.
    fs::remove(blocker);
    SaveGame(target, 1);
    auto now = PackVariables(shell, camera);
    EXPECT_EQ(ReadWholeFile(File(1, SlotVariables)), std::vector<uint8_t>(now.begin(), now.end()));
    EXPECT_EQ(MapFolderFiles().size(), 4u);
}

}  // namespace
}  // namespace delver
