#include "platform/win32/win32_platform.h"

#include <utility>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <timeapi.h>
#include <mmsystem.h>
#include <xinput.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "platform/input.h"

namespace delver {

namespace {

constexpr const char* kWindowClass = "OpenGL";
constexpr DWORD kExStyle = WS_EX_APPWINDOW | WS_EX_WINDOWEDGE;
constexpr DWORD kStyle = WS_POPUP;

HWND AsWindow(void* p) { return static_cast<HWND>(p); }
HDC AsDeviceContext(void* p) { return static_cast<HDC>(p); }
HGLRC AsRenderContext(void* p) { return static_cast<HGLRC>(p); }
HINSTANCE AsInstance(void* p) { return static_cast<HINSTANCE>(p); }

// The game's picture, as fullscreen places it.
constexpr int PictureWidth = 320, PictureHeight = 240;

// Wheel notches, as bits of the notch sets.
constexpr unsigned WheelUpBit = 1, WheelDownBit = 2;

// The controller's inputs, from PadA on, as bits of one set.
constexpr int PadFirst = input::PadA, PadLast = input::PadLeftStickLeft;
static_assert(PadLast - PadFirst < 32, "every pad input has its bit");
constexpr uint32_t PadBit(int code) { return uint32_t{1} << (code - PadFirst); }
// A controller that is not there is asked again after this many frames:
// asking for an absent one is slow.
constexpr int PadRetryFrames = 60;

using GetStateProc = DWORD(WINAPI*)(DWORD, XINPUT_STATE*);

// An axis as a held input: pressed past half way, released below a quarter.
void AxisAsInput(uint32_t& held, int code, int value) {
    const uint32_t bit = PadBit(code);
    if (value >= stick::Press)
        held |= bit;
    else if (value < stick::Release)
        held &= ~bit;
}

POINT Centre(const RECT& r) { return {r.left + (r.right - r.left) / 2, r.top + (r.bottom - r.top) / 2}; }

// Where the held pointer lives: the window's part on its monitor. A window
// moved partly off the screen would otherwise have its middle where the
// cursor cannot go, and every frame would read as motion.
bool HoldArea(HWND window, RECT& area) {
    RECT w{};
    if (!GetWindowRect(window, &w)) return false;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoA(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor) ||
        !IntersectRect(&area, &w, &monitor.rcMonitor))
        area = w;
    return true;
}

// Asks the current context for vertical sync, where the driver offers it.
void RequestVerticalSync() {
    using SwapIntervalProc = BOOL(WINAPI*)(int);
    PROC proc = wglGetProcAddress("wglSwapIntervalEXT");
    if (proc) reinterpret_cast<SwapIntervalProc>(reinterpret_cast<void*>(proc))(1);
}

// The one pixel format the game asks for: double-buffered RGBA drawn to a
// window with a 16-bit depth buffer and the given colour depth.
PIXELFORMATDESCRIPTOR DescribePixelFormat(int colourBits) {
    PIXELFORMATDESCRIPTOR pfd{};
    pfd.nSize = sizeof(PIXELFORMATDESCRIPTOR);
    pfd.nVersion = 1;
    pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cColorBits = static_cast<BYTE>(colourBits);
    pfd.cDepthBits = 16;
    pfd.iLayerType = PFD_MAIN_PLANE;
    return pfd;
}
static_assert(sizeof(PIXELFORMATDESCRIPTOR) == 40);

}  // namespace

// The class's window procedure. It turns closing and the two mouse buttons
// into messages for the game, hands key and button presses and releases to
// the key presses, notes the wheel's notches and the window's focus (the
// held pointer and the held keys follow it), keeps the screen saver and
// monitor power-off away, and leaves the rest to Windows.
struct Win32WindowProcedure {
    // A key's code as the game numbers it: the message's virtual key.
    static int KeyCode(WPARAM wParam) { return wParam <= 0xFF ? static_cast<int>(wParam) : -1; }

