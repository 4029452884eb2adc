#include "platform/sdl/sdl_platform.h"

#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <thread>

#include "platform/gl_driver.h"
#include "platform/input.h"

namespace delver {

// After the keyboard's scancodes: the mouse buttons (by SDL's number) and
// the wheel, fed to the key presses like keys.
constexpr int MouseCode = SDL_NUM_SCANCODES;
// The game's picture, as fullscreen places it.
constexpr int PictureWidth = 320, PictureHeight = 240;
constexpr int WheelUpCode = MouseCode + 8, WheelDownCode = MouseCode + 9;
// After the wheel: the controller's buttons (by SDL's number), then its
// triggers and the left stick's directions, read as keys.
constexpr int PadButtonCode = WheelDownCode + 1;
constexpr int PadAxisCode = PadButtonCode + SDL_CONTROLLER_BUTTON_MAX;
constexpr int LeftTriggerCode = PadAxisCode, RightTriggerCode = PadAxisCode + 1;
constexpr int StickUpCode = PadAxisCode + 2, StickDownCode = PadAxisCode + 3;
constexpr int StickLeftCode = PadAxisCode + 4, StickRightCode = PadAxisCode + 5;
static_assert(StickRightCode < KeyPresses::Scancodes, "every SDL scancode and button has its place in the key presses");

ScancodePair ScancodesForVirtualKey(int code) {
    if (code >= vk::LetterA && code <= vk::LetterZ) return {SDL_SCANCODE_A + (code - vk::LetterA), 0};
    // SDL numbers the digit row 1..9 then 0.
    if (code == vk::Digit0) return {SDL_SCANCODE_0, 0};
    if (code >= vk::Digit1 && code <= vk::Digit9) return {SDL_SCANCODE_1 + (code - vk::Digit1), 0};
    if (code >= vk::F1 && code <= vk::F12) return {SDL_SCANCODE_F1 + (code - vk::F1), 0};
    switch (code) {
    case vk::Backspace: return {SDL_SCANCODE_BACKSPACE, 0};
    case vk::Tab: return {SDL_SCANCODE_TAB, 0};
    case vk::Enter: return {SDL_SCANCODE_RETURN, SDL_SCANCODE_KP_ENTER};
    case vk::Shift: return {SDL_SCANCODE_LSHIFT, SDL_SCANCODE_RSHIFT};
    case vk::Escape: return {SDL_SCANCODE_ESCAPE, 0};
    case vk::Space: return {SDL_SCANCODE_SPACE, 0};
    case vk::PageUp: return {SDL_SCANCODE_PAGEUP, 0};
    case vk::PageDown: return {SDL_SCANCODE_PAGEDOWN, 0};
    case vk::KeypadPlus: return {SDL_SCANCODE_KP_PLUS, 0};
    case vk::KeypadMinus: return {SDL_SCANCODE_KP_MINUS, 0};
    case vk::LeftBracket: return {SDL_SCANCODE_LEFTBRACKET, 0};
    case vk::RightBracket: return {SDL_SCANCODE_RIGHTBRACKET, 0};
    case 17: return {SDL_SCANCODE_LCTRL, SDL_SCANCODE_RCTRL};
    case input::Alt: return {SDL_SCANCODE_LALT, SDL_SCANCODE_RALT};
    case 35: return {SDL_SCANCODE_END, 0};
    case 36: return {SDL_SCANCODE_HOME, 0};
    case input::Left: return {SDL_SCANCODE_LEFT, 0};
    case input::Up: return {SDL_SCANCODE_UP, 0};
    case input::Right: return {SDL_SCANCODE_RIGHT, 0};
    case input::Down: return {SDL_SCANCODE_DOWN, 0};
    case 45: return {SDL_SCANCODE_INSERT, 0};
    case input::Delete: return {SDL_SCANCODE_DELETE, 0};
    // The mouse buttons and the wheel have places after the keyboard's.
    case input::Mouse1: return {MouseCode + SDL_BUTTON_LEFT, 0};
    case input::Mouse2: return {MouseCode + SDL_BUTTON_RIGHT, 0};
    case input::Mouse3: return {MouseCode + SDL_BUTTON_MIDDLE, 0};
    case input::Mouse4: return {MouseCode + SDL_BUTTON_X1, 0};
    case input::Mouse5: return {MouseCode + SDL_BUTTON_X2, 0};
    case input::WheelUp: return {WheelUpCode, 0};
    case input::WheelDown: return {WheelDownCode, 0};
    case input::PadA: return {PadButtonCode + SDL_CONTROLLER_BUTTON_A, 0};
    case input::PadB: return {PadButtonCode + SDL_CONTROLLER_BUTTON_B, 0};
    case input::PadX: return {PadButtonCode + SDL_CONTROLLER_BUTTON_X, 0};
    case input::PadY: return {PadButtonCode + SDL_CONTROLLER_BUTTON_Y, 0};
    case input::PadLeftShoulder: return {PadButtonCode + SDL_CONTROLLER_BUTTON_LEFTSHOULDER, 0};
    case input::PadRightShoulder: return {PadButtonCode + SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, 0};
    case input::PadUp: return {PadButtonCode + SDL_CONTROLLER_BUTTON_DPAD_UP, 0};
    case input::PadDown: return {PadButtonCode + SDL_CONTROLLER_BUTTON_DPAD_DOWN, 0};
    case input::PadLeft: return {PadButtonCode + SDL_CONTROLLER_BUTTON_DPAD_LEFT, 0};
    case input::PadRight: return {PadButtonCode + SDL_CONTROLLER_BUTTON_DPAD_RIGHT, 0};
    case input::PadStart: return {PadButtonCode + SDL_CONTROLLER_BUTTON_START, 0};
    case input::PadBack: return {PadButtonCode + SDL_CONTROLLER_BUTTON_BACK, 0};
    case input::PadLeftTrigger: return {LeftTriggerCode, 0};
    case input::PadRightTrigger: return {RightTriggerCode, 0};
    case input::PadLeftStickUp: return {StickUpCode, 0};
    case input::PadLeftStickDown: return {StickDownCode, 0};
    case input::PadLeftStickLeft: return {StickLeftCode, 0};
    case input::PadLeftStickRight: return {StickRightCode, 0};
    default: return {};
    }
}

namespace {

// SDL's drivers that make no visible window.
bool IsInvisibleDriver(const char* driver) {
    return driver == nullptr || std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0;
}

bool EnvSet(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}

bool DisplayNamed() { return EnvSet("DISPLAY") || EnvSet("WAYLAND_DISPLAY"); }

// Stops one start of SDL's video, and SDL itself when nothing else of it runs.
void StopVideo() {
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    if (SDL_WasInit(SDL_INIT_EVERYTHING) == 0) SDL_Quit();
}

// One try at starting SDL's video with a driver that shows windows.
bool TryStartVisibleVideo(std::string* why) {
    // The window keeps the screen saver off while it is open (SDL's
    // default; said here so a changed default does not slip by). A click
    // that focuses the window also counts as a click.
    SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "0");
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    // With only an X display named, go straight to X: probing for Wayland
    // first prints complaints on stderr, and a failed X connection must not
    // end in SDL's invisible fallback. SDL_VIDEODRIVER in the environment
    // still has the last word.
    if (!EnvSet("WAYLAND_DISPLAY"))
        SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
    else
        SDL_ResetHint(SDL_HINT_VIDEODRIVER);
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        if (why) *why = std::string("SDL video could not start: ") + SDL_GetError();
        if (SDL_WasInit(SDL_INIT_EVERYTHING) == 0) SDL_Quit();
        return false;
    }
    const char* driver = SDL_GetCurrentVideoDriver();
    if (IsInvisibleDriver(driver)) {
        if (why) *why = std::string("SDL video driver \"") + (driver ? driver : "none") + "\" shows no window";
        StopVideo();
        return false;
    }
    return true;
}

