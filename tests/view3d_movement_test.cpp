// The player's movement, collision pushes, carry and mouse look, run through
// MovePlayer and ApplyMouseLook exactly as the frame step calls them. No
// OpenGL is needed: a fake platform supplies keys and cursor.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <vector>

#include "platform/input.h"
#include "support/fake_platform.h"
#include "support/view_state.h"
#include "view3d/movement.h"

namespace delver {
namespace {

// The game's degree is 3.141592653 / 180 radians, so half a turn is not
// quite zero. Every step of a saved or replayed game rests on these exact
// values: a "more precise" constant would move them.
TEST(View3dAngles, HalfATurnKeepsTheGamesOwnDegree) {
    EXPECT_EQ(SinDegrees(180.0f), static_cast<float>(std::sin(3.141592653)));
    EXPECT_NE(SinDegrees(180.0f), 0.0f);
    EXPECT_EQ(CosDegrees(0.0f), 1.0f);
    EXPECT_EQ(SinDegrees(-90.0f), -1.0f);
}

class View3dMovement : public ::testing::Test, protected testing::ViewState<testing::FakePlatform> {
protected:
    void SetUp() override {
        frame.Width = 320;
        frame.Height = 240;
        Place(128, 128, 40);
        camera.Yaw = 0.0f;
        camera.Pitch = -90.0f;
    }

    void Place(int x, int y, int z) {
        shell.PlayerCell[0] = x;
        shell.PlayerCell[1] = y;
        shell.PlayerCell[2] = z;
        for (float& c : Pos()) c = 0.5f;
    }
    float (&Pos())[3] { return units.Player().CellPosition; }
    int32_t Steps() { return units.Player().StepCounter; }
    void FillLayer(int l, uint8_t code) {
        for (int r = 0; r < GridWidth; ++r)
            for (int c = 0; c < GridWidth; ++c) SetCell(c, r, l, code);
    }
    // One frame's movement, then the frame counter as the loop counts it.
    void Frame() {
        MovePlayer(view);
        ++shell.FrameCounter;
    }

