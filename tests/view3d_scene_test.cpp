// The 3D view drawn by the real offscreen OpenGL: textures, faces, markers,
// the shell, and the view cube's bounds.
#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cstring>

#include "gfx2d/frame.h"
#include "platform/gl.h"
#include "platform/headless/headless_platform.h"
#include "support/view_state.h"
#include "view3d/gl_state.h"
#include "view3d/scene.h"

namespace delver {
namespace {

using Rgb = std::array<int, 3>;

constexpr Rgb kRed{200, 30, 30}, kGreen{30, 200, 30}, kBlue{30, 30, 200}, kYellow{220, 220, 40};
constexpr Rgb kWhite{255, 255, 255};

// Fills a sprite slot with an image whose four quadrants have the colours
// given (bottom-left, bottom-right, top-left, top-right); rows bottom first.
void QuadrantSprite(SpriteTable& t, int slot, int w, int h, Rgb bl, Rgb br, Rgb tl, Rgb tr) {
    Sprite& s = t.Slots[slot];
    s.width = w;
    s.height = h;
    s.bytesPerPixel = 3;
    s.pixels = std::make_unique<uint8_t[]>(static_cast<size_t>(w) * h * 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const Rgb& c = y < h / 2 ? (x < w / 2 ? bl : br) : (x < w / 2 ? tl : tr);
            for (int i = 0; i < 3; ++i) s.pixels[(y * w + x) * 3 + i] = static_cast<uint8_t>(c[i]);
        }
}

void SolidSprite(SpriteTable& t, int slot, Rgb c) { QuadrantSprite(t, slot, 8, 8, c, c, c, c); }

class View3dScene : public ::testing::Test, protected testing::ViewState<HeadlessPlatform> {
protected:
    void SetUp() override {
        ASSERT_EQ(platform.CreateGlWindow("GAME", 640, 480, 16), WindowStep::Ok);
        sprites.Allocate();
        SetFramebufferSize(frame, 320, 240);
        shell.PlayerCell[0] = 128;
        shell.PlayerCell[1] = 128;
        shell.PlayerCell[2] = 40;
        shell.ViewDistance = 6;
        for (float& c : units.Player().CellPosition) c = 0.5f;
        camera.Yaw = 0.0f;  // looking level toward lower rows
        camera.Pitch = -90.0f;
    }

    // Makes the textures from the sprites as they stand now.
    void InitGl() {
        SetProjection();
        InitGraphicsState(gl, sprites, frame);
    }

    void Draw() {
        glLoadIdentity();
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        DrawScene(view);
        glFinish();
    }

    Rgb Pixel(int x, int y) {
        uint8_t px[4] = {};
        glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, px);
        return {px[0], px[1], px[2]};
    }
    Rgb Key() const { return {frame.KeyColour[0], frame.KeyColour[1], frame.KeyColour[2]}; }

