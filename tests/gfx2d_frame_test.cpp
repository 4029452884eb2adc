// The framebuffer's merge with the 3D picture and its presentation, on a
// real offscreen OpenGL context.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "gfx2d/frame.h"
#include "platform/gl.h"
#include "platform/headless/headless_platform.h"
#include "platform/input.h"

namespace delver {
namespace {

bool Near(int a, int b) { return std::abs(a - b) <= 1; }

std::vector<uint8_t> ReadWindow(int w, int h) {
    std::vector<uint8_t> px(static_cast<size_t>(w) * h * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, w, h, GL_RGB, GL_UNSIGNED_BYTE, px.data());
    return px;
}

// A window like the game's at the given zoom, with the 3D view's viewport,
// clear colour and a pixel-exact projection over it.
class FrameOnGl : public ::testing::Test {
protected:
    void Open(int zoom) {
        ASSERT_EQ(platform.CreateGlWindow("GAME", 320 * zoom, 240 * zoom, 16), WindowStep::Ok);
        glViewport(0, 0, 320, 240);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(0, 320, 0, 240, -1, 1);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glClearColor(1.0f, 0.0f, 0.9f, 0.0f);
        glDisable(GL_TEXTURE_2D);
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LEQUAL);
        SetFramebufferSize(frame, 320, 240);
        ClearFrame(frame);
        // The key is the cleared background as this driver reads it back.
        uint8_t key[3] = {};
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, key);
        for (int i = 0; i < 3; ++i) frame.KeyColour[i] = key[i];
        ASSERT_EQ(key[0], 255);
        ASSERT_EQ(key[1], 0);
        ASSERT_TRUE(Near(key[2], 229));
    }

    static void Quad(int x, int y, int w, int h, uint8_t r, uint8_t g, uint8_t b) {
        glColor3ub(r, g, b);
        glBegin(GL_QUADS);
        glVertex2i(x, y);
        glVertex2i(x + w, y);
        glVertex2i(x + w, y + h);
        glVertex2i(x, y + h);
        glEnd();
    }

    const uint8_t* FramePixel(int x, int y) const { return &frame.FrameBuffer[(y * 320 + x) * 4]; }

    HeadlessPlatform platform;
    FrameState frame;
};

TEST_F(FrameOnGl, ClearFrameEmptiesTheFramebufferAndTheWindow) {
    Open(1);
    PutPixel(frame, 3, 4, 9, 9, 9);
    Quad(0, 0, 10, 10, 0, 255, 0);
    ClearFrame(frame);
    for (uint8_t b : frame.FrameBuffer) ASSERT_EQ(b, 0);
    std::vector<uint8_t> px = ReadWindow(320, 240);
    EXPECT_EQ(px[(5 * 320 + 5) * 3 + 1], 0);  // the green quad is gone
}

TEST_F(FrameOnGl, SceneMergeSkipsExactlyTheKeyColour) {
    Open(2);
    Quad(0, 0, 100, 50, 10, 200, 30);
    Quad(150, 100, 1, 1, frame.KeyColour[0], frame.KeyColour[1], frame.KeyColour[2]);
    Quad(160, 100, 1, 1, 255, 0, static_cast<uint8_t>(frame.KeyColour[2] - 1));
    Quad(170, 100, 1, 1, 255, 1, frame.KeyColour[2]);
    // What was drawn before the merge in this frame.
    for (int x = 0; x < 320; ++x) PutPixel(frame, x, 100, 0, 0, 255);
    PutPixel(frame, 20, 20, 0, 0, 255);

    CopySceneToFrame(frame);

    // Where the scene holds something, it replaces the 2D drawing.
    const uint8_t* q = FramePixel(20, 20);
    EXPECT_TRUE(Near(q[0], 10) && Near(q[1], 200) && Near(q[2], 30));
    EXPECT_EQ(q[3], 255);
    // A drawn pixel of exactly the key colour is skipped like the background.
    const uint8_t* key = FramePixel(150, 100);
    EXPECT_EQ(key[0], 0);
    EXPECT_EQ(key[2], 255);
    const uint8_t* bg = FramePixel(250, 100);
    EXPECT_EQ(bg[2], 255);
    EXPECT_EQ(FramePixel(250, 200)[3], 0);  // untouched background stays transparent
    // One step off the key is copied.
    const uint8_t* near1 = FramePixel(160, 100);
    EXPECT_EQ(near1[0], 255);
    EXPECT_EQ(near1[1], 0);
    EXPECT_EQ(near1[2], frame.KeyColour[2] - 1);
    const uint8_t* near2 = FramePixel(170, 100);
    EXPECT_EQ(near2[1], 1);
    EXPECT_EQ(near2[2], frame.KeyColour[2]);
    // The read-back is the picture as OpenGL holds it.
    const uint8_t* rb = &frame.SceneReadback[(100 * 320 + 160) * 3];
    EXPECT_EQ(rb[2], frame.KeyColour[2] - 1);
}