// Starts SDL's video (counted by SDL, so each start needs one StopVideo)
// and checks it can show windows. On failure SDL is left as found.
//
// An X server whose last client has just left resets itself and refuses
// connections for a moment (a bare Xvfb does this between our display check
// and the window), so a failed start is tried again for up to half a second.
// A driver the player chose by name is taken at its word.
bool StartVisibleVideo(std::string* why) {
    if (!DisplayNamed()) {
        if (why) *why = "neither DISPLAY nor WAYLAND_DISPLAY is set";
        return false;
    }
    const bool driverChosen = EnvSet("SDL_VIDEODRIVER");
    const int tries = driverChosen ? 1 : 20;
    for (int i = 0; i < tries; ++i) {
        if (i > 0) SDL_Delay(25);
        if (TryStartVisibleVideo(why)) return true;
    }
    return false;
}

void SetColourSizes(int red, int green, int blue) {
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, red);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, green);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, blue);
}

}  // namespace

bool SdlPlatform::DisplayAvailable(std::string* why) {
    if (!StartVisibleVideo(why)) return false;
    StopVideo();
    return true;
}

SdlPlatform::SdlPlatform(int framesPerSecond) : pacer_(framesPerSecond) {
    presses_.SetModifiers(SDL_SCANCODE_LSHIFT, SDL_SCANCODE_RSHIFT);
}

