#include "platform/web/web_platform.h"

#include <emscripten.h>
#include <emscripten/html5.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <iterator>

#include "platform/input.h"
#include "platform/web/fixed_function.h"

// The page's side of the seam (web/page.js keeps Module.delverPage). Each
// call is thin: what a DOM event means is decided here, in the backend.
// clang-format off
EM_JS(int, delver_web_next_event, (int* code), {
    const e = Module.delverPage.nextEvent();
    if (!e) return 0;
    HEAP32[code >> 2] = e.code;
    return e.kind;
});
EM_JS(int, delver_web_cursor, (int axis), {
    return axis === 0 ? Module.delverPage.cursorX : Module.delverPage.cursorY;
});
EM_JS(void, delver_web_set_canvas_size, (int width, int height), {
    Module.delverPage.setCanvasSize(width, height);
});
EM_JS(void, delver_web_set_cursor_visible, (int visible), {
    Module.delverPage.setCursorVisible(visible !== 0);
});
EM_JS(void, delver_web_message, (const char* caption, const char* text, int error), {
    Module.delverPage.message(UTF8ToString(caption), UTF8ToString(text), error !== 0);
});
EM_JS(void, delver_web_frame_time, (double ms), {
    Module.delverPage.frameTime(ms);
});
EM_JS(void, delver_web_ended, (int status), {
    Module.delverPage.ended(status);
});
EM_ASYNC_JS(void, delver_web_wait_for_frame, (double ms), {
    await Module.delverPage.waitForFrame(ms);
});
EM_ASYNC_JS(void, delver_web_flush_saves, (), {
    await Module.delverPage.flushSaves();
});
// The look counts, the pointer, fullscreen, the controller and slot files
// from the disk.
EM_JS(void, delver_web_take_look, (int* xy), {
    Module.delverPage.takeLook(HEAP32.subarray(xy >> 2, (xy >> 2) + 2));
});
EM_JS(void, delver_web_hold_pointer, (int on), {
    Module.delverPage.holdPointer(on !== 0);
});
EM_ASYNC_JS(int, delver_web_set_fullscreen, (int on, int whole), {
    return (await Module.delverPage.setFullscreen(on !== 0, whole !== 0)) ? 1 : 0;
});
EM_JS(void, delver_web_window_gone, (), {
    Module.delverPage.windowGone();
});
EM_JS(void, delver_web_read_pad, (int* values), {
    Module.delverPage.readPad(HEAP32.subarray(values >> 2, (values >> 2) + 8));
});
EM_JS(int, delver_web_take_upload, (), {
    return Module.delverPage.takeUpload();
});
EM_JS(void, delver_web_upload_done, (int slot, int ok, const char* text), {
    Module.delverPage.uploadDone(slot, ok !== 0, UTF8ToString(text));
});
// clang-format on