    // A mouse button's code, as the game numbers it.
    static int ButtonOf(UINT message, WPARAM wParam) {
        switch (message) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP: return input::Mouse1;
        case WM_RBUTTONDOWN:
        case WM_RBUTTONUP: return input::Mouse2;
        case WM_MBUTTONDOWN:
        case WM_MBUTTONUP: return input::Mouse3;
        default: return GET_XBUTTON_WPARAM(wParam) == XBUTTON1 ? input::Mouse4 : input::Mouse5;
        }
    }

    // A button read as held from its press until its release, which comes
    // to this window even off it: the window holds the mouse while any
    // button is down.
    static void Button(Win32Platform* owner, HWND hwnd, UINT message, WPARAM wParam, bool down) {
        if (!owner) return;
        const int code = ButtonOf(message, wParam);
        if (down) {
            owner->presses_.Pressed(code);
            SetCapture(hwnd);
            return;
        }
        owner->presses_.Released(code);
        constexpr WPARAM AnyButton = MK_LBUTTON | MK_RBUTTON | MK_MBUTTON | MK_XBUTTON1 | MK_XBUTTON2;
        if ((wParam & AnyButton) == 0) ReleaseCapture();
    }

    static LRESULT CALLBACK Handle(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* owner = reinterpret_cast<Win32Platform*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        switch (message) {
        case WM_ACTIVATE:
            // Active and not minimised counts as having the focus.
            if (owner) owner->SetFocused(LOWORD(wParam) != WA_INACTIVE && HIWORD(wParam) == 0);
            return 0;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            if (owner) owner->SetFocused(message == WM_SETFOCUS);
            return DefWindowProcA(hwnd, message, wParam, lParam);
        case WM_MOUSEWHEEL:
            if (owner) {
                const int delta = GET_WHEEL_DELTA_WPARAM(wParam);
                if (delta > 0) owner->wheelArrived_ |= WheelUpBit;
                if (delta < 0) owner->wheelArrived_ |= WheelDownBit;
            }
            return 0;
        case WM_SYSCOMMAND:
            // The low four bits of a system command are Windows' own.
            switch (wParam & 0xFFF0) {
            case SC_SCREENSAVE:
            case SC_MONITORPOWER: return 0;
            default: return DefWindowProcA(hwnd, message, wParam, lParam);
            }
        case WM_CLOSE:
            // The game ends its loop; the window stays until then.
            if (owner) owner->gameMessages_.push_back(MessageKind::Close);
            return 0;
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            // Bit 30 set: the key was already down, an auto-repeat. A press
            // that reaches the queue after the focus went (typed during a
            // pause, taken after the switch) counts as one tap: its release
            // goes to another window, so it must not stay held.
            if (owner && (lParam & (LPARAM{1} << 30)) == 0) {
                owner->presses_.Pressed(KeyCode(wParam));
                if (!owner->focused_) owner->presses_.Released(KeyCode(wParam));
            }
            // Windows' own system keys (Alt+F4) still work.
            return message == WM_KEYDOWN ? 0 : DefWindowProcA(hwnd, message, wParam, lParam);
        case WM_KEYUP:
        case WM_SYSKEYUP:
            if (owner) owner->presses_.Released(KeyCode(wParam));
            return message == WM_KEYUP ? 0 : DefWindowProcA(hwnd, message, wParam, lParam);
        case WM_LBUTTONDOWN:
            Button(owner, hwnd, message, wParam, true);
            if (owner) owner->gameMessages_.push_back(MessageKind::LeftButtonDown);
            return 0;
        case WM_RBUTTONDOWN:
            Button(owner, hwnd, message, wParam, true);
            if (owner) owner->gameMessages_.push_back(MessageKind::RightButtonDown);
            return 0;
        case WM_MBUTTONDOWN:
        case WM_XBUTTONDOWN:
            Button(owner, hwnd, message, wParam, true);
            return DefWindowProcA(hwnd, message, wParam, lParam);
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case WM_MBUTTONUP:
        case WM_XBUTTONUP:
            Button(owner, hwnd, message, wParam, false);
            return DefWindowProcA(hwnd, message, wParam, lParam);
        default: return DefWindowProcA(hwnd, message, wParam, lParam);
        }
    }
};