SdlPlatform::~SdlPlatform() {
    StopSound();
    DestroyGlWindow();
    for (SDL_GameController* pad : pads_) SDL_GameControllerClose(pad);
    pads_.clear();
    // Counted by SDL like the video: stopped before the video, so that
    // StopVideo finds nothing else running and shuts SDL down.
    if (padsStarted_) SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
    if (videoStarted_) StopVideo();
}

bool SdlPlatform::StartVideo() {
    if (videoStarted_) return true;
    videoStarted_ = StartVisibleVideo(&lastError_);
    // Controllers come with the video; without them the game plays on the
    // keyboard and mouse alone.
    if (videoStarted_) padsStarted_ = SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0;
    if (padsStarted_)
        for (int i = 0; i < SDL_NumJoysticks(); ++i) OpenController(i);
    return videoStarted_;
}

void SdlPlatform::OpenController(int deviceIndex) {
    if (!SDL_IsGameController(deviceIndex)) return;
    // SDL also announces the controllers present at its start; each is
    // opened once.
    const SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(deviceIndex);
    for (SDL_GameController* pad : pads_)
        if (SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(pad)) == id) return;
    if (SDL_GameController* pad = SDL_GameControllerOpen(deviceIndex)) pads_.push_back(pad);
}

void SdlPlatform::CloseController(int instanceId) {
    for (size_t i = 0; i < pads_.size(); ++i) {
        if (SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(pads_[i])) != instanceId) continue;
        SDL_GameControllerClose(pads_[i]);
        pads_.erase(pads_.begin() + static_cast<std::ptrdiff_t>(i));
        // What it held is let go: nothing stays pressed by a controller
        // that has gone.
        for (int code = PadButtonCode; code <= StickRightCode; ++code) presses_.Released(code);
        axisDown_ = {};
        return;
    }
}

void SdlPlatform::AxisAsKey(int code, int value) {
    presses_.Axis(code, value, axisDown_[static_cast<size_t>(code - PadAxisCode)]);
}

void SdlPlatform::ReadRightStick() {
    double x = 0, y = 0;
    // A game in the background does not turn.
    if (focused_) {
        for (SDL_GameController* pad : pads_) {
            x += StickLookCounts(SDL_GameControllerGetAxis(pad, SDL_CONTROLLER_AXIS_RIGHTX));
            y += StickLookCounts(SDL_GameControllerGetAxis(pad, SDL_CONTROLLER_AXIS_RIGHTY));
        }
    }
    stickLook_.x = WholeLookCounts(x, stickRestX_);
    stickLook_.y = WholeLookCounts(y, stickRestY_);
}