namespace delver {

namespace {

// Page event kinds, as page.js queues them. A page has no close request
// to pass on: a closed tab ends the game at once, and every save has been
// flushed when it was made.
enum WebEvent { NoEvent = 0, KeyDown = 1, KeyUp = 2, ButtonDown = 3 };
// The code the page gives a key's twin.
constexpr int TwinCode = 256;

}  // namespace

WebPlatform::WebPlatform(int framesPerSecond) : pacer_(framesPerSecond) {
    presses_.SetModifiers(16, TwinCode + 16);  // the two Shift keys
}

WebPlatform::~WebPlatform() { DestroyGlWindow(); }

WindowStep WebPlatform::CreateGlWindow(const char*, int width, int height, int) {
    if (context_) DestroyGlWindow();
    if (width < 1) width = 1;
    if (height < 1) height = 1;
    delver_web_set_canvas_size(width, height);

    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    attributes.alpha = false;
    attributes.depth = true;
    attributes.stencil = false;
    attributes.antialias = false;
    attributes.premultipliedAlpha = false;
    attributes.preserveDrawingBuffer = false;
    attributes.majorVersion = 1;
    attributes.minorVersion = 0;
    const EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = emscripten_webgl_create_context("#canvas", &attributes);
    if (context <= 0) return WindowStep::StepCreateContext;
    if (emscripten_webgl_make_context_current(context) != EMSCRIPTEN_RESULT_SUCCESS) {
        emscripten_webgl_destroy_context(context);
        return WindowStep::StepMakeCurrent;
    }
    context_ = static_cast<int>(context);
    width_ = width;
    height_ = height;
    if (!web::StartFixedFunction(width, height)) {
        DestroyGlWindow();
        return WindowStep::StepCreateContext;
    }
    frameStartMs_ = emscripten_get_now();
    return WindowStep::Ok;
}

std::vector<ReleaseStep> WebPlatform::DestroyGlWindow() {
    std::vector<ReleaseStep> failed;
    if (!context_) return failed;
    // A canvas keeps one WebGL context for its life, so "destroying" it
    // means leaving nothing of ours in it: the next window starts as on a
    // new context.
    web::StopFixedFunction();
    // A window made again is a window, with the pointer free.
    delver_web_window_gone();
    pointerWanted_ = false;
    if (emscripten_webgl_make_context_current(0) != EMSCRIPTEN_RESULT_SUCCESS)
        failed.push_back(ReleaseStep::StepReleaseCurrent);
    if (emscripten_webgl_destroy_context(context_) != EMSCRIPTEN_RESULT_SUCCESS)
        failed.push_back(ReleaseStep::StepDeleteContext);
    context_ = 0;
    width_ = height_ = 0;
    return failed;
}

void WebPlatform::SetCursorVisible(bool visible) { delver_web_set_cursor_visible(visible ? 1 : 0); }

ScreenRect WebPlatform::WindowRect() { return context_ ? ScreenRect{0, 0, width_, height_} : ScreenRect{}; }

void WebPlatform::MoveWindow(int, int, int width, int height) {
    if (!context_ || width < 1 || height < 1) return;
    delver_web_set_canvas_size(width, height);
    width_ = width;
    height_ = height;
    web::ResizeFixedFunction(width, height);
}

void WebPlatform::SwapBuffers() {
    const double start = emscripten_get_now();
    double waitMs = 0.0;
    if (pacer_.Paced()) {
        const auto wait = pacer_.WaitBeforeSwap(FramePacer::Clock::now());
        waitMs = std::chrono::duration<double, std::milli>(wait).count();
    }
    // Unpaced (waitMs < 0) the page only gets a turn; paced, the picture
    // waits for the display's next frame at or after the due time.
    delver_web_wait_for_frame(pacer_.Paced() ? waitMs : -1.0);
    sleptMs_ += emscripten_get_now() - start;
    PumpSound();
}

MessageKind WebPlatform::PollMessage() {
    int code = 0;
    switch (delver_web_next_event(&code)) {
    case WebEvent::KeyDown: presses_.Pressed(code); return MessageKind::Other;
    case WebEvent::KeyUp: presses_.Released(code); return MessageKind::Other;
    case WebEvent::ButtonDown:
        if (code == 0) return MessageKind::LeftButtonDown;
        if (code == 2) return MessageKind::RightButtonDown;
        return MessageKind::Other;
    default: break;
    }
    // The drain that ends each frame: the frame's own work is the time
    // since the last one, less its waits and pauses.
    ReadPad();
    presses_.NextFrame();
    const double now = emscripten_get_now();
    delver_web_frame_time(now - frameStartMs_ - sleptMs_);
    frameStartMs_ = now;
    sleptMs_ = 0.0;
    return MessageKind::None;
}

bool WebPlatform::IsKeyHeld(int vk) {
    if (vk <= 0 || vk >= TwinCode) return false;
    return presses_.Held(vk) || presses_.Held(TwinCode + vk);
}

ScreenPoint WebPlatform::CursorPos() { return {delver_web_cursor(0), delver_web_cursor(1)}; }

void WebPlatform::Sleep(unsigned ms) {
    const double start = emscripten_get_now();
    SleepWithSound(ms);
    sleptMs_ += emscripten_get_now() - start;
}

int64_t WebPlatform::CalendarSeconds() { return static_cast<int64_t>(std::time(nullptr)); }

void WebPlatform::ShowMessage(const char* caption, const char* text, DialogKind kind) {
    const char* c = caption ? caption : "";
    const char* t = text ? text : "";
    std::fprintf(stderr, "%s: %s\n", c, t);
    delver_web_message(c, t, kind == DialogKind::Error ? 1 : 0);
}

void WebPlatform::FlushSavedFiles() {
    const double start = emscripten_get_now();
    delver_web_flush_saves();
    sleptMs_ += emscripten_get_now() - start;
}

ScreenPoint WebPlatform::TakeLookMotion() {
    int xy[2] = {0, 0};
    delver_web_take_look(xy);
    const ScreenPoint m = {xy[0] + stickLook_.x, xy[1] + stickLook_.y};
    stickLook_ = {};
    return m;
}

void WebPlatform::SetPointerCaptured(bool captured) {
    if (captured == pointerWanted_) return;
    pointerWanted_ = captured;
    delver_web_hold_pointer(captured ? 1 : 0);
}

bool WebPlatform::SetFullscreen(bool on, bool wholeScale) {
    if (!context_) return false;
    const double start = emscripten_get_now();
    const bool full = delver_web_set_fullscreen(on ? 1 : 0, wholeScale ? 1 : 0) != 0;
    sleptMs_ += emscripten_get_now() - start;
    return full;
}

void WebPlatform::ReadPad() {
    // values: a controller is there, its buttons by bit, the two triggers
    // (0 .. 32767), then the sticks' axes as SDL gives them (-32768 .. 32767,
    // left x and y, right x and y, y growing downward).
    int values[8] = {};
    delver_web_read_pad(values);
    // The standard layout's buttons: A B X Y, the shoulders, the triggers
    // (read as axes), Back, Start, the sticks' presses, the pad's arrows.
    static constexpr int Buttons[] = {input::PadA,
                                      input::PadB,
                                      input::PadX,
                                      input::PadY,
                                      input::PadLeftShoulder,
                                      input::PadRightShoulder,
                                      0,
                                      0,
                                      input::PadBack,
                                      input::PadStart,
                                      0,
                                      0,
                                      input::PadUp,
                                      input::PadDown,
                                      input::PadLeft,
                                      input::PadRight};
    const unsigned held = values[0] ? static_cast<unsigned>(values[1]) : 0u;
    for (unsigned i = 0; i < std::size(Buttons); ++i) {
        if (Buttons[i] == 0) continue;
        const bool now = (held >> i) & 1u, was = (padButtons_ >> i) & 1u;
        if (now && !was) presses_.Pressed(Buttons[i]);
        if (was && !now) presses_.Released(Buttons[i]);
    }
    padButtons_ = held;
    PadAxisAsKey(0, input::PadLeftTrigger, values[2]);
    PadAxisAsKey(1, input::PadRightTrigger, values[3]);
    PadAxisAsKey(2, input::PadLeftStickUp, -values[5]);
    PadAxisAsKey(3, input::PadLeftStickDown, values[5]);
    PadAxisAsKey(4, input::PadLeftStickLeft, -values[4]);
    PadAxisAsKey(5, input::PadLeftStickRight, values[4]);
    stickLook_.x = WholeLookCounts(StickLookCounts(values[6]), stickRestX_);
    stickLook_.y = WholeLookCounts(StickLookCounts(values[7]), stickRestY_);
}

void WebPlatform::PadAxisAsKey(int axis, int code, int value) {
    presses_.Axis(code, value, padAxisDown_[static_cast<size_t>(axis)]);
}

Platform::SlotUpload WebPlatform::TakeSlotUpload() {
    SlotUpload upload;
    const int slot = delver_web_take_upload();
    if (slot < 1) return upload;
    upload.slot = slot;
    // Where the page put them: the slot files' own names, in the slot's
    // order (world grid, marker grid, units, variables).
    for (const char* part : {"mainmap", "flagmap", "unit", "variables"})
        upload.files.push_back("/upload/SAVEGAME" + std::to_string(slot) + "." + part);
    return upload;
}

void WebPlatform::SlotUploadDone(int slot, bool ok, const std::string& text) {
    // The page says "loaded" only once the slot is lasting.
    if (ok) FlushSavedFiles();
    delver_web_upload_done(slot, ok ? 1 : 0, text.c_str());
}

void WebPlatform::Ended(int status) {
    std::fflush(stdout);
    std::fflush(stderr);
    delver_web_ended(status);
}

}  // namespace delver

