#include <gtest/gtest.h>

#include "platform/gl.h"
#include "platform/headless/headless_platform.h"

namespace delver {
namespace {

TEST(HeadlessPlatform, RendersIntoAWindowSizedOffscreenBuffer) {
    HeadlessPlatform p;
    ASSERT_EQ(p.CreateGlWindow("GAME", 64, 48, 16), WindowStep::Ok);
    EXPECT_TRUE(p.HasWindow());
    glClearColor(1.0f, 0.0f, 0.9f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    unsigned char px[3] = {};
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(63, 47, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, px);
    EXPECT_EQ(px[0], 255);
    EXPECT_EQ(px[1], 0);
    EXPECT_NEAR(px[2], 229, 1);
    EXPECT_TRUE(p.DestroyGlWindow().empty());
    EXPECT_FALSE(p.HasWindow());
    // A second window gets a fresh context.
    ASSERT_EQ(p.CreateGlWindow("GAME", 32, 24, 16), WindowStep::Ok);
    ScreenRect r = p.WindowRect();
    EXPECT_EQ(r.right - r.left, 32);
    EXPECT_EQ(r.bottom - r.top, 24);
}

TEST(HeadlessPlatform, SleepsAreVirtual) {
    HeadlessPlatform p;
    p.Sleep(800);
    p.Sleep(100);
    EXPECT_EQ(p.VirtualMilliseconds(), 900u);
}

}  // namespace
}  // namespace delver