WindowStep SdlPlatform::CreateGlWindow(const char* title, int width, int height, int colourBits) {
    lastError_.clear();
    if (window_) DestroyGlWindow();
    if (!StartVideo()) return WindowStep::StepCreateWindow;

    // An OpenGL 2.1 compatibility context: the game draws with OpenGL 1.1
    // calls, and a core profile would refuse them.
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 0);
    // The sizes are least sizes; the driver may give more. The game reads
    // its key colour back, so whatever depth comes will do.
    if (colourBits <= 16)
        SetColourSizes(5, 6, 5);
    else
        SetColourSizes(8, 8, 8);

    const Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_BORDERLESS | SDL_WINDOW_HIDDEN;
    window_ = SDL_CreateWindow(title ? title : "", 0, 0, width, height, flags);
    if (!window_) {
        // A display without a visual of those sizes: take any colour depth.
        SetColourSizes(0, 0, 0);
        window_ = SDL_CreateWindow(title ? title : "", 0, 0, width, height, flags);
    }
    if (!window_) {
        lastError_ = SDL_GetError();
        return WindowStep::StepCreateWindow;
    }

    context_ = SDL_GL_CreateContext(window_);
    if (!context_) {
        // A driver that knows no profiles: ask for its default context.
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, 0);
        context_ = SDL_GL_CreateContext(window_);
    }
    if (!context_) {
        lastError_ = SDL_GetError();
        DestroyGlWindow();
        return WindowStep::StepCreateContext;
    }
    if (SDL_GL_MakeCurrent(window_, static_cast<SDL_GLContext>(context_)) != 0) {
        lastError_ = SDL_GetError();
        DestroyGlWindow();
        return WindowStep::StepMakeCurrent;
    }
    KeepGlDriverLoaded();
    // A paced game asks for vertical sync on every new context; a driver
    // that offers none leaves the pacing to the sleep before each swap.
    if (pacer_.Paced()) SDL_GL_SetSwapInterval(1);

    SDL_ShowWindow(window_);
    SDL_RaiseWindow(window_);  // raises it and gives it the keyboard
    ApplyPointerCapture();
    return WindowStep::Ok;
}

std::vector<ReleaseStep> SdlPlatform::DestroyGlWindow() {
    std::vector<ReleaseStep> failed;
    // A window made again starts as a window, with the pointer free.
    if (pointerHeld_) SDL_SetRelativeMouseMode(SDL_FALSE);
    pointerHeld_ = false;
    fullscreen_ = false;
    if (context_) {
        if (SDL_GL_MakeCurrent(window_, nullptr) != 0) failed.push_back(ReleaseStep::StepReleaseCurrent);
        SDL_GL_DeleteContext(static_cast<SDL_GLContext>(context_));
        context_ = nullptr;
    }
    if (window_) {
        SDL_DestroyWindow(window_);
        window_ = nullptr;
    }
    return failed;
}

void SdlPlatform::SetCursorVisible(bool visible) {
    if (videoStarted_) SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE);
}

ScreenRect SdlPlatform::WindowRect() {
    ScreenRect r;
    if (!window_) return r;
    int x = 0, y = 0, w = 0, h = 0;
    SDL_GetWindowPosition(window_, &x, &y);
    SDL_GetWindowSize(window_, &w, &h);
    if (fullscreen_) return PictureRect(Placement(), PictureWidth, PictureHeight, x, y, w, h);
    r.left = x;
    r.top = y;
    r.right = x + w;
    r.bottom = y + h;
    return r;
}

void SdlPlatform::MoveWindow(int x, int y, int width, int height) {
    if (!window_) return;
    SDL_SetWindowPosition(window_, x, y);
    SDL_SetWindowSize(window_, width, height);
}

void SdlPlatform::SwapBuffers() {
    if (!window_) return;
    const std::chrono::nanoseconds wait = pacer_.WaitBeforeSwap(FramePacer::Clock::now());
    if (wait.count() > 0) std::this_thread::sleep_for(wait);
    SDL_GL_SwapWindow(window_);
}