TEST_F(FrameOnGl, SceneMergeNeedsExactly320By240) {
    Open(2);
    Quad(0, 0, 320, 240, 10, 200, 30);
    SetFramebufferSize(frame, 640, 480);
    CopySceneToFrame(frame);
    for (uint8_t b : frame.FrameBuffer) ASSERT_EQ(b, 0);
    // A framebuffer too small to hold the read-back is left alone.
    SetFramebufferSize(frame, 100, 50);
    CopySceneToFrame(frame);
    for (uint8_t b : frame.FrameBuffer) ASSERT_EQ(b, 0);
    ReleaseFramebuffer(frame);
    CopySceneToFrame(frame);
    EXPECT_TRUE(frame.FrameBuffer.empty());
}

// A framebuffer picture where every pixel differs from its neighbours.
void Pattern(FrameState& f) {
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 320; ++x) PutPixel(f, x, y, x & 255, y, (x * 7 + y * 3) & 255);
}

TEST_F(FrameOnGl, PresentAtZoomTwoCoversTheWindow) {
    Open(2);
    Pattern(frame);
    frame.CapturePresented = true;
    PresentFrame(frame, platform, 2);
    EXPECT_EQ(platform.SwapCount(), 1);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));

    std::vector<uint8_t> window = ReadWindow(640, 480);
    int wrong = 0;
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) {
            const uint8_t* w = &window[(y * 640 + x) * 3];
            const uint8_t* f = FramePixel(x / 2, y / 2);
            if (!Near(w[0], f[0]) || !Near(w[1], f[1]) || !Near(w[2], f[2])) ++wrong;
        }
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(frame.PresentedWidth, 640);
    EXPECT_EQ(frame.PresentedHeight, 480);
    EXPECT_EQ(frame.Presented, window);
}

TEST_F(FrameOnGl, PresentAtZoomOneCoversTheLowerLeftOnly) {
    Open(2);
    glClearColor(0.0f, 0.0f, 1.0f, 0.0f);
    ClearFrame(frame);
    Pattern(frame);
    frame.FrameBuffer[(10 * 320 + 10) * 4 + 3] = 0;  // alpha does not matter
    PresentFrame(frame, platform, 1);

    std::vector<uint8_t> window = ReadWindow(640, 480);
    int wrong = 0;
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) {
            const uint8_t* w = &window[(y * 640 + x) * 3];
            if (x < 320 && y < 240) {
                const uint8_t* f = FramePixel(x, y);
                if (!Near(w[0], f[0]) || !Near(w[1], f[1]) || !Near(w[2], f[2])) ++wrong;
            } else if (w[0] != 0 || w[1] != 0 || w[2] != 255) {
                ++wrong;
            }
        }
    EXPECT_EQ(wrong, 0);
    EXPECT_TRUE(frame.Presented.empty());  // nothing captured unless asked
}

TEST_F(FrameOnGl, PresentLeavesPixelStorageAsItFoundIt) {
    Open(1);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    frame.CapturePresented = true;
    PresentFrame(frame, platform, 1);
    CopySceneToFrame(frame);
    GLint pack = 0, unpack = 0;
    glGetIntegerv(GL_PACK_ALIGNMENT, &pack);
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &unpack);
    EXPECT_EQ(pack, 4);
    EXPECT_EQ(unpack, 4);
}

TEST(PresentFrame, WithoutAWindowOnlySwaps) {
    HeadlessPlatform platform;
    FrameState frame;
    SetFramebufferSize(frame, 320, 240);
    frame.CapturePresented = true;
    PresentFrame(frame, platform, 2);
    EXPECT_EQ(platform.SwapCount(), 1);
    EXPECT_TRUE(frame.Presented.empty());
}

