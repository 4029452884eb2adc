// The SDL backend: its key table always; a real window, its messages and
// its key latch where a display can be reached (run under Xvfb on CI).
#include <gtest/gtest.h>

#include <SDL.h>

#include <chrono>
#include <cstdlib>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/gl.h"
#include "platform/input.h"
#include "platform/sdl/sdl_platform.h"

namespace delver {
namespace {

TEST(SdlKeyTable, EveryKeyTheGameReadsHasItsScancode) {
    struct Row {
        int vk;
        int scancode;
    };
    const Row rows[] = {
        {vk::Escape, SDL_SCANCODE_ESCAPE},
        {vk::Tab, SDL_SCANCODE_TAB},
        {vk::Backspace, SDL_SCANCODE_BACKSPACE},
        {vk::Space, SDL_SCANCODE_SPACE},
        {vk::KeypadPlus, SDL_SCANCODE_KP_PLUS},
        {vk::KeypadMinus, SDL_SCANCODE_KP_MINUS},
        {vk::PageUp, SDL_SCANCODE_PAGEUP},
        {vk::PageDown, SDL_SCANCODE_PAGEDOWN},
        {vk::LeftBracket, SDL_SCANCODE_LEFTBRACKET},
        {vk::RightBracket, SDL_SCANCODE_RIGHTBRACKET},
        {vk::LetterA, SDL_SCANCODE_A},
        {vk::LetterM, SDL_SCANCODE_M},
        {vk::LetterZ, SDL_SCANCODE_Z},
        {vk::Digit0, SDL_SCANCODE_0},
        {49, SDL_SCANCODE_1},
        {57, SDL_SCANCODE_9},
        {vk::F1, SDL_SCANCODE_F1},
        {vk::F4, SDL_SCANCODE_F4},
        {vk::F5, SDL_SCANCODE_F5},
        {vk::F8, SDL_SCANCODE_F8},
        {120, SDL_SCANCODE_F9},
        {123, SDL_SCANCODE_F12},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(ScancodesForVirtualKey(r.vk).primary, r.scancode) << "vk " << r.vk;
        EXPECT_EQ(ScancodesForVirtualKey(r.vk).secondary, 0) << "vk " << r.vk;
    }
    // Keys found twice on a keyboard answer for both.
    EXPECT_EQ(ScancodesForVirtualKey(vk::Enter).primary, SDL_SCANCODE_RETURN);
    EXPECT_EQ(ScancodesForVirtualKey(vk::Enter).secondary, SDL_SCANCODE_KP_ENTER);
    EXPECT_EQ(ScancodesForVirtualKey(vk::Shift).primary, SDL_SCANCODE_LSHIFT);
    EXPECT_EQ(ScancodesForVirtualKey(vk::Shift).secondary, SDL_SCANCODE_RSHIFT);

    // Every letter and digit is its own key, and the letters follow the
    // alphabet (the console types what the table says).
    std::set<int> seen;
    for (int k = 'A'; k <= 'Z'; ++k) {
        EXPECT_EQ(ScancodesForVirtualKey(k).primary, SDL_SCANCODE_A + (k - 'A'));
        seen.insert(ScancodesForVirtualKey(k).primary);
    }
    for (int k = '0'; k <= '9'; ++k) seen.insert(ScancodesForVirtualKey(k).primary);
    for (int k = 112; k <= 123; ++k) seen.insert(ScancodesForVirtualKey(k).primary);
    EXPECT_EQ(seen.size(), 26u + 10u + 12u);
    EXPECT_EQ(seen.count(0), 0u);

    // The arrows, Alt and the mouse buttons have places of their own (the
    // buttons after the keyboard's); codes the game never reads map to nothing.
    EXPECT_EQ(ScancodesForVirtualKey(input::Up).primary, SDL_SCANCODE_UP);
    EXPECT_EQ(ScancodesForVirtualKey(input::Alt).secondary, SDL_SCANCODE_RALT);
    EXPECT_GE(ScancodesForVirtualKey(input::Mouse1).primary, SDL_NUM_SCANCODES);
    for (int k : {0, 47, 58, 64, 91, 106, 108, 110, 124, 220, 255, 256, -1})
        EXPECT_EQ(ScancodesForVirtualKey(k).primary, 0) << "vk " << k;
}

// Sets or clears an environment variable for one scope.
class EnvOverride {
public:
    EnvOverride(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~EnvOverride() {
        if (old_)
            setenv(name_.c_str(), old_->c_str(), 1);
        else
            unsetenv(name_.c_str());
    }

private:
    std::string name_;
    std::optional<std::string> old_;
};

TEST(SdlDisplay, WithoutADisplayThereIsNoInvisibleWindow) {
    EnvOverride x("DISPLAY", nullptr);
    EnvOverride wayland("WAYLAND_DISPLAY", nullptr);
    std::string why;
    EXPECT_FALSE(SdlPlatform::DisplayAvailable(&why));
    EXPECT_NE(why.find("DISPLAY"), std::string::npos) << why;

    SdlPlatform p;
    EXPECT_EQ(p.CreateGlWindow("GAME", 640, 480, 16), WindowStep::StepCreateWindow);
    EXPECT_FALSE(p.HasWindow());
    EXPECT_FALSE(p.CanRunWithoutWindow());
    // Nothing to read keys from, and no crash for asking.
    EXPECT_FALSE(p.IsKeyHeld(vk::Escape));
    EXPECT_EQ(p.PollMessage(), MessageKind::None);
    EXPECT_TRUE(p.DestroyGlWindow().empty());
}

TEST(SdlDisplay, TheOffscreenDriverDoesNotCountAsADisplay) {
    EnvOverride x("DISPLAY", ":12345");
    EnvOverride driver("SDL_VIDEODRIVER", "offscreen");
    std::string why;
    EXPECT_FALSE(SdlPlatform::DisplayAvailable(&why));
    EXPECT_FALSE(why.empty());
    EXPECT_EQ(SDL_WasInit(SDL_INIT_EVERYTHING), 0u);  // left as found
}

// Skips the test, saying why, where no display can be reached.
#define REQUIRE_DISPLAY()                                                                \
    do {                                                                                 \
        std::string why;                                                                 \
        if (!SdlPlatform::DisplayAvailable(&why)) GTEST_SKIP() << "no display: " << why; \
    } while (0)

// Drains every pending message; true if one of them was `wanted`.
bool DrainSees(SdlPlatform& p, MessageKind wanted) {
    bool seen = false;
    for (MessageKind m = p.PollMessage(); m != MessageKind::None; m = p.PollMessage())
        if (m == wanted) seen = true;
    return seen;
}

// The window manager may take a moment to place a moved window.
ScreenRect SettledRect(SdlPlatform& p, ScreenRect want) {
    ScreenRect r = p.WindowRect();
    for (int i = 0; i < 100; ++i) {
        if (r.left == want.left && r.top == want.top && r.right == want.right && r.bottom == want.bottom) break;
        DrainSees(p, MessageKind::None);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        r = p.WindowRect();
    }
    return r;
}

TEST(SdlWindow, OpensAtTheTopLeftWithACurrentContextAndMoves) {
    REQUIRE_DISPLAY();
    SdlPlatform p;
    ASSERT_EQ(p.CreateGlWindow("GAME", 640, 480, 16), WindowStep::Ok) << p.LastError();
    EXPECT_TRUE(p.HasWindow());

    glClearColor(1.0f, 0.0f, 0.9f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    unsigned char px[3] = {};
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(639, 479, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, px);
    EXPECT_NEAR(px[0], 255, 1);
    EXPECT_NEAR(px[1], 0, 1);
    EXPECT_NEAR(px[2], 230, 1);  // 229 or 230 by driver
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    GLint depthBits = 0;
    glGetIntegerv(GL_DEPTH_BITS, &depthBits);
    EXPECT_GE(depthBits, 16);
    p.SwapBuffers();

    ScreenRect r = SettledRect(p, {0, 0, 640, 480});
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right, 640);
    EXPECT_EQ(r.bottom, 480);

    p.MoveWindow(100, 50, 320, 240);
    r = SettledRect(p, {100, 50, 420, 290});
    EXPECT_EQ(r.left, 100);
    EXPECT_EQ(r.top, 50);
    EXPECT_EQ(r.right, 420);
    EXPECT_EQ(r.bottom, 290);

    p.SetCursorVisible(false);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
    p.SetCursorVisible(true);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);