Win32Platform::Win32Platform(int framesPerSecond) : pacer_(framesPerSecond) {
    presses_.SetModifiers(VK_SHIFT, VK_SHIFT);
    // The game sleeps the whole program after some keys, for seconds while
    // it saves. Windows would put a "not responding" stand-in over the
    // window after five, and keys typed meanwhile would not reach the game.
    DisableProcessWindowsGhosting();
    // Sleep counts in timer ticks of about 16 ms unless asked for 1 ms;
    // the pacing sleeps need the finer one.
    if (pacer_.Paced()) timeBeginPeriod(1);
    // Alone on its console means Windows made the console for this program
    // (a double click): hide it behind the game. Under a shell, or with the
    // output redirected to a file, the console is kept.
    DWORD processes[2] = {};
    if (GetConsoleProcessList(processes, 2) == 1) {
        if (HWND console = GetConsoleWindow()) ShowWindow(console, SW_HIDE);
    }
}

Win32Platform::~Win32Platform() {
    StopSound();
    if (window_ || renderContext_ || deviceContext_) DestroyGlWindow();
    if (xinputModule_) FreeLibrary(static_cast<HMODULE>(xinputModule_));
    if (pacer_.Paced()) timeEndPeriod(1);
}

WindowStep Win32Platform::CreateGlWindow(const char* title, int width, int height, int colourBits) {
    undoFailures_.clear();
    RECT rect{0, 0, width, height};
    HINSTANCE instance = GetModuleHandleA(nullptr);
    instance_ = instance;

    WNDCLASSA wc{};
    wc.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
    wc.lpfnWndProc = &Win32WindowProcedure::Handle;
    wc.cbClsExtra = 0;
    wc.cbWndExtra = 0;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(nullptr, IDI_WINLOGO);
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = nullptr;
    wc.lpszMenuName = nullptr;
    wc.lpszClassName = kWindowClass;
    if (!RegisterClassA(&wc)) return WindowStep::StepRegisterClass;

    AdjustWindowRectEx(&rect, kStyle, FALSE, kExStyle);
    HWND window =
        CreateWindowExA(kExStyle, kWindowClass, title ? title : "", WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0,
                        rect.right - rect.left, rect.bottom - rect.top, nullptr, nullptr, instance, nullptr);
    window_ = window;
    if (!window) {
        undoFailures_ = DestroyGlWindow();
        return WindowStep::StepCreateWindow;
    }
    // From here on the window procedure can hand messages to this backend.
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));

    if (pixelFormatColourBits_ == 0) pixelFormatColourBits_ = colourBits;
    const PIXELFORMATDESCRIPTOR pfd = DescribePixelFormat(pixelFormatColourBits_);

    HDC dc = GetDC(window);
    deviceContext_ = dc;
    if (!dc) {
        undoFailures_ = DestroyGlWindow();
        return WindowStep::StepGetDeviceContext;
    }
    const int format = ChoosePixelFormat(dc, &pfd);
    if (format == 0) {
        undoFailures_ = DestroyGlWindow();
        return WindowStep::StepChoosePixelFormat;
    }
    if (!SetPixelFormat(dc, format, &pfd)) {
        undoFailures_ = DestroyGlWindow();
        return WindowStep::StepSetPixelFormat;
    }
    HGLRC rc = wglCreateContext(dc);
    renderContext_ = rc;
    if (!rc) {
        undoFailures_ = DestroyGlWindow();
        return WindowStep::StepCreateContext;
    }
    if (!wglMakeCurrent(dc, rc)) {
        undoFailures_ = DestroyGlWindow();
        return WindowStep::StepMakeCurrent;
    }
    if (pacer_.Paced()) RequestVerticalSync();

    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    SetFocus(window);
    // Showing it has told the window procedure of the focus; this covers a
    // window that was active before the procedure could hear it.
    if (GetActiveWindow() == window) SetFocused(true);
    ApplyPointerHold();
    return WindowStep::Ok;
}