MessageKind SdlPlatform::PollMessage() {
    if (!videoStarted_) return MessageKind::None;
    SDL_Event e;
    if (!SDL_PollEvent(&e)) {
        presses_.NextFrame();
        ReadRightStick();
        return MessageKind::None;
    }
    switch (e.type) {
    case SDL_QUIT: return MessageKind::Close;
    case SDL_WINDOWEVENT:
        if (e.window.event == SDL_WINDOWEVENT_FOCUS_LOST || e.window.event == SDL_WINDOWEVENT_FOCUS_GAINED) {
            focused_ = e.window.event == SDL_WINDOWEVENT_FOCUS_GAINED;
            ApplyPointerCapture();
        }
        return e.window.event == SDL_WINDOWEVENT_CLOSE ? MessageKind::Close : MessageKind::Other;
    case SDL_MOUSEMOTION:
        if (pointerHeld_) {
            look_.x += e.motion.xrel;
            look_.y += e.motion.yrel;
        }
        return MessageKind::Other;
    case SDL_MOUSEWHEEL:
        if (e.wheel.y != 0) {
            const int code = e.wheel.y > 0 ? WheelUpCode : WheelDownCode;
            presses_.Pressed(code);
            presses_.Released(code);
        }
        return MessageKind::Other;
    case SDL_MOUSEBUTTONDOWN:
        if (e.button.button < 8) presses_.Pressed(MouseCode + e.button.button);
        if (e.button.button == SDL_BUTTON_LEFT) return MessageKind::LeftButtonDown;
        if (e.button.button == SDL_BUTTON_RIGHT) return MessageKind::RightButtonDown;
        return MessageKind::Other;
    case SDL_MOUSEBUTTONUP:
        if (e.button.button < 8) presses_.Released(MouseCode + e.button.button);
        return MessageKind::Other;
    case SDL_KEYDOWN:
        if (e.key.repeat == 0) presses_.Pressed(e.key.keysym.scancode);
        return MessageKind::Other;
    case SDL_KEYUP: presses_.Released(e.key.keysym.scancode); return MessageKind::Other;
    case SDL_CONTROLLERDEVICEADDED: OpenController(e.cdevice.which); return MessageKind::Other;
    case SDL_CONTROLLERDEVICEREMOVED: CloseController(e.cdevice.which); return MessageKind::Other;
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP:
        if (e.cbutton.button < SDL_CONTROLLER_BUTTON_MAX) {
            const int code = PadButtonCode + e.cbutton.button;
            if (e.type == SDL_CONTROLLERBUTTONDOWN)
                presses_.Pressed(code);
            else
                presses_.Released(code);
        }
        return MessageKind::Other;
    case SDL_CONTROLLERAXISMOTION:
        // SDL's y axes grow downward.
        switch (e.caxis.axis) {
        case SDL_CONTROLLER_AXIS_LEFTX:
            AxisAsKey(StickLeftCode, -e.caxis.value);
            AxisAsKey(StickRightCode, e.caxis.value);
            break;
        case SDL_CONTROLLER_AXIS_LEFTY:
            AxisAsKey(StickUpCode, -e.caxis.value);
            AxisAsKey(StickDownCode, e.caxis.value);
            break;
        case SDL_CONTROLLER_AXIS_TRIGGERLEFT: AxisAsKey(LeftTriggerCode, e.caxis.value); break;
        case SDL_CONTROLLER_AXIS_TRIGGERRIGHT: AxisAsKey(RightTriggerCode, e.caxis.value); break;
        default: break;
        }
        return MessageKind::Other;
    default: return MessageKind::Other;
    }
}

bool SdlPlatform::IsKeyHeld(int vk) {
    if (!videoStarted_) return false;
    const ScancodePair codes = ScancodesForVirtualKey(vk);
    if (codes.primary == 0) return false;
    return presses_.Held(codes.primary) || (codes.secondary != 0 && presses_.Held(codes.secondary));
}