    EXPECT_TRUE(p.DestroyGlWindow().empty());
    EXPECT_FALSE(p.HasWindow());
    EXPECT_EQ(p.WindowRect().right, 0);

    // The zoom keys make the window again, at a new size, with a new context.
    ASSERT_EQ(p.CreateGlWindow("GAME", 320, 240, 16), WindowStep::Ok) << p.LastError();
    r = SettledRect(p, {0, 0, 320, 240});
    EXPECT_EQ(r.right - r.left, 320);
    EXPECT_EQ(r.bottom - r.top, 240);
    glClearColor(0.0f, 1.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glReadPixels(0, 0, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, px);
    EXPECT_NEAR(px[0], 0, 1);
    EXPECT_NEAR(px[1], 255, 1);
    EXPECT_NEAR(px[2], 0, 1);
}

TEST(SdlMessages, QuitAndButtonsDrainAsTheGameSeesThem) {
    REQUIRE_DISPLAY();
    SdlPlatform p;
    ASSERT_EQ(p.CreateGlWindow("GAME", 640, 480, 16), WindowStep::Ok) << p.LastError();
    DrainSees(p, MessageKind::None);  // the window's own start-up events

    SDL_Event quit{};
    quit.type = SDL_QUIT;
    ASSERT_EQ(SDL_PushEvent(&quit), 1);
    EXPECT_TRUE(DrainSees(p, MessageKind::Close));

    SDL_Event close{};
    close.type = SDL_WINDOWEVENT;
    close.window.event = SDL_WINDOWEVENT_CLOSE;
    close.window.windowID = SDL_GetWindowID(SDL_GL_GetCurrentWindow());
    ASSERT_EQ(SDL_PushEvent(&close), 1);
    EXPECT_TRUE(DrainSees(p, MessageKind::Close));

    // One event per call, in order; a middle button is nothing to the game.
    SDL_Event b{};
    b.type = SDL_MOUSEBUTTONDOWN;
    b.button.button = SDL_BUTTON_RIGHT;
    ASSERT_EQ(SDL_PushEvent(&b), 1);
    b.button.button = SDL_BUTTON_MIDDLE;
    ASSERT_EQ(SDL_PushEvent(&b), 1);
    b.button.button = SDL_BUTTON_LEFT;
    ASSERT_EQ(SDL_PushEvent(&b), 1);
    std::vector<MessageKind> buttons;
    for (MessageKind m = p.PollMessage(); m != MessageKind::None; m = p.PollMessage())
        if (m != MessageKind::Other) buttons.push_back(m);
    // The X server may slip its own events in between; those drain as Other.
    const std::vector<MessageKind> want = {MessageKind::RightButtonDown, MessageKind::LeftButtonDown};
    EXPECT_EQ(buttons, want);
}

TEST(SdlKeys, TapsWithinOneDrainAreShownOneFrameEachInOrder) {
    REQUIRE_DISPLAY();
    SdlPlatform p;
    ASSERT_EQ(p.CreateGlWindow("GAME", 640, 480, 16), WindowStep::Ok) << p.LastError();
    DrainSees(p, MessageKind::None);
    EXPECT_FALSE(p.IsKeyHeld(vk::LetterA));

    auto push = [](Uint32 type, SDL_Scancode sc) {
        SDL_Event k{};
        k.type = type;
        k.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
        k.key.keysym.scancode = sc;
        ASSERT_EQ(SDL_PushEvent(&k), 1);
    };
    // Z, then A, then a right shift tap and Enter, all between two frames.
    push(SDL_KEYDOWN, SDL_SCANCODE_Z);
    push(SDL_KEYUP, SDL_SCANCODE_Z);
    push(SDL_KEYDOWN, SDL_SCANCODE_A);
    push(SDL_KEYUP, SDL_SCANCODE_A);
    push(SDL_KEYDOWN, SDL_SCANCODE_RSHIFT);
    push(SDL_KEYUP, SDL_SCANCODE_RSHIFT);
    push(SDL_KEYDOWN, SDL_SCANCODE_RETURN);
    DrainSees(p, MessageKind::None);

    // Each frame sees one of them, as often as it asks, in the order typed.
    EXPECT_TRUE(p.IsKeyHeld(vk::LetterZ));
    EXPECT_TRUE(p.IsKeyHeld(vk::LetterZ));
    EXPECT_FALSE(p.IsKeyHeld(vk::LetterA));
    DrainSees(p, MessageKind::None);
    EXPECT_FALSE(p.IsKeyHeld(vk::LetterZ));
    EXPECT_TRUE(p.IsKeyHeld(vk::LetterA));
    DrainSees(p, MessageKind::None);
    EXPECT_TRUE(p.IsKeyHeld(vk::Shift));  // Shift comes with the key after it
    EXPECT_TRUE(p.IsKeyHeld(vk::Enter));
    DrainSees(p, MessageKind::None);
    EXPECT_FALSE(p.IsKeyHeld(vk::Shift));
    EXPECT_TRUE(p.IsKeyHeld(vk::Enter));  // still down
    push(SDL_KEYUP, SDL_SCANCODE_RETURN);
    DrainSees(p, MessageKind::None);
    EXPECT_FALSE(p.IsKeyHeld(vk::Enter));
}

TEST(SdlController, ButtonsAndLeftStickAreKeysAndTheRightStickTurns) {
    REQUIRE_DISPLAY();
    {
        SdlPlatform p;
        ASSERT_EQ(p.CreateGlWindow("GAME", 640, 480, 16), WindowStep::Ok) << p.LastError();
        const int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, SDL_CONTROLLER_AXIS_MAX,
                                                    SDL_CONTROLLER_BUTTON_MAX, 0);
        ASSERT_GE(index, 0) << SDL_GetError();
        SDL_Joystick* pad = SDL_JoystickOpen(index);
        ASSERT_NE(pad, nullptr) << SDL_GetError();
        // Its triggers span the whole axis: at rest at the bottom.
        SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_TRIGGERLEFT, SDL_JOYSTICK_AXIS_MIN);
        SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_TRIGGERRIGHT, SDL_JOYSTICK_AXIS_MIN);
        DrainSees(p, MessageKind::None);  // plugged in: the backend opens it