std::vector<ReleaseStep> Win32Platform::TakeUndoFailures() { return std::exchange(undoFailures_, {}); }

std::vector<ReleaseStep> Win32Platform::DestroyGlWindow() {
    std::vector<ReleaseStep> failed;
    // A window made again starts as a window, with the pointer free and no
    // key held: the going window takes its focus along.
    SetFocused(false);
    fullscreen_ = false;
    if (renderContext_) {
        if (!wglMakeCurrent(nullptr, nullptr)) failed.push_back(ReleaseStep::StepReleaseCurrent);
        if (!wglDeleteContext(AsRenderContext(renderContext_))) failed.push_back(ReleaseStep::StepDeleteContext);
        renderContext_ = nullptr;
    }
    if (deviceContext_) {
        if (!ReleaseDC(AsWindow(window_), AsDeviceContext(deviceContext_)))
            failed.push_back(ReleaseStep::StepReleaseDeviceContext);
        deviceContext_ = nullptr;
    }
    if (window_) {
        // Messages the window sends while it goes are no longer the game's.
        SetWindowLongPtrA(AsWindow(window_), GWLP_USERDATA, 0);
        if (!DestroyWindow(AsWindow(window_))) failed.push_back(ReleaseStep::StepDestroyWindow);
        window_ = nullptr;
    }
    if (!UnregisterClassA(kWindowClass, AsInstance(instance_))) failed.push_back(ReleaseStep::StepUnregisterClass);
    instance_ = nullptr;
    return failed;
}

bool Win32Platform::HasWindow() const { return window_ != nullptr; }

void Win32Platform::SetCursorVisible(bool visible) { ShowCursor(visible ? TRUE : FALSE); }

ScreenRect Win32Platform::WindowRect() {
    RECT r{};
    if (!window_) return {};
    if (fullscreen_) {
        // The drawing area's place on the screen, narrowed to the picture.
        POINT origin{0, 0};
        if (!GetClientRect(AsWindow(window_), &r) || !ClientToScreen(AsWindow(window_), &origin)) return {};
        return PictureRect(Placement(), PictureWidth, PictureHeight, origin.x, origin.y, r.right, r.bottom);
    }
    if (GetWindowRect(AsWindow(window_), &r)) return {r.left, r.top, r.right, r.bottom};
    return {};
}

void Win32Platform::MoveWindow(int x, int y, int width, int height) {
    if (!window_) return;
    if (fullscreen_) {
        windowedRect_ = {x, y, x + width, y + height};
        return;
    }
    ::MoveWindow(AsWindow(window_), x, y, width, height, TRUE);
    HoldPointerInWindow();
}

bool Win32Platform::PlaceWindow(const ScreenRect& r) {
    const UINT flags = SWP_NOOWNERZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED;
    if (!SetWindowPos(AsWindow(window_), HWND_TOP, r.left, r.top, r.right - r.left, r.bottom - r.top, flags))
        return false;
    HoldPointerInWindow();
    return true;
}

bool Win32Platform::SetFullscreen(bool on, bool wholeScale) {
    if (!window_) return false;
    wholeScale_ = wholeScale;
    if (on == fullscreen_) return fullscreen_;
    if (on) {
        HWND window = AsWindow(window_);
        MONITORINFO monitor{};
        monitor.cbSize = sizeof monitor;
        RECT was{};
        if (!GetMonitorInfoA(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor) ||
            !GetWindowRect(window, &was))
            return false;
        const RECT& m = monitor.rcMonitor;
        if (!PlaceWindow({m.left, m.top, m.right, m.bottom})) return false;
        windowedRect_ = {was.left, was.top, was.right, was.bottom};
        fullscreen_ = true;
    } else {
        if (!PlaceWindow(windowedRect_)) return true;
        fullscreen_ = false;
    }
    return fullscreen_;
}