// --- sound -------------------------------------------------------------------
// The page's audio: an AudioContext at the game's rate where the browser
// allows one, each batch of samples scheduled right after the one before.
// clang-format off
EM_JS(int, delver_web_sound_start, (int rate), {
    const Context = globalThis.AudioContext || globalThis.webkitAudioContext;
    if (!Context) return 0;
    let context;
    try {
        context = new Context({sampleRate: rate});
    } catch (e) {
        try { context = new Context(); } catch (e2) { return 0; }
    }
    const sound = {context, rate, next: 0, lastWall: performance.now()};
    sound.resume = () => { if (context.state !== "running") context.resume(); };
    for (const type of ["keydown", "mousedown", "pointerdown", "touchstart"])
        window.addEventListener(type, sound.resume, true);
    Module.delverSound = sound;
    return 1;
});
// Samples wanted now to stay a tenth of a second ahead of the audio clock;
// while the page may not play, as many as have gone by (they are dropped).
EM_JS(int, delver_web_sound_wanted, (), {
    const s = Module.delverSound;
    const wall = performance.now();
    const gone = (wall - s.lastWall) / 1000;
    s.lastWall = wall;
    if (s.context.state !== "running") return Math.min(s.rate, Math.round(gone * s.rate));
    const now = s.context.currentTime;
    if (s.next < now + 0.01) s.next = now + 0.01;
    return Math.max(0, Math.ceil((now + 0.1 - s.next) * s.rate));
});
EM_JS(void, delver_web_sound_play, (const int16_t* samples, int count), {
    const s = Module.delverSound;
    if (s.context.state !== "running") return;
    const buffer = s.context.createBuffer(1, count, s.rate);
    const data = buffer.getChannelData(0);
    const first = samples >> 1;
    for (let i = 0; i < count; ++i) data[i] = HEAP16[first + i] / 32768;
    const node = s.context.createBufferSource();
    node.buffer = buffer;
    node.connect(s.context.destination);
    node.start(s.next);
    s.next += count / s.rate;
});
EM_JS(void, delver_web_sound_stop, (), {
    const s = Module.delverSound;
    if (!s) return;
    for (const type of ["keydown", "mousedown", "pointerdown", "touchstart"])
        window.removeEventListener(type, s.resume, true);
    s.context.close();
    Module.delverSound = null;
});
// clang-format on