ScreenPoint SdlPlatform::CursorPos() {
    ScreenPoint p;
    if (!videoStarted_) return p;
    // Over our window, the window's own pointer state plus the window's
    // place; like the keys, it follows the events of the last message
    // drain. The global state alone is not enough: on X11 SDL caches it
    // until a raw input event says it moved, and pointer moves that come
    // without one (XTEST, remote desktops) would leave the cursor standing
    // still for the game.
    if (window_ && SDL_GetMouseFocus() == window_) {
        int wx = 0, wy = 0;
        SDL_GetWindowPosition(window_, &wx, &wy);
        SDL_GetMouseState(&p.x, &p.y);
        p.x += wx;
        p.y += wy;
        return p;
    }
    SDL_GetGlobalMouseState(&p.x, &p.y);
    return p;
}

ScreenPoint SdlPlatform::TakeLookMotion() {
    const ScreenPoint m = {look_.x + stickLook_.x, look_.y + stickLook_.y};
    look_ = {};
    stickLook_ = {};
    return m;
}

void SdlPlatform::SetPointerCaptured(bool captured) {
    if (captured == pointerWanted_) return;
    pointerWanted_ = captured;
    ApplyPointerCapture();
}

void SdlPlatform::ApplyPointerCapture() {
    const bool hold = pointerWanted_ && focused_ && window_ != nullptr;
    if (hold == pointerHeld_) return;
    // SDL's relative mode hides the pointer, keeps it in the window and
    // reports raw motion; on X11 it warps the pointer back to the middle.
    if (SDL_SetRelativeMouseMode(hold ? SDL_TRUE : SDL_FALSE) == 0) pointerHeld_ = hold;
    look_ = {};
}

bool SdlPlatform::SetFullscreen(bool on, bool wholeScale) {
    if (!window_) return false;
    wholeScale_ = wholeScale;
    if (on == fullscreen_) return fullscreen_;
    if (on) {
        // The window first covers its display as a borderless window, then
        // asks for desktop fullscreen: a window manager that knows the state
        // takes it, and an X display without one (as under Xvfb) still gets
        // a window the size of the screen.
        SDL_Rect bounds;
        const int display = SDL_GetWindowDisplayIndex(window_);
        if (SDL_GetDisplayBounds(display < 0 ? 0 : display, &bounds) != 0) return false;
        SDL_GetWindowPosition(window_, &windowedRect_.x, &windowedRect_.y);
        SDL_GetWindowSize(window_, &windowedRect_.w, &windowedRect_.h);
        SDL_SetWindowPosition(window_, bounds.x, bounds.y);
        SDL_SetWindowSize(window_, bounds.w, bounds.h);
        SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN_DESKTOP);
    } else {
        SDL_SetWindowFullscreen(window_, 0);
        SDL_SetWindowPosition(window_, windowedRect_.x, windowedRect_.y);
        SDL_SetWindowSize(window_, windowedRect_.w, windowedRect_.h);
    }
    fullscreen_ = on;
    return fullscreen_;
}

PicturePlace SdlPlatform::Placement() {
    PicturePlace p;
    if (!window_ || !fullscreen_) return p;
    SDL_GL_GetDrawableSize(window_, &p.drawableWidth, &p.drawableHeight);
    p = PlacePicture(p.drawableWidth, p.drawableHeight, PictureWidth, PictureHeight, wholeScale_);
    return p;
}

void SdlPlatform::Sleep(unsigned ms) { SDL_Delay(ms); }

int64_t SdlPlatform::CalendarSeconds() { return static_cast<int64_t>(std::time(nullptr)); }

void SdlPlatform::ShowMessage(const char* caption, const char* text, DialogKind kind) {
    const char* c = caption ? caption : "";
    const char* t = text ? text : "";
    std::fprintf(stderr, "%s: %s\n", c, t);
    std::fflush(stderr);
    const Uint32 flags = kind == DialogKind::Error ? SDL_MESSAGEBOX_ERROR : SDL_MESSAGEBOX_INFORMATION;
    // Without a display the box fails at once; the line above has said it.
    if (videoStarted_ || DisplayNamed()) SDL_ShowSimpleMessageBox(flags, c, t, window_);
}

}  // namespace delver