PicturePlace Win32Platform::Placement() {
    RECT r{};
    if (!window_ || !fullscreen_ || !GetClientRect(AsWindow(window_), &r)) return {};
    return PlacePicture(r.right, r.bottom, PictureWidth, PictureHeight, wholeScale_);
}

void Win32Platform::SetPointerCaptured(bool captured) {
    if (captured == pointerWanted_) return;
    pointerWanted_ = captured;
    ApplyPointerHold();
}

void Win32Platform::SetFocused(bool focused) {
    focused_ = focused;
    // Keys and buttons let go elsewhere would stay down for ever: whatever
    // is held is let go with the focus (a press not yet shown still is).
    if (!focused)
        for (int code = 0; code <= 0xFF; ++code) presses_.Released(code);
    ApplyPointerHold();
}

void Win32Platform::ApplyPointerHold() {
    const bool hold = pointerWanted_ && focused_ && window_ != nullptr;
    if (hold == pointerHeld_) return;
    pointerHeld_ = hold;
    look_ = {};
    if (hold) {
        ShowCursor(FALSE);
        HoldPointerInWindow();
    } else {
        ClipCursor(nullptr);
        ShowCursor(TRUE);
    }
}

void Win32Platform::HoldPointerInWindow() {
    RECT r{};
    if (!pointerHeld_ || !HoldArea(AsWindow(window_), r)) return;
    ClipCursor(&r);
    const POINT c = Centre(r);
    SetCursorPos(c.x, c.y);
}

ScreenPoint Win32Platform::TakeLookMotion() {
    const ScreenPoint m = {look_.x + stickLook_.x, look_.y + stickLook_.y};
    look_ = {};
    stickLook_ = {};
    return m;
}

void Win32Platform::StartInputFrame() {
    presses_.NextFrame();
    // A notch is held for the one frame after the drain that brought it.
    wheelHeld_ = std::exchange(wheelArrived_, 0u);
    // The held pointer's way from the middle is this drain's motion; it
    // goes back to the middle for the next.
    RECT r{};
    POINT p{};
    if (pointerHeld_ && HoldArea(AsWindow(window_), r) && GetCursorPos(&p)) {
        const POINT c = Centre(r);
        if (p.x != c.x || p.y != c.y) {
            look_.x += p.x - c.x;
            look_.y += p.y - c.y;
            SetCursorPos(c.x, c.y);
        }
    }
    PollController();
}

