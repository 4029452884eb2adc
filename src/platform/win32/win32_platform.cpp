#include "platform/win32/win32_platform.h"

#include <utility>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <timeapi.h>

#include <cstdio>
#include <ctime>

namespace delver {

namespace {

constexpr const char* kWindowClass = "OpenGL";
constexpr DWORD kExStyle = WS_EX_APPWINDOW | WS_EX_WINDOWEDGE;
constexpr DWORD kStyle = WS_POPUP;

HWND AsWindow(void* p) { return static_cast<HWND>(p); }
HDC AsDeviceContext(void* p) { return static_cast<HDC>(p); }
HGLRC AsRenderContext(void* p) { return static_cast<HGLRC>(p); }
HINSTANCE AsInstance(void* p) { return static_cast<HINSTANCE>(p); }

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

// The class's window procedure. Keys are polled, so it only turns closing
// and the two mouse buttons into messages for the game, keeps the screen
// saver and monitor power-off away, and leaves the rest to Windows.
struct Win32WindowProcedure {
    static LRESULT CALLBACK Handle(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* owner = reinterpret_cast<Win32Platform*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        switch (message) {
        case WM_ACTIVATE:
            return 0;
        case WM_SYSCOMMAND:
            // The low four bits of a system command are Windows' own.
            switch (wParam & 0xFFF0) {
            case SC_SCREENSAVE:
            case SC_MONITORPOWER:
                return 0;
            default:
                return DefWindowProcA(hwnd, message, wParam, lParam);
            }
        case WM_CLOSE:
            // The game ends its loop; the window stays until then.
            if (owner) owner->gameMessages_.push_back(MessageKind::Close);
            return 0;
        case WM_KEYDOWN:
        case WM_KEYUP:
            return 0;
        case WM_LBUTTONDOWN:
            if (owner) owner->gameMessages_.push_back(MessageKind::LeftButtonDown);
            return 0;
        case WM_RBUTTONDOWN:
            if (owner) owner->gameMessages_.push_back(MessageKind::RightButtonDown);
            return 0;
        default:
            return DefWindowProcA(hwnd, message, wParam, lParam);
        }
    }
};

Win32Platform::Win32Platform(int framesPerSecond) : pacer_(framesPerSecond) {
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
    if (window_ || renderContext_ || deviceContext_) DestroyGlWindow();
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
    HWND window = CreateWindowExA(kExStyle, kWindowClass, title ? title : "",
                                  WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0, rect.right - rect.left,
                                  rect.bottom - rect.top, nullptr, nullptr, instance, nullptr);
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
    return WindowStep::Ok;
}

std::vector<ReleaseStep> Win32Platform::TakeUndoFailures() { return std::exchange(undoFailures_, {}); }

std::vector<ReleaseStep> Win32Platform::DestroyGlWindow() {
    std::vector<ReleaseStep> failed;
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
    if (window_ && GetWindowRect(AsWindow(window_), &r)) return {r.left, r.top, r.right, r.bottom};
    return {};
}

void Win32Platform::MoveWindow(int x, int y, int width, int height) {
    if (window_) ::MoveWindow(AsWindow(window_), x, y, width, height, TRUE);
}

void Win32Platform::SwapBuffers() {
    if (!deviceContext_) return;
    const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(
        pacer_.WaitBeforeSwap(FramePacer::Clock::now()));
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
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return takeGameMessage(MessageKind::None);
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
    return takeGameMessage(MessageKind::Other);
}

bool Win32Platform::IsKeyHeld(int vk) { return (GetAsyncKeyState(vk) & 0x8000) != 0; }

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

}  // namespace delver
