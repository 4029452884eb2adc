// Checks the Win32 backend on Windows or under Wine: the window and its
// OpenGL context, the message drain and what the window procedure makes of
// closing, clicks, mouse buttons and keys (one press, one frame), moving,
// re-creating and releasing the window, the cursor, fullscreen, the held
// pointer, the wheel, sleeping and the calendar. Built with mingw-w64 by
// win32_backend_check.sh; prints one line per failed check and exits 1 if
// any failed.
#include "platform/win32/win32_platform.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdio>
#include <ctime>

#include "platform/gl.h"
#include "platform/input.h"

namespace {

int g_failures = 0;
int g_checks = 0;

#define CHECK(cond)                                               \
    do {                                                          \
        ++g_checks;                                               \
        if (!(cond)) {                                            \
            ++g_failures;                                         \
            std::printf("FAILED line %d: %s\n", __LINE__, #cond); \
        }                                                         \
    } while (0)

using delver::MessageKind;
using delver::ReleaseStep;
using delver::WindowStep;

// Drains the queue; returns the game messages seen, in order (at most 8),
// and how many messages there were in all.
struct Drained {
    MessageKind game[8]{};
    int gameCount = 0;
    int total = 0;
};

Drained Drain(delver::Platform& p) {
    Drained d;
    for (;;) {
        MessageKind m = p.PollMessage();
        if (m == MessageKind::None || d.total > 100000) break;
        ++d.total;
        if (m != MessageKind::Other && d.gameCount < 8) d.game[d.gameCount++] = m;
    }
    return d;
}

bool RectIs(const delver::ScreenRect& r, int left, int top, int right, int bottom) {
    return r.left == left && r.top == top && r.right == right && r.bottom == bottom;
}

// Clears the window's back buffer to a colour and reads one pixel back.
bool ClearsTo(float red, float green, float blue) {
    glClearColor(red, green, blue, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    unsigned char px[4] = {};
    glReadPixels(7, 5, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, px);
    auto within1 = [](unsigned char got, float want) {
        int w = static_cast<int>(want * 255.0f + 0.5f);
        return got >= w - 1 && got <= w + 1;
    };
    return within1(px[0], red) && within1(px[1], green) && within1(px[2], blue);
}

}  // namespace

int main() {
    delver::Win32Platform p;
    CHECK(!p.HasWindow());
    CHECK(RectIs(p.WindowRect(), 0, 0, 0, 0));

    // --- the window, its rectangle and its context ---
    WindowStep step = p.CreateGlWindow("GAME", 640, 480, 16);
    CHECK(step == WindowStep::Ok);
    if (step != WindowStep::Ok) {
        std::printf("window creation failed at step %d; %d of %d checks failed\n", static_cast<int>(step), g_failures,
                    g_checks);
        return 1;
    }
    CHECK(p.HasWindow());
    // A borderless popup: its rectangle is its drawing area, at the top-left.
    CHECK(RectIs(p.WindowRect(), 0, 0, 640, 480));
    HWND window = FindWindowA("OpenGL", "GAME");
    CHECK(window != nullptr);
    CHECK(IsWindowVisible(window));
    CHECK((GetWindowLongA(window, GWL_STYLE) & WS_POPUP) != 0);
    CHECK((GetWindowLongA(window, GWL_STYLE) & WS_CAPTION) != WS_CAPTION);
    CHECK(wglGetCurrentContext() != nullptr);
    CHECK(ClearsTo(1.0f, 0.0f, 0.0f));
    CHECK(ClearsTo(0.0f, 0.6f, 1.0f));
    PIXELFORMATDESCRIPTOR pfd{};
    HDC dc = wglGetCurrentDC();
    CHECK(dc != nullptr && DescribePixelFormat(dc, GetPixelFormat(dc), sizeof pfd, &pfd) != 0);
    CHECK((pfd.dwFlags & PFD_DOUBLEBUFFER) != 0);
    CHECK(pfd.cDepthBits >= 16);
    p.SwapBuffers();

    // Whatever showing the window queued is not the game's business.
    Drained first = Drain(p);
    CHECK(first.gameCount == 0);
    CHECK(p.PollMessage() == MessageKind::None);

    // --- closing: a message for the game; the window stays ---
    PostMessageA(window, WM_CLOSE, 0, 0);
    Drained closed = Drain(p);
    CHECK(closed.gameCount == 1 && closed.game[0] == MessageKind::Close);
    CHECK(IsWindow(window));
    CHECK(p.HasWindow());
    // A close request sent rather than posted reaches the game as well.
    SendMessageA(window, WM_CLOSE, 0, 0);
    CHECK(p.PollMessage() == MessageKind::Close);
    CHECK(p.PollMessage() == MessageKind::None);

    // --- clicks, in the order they came; each a short press of its button,
    // shown to one frame each ---
    PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    PostMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
    PostMessageA(window, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(10, 10));
    PostMessageA(window, WM_RBUTTONUP, 0, MAKELPARAM(10, 10));
    PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
    PostMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(20, 20));
    Drained clicks = Drain(p);
    CHECK(clicks.gameCount == 3);
    CHECK(clicks.game[0] == MessageKind::LeftButtonDown);
    CHECK(clicks.game[1] == MessageKind::RightButtonDown);
    CHECK(clicks.game[2] == MessageKind::LeftButtonDown);
    CHECK(p.IsKeyHeld(delver::input::Mouse1) && !p.IsKeyHeld(delver::input::Mouse2));
    Drain(p);
    CHECK(p.IsKeyHeld(delver::input::Mouse2) && !p.IsKeyHeld(delver::input::Mouse1));
    Drain(p);
    CHECK(p.IsKeyHeld(delver::input::Mouse1));
    PostMessageA(window, WM_XBUTTONDOWN, MAKEWPARAM(MK_XBUTTON2, XBUTTON2), MAKELPARAM(10, 10));
    CHECK(Drain(p).gameCount == 0);
    CHECK(p.IsKeyHeld(delver::input::Mouse5) && !p.IsKeyHeld(delver::input::Mouse1));
    PostMessageA(window, WM_XBUTTONUP, MAKEWPARAM(0, XBUTTON2), MAKELPARAM(10, 10));
    Drain(p);
    CHECK(!p.IsKeyHeld(delver::input::Mouse5));

    // --- keys come from the window's messages, by virtual key ---
    // Bit 30 of a key message: the key was already down (an auto-repeat).
    const LPARAM repeat = LPARAM{1} << 30;
    // A press and its release both made between two frames (while the game
    // slept): the next frame sees the key, and only that one.
    PostMessageA(window, WM_KEYDOWN, VK_OEM_6, 1);
    PostMessageA(window, WM_KEYUP, VK_OEM_6, 1 | repeat);
    CHECK(!p.IsKeyHeld(VK_OEM_6));
    CHECK(p.PollMessage() == MessageKind::Other);
    CHECK(Drain(p).gameCount == 0);
    CHECK(p.IsKeyHeld(VK_OEM_6));
    Drain(p);
    CHECK(!p.IsKeyHeld(VK_OEM_6));
    // A held key, with the keyboard's auto-repeats: held until its release.
    PostMessageA(window, WM_KEYDOWN, 'Z', 1);
    Drain(p);
    PostMessageA(window, WM_KEYDOWN, 'Z', 1 | repeat);
    Drain(p);
    CHECK(p.IsKeyHeld('Z'));
    PostMessageA(window, WM_KEYUP, 'Z', 1 | repeat);
    Drain(p);
    CHECK(!p.IsKeyHeld('Z'));
    // An auto-repeat alone (a key already down when the window got the
    // keyboard) is no press.
    PostMessageA(window, WM_KEYDOWN, 'Z', 1 | repeat);
    Drain(p);
    CHECK(!p.IsKeyHeld('Z'));
    // System keys: Alt and F10 arrive as WM_SYSKEYDOWN.
    PostMessageA(window, WM_SYSKEYDOWN, VK_MENU, 1 | LPARAM{1} << 29);
    PostMessageA(window, WM_SYSKEYDOWN, VK_F10, 1);
    Drain(p);
    CHECK(p.IsKeyHeld(delver::input::Alt));
    Drain(p);
    CHECK(p.IsKeyHeld(delver::input::Alt) && p.IsKeyHeld(delver::vk::F10));
    PostMessageA(window, WM_SYSKEYUP, VK_F10, 1 | repeat);
    PostMessageA(window, WM_KEYUP, VK_MENU, 1 | repeat);
    Drain(p);
    CHECK(!p.IsKeyHeld(delver::input::Alt) && !p.IsKeyHeld(delver::vk::F10));
    // Losing the focus lets go of what is held; a press that reaches the
    // window without the focus is one tap, never held.
    PostMessageA(window, WM_KEYDOWN, 'W', 1);
    Drain(p);
    CHECK(p.IsKeyHeld('W'));
    SendMessageA(window, WM_ACTIVATE, WA_INACTIVE, 0);
    PostMessageA(window, WM_KEYDOWN, 'S', 1);
    Drain(p);
    CHECK(!p.IsKeyHeld('W') && p.IsKeyHeld('S'));
    Drain(p);
    CHECK(!p.IsKeyHeld('S'));
    CHECK(SendMessageA(window, WM_ACTIVATE, WA_ACTIVE, 0) == 0);
    PostMessageA(window, WM_KEYUP, 'W', 1 | repeat);
    PostMessageA(window, WM_KEYUP, 'S', 1 | repeat);
    Drain(p);
    // Nobody presses a real key during this check, and none is read live.
    CHECK(!p.IsKeyHeld(VK_ESCAPE) && !p.IsKeyHeld('W'));
    // Without its window no key could reach the game.
    CHECK(!p.CanRunWithoutWindow());

    // --- screen saver and monitor power-off are refused ---
    CHECK(SendMessageA(window, WM_SYSCOMMAND, SC_SCREENSAVE, 0) == 0);
    CHECK(SendMessageA(window, WM_SYSCOMMAND, SC_MONITORPOWER, 2) == 0);
    CHECK(Drain(p).gameCount == 0);
    CHECK(IsWindow(window));

    // --- cursor ---
    if (SetCursorPos(123, 77)) {
        delver::ScreenPoint c = p.CursorPos();
        CHECK(c.x == 123 && c.y == 77);
    }
    p.SetCursorVisible(false);
    p.SetCursorVisible(true);

    // --- moving ---
    p.MoveWindow(100, 50, 320, 240);
    CHECK(RectIs(p.WindowRect(), 100, 50, 420, 290));
    Drain(p);

    // --- fullscreen on the 1024x768 screen: 3x, centred; then back ---
    CHECK(!p.Placement().fillsScreen);
    CHECK(p.SetFullscreen(true, true));
    const delver::PicturePlace place = p.Placement();
    CHECK(place.fillsScreen && place.zoom == 3.0f && place.x == 32 && place.y == 24);
    CHECK(RectIs(p.WindowRect(), 32, 24, 992, 744));
    CHECK(!p.SetFullscreen(false, true));
    CHECK(RectIs(p.WindowRect(), 100, 50, 420, 290));

    // --- the held pointer: hidden, kept in the window, motion from its middle ---
    auto clipIs = [](int l, int t, int r, int b) {
        RECT c{};
        return GetClipCursor(&c) && c.left == l && c.top == t && c.right == r && c.bottom == b;
    };
    auto cursorShown = [] {
        CURSORINFO ci{};
        ci.cbSize = sizeof ci;
        return GetCursorInfo(&ci) && (ci.flags & CURSOR_SHOWING) != 0;
    };
    // A Wine without XInput2 refuses every clip: there only the release is seen.
    const RECT windowRect{100, 50, 420, 290};
    const bool clips = ClipCursor(&windowRect) && clipIs(100, 50, 420, 290);
    ClipCursor(nullptr);
    if (!clips) std::printf("note: ClipCursor has no effect here; the clip checks are left out\n");
    p.SetPointerCaptured(true);
    Drain(p);
    p.TakeLookMotion();
    CHECK(!clips || clipIs(100, 50, 420, 290));
    CHECK(!cursorShown());
    SetCursorPos(260 + 50, 170);
    Drain(p);
    const delver::ScreenPoint look = p.TakeLookMotion();
    CHECK(look.x == 50 && look.y == 0);
    CHECK(p.CursorPos().x == 260 && p.CursorPos().y == 170);
    // Losing the focus lets go; its return takes the pointer again.
    SendMessageA(window, WM_ACTIVATE, WA_INACTIVE, 0);
    CHECK(clipIs(0, 0, 1024, 768) && cursorShown());
    SendMessageA(window, WM_ACTIVATE, WA_ACTIVE, 0);
    CHECK((!clips || clipIs(100, 50, 420, 290)) && !cursorShown());
    p.SetPointerCaptured(false);
    CHECK(clipIs(0, 0, 1024, 768) && cursorShown());

    // --- a wheel notch is held for the one frame after its drain ---
    PostMessageA(window, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), MAKELPARAM(10, 10));
    Drain(p);
    CHECK(p.IsKeyHeld(delver::input::WheelUp) && !p.IsKeyHeld(delver::input::WheelDown));
    Drain(p);
    CHECK(!p.IsKeyHeld(delver::input::WheelUp));
    // No controller here: its inputs read as not held.
    CHECK(!p.IsKeyHeld(delver::input::PadA) && !p.IsKeyHeld(delver::input::PadLeftStickUp));