void Win32Platform::PollController() {
    if (!xinputLooked_) {
        // Loaded by name, so that a Windows without XInput still runs the
        // game: the controller is then simply never there.
        xinputLooked_ = true;
        HMODULE module = LoadLibraryA("xinput1_4.dll");
        if (!module) module = LoadLibraryA("xinput9_1_0.dll");
        if (module) {
            FARPROC proc = GetProcAddress(module, "XInputGetState");
            if (proc) {
                xinputModule_ = module;
                xinputGetState_ = reinterpret_cast<void*>(proc);
            } else {
                FreeLibrary(module);
            }
        }
    }
    stickLook_ = {};
    if (!xinputGetState_) return;
    if (padRetryFrames_ > 0) {
        --padRetryFrames_;
        return;
    }
    XINPUT_STATE state{};
    if (reinterpret_cast<GetStateProc>(xinputGetState_)(0, &state) != ERROR_SUCCESS) {
        // Gone, or never there: nothing stays pressed by it.
        padHeld_ = 0;
        stickRestX_ = stickRestY_ = 0;
        padRetryFrames_ = PadRetryFrames;
        return;
    }
    // A game in the background reads nothing from its controller.
    const XINPUT_GAMEPAD pad = focused_ ? state.Gamepad : XINPUT_GAMEPAD{};
    static constexpr struct {
        WORD button;
        int code;
    } buttons[] = {
        {XINPUT_GAMEPAD_A, input::PadA},
        {XINPUT_GAMEPAD_B, input::PadB},
        {XINPUT_GAMEPAD_X, input::PadX},
        {XINPUT_GAMEPAD_Y, input::PadY},
        {XINPUT_GAMEPAD_LEFT_SHOULDER, input::PadLeftShoulder},
        {XINPUT_GAMEPAD_RIGHT_SHOULDER, input::PadRightShoulder},
        {XINPUT_GAMEPAD_DPAD_UP, input::PadUp},
        {XINPUT_GAMEPAD_DPAD_DOWN, input::PadDown},
        {XINPUT_GAMEPAD_DPAD_LEFT, input::PadLeft},
        {XINPUT_GAMEPAD_DPAD_RIGHT, input::PadRight},
        {XINPUT_GAMEPAD_START, input::PadStart},
        {XINPUT_GAMEPAD_BACK, input::PadBack},
    };
    for (const auto& b : buttons) {
        if (pad.wButtons & b.button)
            padHeld_ |= PadBit(b.code);
        else
            padHeld_ &= ~PadBit(b.code);
    }
    // Triggers run 0..255; the sticks' y axes grow upward.
    AxisAsInput(padHeld_, input::PadLeftTrigger, pad.bLeftTrigger * 128);
    AxisAsInput(padHeld_, input::PadRightTrigger, pad.bRightTrigger * 128);
    AxisAsInput(padHeld_, input::PadLeftStickUp, pad.sThumbLY);
    AxisAsInput(padHeld_, input::PadLeftStickDown, -pad.sThumbLY);
    AxisAsInput(padHeld_, input::PadLeftStickLeft, -pad.sThumbLX);
    AxisAsInput(padHeld_, input::PadLeftStickRight, pad.sThumbLX);
    stickLook_.x = WholeLookCounts(StickLookCounts(pad.sThumbRX), stickRestX_);
    stickLook_.y = WholeLookCounts(StickLookCounts(-pad.sThumbRY), stickRestY_);
}

void Win32Platform::SwapBuffers() {
    if (!deviceContext_) return;
    const auto wait =
        std::chrono::duration_cast<std::chrono::milliseconds>(pacer_.WaitBeforeSwap(FramePacer::Clock::now()));
    // Whole milliseconds, rounded down: the pacer's cadence makes up the rest.
    if (wait.count() > 0) ::Sleep(static_cast<DWORD>(wait.count()));
    ::SwapBuffers(AsDeviceContext(deviceContext_));
}

MessageKind Win32Platform::PollMessage() {
    auto takeGameMessage = [this](MessageKind otherwise) {
        if (gameMessages_.empty()) return otherwise;
        MessageKind m = gameMessages_.front();
        gameMessages_.pop_front();
        return m;
    };
    if (!gameMessages_.empty()) return takeGameMessage(MessageKind::Other);
    MSG msg{};
    // PeekMessage itself delivers messages sent from elsewhere (a close
    // request from the window manager, say), so a game message may be
    // waiting even when the queue was empty.
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        const MessageKind m = takeGameMessage(MessageKind::None);
        if (m == MessageKind::None) StartInputFrame();
        return m;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
    return takeGameMessage(MessageKind::Other);
}

bool Win32Platform::IsKeyHeld(int vk) {
    if (vk == input::WheelUp) return (wheelHeld_ & WheelUpBit) != 0;
    if (vk == input::WheelDown) return (wheelHeld_ & WheelDownBit) != 0;
    if (vk >= PadFirst && vk <= PadLast) return (padHeld_ & PadBit(vk)) != 0;
    return presses_.Held(vk);
}

ScreenPoint Win32Platform::CursorPos() {
    POINT p{};
    if (!GetCursorPos(&p)) return {};
    return {p.x, p.y};
}

void Win32Platform::Sleep(unsigned ms) { ::Sleep(ms); }

int64_t Win32Platform::CalendarSeconds() { return static_cast<int64_t>(_time64(nullptr)); }

