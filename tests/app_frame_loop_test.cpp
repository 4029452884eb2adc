// The game's start-up and frame loop driven directly through a fake
// platform: keys, clicks and pauses, no picture. No OpenGL context is made,
// so the drawing calls do nothing; the end-to-end tests check the pictures.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/game.h"
#include "app/input_script.h"
#include "app/scripted_platform.h"
#include "app/recorder.h"
#include "app/window.h"
#include "persist/save_slots.h"
#include "platform/files.h"
#include "platform/input.h"
#include "settings/settings.h"
#include "support/fake_platform.h"
#include "support/test_support.h"

namespace delver {
namespace {

class FrameLoop : public ::testing::Test {
protected:
    testing::ScratchDir dir;
    testing::FakePlatform platform;
    std::unique_ptr<Game> game = std::make_unique<Game>();

    void SetUp() override {
        dir.Enter();
        ASSERT_TRUE(StartUp(*game, platform, 1234u));
    }
    void TearDown() override { ShutDown(*game); }

    // Puts the player in the middle of a cleared 7 x 7 x 7 block of open cells.
    void PlaceInOpenSpace(int x, int y, int z) {
        for (int k = z - 3; k <= z + 3; ++k)
            for (int j = y - 3; j <= y + 3; ++j)
                for (int i = x - 3; i <= x + 3; ++i)
                    if (CellInGrid(i, j, k)) game->grids.WorldGrid[CellIndex(i, j, k)] = Empty;
        game->shell.PlayerCell[0] = x;
        game->shell.PlayerCell[1] = y;
        game->shell.PlayerCell[2] = z;
    }