    // --- releasing and making it again (a zoom key); fullscreen is forgotten,
    // and so is a key held down ---
    CHECK(p.SetFullscreen(true, false));
    PostMessageA(window, WM_KEYDOWN, VK_F2, 1);
    Drain(p);
    CHECK(p.IsKeyHeld(VK_F2));
    std::vector<ReleaseStep> failed = p.DestroyGlWindow();
    CHECK(failed.empty());
    CHECK(!p.HasWindow());
    CHECK(!IsWindow(window));
    CHECK(wglGetCurrentContext() == nullptr);
    CHECK(RectIs(p.WindowRect(), 0, 0, 0, 0));
    step = p.CreateGlWindow("GAME", 320, 240, 32);
    CHECK(step == WindowStep::Ok);
    CHECK(RectIs(p.WindowRect(), 0, 0, 320, 240));
    CHECK(!p.Placement().fillsScreen);
    CHECK(ClearsTo(0.0f, 1.0f, 0.0f));
    p.SwapBuffers();
    Drain(p);
    CHECK(!p.IsKeyHeld(VK_F2));
    failed = p.DestroyGlWindow();
    CHECK(failed.empty());
    // Releasing with nothing made: only the class cannot be unregistered.
    failed = p.DestroyGlWindow();
    CHECK(failed.size() == 1 && failed[0] == ReleaseStep::StepUnregisterClass);

    // --- a class of that name held by someone else: nothing is made ---
    WNDCLASSA other{};
    other.lpfnWndProc = DefWindowProcA;
    other.hInstance = GetModuleHandleA(nullptr);
    other.lpszClassName = "OpenGL";
    CHECK(RegisterClassA(&other) != 0);
    CHECK(p.CreateGlWindow("GAME", 640, 480, 16) == WindowStep::StepRegisterClass);
    CHECK(!p.HasWindow());
    UnregisterClassA("OpenGL", GetModuleHandleA(nullptr));

    // --- time ---
    DWORD before = GetTickCount();
    p.Sleep(60);
    CHECK(GetTickCount() - before >= 40);
    const int64_t now = static_cast<int64_t>(std::time(nullptr));
    const int64_t seconds = p.CalendarSeconds();
    CHECK(seconds >= now - 2 && seconds <= now + 2);

    std::printf("%d of %d checks failed\n", g_failures, g_checks);
    return g_failures == 0 ? 0 : 1;
}