void Win32Platform::ShowMessage(const char* caption, const char* text, DialogKind kind) {
    const char* c = caption ? caption : "";
    const char* t = text ? text : "";
    std::fprintf(stderr, "%s: %s\n", c, t);
    std::fflush(stderr);
    const UINT icon = kind == DialogKind::Error ? MB_ICONEXCLAMATION : MB_ICONINFORMATION;
    MessageBoxA(nullptr, t, c, MB_OK | icon);
}

// --- sound -----------------------------------------------------------------

namespace {

constexpr int SoundBuffers = 4;
constexpr int SoundBufferSamples = 512;  // about 23 ms each at the game's rate

}  // namespace

struct Win32Platform::Sound {
    HWAVEOUT device = nullptr;
    HANDLE finished = nullptr;  // signalled by the device as a buffer finishes
    HANDLE thread = nullptr;
    volatile LONG stopping = 0;
    SoundSource* source = nullptr;
    WAVEHDR headers[SoundBuffers] = {};
    int16_t samples[SoundBuffers][SoundBufferSamples] = {};

    // Fills a buffer from the source and queues it on the device.
    void Feed(WAVEHDR& h) {
        source->FillSound(reinterpret_cast<int16_t*>(h.lpData), SoundBufferSamples);
        h.dwFlags &= ~static_cast<DWORD>(WHDR_DONE);
        waveOutWrite(device, &h, sizeof h);
    }

    // The feeding thread: each buffer the device is done with is filled
    // again, until the sound stops.
    static DWORD WINAPI Run(LPVOID param) {
        Sound& s = *static_cast<Sound*>(param);
        while (WaitForSingleObject(s.finished, INFINITE) == WAIT_OBJECT_0 &&
               InterlockedCompareExchange(&s.stopping, 0, 0) == 0) {
            for (WAVEHDR& h : s.headers)
                if (h.dwFlags & WHDR_DONE) s.Feed(h);
        }
        return 0;
    }
};

bool Win32Platform::StartSound(SoundSource& source, int rate, std::string& why) {
    StopSound();
    auto* s = new Sound;
    s->source = &source;
    s->finished = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 1;
    format.nSamplesPerSec = static_cast<DWORD>(rate);
    format.wBitsPerSample = 16;
    format.nBlockAlign = 2;
    format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
    const MMRESULT opened = s->finished ? waveOutOpen(&s->device, WAVE_MAPPER, &format,
                                                      reinterpret_cast<DWORD_PTR>(s->finished), 0, CALLBACK_EVENT)
                                        : MMSYSERR_NOMEM;
    if (opened != MMSYSERR_NOERROR) {
        char text[MAXERRORLENGTH] = "";
        waveOutGetErrorTextA(opened, text, sizeof text);
        why = std::string("no sound device: ") + text;
        if (s->finished) CloseHandle(s->finished);
        delete s;
        return false;
    }
    for (int i = 0; i < SoundBuffers; ++i) {
        WAVEHDR& h = s->headers[i];
        h.lpData = reinterpret_cast<LPSTR>(s->samples[i]);
        h.dwBufferLength = sizeof s->samples[i];
        waveOutPrepareHeader(s->device, &h, sizeof h);
        s->Feed(h);
    }
    s->thread = CreateThread(nullptr, 0, Sound::Run, s, 0, nullptr);
    sound_ = s;
    if (!s->thread) {
        why = "the sound could not be fed";
        StopSound();
        return false;
    }
    return true;
}

void Win32Platform::StopSound() {
    Sound* s = std::exchange(sound_, nullptr);
    if (!s) return;
    if (s->thread) {
        InterlockedExchange(&s->stopping, 1);
        SetEvent(s->finished);
        WaitForSingleObject(s->thread, INFINITE);
        CloseHandle(s->thread);
    }
    // The thread has ended: the source is not called again.
    waveOutReset(s->device);
    for (WAVEHDR& h : s->headers) waveOutUnprepareHeader(s->device, &h, sizeof h);
    waveOutClose(s->device);
    CloseHandle(s->finished);
    delete s;
}

}  // namespace delver