namespace delver {

bool WebPlatform::StartSound(SoundSource& source, int rate, std::string& why) {
    StopSound();
    if (!delver_web_sound_start(rate)) {
        why = "this browser has no Web Audio";
        return false;
    }
    soundSource_ = &source;
    return true;
}

void WebPlatform::StopSound() {
    if (!soundSource_) return;
    delver_web_sound_stop();
    soundSource_ = nullptr;
}

void WebPlatform::PumpSound() {
    if (!soundSource_) return;
    const int wanted = delver_web_sound_wanted();
    if (wanted <= 0) return;
    soundSamples_.resize(static_cast<size_t>(wanted));
    soundSource_->FillSound(soundSamples_.data(), wanted);
    delver_web_sound_play(soundSamples_.data(), wanted);
}

void WebPlatform::SleepWithSound(unsigned ms) {
    if (!soundSource_) {
        emscripten_sleep(ms);
        return;
    }
    // Short enough that the tenth of a second queued never runs out.
    constexpr double Slice = 20.0;
    const double end = emscripten_get_now() + ms;
    for (;;) {
        PumpSound();
        const double left = end - emscripten_get_now();
        if (left <= 0.0) break;
        emscripten_sleep(static_cast<unsigned>(std::min(left, Slice)) + 1u);
    }
}

}  // namespace delver