    WorldView view{grids, shell, units, camera, gl, frame, platform};
};

TEST_F(View3dMovement, CellCodeAtReadsTheOffsetCellAndTreatsOutsideAsOpen) {
    SetCell(127, 128, 40, Brick);
    SetCell(128, 129, 41, Dirt);
    SetCell(0, 5, 0, 77);
    EXPECT_EQ(CellCodeAt(grids, shell, -0.1f, 0.5f, 0.5f), Brick);  // floor(-0.1) = -1
    EXPECT_EQ(CellCodeAt(grids, shell, 0.0f, 1.0f, 1.99f), Dirt);
    EXPECT_EQ(CellCodeAt(grids, shell, 0.5f, 0.5f, 0.5f), Empty);
    shell.PlayerCell[0] = -1;
    shell.PlayerCell[1] = 5;
    shell.PlayerCell[2] = 0;
    EXPECT_EQ(CellCodeAt(grids, shell, 1.2f, 0.0f, 0.0f), 77);      // column 0 is in the grid
    EXPECT_EQ(CellCodeAt(grids, shell, 0.2f, 0.0f, 0.0f), Empty);   // column -1 is not
    EXPECT_EQ(CellCodeAt(grids, shell, 1.2f, 0.0f, -0.5f), Empty);  // nor layer -1
    // Far off the grid, huge or not-a-number offsets: open, never a wild read.
    for (int32_t far : {INT_MAX, INT_MIN}) {
        shell.PlayerCell[0] = far;
        EXPECT_EQ(CellCodeAt(grids, shell, 1.5f, 0.0f, 0.0f), Empty);
        EXPECT_EQ(CellCodeAt(grids, shell, -1.5f, 0.0f, 0.0f), Empty);
    }
    shell.PlayerCell[0] = 0;
    EXPECT_EQ(CellCodeAt(grids, shell, 1e30f, 0.0f, 0.0f), Empty);
    EXPECT_EQ(CellCodeAt(grids, shell, -1e30f, 0.0f, 0.0f), Empty);
    EXPECT_EQ(CellCodeAt(grids, shell, 0.0f, NAN, 0.0f), Empty);
    EXPECT_EQ(CellCodeAt(grids, shell, INFINITY, 0.0f, 0.0f), Empty);
}

TEST_F(View3dMovement, WalkingAtAWallStopsThreeTenthsFromItsFace) {
    SetCell(128, 127, 40, Brick);  // straight ahead, toward lower rows
    shell.AutoWalk = 1;
    float y = 0.5f;
    const float s = 0.1f / 2.0f;
    const float ey = -CosDegrees(0.0f + 180.0f) * s;
    const float P = -SinDegrees(-90.0f);
    for (int f = 0; f < 40; ++f) {
        Frame();
        y = y - P * ey;
        if (y < 0.3f) y += 0.3f - y;  // the 0.3 rule; the 0.2 rule never fires
        ASSERT_EQ(Pos()[1], y) << "frame " << f;
        ASSERT_EQ(shell.PlayerCell[1], 128);
    }
    EXPECT_NEAR(Pos()[1], 0.3f, 1e-6);
    // The same along the columns: a wall at column + 1 holds u at 0.7.
    Place(128, 128, 40);
    camera.Yaw = 90.0f;
    SetCell(129, 128, 40, Brick);
    for (int f = 0; f < 40; ++f) Frame();
    EXPECT_NEAR(1.0f - Pos()[0], 0.7f, 1e-6);
    EXPECT_EQ(shell.PlayerCell[0], 128);
}

TEST_F(View3dMovement, StartInsideRockDriftsDiagonallyOneCellEveryFiveFrames) {
    for (int l = 38; l <= 40; ++l) FillLayer(l, Brick);
    Place(0, 0, 39);
    std::vector<int> changes;
    for (int f = 1; f <= 60; ++f) {
        const int before = shell.PlayerCell[0];
        Frame();
        ASSERT_EQ(shell.PlayerCell[0], shell.PlayerCell[1]);
        ASSERT_EQ(shell.PlayerCell[2], 39);
        if (shell.PlayerCell[0] != before) {
            ASSERT_EQ(shell.PlayerCell[0], before + 1);
            changes.push_back(f);
        }
    }
    ASSERT_GE(changes.size(), 11u);
    for (size_t i = 1; i < changes.size(); ++i) EXPECT_EQ(changes[i] - changes[i - 1], 5);
    EXPECT_FLOAT_EQ(Pos()[2], 0.54f);  // the eye bob pins the height on layer 39
}

TEST_F(View3dMovement, EyeBobPinsTheHeightOnLevelLayers) {
    Place(128, 128, 39);
    shell.AutoWalk = 1;
    camera.Pitch = 0.0f;  // looking straight down, walking down
    for (int f = 0; f < 60; ++f) {
        Frame();
        const float phase = static_cast<float>(Steps()) / 5.0f;
        const float z = static_cast<float>(std::sin(static_cast<double>(phase))) * 0.05f + 0.54f;
        ASSERT_EQ(Pos()[2], z) << "frame " << f;
        ASSERT_EQ(shell.PlayerCell[2], 39);
    }
    EXPECT_EQ(Steps(), 30);
    // Layer 40 has no bob: the same walk sinks through the layers.
    Place(128, 128, 40);
    for (int f = 0; f < 60; ++f) Frame();
    EXPECT_GT(shell.PlayerCell[2], 40);
}

TEST_F(View3dMovement, WalkingForwardAndBackTogetherCancels) {
    shell.AutoWalk = 1;
    platform.SetKey(vk::LetterZ, true);
    camera.Yaw = 30.0f;
    camera.Pitch = -60.0f;
    for (int f = 0; f < 20; ++f) {
        Frame();
        ASSERT_EQ(Steps(), 0);
        for (float c : Pos()) ASSERT_NEAR(c, 0.5f, 1e-6);
    }
    // Z alone walks backward and counts down on the step frames.
    shell.AutoWalk = 0;
    for (int f = 0; f < 20; ++f) Frame();
    EXPECT_EQ(Steps(), -10);
    // Backward at yaw 30 goes toward higher rows: 0.75 of a cell in 20 frames.
    EXPECT_EQ(shell.PlayerCell[1], 129);
    EXPECT_NEAR(Pos()[1], 0.25f, 1e-5);
}

TEST_F(View3dMovement, PositionCarriesIntoTheNextCell) {
    shell.AutoWalk = 1;
    const float s = 0.1f / 2.0f;
    const float ey = -CosDegrees(180.0f) * s;
    const float P = -SinDegrees(-90.0f);
    float y = 0.5f;
    int Y = 128;
    for (int f = 0; f < 50; ++f) {
        y = y - P * ey;
        if (y < 0.0f) {
            Y -= 1;
            y += 1.0f;
        }
        Frame();
        ASSERT_EQ(Pos()[1], y) << "frame " << f;
        ASSERT_EQ(shell.PlayerCell[1], Y) << "frame " << f;
    }
    EXPECT_EQ(Y, 125);  // 2.5 cells in 50 frames, ending just past an edge
    EXPECT_FLOAT_EQ(Pos()[0], 0.5f);
    EXPECT_FLOAT_EQ(Pos()[2], 0.5f);
}

TEST_F(View3dMovement, CycleStepThirtySixSlowsTheWalkAndTheStepCount) {
    camera.CycleStep = 36;
    shell.AutoWalk = 1;
    const float s = 0.1f / 36.0f;
    float y = 0.5f;
    for (int f = 0; f < 72; ++f) {
        Frame();
        y = y - s;  // level, toward lower rows: the whole step goes to y
        ASSERT_EQ(Pos()[1], y);
        ASSERT_EQ(Steps(), f < 36 ? 1 : 2) << "frame " << f;
    }
    // A divisor from a damaged save is held to what the console allows.
    for (int32_t bad : {0, -5, INT_MIN}) {
        camera.CycleStep = bad;
        Frame();
    }
    camera.CycleStep = 1000;
    Frame();
}

TEST_F(View3dMovement, LookingDownSinksUntilHeldOffTheSolidLayerBelow) {
    FillLayer(41, Brick);
    shell.AutoWalk = 1;
    camera.Pitch = 0.0f;
    for (int f = 0; f < 30; ++f) Frame();
    EXPECT_EQ(shell.PlayerCell[2], 40);
    EXPECT_NEAR(1.0f - Pos()[2], 0.7f, 1e-6);
    EXPECT_FLOAT_EQ(Pos()[0], 0.5f);
    EXPECT_FLOAT_EQ(Pos()[1], 0.5f);
}

TEST_F(View3dMovement, PushesAddUpAndCornersAreHeldOff) {
    // Close to a wall at column - 1: the 0.3 rule, the 0.2 rule and the
    // first corner rule (whose probe also lands in the wall) all push.
    SetCell(127, 128, 40, Brick);
    Pos()[0] = 0.9f;  // u = 0.1
    ResolveCollisions(view, 1.0f - 0.9f, 0.5f, 0.5f);
    const float u = 1.0f - 0.9f;
    float x = 0.9f;
    x -= 0.3f - u;
    x -= 0.2f;
    x -= 0.2f;
    EXPECT_EQ(Pos()[0], x);
    EXPECT_EQ(Pos()[1], 0.5f + 0.2f);
    Pos()[1] = 0.5f;
    // Only the diagonal neighbour (column - 1, row - 1) is solid.
    SetCell(127, 128, 40, Empty);
    SetCell(127, 127, 40, Brick);
    Pos()[0] = 0.85f;
    Pos()[1] = 0.15f;
    ResolveCollisions(view, 0.15f, 0.15f, 0.5f);
    EXPECT_EQ(Pos()[0], 0.85f - 0.2f);
    EXPECT_EQ(Pos()[1], 0.15f + 0.2f);
    // A pane blocks nothing.
    SetCell(127, 127, 40, DiagonalPane);
    ResolveCollisions(view, 0.15f, 0.15f, 0.5f);
    EXPECT_EQ(Pos()[0], 0.85f - 0.2f);
}

TEST_F(View3dMovement, PlayerFarOffTheGridWalksOnWithoutOverflow) {
    shell.AutoWalk = 1;
    camera.Yaw = 90.0f;  // toward higher columns
    Place(INT_MAX, 128, 40);
    for (int f = 0; f < 20; ++f) Frame();
    EXPECT_EQ(shell.PlayerCell[0], INT_MIN);  // wraps like the 32-bit cell it is
    camera.Yaw = -90.0f;
    for (int f = 0; f < 40; ++f) Frame();
    EXPECT_EQ(shell.PlayerCell[0], INT_MAX - 1);
    Place(128, INT_MIN, INT_MIN);
    camera.Pitch = -180.0f;  // straight up, toward lower layers
    for (int f = 0; f < 20; ++f) Frame();
    EXPECT_EQ(shell.PlayerCell[2], INT_MAX);
    // A position from a damaged save neither crashes nor moves the cell.
    Place(5, 5, 5);
    Pos()[0] = NAN;
    Frame();
    EXPECT_EQ(shell.PlayerCell[0], 5);
}

TEST_F(View3dMovement, MouseLookFollowsTheCursor) {
    platform.MoveWindow(0, 0, 640, 480);
    platform.SetCursor({0, 479});  // bottom-left screen pixel
    ApplyMouseLook(view);
    EXPECT_EQ(camera.Yaw, 0.0f);  // off: the angles keep their values
    EXPECT_EQ(camera.Pitch, -90.0f);
    shell.MouseLook = 1;
    ApplyMouseLook(view);
    EXPECT_EQ(camera.Yaw, 20.0f);
    EXPECT_EQ(camera.Pitch, 0.0f);
    platform.SetCursor({639, 0});  // top-right
    ApplyMouseLook(view);
    EXPECT_EQ(camera.Yaw, 20.0f - 2.0f * 319.0f);
    EXPECT_EQ(camera.Pitch, -239.0f);
}

}  // namespace
}  // namespace delver