    uint64_t SleptDuring(int keyCode) {
        uint64_t before = platform.VirtualMilliseconds();
        platform.SetKey(keyCode, true);
        EXPECT_TRUE(RunFrame(*game, platform));
        platform.SetKey(keyCode, false);
        return platform.VirtualMilliseconds() - before;
    }
};

TEST_F(FrameLoop, StartUpLeavesTheDocumentedState) {
    const ShellState& s = game->shell;
    EXPECT_EQ(s.PixelZoom, 2);
    EXPECT_EQ(s.ViewDistance, 6);
    EXPECT_EQ(s.FrameCounter, 0);
    EXPECT_EQ(s.MouseLook, 0);
    EXPECT_EQ(s.PlayerCell[0], 0);
    EXPECT_EQ(s.PlayerCell[1], 0);
    EXPECT_EQ(s.PlayerCell[2], 39);
    EXPECT_EQ(game->frame.Width, 320);
    EXPECT_EQ(game->frame.Height, 240);
    EXPECT_EQ(game->seed, 1234u);
    // Without an overworld file the first cells of layer 0 keep 0, 1, 0, 1.
    EXPECT_EQ(game->grids.WorldGrid[0], 0);
    EXPECT_EQ(game->grids.WorldGrid[1], 1);
    EXPECT_EQ(game->grids.WorldGrid[2], 0);
    EXPECT_EQ(game->grids.WorldGrid[3], 1);
    const UnitRecord& player = game->units.Player();
    EXPECT_EQ(player.CellPosition[0], 0.5f);
    EXPECT_EQ(player.CellPosition[1], 0.5f);
    EXPECT_EQ(player.CellPosition[2], 0.5f);
    // The window is 640 x 480 with the cursor hidden.
    ScreenRect r = platform.WindowRect();
    EXPECT_EQ(r.right - r.left, 640);
    EXPECT_EQ(r.bottom - r.top, 480);
    EXPECT_FALSE(platform.CursorVisible());
    // No map folder: nothing was read or created, and nothing waited.
    EXPECT_EQ(platform.VirtualMilliseconds(), 0u);
    EXPECT_FALSE(std::filesystem::exists("map"));
}

TEST_F(FrameLoop, EachFrameCopiesThePlayerCellIntoItsUnitRecord) {
    PlaceInOpenSpace(40, 52, 40);
    ASSERT_TRUE(RunFrame(*game, platform));
    const UnitRecord& p = game->units.Player();
    EXPECT_EQ(p.CellX, 40);
    EXPECT_EQ(p.CellY, 52);
    EXPECT_EQ(p.CellZ, 40);
    EXPECT_EQ(game->shell.FrameCounter, 1);
}

TEST_F(FrameLoop, KeypadKeysMoveOnlyIntoOpenCellsInsideTheGrid) {
    PlaceInOpenSpace(40, 40, 40);
    EXPECT_EQ(SleptDuring(vk::KeypadPlus), 800u);
    EXPECT_EQ(game->shell.PlayerCell[2], 41);
    EXPECT_EQ(SleptDuring(vk::KeypadMinus), 800u);
    EXPECT_EQ(game->shell.PlayerCell[2], 40);
    // A solid cell below: no change, the pause all the same.
    game->grids.WorldGrid[CellIndex(40, 40, 41)] = Brick;
    EXPECT_EQ(SleptDuring(vk::KeypadPlus), 800u);
    EXPECT_EQ(game->shell.PlayerCell[2], 40);
}

TEST_F(FrameLoop, BothKeypadKeysInOneFrameEachTestFromTheLayerTheFrameStartedOn) {
    // Open above, solid below: plus is refused and minus goes up one.
    PlaceInOpenSpace(40, 40, 40);
    game->grids.WorldGrid[CellIndex(40, 40, 41)] = Brick;
    platform.SetKey(vk::KeypadMinus, true);
    EXPECT_EQ(SleptDuring(vk::KeypadPlus), 1600u);
    EXPECT_EQ(game->shell.PlayerCell[2], 39);
    // Open below, solid above: plus goes down one, and minus must not test
    // the cell plus has just moved to (that would put the player back).
    game->grids.WorldGrid[CellIndex(40, 40, 41)] = Empty;
    game->grids.WorldGrid[CellIndex(40, 40, 38)] = Brick;
    EXPECT_EQ(SleptDuring(vk::KeypadPlus), 1600u);
    EXPECT_EQ(game->shell.PlayerCell[2], 40);
    platform.SetKey(vk::KeypadMinus, false);
}

TEST_F(FrameLoop, PageKeysChangeTheLayerAsTheKeypadKeysDo) {
    PlaceInOpenSpace(40, 40, 40);
    EXPECT_EQ(SleptDuring(vk::PageDown), 800u);
    EXPECT_EQ(game->shell.PlayerCell[2], 41);
    EXPECT_EQ(SleptDuring(vk::PageUp), 800u);
    EXPECT_EQ(game->shell.PlayerCell[2], 40);
    // A key and its stand-in held together: one step, one pause.
    platform.SetKey(vk::PageDown, true);
    EXPECT_EQ(SleptDuring(vk::KeypadPlus), 800u);
    platform.SetKey(vk::PageDown, false);
    EXPECT_EQ(game->shell.PlayerCell[2], 41);
    platform.SetKey(vk::PageUp, true);
    EXPECT_EQ(SleptDuring(vk::KeypadMinus), 800u);
    platform.SetKey(vk::PageUp, false);
    EXPECT_EQ(game->shell.PlayerCell[2], 40);
}

TEST_F(FrameLoop, KeypadKeysStopAtTheFirstAndLastLayers) {
    PlaceInOpenSpace(40, 40, 1);
    game->grids.WorldGrid[CellIndex(40, 40, 0)] = Empty;
    EXPECT_EQ(SleptDuring(vk::KeypadMinus), 800u);
    EXPECT_EQ(game->shell.PlayerCell[2], 1);
    PlaceInOpenSpace(40, 40, 179);
    EXPECT_EQ(SleptDuring(vk::KeypadPlus), 800u);
    EXPECT_EQ(game->shell.PlayerCell[2], 179);
}

TEST_F(FrameLoop, APlayerFarOutsideTheGridIsSafeEverywhere) {
    game->shell.PlayerCell[0] = INT_MAX;
    game->shell.PlayerCell[1] = INT_MIN;
    game->shell.PlayerCell[2] = 40;
    for (int key : {vk::KeypadPlus, vk::KeypadMinus}) {
        SleptDuring(key);
        EXPECT_EQ(game->shell.PlayerCell[2], 40);
    }
    game->shell.PlayerCell[0] = 10;
    game->shell.PlayerCell[1] = 10;
    game->shell.PlayerCell[2] = INT_MAX;
    SleptDuring(vk::KeypadPlus);
    EXPECT_EQ(game->shell.PlayerCell[2], INT_MAX);
}

TEST_F(FrameLoop, EscapeFinishesTheFrame) {
    platform.SetKey(vk::Escape, true);
    platform.SetKey(vk::RightBracket, true);
    ASSERT_TRUE(RunFrame(*game, platform));
    EXPECT_EQ(game->shell.QuitRequested, 1);
    EXPECT_EQ(game->shell.ViewDistance, 7);
    EXPECT_EQ(game->shell.FrameCounter, 1);
}

TEST_F(FrameLoop, ClicksAreGatedAndToggleInTheNextFrame) {
    PlaceInOpenSpace(40, 40, 40);
    game->shell.FrameCounter = 20;
    platform.PushMessage(MessageKind::RightButtonDown);
    platform.PushMessage(MessageKind::LeftButtonDown);
    ASSERT_TRUE(RunFrame(*game, platform));  // drained at the end of frame 20
    EXPECT_EQ(game->shell.ClickFrame[1], 20);
    EXPECT_EQ(game->shell.ClickFrame[3], 20);
    EXPECT_EQ(game->shell.MouseLook, 0);
    ASSERT_TRUE(RunFrame(*game, platform));  // both toggles act in frame 21
    EXPECT_EQ(game->shell.MouseLook, 1);
    EXPECT_EQ(game->shell.AutoWalk, 1);
    // A left click in frame 21..32 is refused; in frame 33 it is taken.
    for (int f = 22; f <= 33; ++f) {
        platform.PushMessage(MessageKind::LeftButtonDown);
        ASSERT_TRUE(RunFrame(*game, platform));
        EXPECT_EQ(game->shell.ClickFrame[1], f == 33 ? 33 : 20) << f;
    }
    // A slot saved at an earlier frame was loaded: the last click lies in
    // the future, and the next click is taken all the same.
    game->shell.FrameCounter = 5;
    platform.PushMessage(MessageKind::LeftButtonDown);
    ASSERT_TRUE(RunFrame(*game, platform));
    EXPECT_EQ(game->shell.ClickFrame[1], 5);
    EXPECT_EQ(game->shell.ClickPending[1], 1);
}

TEST_F(FrameLoop, CloseRequestSetsQuit) {
    platform.PushMessage(MessageKind::Close);
    ASSERT_TRUE(RunFrame(*game, platform));
    EXPECT_EQ(game->shell.QuitRequested, 1);
}

TEST_F(FrameLoop, SaveAndLoadInOneFrameAddUpTheirPauses) {
    std::filesystem::create_directory("map");
    PlaceInOpenSpace(40, 40, 40);
    uint64_t before = platform.VirtualMilliseconds();
    platform.SetKey(vk::F5, true);
    platform.SetKey(vk::F7, true);
    ASSERT_TRUE(RunFrame(*game, platform));
    // Each of the save and the load waits 8.8 s, and the loop 300 ms after each.
    EXPECT_EQ(platform.VirtualMilliseconds() - before, 8800u + 300u + 8800u + 300u);
    EXPECT_EQ(std::filesystem::file_size("map/SAVEGAME1.variables"), 32u);
    // The saved files are made lasting once the save is done, and again
    // after the load (which may finish a broken save), each before the
    // loop's pause.
    EXPECT_EQ(platform.Flushes(), (std::vector<uint64_t>{before + 8800u, before + 8800u + 300u + 8800u}));
}

// A failed save or load always says so, in the default game too, and the
// line stays two seconds of frames: slot files made read-only are not
// replaced, and a slot nothing vouches for is not loaded.
TEST_F(FrameLoop, EveryFailedSaveOrLoadShowsALineThatStays) {
    std::filesystem::create_directory("map");
    PlaceInOpenSpace(40, 40, 40);
    SleptDuring(vk::F5);
    EXPECT_EQ(game->messageFrames, 0);  // a save that worked shows nothing new
    for (int f = 0; f < SlotFileCount; ++f)
        std::filesystem::permissions(NativePath(SaveSlotPath(1, f)), std::filesystem::perms::owner_read);
    ::testing::internal::CaptureStderr();
    SleptDuring(vk::F5);
    EXPECT_EQ(game->message, "SAVE FAILED - OLD SLOT KEPT");
    for (int frame = 0; frame < 110; ++frame) ASSERT_TRUE(RunFrame(*game, platform));
    EXPECT_GT(game->messageFrames, 0);
    EXPECT_EQ(game->saveFailures, 1);

    CommitRecord promise;
    for (int f = 0; f < SlotFileCount; ++f) promise.size[f] = SlotFileSize(f);
    const std::string record = FormatCommitRecord(1, promise);
    testing::WriteWholeFile("map/SAVEGAME1.commit", std::vector<uint8_t>(record.begin(), record.end()));
    const int32_t frameBefore = game->shell.FrameCounter;
    SleptDuring(vk::F7);
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(game->message, "LOAD FAILED - GAME UNCHANGED - SLOT 1");
    EXPECT_EQ(game->shell.FrameCounter, frameBefore + 1);
}

TEST_F(FrameLoop, TheScriptAndTheRecorderPassFlushesAndUndoFailuresOn) {
    // The backend under the wrappers is the one that must flush.
    class Undoing : public testing::FakePlatform {
    public:
        std::vector<ReleaseStep> TakeUndoFailures() override { return {ReleaseStep::StepDestroyWindow}; }
    } inner;
    ScriptedPlatform scripted(inner, InputScript{}, SceneWidth, SceneHeight);
    RecordingFile file(std::tmpfile());
    ASSERT_NE(file, nullptr);
    RecordingPlatform recorder(scripted, std::move(file), SceneWidth, SceneHeight);
    Platform& top = recorder;
    top.FlushSavedFiles();
    EXPECT_EQ(inner.Flushes().size(), 1u);
    EXPECT_EQ(top.TakeUndoFailures(), std::vector<ReleaseStep>{ReleaseStep::StepDestroyWindow});
}

TEST_F(FrameLoop, ZoomKeysRecreateTheWindow) {
    platform.SetKey(vk::F3, true);
    ASSERT_TRUE(RunFrame(*game, platform));
    platform.SetKey(vk::F3, false);
    EXPECT_EQ(game->shell.PixelZoom, 3);
    ScreenRect r = platform.WindowRect();
    EXPECT_EQ(r.right - r.left, 960);
    EXPECT_EQ(r.bottom - r.top, 720);
    // F1 and F4 together: the window is made twice and ends at zoom 4.
    platform.SetKey(vk::F1, true);
    platform.SetKey(vk::F4, true);
    ASSERT_TRUE(RunFrame(*game, platform));
    platform.SetKey(vk::F1, false);
    platform.SetKey(vk::F4, false);
    EXPECT_EQ(game->shell.PixelZoom, 4);
    r = platform.WindowRect();
    EXPECT_EQ(r.right - r.left, 1280);
    // M moves the window's corner to the cursor.
    platform.SetCursor({100, 50});
    platform.SetKey(vk::LetterM, true);
    ASSERT_TRUE(RunFrame(*game, platform));
    r = platform.WindowRect();
    EXPECT_EQ(r.left, 100);
    EXPECT_EQ(r.top, 50);
    EXPECT_EQ(r.right - r.left, 1280);
}

// A backend whose window can never be made, and whose undoing of the half
// made window fails at two release steps.
class WindowlessPlatform : public testing::FakePlatform {
public:
    explicit WindowlessPlatform(bool canRun) : canRun_(canRun) {}
    WindowStep CreateGlWindow(const char*, int, int, int) override {
        undo_ = {ReleaseStep::StepReleaseDeviceContext, ReleaseStep::StepUnregisterClass};
        return WindowStep::StepCreateContext;
    }
    std::vector<ReleaseStep> TakeUndoFailures() override { return std::exchange(undo_, {}); }
    bool CanRunWithoutWindow() const override { return canRun_; }
    void ShowMessage(const char* caption, const char* text, DialogKind kind) override {
        shown.push_back(std::string(caption) + ": " + text);
        FakePlatform::ShowMessage(caption, text, kind);
    }
    std::vector<std::string> shown;

private:
    bool canRun_;
    std::vector<ReleaseStep> undo_;
};

TEST(FrameLoopWithoutWindow, RunsOnUntilEscapeWhereKeysCanStillBeRead) {
    testing::ScratchDir dir;
    dir.Enter();
    WindowlessPlatform platform(true);
    auto game = std::make_unique<Game>();
    ASSERT_TRUE(StartUp(*game, platform, 5u));
    // The release steps that failed are told first, then the creation error.
    const std::vector<std::string> want = {"SHUTDOWN ERROR: Release Device Context Failed.",
                                           "SHUTDOWN ERROR: Could Not Unregister Class.",
                                           "ERROR: Can't Create A GL Rendering Context."};
    EXPECT_EQ(platform.shown, want);
    ASSERT_TRUE(RunFrame(*game, platform));
    platform.SetKey(vk::Escape, true);
    ASSERT_TRUE(RunFrame(*game, platform));
    EXPECT_EQ(game->shell.QuitRequested, 1);
    ShutDown(*game);
}

TEST(FrameLoopWithoutWindow, StopsWhereNoKeyCouldEverBeRead) {
    testing::ScratchDir dir;
    dir.Enter();
    WindowlessPlatform platform(false);
    auto game = std::make_unique<Game>();
    EXPECT_FALSE(StartUp(*game, platform, 5u));
    EXPECT_EQ(platform.LastMessageText(), "Can't Create A GL Rendering Context.");
    ShutDown(*game);
}

TEST(WindowMessages, EveryStepHasItsText) {
    EXPECT_STREQ(WindowStepMessage(WindowStep::StepRegisterClass), "Failed To Register The Window Class.");
    EXPECT_STREQ(WindowStepMessage(WindowStep::StepCreateWindow), "Window Creation Error.");
    EXPECT_STREQ(WindowStepMessage(WindowStep::StepGetDeviceContext), "Can't Create A GL Device Context.");
    EXPECT_STREQ(WindowStepMessage(WindowStep::StepChoosePixelFormat), "Can't Find A Suitable PixelFormat.");
    EXPECT_STREQ(WindowStepMessage(WindowStep::StepSetPixelFormat), "Can't Set The PixelFormat.");
    EXPECT_STREQ(WindowStepMessage(WindowStep::StepMakeCurrent), "Can't Activate The GL Rendering Context.");
    EXPECT_STREQ(ReleaseStepMessage(ReleaseStep::StepReleaseCurrent), "Release Of DC And RC Failed.");
    EXPECT_STREQ(ReleaseStepMessage(ReleaseStep::StepDeleteContext), "Release Rendering Context Failed.");
    EXPECT_STREQ(ReleaseStepMessage(ReleaseStep::StepReleaseDeviceContext), "Release Device Context Failed.");
    EXPECT_STREQ(ReleaseStepMessage(ReleaseStep::StepDestroyWindow), "Could Not Release hWnd.");
    EXPECT_STREQ(ReleaseStepMessage(ReleaseStep::StepUnregisterClass), "Could Not Unregister Class.");
}

TEST_F(FrameLoop, FeedbackCountsTheObjectiveFlashesAndEndsOnTheLastOne) {
    game->play.SetSettings(ParseSettings("feedback = on\n").settings);
    PlaceInOpenSpace(100, 100, 60);
    game->shell.ObjectiveTotal = game->shell.ObjectivesFound + 1;
    game->grids.MarkerGrid[CellIndex(100, 100, 60)] = ObjectiveMarker;
    ASSERT_TRUE(RunFrame(*game, platform));
    EXPECT_EQ(game->message, "OBJECTIVE " + std::to_string(game->shell.ObjectiveTotal) + " OF " +
                                 std::to_string(game->shell.ObjectiveTotal));
    EXPECT_EQ(game->flashFrames, 60);
    EXPECT_TRUE(game->ending);
    // A refused layer key says so; Enter ends the ending, once.
    game->grids.WorldGrid[CellIndex(100, 100, 61)] = Brick;
    SleptDuring(vk::PageDown);
    EXPECT_EQ(game->message, "NO OPENING");
    SleptDuring(vk::Enter);
    EXPECT_FALSE(game->ending);
}

}  // namespace
}  // namespace delver
