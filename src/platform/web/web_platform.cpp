#include "platform/web/web_platform.h"

#include <emscripten.h>
#include <emscripten/html5.h>

#include <cstdio>
#include <ctime>

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
}

MessageKind WebPlatform::PollMessage() {
    int code = 0;
    switch (delver_web_next_event(&code)) {
    case KeyDown: presses_.Pressed(code); return MessageKind::Other;
    case KeyUp: presses_.Released(code); return MessageKind::Other;
    case ButtonDown:
        if (code == 0) return MessageKind::LeftButtonDown;
        if (code == 2) return MessageKind::RightButtonDown;
        return MessageKind::Other;
    default: break;
    }
    // The drain that ends each frame: the frame's own work is the time
    // since the last one, less its waits and pauses.
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
    emscripten_sleep(ms);
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

void WebPlatform::Ended(int status) {
    std::fflush(stdout);
    std::fflush(stderr);
    delver_web_ended(status);
}

}  // namespace delver