    SceneStats stats;
    WorldView view{grids, shell, units, camera, gl, frame, platform, &stats};
};

// Colours read back may differ by 1 per channel between drivers.
::testing::AssertionResult Near(const Rgb& actual, const Rgb& expected) {
    for (int i = 0; i < 3; ++i)
        if (actual[i] < expected[i] - 1 || actual[i] > expected[i] + 1)
            return ::testing::AssertionFailure()
                   << "got (" << actual[0] << ", " << actual[1] << ", " << actual[2] << "), want (" << expected[0]
                   << ", " << expected[1] << ", " << expected[2] << ")";
    return ::testing::AssertionSuccess();
}
#define EXPECT_RGB_NEAR(actual, expected) EXPECT_TRUE(Near((actual), (expected)))

TEST_F(View3dScene, KeyColourIsReadBackFromTheClearedBackground) {
    frame.KeyColour[0] = frame.KeyColour[1] = frame.KeyColour[2] = 7;
    InitGl();
    EXPECT_EQ(frame.KeyColour[0], 255);
    EXPECT_EQ(frame.KeyColour[1], 0);
    EXPECT_NEAR(frame.KeyColour[2], 229.5, 0.5);  // drivers round 0.9 * 255 either way
    Draw();                                       // nothing to draw: all background
    EXPECT_EQ(Pixel(0, 0), Key());
    EXPECT_EQ(Pixel(319, 239), Key());
}

TEST_F(View3dScene, SolidCellAheadShowsItsNearFaceUprightAndCentred) {
    QuadrantSprite(sprites, 1201, 8, 8, kRed, kGreen, kBlue, kYellow);
    InitGl();
    SetCell(128, 127, 40, Brick);
    Draw();
    // The face fills the view: picture bottom at the bottom, left at the left.
    EXPECT_RGB_NEAR(Pixel(157, 117), kRed);
    EXPECT_RGB_NEAR(Pixel(162, 117), kGreen);
    EXPECT_RGB_NEAR(Pixel(157, 122), kBlue);
    EXPECT_RGB_NEAR(Pixel(162, 122), kYellow);
    EXPECT_RGB_NEAR(Pixel(2, 2), kRed);
    EXPECT_RGB_NEAR(Pixel(317, 237), kYellow);
    // Nothing is drawn outside the 320 x 240 viewport of the larger window.
    EXPECT_EQ(Pixel(400, 300), Key());
    EXPECT_EQ(stats.cellsDrawn, 13 * 13 * 13);
    EXPECT_EQ(stats.facesDrawn, 6);  // a lone cube shows all six faces
}

TEST_F(View3dScene, CubesWithoutAPictureDrawWhite) {
    // Slot 1203 (Dirt) left empty; slot 1202 (Grass) has a size but no pixels;
    // codes 7, 61 (a level code) and 200 have no texture entry with a picture.
    sprites.Slots[1202].width = 8;
    sprites.Slots[1202].height = 8;
    sprites.Slots[1202].bytesPerPixel = 3;
    SolidSprite(sprites, 1201, kRed);
    InitGl();
    for (uint8_t code : {uint8_t{Dirt}, uint8_t{Grass}, uint8_t{7}, uint8_t{LevelRock}, uint8_t{200}, uint8_t{255}}) {
        SetCell(128, 127, 40, code);
        Draw();
        EXPECT_RGB_NEAR(Pixel(160, 120), kWhite) << "code " << int(code);
    }
    SetCell(128, 127, 40, Brick);  // the control: a textured code still shows its picture
    Draw();
    EXPECT_RGB_NEAR(Pixel(160, 120), kRed);
}

TEST_F(View3dScene, NarrowPicturesAreReadRowByRowWithoutPadding) {
    // 3 x 3 texels, 9 bytes a row: the centre texel is blue only if rows are
    // read tightly packed.
    Sprite& s = sprites.Slots[1201];
    s.width = s.height = 3;
    s.bytesPerPixel = 3;
    s.pixels = std::make_unique<uint8_t[]>(27);
    for (int i = 0; i < 9; ++i) {
        const Rgb& c = i == 4 ? kBlue : kRed;
        for (int k = 0; k < 3; ++k) s.pixels[i * 3 + k] = static_cast<uint8_t>(c[k]);
    }
    InitGl();
    SetCell(128, 127, 40, Brick);
    Draw();
    EXPECT_RGB_NEAR(Pixel(160, 120), kBlue);
    EXPECT_RGB_NEAR(Pixel(20, 20), kRed);
}

TEST_F(View3dScene, MarkerCubeShowsEntryTenPictureInAnEmptyCell) {
    SolidSprite(sprites, 1209, kGreen);
    SolidSprite(sprites, 1201, kRed);
    InitGl();
    grids.MarkerGrid[CellIndex(128, 126, 40)] = ObjectiveMarker;
    Draw();
    EXPECT_RGB_NEAR(Pixel(160, 120), kGreen);
    EXPECT_EQ(Pixel(5, 5), Key());  // a cube of edge 0.7 two cells off leaves the corners free
    EXPECT_EQ(stats.markersDrawn, 1);
    // Once picked up it is gone from the next picture.
    grids.MarkerGrid[CellIndex(128, 126, 40)] = 0;
    Draw();
    EXPECT_EQ(Pixel(160, 120), Key());
}

TEST_F(View3dScene, TexturesAreMadeAgainOnEveryNewContext) {
    SolidSprite(sprites, 1209, kGreen);
    InitGl();
    // A re-created window (the zoom keys) gets a fresh context and fresh names.
    platform.DestroyGlWindow();
    ASSERT_EQ(platform.CreateGlWindow("GAME", 1280, 960, 16), WindowStep::Ok);
    InitGl();
    SetCell(128, 127, 40, 9);  // entries 9 and 10 share slot 1209
    Draw();
    EXPECT_RGB_NEAR(Pixel(160, 120), kGreen);
    EXPECT_EQ(Pixel(700, 500), Key());  // still a 320 x 240 viewport at the lower left
    SetCell(128, 127, 40, Empty);
    grids.MarkerGrid[CellIndex(128, 127, 40)] = ObjectiveMarker;
    Draw();
    EXPECT_RGB_NEAR(Pixel(160, 120), kGreen);
}

TEST_F(View3dScene, DiagonalPaneIsOneQuadWithTheBrickPicture) {
    SolidSprite(sprites, 1201, kGreen);
    SolidSprite(sprites, 1204, kRed);
    InitGl();
    SetCell(128, 127, 40, DiagonalPane);
    Draw();
    EXPECT_RGB_NEAR(Pixel(160, 120), kGreen);
    EXPECT_EQ(stats.facesDrawn, 1);
    // Walled in on all sides it is still the one pane.
    stats = {};
    for (int d : {-1, 1}) {
        SetCell(128 + d, 127, 40, Brick);
        SetCell(128, 127 + d, 40, Brick);
        SetCell(128, 127, 40 + d, Brick);
    }
    DrawCell(view, 128, 127, 40);
    EXPECT_EQ(stats.facesDrawn, 1);
}

TEST_F(View3dScene, FacesShowOnlyTowardOpenNeighbours) {
    InitGl();
    // A block of 3 x 3 x 3 solid cells: the centre draws nothing.
    for (int l = 49; l <= 51; ++l)
        for (int r = 49; r <= 51; ++r)
            for (int c = 49; c <= 51; ++c) SetCell(c, r, l, Brick);
    DrawCell(view, 50, 50, 50);
    EXPECT_EQ(stats.facesDrawn, 0);
    // Opening the cell above uncovers exactly the top face.
    SetCell(50, 50, 49, Empty);
    DrawCell(view, 50, 50, 50);
    EXPECT_EQ(stats.facesDrawn, 1);
    // A pane counts as open above and below, but closed beside.
    stats = {};
    SetCell(50, 50, 49, DiagonalPane);
    SetCell(50, 50, 51, DiagonalPane);
    SetCell(51, 50, 50, DiagonalPane);
    SetCell(50, 49, 50, DiagonalPane);
    DrawCell(view, 50, 50, 50);
    EXPECT_EQ(stats.facesDrawn, 2);
    // Empty cells draw nothing at all.
    stats = {};
    DrawCell(view, 60, 60, 60);
    EXPECT_EQ(stats.facesDrawn, 0);
}

TEST_F(View3dScene, CellsOnTheOuterShellAreNeverDrawn) {
    SolidSprite(sprites, 1201, kRed);
    InitGl();
    shell.PlayerCell[0] = 1;
    shell.ViewDistance = 1;
    camera.Yaw = -90.0f;  // toward lower columns: column 0 straight ahead
    SetCell(0, 128, 40, Brick);
    Draw();
    EXPECT_EQ(Pixel(160, 120), Key());
    EXPECT_EQ(stats.cellsDrawn, 2 * 3 * 3);  // columns 1 and 2 only
    camera.Yaw = 90.0f;                      // the control: column 2 is drawn
    SetCell(2, 128, 40, Brick);
    Draw();
    EXPECT_RGB_NEAR(Pixel(160, 120), kRed);
    // Called directly, a shell cell still draws nothing.
    stats = {};
    for (int c : {0, 255}) DrawCell(view, c, 128, 40);
    SetCell(10, 0, 40, Brick);
    SetCell(10, 10, 179, Brick);
    DrawCell(view, 10, 0, 40);
    DrawCell(view, 10, 10, 179);
    EXPECT_EQ(stats.facesDrawn, 0);
}

TEST_F(View3dScene, ViewCubeHoldsTheCellsWithinTheViewDistance) {
    InitGl();
    shell.ViewDistance = 1;
    SetCell(127, 127, 39, Brick);  // a corner of the cube
    SetCell(130, 128, 40, Brick);  // one cell beyond it
    Draw();
    EXPECT_EQ(stats.cellsDrawn, 27);
    EXPECT_EQ(stats.facesDrawn, 6);  // the corner cube alone
}

TEST_F(View3dScene, PlayerFarOffTheGridDrawsOnlyWhatLiesInside) {
    InitGl();
    shell.ViewDistance = 30;
    const int32_t far[] = {INT_MAX, INT_MIN, INT_MAX - 5, INT_MIN + 5, -31, 286};
    for (int32_t v : far) {
        for (int axis = 0; axis < 3; ++axis) {
            stats = {};
            shell.PlayerCell[0] = 128;
            shell.PlayerCell[1] = 128;
            shell.PlayerCell[2] = 90;
            shell.PlayerCell[axis] = v;
            Draw();
            EXPECT_EQ(stats.cellsDrawn, 0) << "axis " << axis << " at " << v;
        }
    }
    // Partly outside: columns 240 .. 254 of the cube around column 270.
    stats = {};
    shell.PlayerCell[0] = 270;
    shell.PlayerCell[1] = 128;
    shell.PlayerCell[2] = 90;
    Draw();
    EXPECT_EQ(stats.cellsDrawn, 15 * 61 * 61);
    // A view distance no key allows is still bounded by the drawable cells.
    stats = {};
    shell.ViewDistance = INT_MAX;
    shell.PlayerCell[0] = 128;
    Draw();
    EXPECT_EQ(stats.cellsDrawn, 254 * 254 * 178);
    stats = {};
    shell.ViewDistance = -3;
    shell.PlayerCell[0] = 128;
    Draw();
    EXPECT_EQ(stats.cellsDrawn, 0);
}

TEST_F(View3dScene, WorldFrameMergesThePictureAndMovesAfterDrawing) {
    SolidSprite(sprites, 1209, kGreen);
    InitGl();
    grids.MarkerGrid[CellIndex(128, 126, 40)] = ObjectiveMarker;
    shell.AutoWalk = 1;
    ClearFrame(frame);
    DrawWorldFrame(view);
    auto at = [&](int x, int y) {
        const uint8_t* p = &frame.FrameBuffer[(static_cast<size_t>(y) * 320 + x) * 4];
        return std::array<int, 4>{p[0], p[1], p[2], p[3]};
    };
    const auto centre = at(160, 120);
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(centre[i], kGreen[i], 1);
    EXPECT_EQ(centre[3], 255);
    EXPECT_EQ(at(2, 2), (std::array<int, 4>{0, 0, 0, 0}));  // background left transparent
    // The picture was taken before the step: the player has moved since.
    EXPECT_FLOAT_EQ(units.Player().PreviousCellPosition[1], 0.5f);
    EXPECT_LT(units.Player().CellPosition[1], 0.5f);
}

TEST_F(View3dScene, FogDarkensFarCellsOnlyAndEndsWithTheScene) {
    SolidSprite(sprites, 1201, kRed);
    InitGl();
    shell.ViewDistance = 30;
    auto centre = [&](int row, bool fog) {
        SetCell(128, row, 40, Brick);
        view.fog = fog;
        glLoadIdentity();
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        DrawWorldFrame(view);
        glFinish();
        SetCell(128, row, 40, Empty);
        return Pixel(160, 120);
    };
    // Near cells (before a quarter of the view distance) keep their colour.
    EXPECT_EQ(centre(125, true), centre(125, false));
    // A face 19.5 cells off, fog from 7.5 to 30: about 0.47 of its colour.
    const Rgb clear = centre(108, false), fogged = centre(108, true);
    EXPECT_RGB_NEAR(clear, kRed);
    EXPECT_NEAR(fogged[0], (30 - 19.5) / 22.5 * kRed[0], 6);
    EXPECT_LT(fogged[1], kRed[1]);
    EXPECT_NE(fogged, Key());
    // The pictures drawn after the scene are never fogged.
    EXPECT_FALSE(glIsEnabled(GL_FOG));
}

}  // namespace
}  // namespace delver