        SDL_JoystickSetVirtualButton(pad, SDL_CONTROLLER_BUTTON_START, SDL_PRESSED);
        SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_LEFTY, SDL_JOYSTICK_AXIS_MIN);  // up
        // Like keys, two presses in one drain are shown a frame apart.
        DrainSees(p, MessageKind::None);
        EXPECT_NE(p.IsKeyHeld(input::PadStart), p.IsKeyHeld(input::PadLeftStickUp));
        DrainSees(p, MessageKind::None);
        EXPECT_TRUE(p.IsKeyHeld(input::PadStart));
        EXPECT_TRUE(p.IsKeyHeld(input::PadLeftStickUp));
        EXPECT_FALSE(p.IsKeyHeld(input::PadLeftStickDown));
        EXPECT_FALSE(p.IsKeyHeld(input::PadLeftTrigger));

        SDL_JoystickSetVirtualButton(pad, SDL_CONTROLLER_BUTTON_START, SDL_RELEASED);
        SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_LEFTY, 0);
        DrainSees(p, MessageKind::None);
        EXPECT_FALSE(p.IsKeyHeld(input::PadStart));
        EXPECT_FALSE(p.IsKeyHeld(input::PadLeftStickUp));

        // The right stick turns by one frame's worth at each drain's end; a
        // turn not taken is replaced by the next frame's, not added to.
        SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_RIGHTX, SDL_JOYSTICK_AXIS_MAX);
        DrainSees(p, MessageKind::None);
        DrainSees(p, MessageKind::None);
        const ScreenPoint look = p.TakeLookMotion();
        EXPECT_EQ(look.x, stick::LookPerFrame);
        EXPECT_EQ(look.y, 0);
        EXPECT_EQ(p.TakeLookMotion().x, 0);

        SDL_JoystickClose(pad);
        SDL_JoystickDetachVirtual(index);
    }
    EXPECT_EQ(SDL_WasInit(SDL_INIT_EVERYTHING), 0u);  // controllers stop with the window's SDL
}

}  // namespace
}  // namespace delver