// A window that fills a 1000 x 800 screen: the picture goes three times
// enlarged into its middle, on black.
class FullscreenPlatform : public HeadlessPlatform {
public:
    PicturePlace Placement() override { return PlacePicture(1000, 800, 320, 240, true); }
};

TEST(PresentFrame, FillingTheScreenCentresTheWholeEnlargedPictureOnBlack) {
    FullscreenPlatform platform;
    ASSERT_EQ(platform.CreateGlWindow("GAME", 1000, 800, 16), WindowStep::Ok);
    glClearColor(KeyClearColour[0], KeyClearColour[1], KeyClearColour[2], KeyClearColour[3]);
    FrameState frame;
    SetFramebufferSize(frame, 320, 240);
    ClearFrame(frame);  // the key colour everywhere, as after a 3D frame
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 320; ++x) PutPixel(frame, x, y, x % 256, y, 77);
    frame.CapturePresented = true;
    PresentFrame(frame, platform, 2);

    ASSERT_EQ(frame.PresentedWidth, 1000);
    ASSERT_EQ(frame.PresentedHeight, 800);
    const std::vector<uint8_t> window = ReadWindow(1000, 800);
    EXPECT_EQ(frame.Presented, window);
    int wrong = 0;
    for (int y = 0; y < 800; ++y)
        for (int x = 0; x < 1000; ++x) {
            const uint8_t* w = &window[(y * 1000 + x) * 3];
            const bool inside = x >= 20 && x < 980 && y >= 40 && y < 760;
            const int r = inside ? (x - 20) / 3 % 256 : 0, g = inside ? (y - 40) / 3 : 0, b = inside ? 77 : 0;
            if (!Near(w[0], r) || !Near(w[1], g) || !Near(w[2], b)) ++wrong;
        }
    EXPECT_EQ(wrong, 0);
    // The raster position and the 3D view's clear colour are as they were.
    GLfloat raster[4] = {-1, -1, -1, -1};
    glGetFloatv(GL_CURRENT_RASTER_POSITION, raster);
    EXPECT_EQ(raster[0], 0.0f);
    EXPECT_EQ(raster[1], 0.0f);
    ClearFrame(frame);
    const std::vector<uint8_t> cleared = ReadWindow(1000, 800);
    EXPECT_EQ(cleared[0], 255);
    EXPECT_TRUE(Near(cleared[2], 229));
}

TEST(PicturePlace, WholeAndFitEnlargementsAndTheCursorsRectangle) {
    // A 1920 x 1080 screen shows the picture 1280 x 960, or 1440 x 1080.
    PicturePlace whole = PlacePicture(1920, 1080, 320, 240, true);
    EXPECT_EQ(whole.zoom, 4.0f);
    EXPECT_EQ(whole.x, 320);
    EXPECT_EQ(whole.y, 60);
    PicturePlace fit = PlacePicture(1920, 1080, 320, 240, false);
    EXPECT_EQ(fit.zoom, 4.5f);
    EXPECT_EQ(fit.x, 240);
    EXPECT_EQ(fit.y, 0);
    // Never smaller than the picture itself.
    EXPECT_EQ(PlacePicture(200, 100, 320, 240, true).zoom, 1.0f);
    // Screen points: y grows downward, and a drawable of twice the points.
    const ScreenRect r = PictureRect(whole, 320, 240, 0, 0, 1920, 1080);
    EXPECT_EQ(r.left, 320);
    EXPECT_EQ(r.right, 1600);
    EXPECT_EQ(r.top, 60);
    EXPECT_EQ(r.bottom, 1020);
    PicturePlace retina = PlacePicture(3840, 2160, 320, 240, true);  // 9 times: 2880 x 2160
    const ScreenRect half = PictureRect(retina, 320, 240, 0, 0, 1920, 1080);
    EXPECT_EQ(half.left, 240);
    EXPECT_EQ(half.right, 1680);
    EXPECT_EQ(half.bottom, 1080);
    EXPECT_EQ(MouseXFrom({half.left, 500}, half, 320), 0);
    EXPECT_EQ(MouseXFrom({half.right - 1, 500}, half, 320), 319);
}

}  // namespace
}  // namespace delver
