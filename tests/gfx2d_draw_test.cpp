// PutPixel's clipping, the line stepping rule and the crosshair.
#include <gtest/gtest.h>

#include <set>
#include <utility>
#include <vector>

#include "gfx2d/frame.h"
#include "support/fake_platform.h"
#include "support/frame_pixels.h"

namespace delver {
namespace {

using testing::Fresh;
using testing::Lit;
using testing::Pixels;

Pixels Line(int x0, int y0, int x1, int y1) {
    FrameState f = Fresh();
    DrawLine(f, x0, y0, x1, y1, 255, 255, 255);
    return Lit(f);
}

TEST(PutPixel, ClipsAndWritesOpaqueBytes) {
    FrameState f = Fresh();
    PutPixel(f, 320, 10, 1, 2, 3);
    PutPixel(f, -1, 10, 1, 2, 3);
    PutPixel(f, 10, 240, 1, 2, 3);
    PutPixel(f, 10, -1, 1, 2, 3);
    EXPECT_TRUE(Lit(f).empty());

    PutPixel(f, 319, 239, 257, -1, 0x1FF);  // components are taken as bytes
    ASSERT_EQ(Lit(f), (Pixels{{319, 239}}));
    const uint8_t* p = &f.FrameBuffer[(239 * 320 + 319) * 4];
    EXPECT_EQ(p[0], 1);
    EXPECT_EQ(p[1], 255);
    EXPECT_EQ(p[2], 255);
    EXPECT_EQ(p[3], 255);
    PutPixel(f, 319, 239, 9, 8, 7);  // no blending: the new colour replaces the old
    EXPECT_EQ(p[0], 9);
    EXPECT_EQ(p[2], 7);
}

TEST(PutPixel, ReleasedBuffersAreNeverWritten) {
    FrameState f = Fresh();
    ReleaseFramebuffer(f);
    PutPixel(f, 5, 5, 1, 2, 3);
    DrawLine(f, 0, 0, 319, 239, 1, 2, 3);
    FormatText(f, "A");
    DrawTextSmall(f, 0, 20, 1, 1, 1);
    EXPECT_TRUE(f.FrameBuffer.empty());
}

TEST(DrawLine, FollowsTheStepRule) {
    EXPECT_EQ(Line(0, 0, 4, 2), (Pixels{{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 2}}));
    EXPECT_EQ(Line(0, 0, 2, 4), (Pixels{{0, 0}, {0, 1}, {1, 2}, {1, 3}, {2, 4}}));
    // Backwards the same rule gives a different staircase.
    EXPECT_EQ(Line(4, 2, 0, 0), (Pixels{{4, 2}, {3, 2}, {2, 1}, {1, 1}, {0, 0}}));
    EXPECT_EQ(Line(10, 10, 10, 10), (Pixels{{10, 10}}));
    EXPECT_EQ(Line(0, 0, -3, 0), (Pixels{{0, 0}}));
    EXPECT_EQ(Line(5, 5, 1, 1), (Pixels{{5, 5}, {4, 4}, {3, 3}, {2, 2}, {1, 1}}));
    EXPECT_EQ(Line(3, 7, 3, 4), (Pixels{{3, 7}, {3, 6}, {3, 5}, {3, 4}}));
    EXPECT_EQ(Line(0, 0, 319, 239).size(), 320u);  // max(dx, dy) + 1 points
}

// The cursor placed over framebuffer pixel (x, y) of a 640 x 480 window.
void PointAt(testing::FakePlatform& p, int x, int y) { p.SetCursor({x * 2, 480 - y * 2 - 1}); }

TEST(Crosshair, IsAPlusAtTheMouseClippedAtTheEdges) {
    testing::FakePlatform p;
    p.MoveWindow(0, 0, 640, 480);

    FrameState f = Fresh();
    PointAt(p, 160, 120);
    DrawCrosshair(f, p);
    Pixels plus;
    for (int d = -5; d <= 5; ++d) {
        plus.insert({160 + d, 120});
        plus.insert({160, 120 + d});
    }
    EXPECT_EQ(Lit(f), plus);
    EXPECT_EQ(plus.size(), 21u);
    const uint8_t* c = &f.FrameBuffer[(120 * 320 + 165) * 4];
    EXPECT_EQ(c[0] + c[1] + c[2], 3 * 255);

    FrameState corner = Fresh();
    PointAt(p, 0, 0);
    DrawCrosshair(corner, p);
    Pixels arms;
    for (int d = 0; d <= 5; ++d) {
        arms.insert({d, 0});
        arms.insert({0, d});
    }
    EXPECT_EQ(Lit(corner), arms);
    EXPECT_EQ(arms.size(), 11u);
}

}  // namespace
}  // namespace delver
