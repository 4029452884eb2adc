#include "platform/headless/headless_platform.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <cstdio>
#include <ctime>

#include "platform/gl.h"
#include "platform/gl_driver.h"

#ifndef GL_FRAMEBUFFER
#define GL_FRAMEBUFFER 0x8D40
#define GL_RENDERBUFFER 0x8D41
#define GL_COLOR_ATTACHMENT0 0x8CE0
#define GL_DEPTH_ATTACHMENT 0x8D00
#define GL_FRAMEBUFFER_COMPLETE 0x8CD5
#define GL_DEPTH_COMPONENT16 0x81A5
#endif
#ifndef GL_RGBA8
#define GL_RGBA8 0x8058
#endif

namespace delver {

namespace {
using PfnGenFramebuffers = void (*)(GLsizei, GLuint*);
using PfnDeleteFramebuffers = void (*)(GLsizei, const GLuint*);
using PfnBindFramebuffer = void (*)(GLenum, GLuint);
using PfnGenRenderbuffers = void (*)(GLsizei, GLuint*);
using PfnDeleteRenderbuffers = void (*)(GLsizei, const GLuint*);
using PfnBindRenderbuffer = void (*)(GLenum, GLuint);
using PfnRenderbufferStorage = void (*)(GLenum, GLenum, GLsizei, GLsizei);
using PfnFramebufferRenderbuffer = void (*)(GLenum, GLenum, GLenum, GLuint);
using PfnCheckFramebufferStatus = GLenum (*)(GLenum);
}  // namespace

// The EGL display is opened once per process and kept; each window gets its
// own context and framebuffer object.
struct HeadlessPlatform::Gl {
    EGLDisplay display = EGL_NO_DISPLAY;
    EGLConfig config = nullptr;
    EGLContext context = EGL_NO_CONTEXT;
    GLuint fbo = 0, colour = 0, depth = 0;

    PfnGenFramebuffers genFramebuffers = nullptr;
    PfnDeleteFramebuffers deleteFramebuffers = nullptr;
    PfnBindFramebuffer bindFramebuffer = nullptr;
    PfnGenRenderbuffers genRenderbuffers = nullptr;
    PfnDeleteRenderbuffers deleteRenderbuffers = nullptr;
    PfnBindRenderbuffer bindRenderbuffer = nullptr;
    PfnRenderbufferStorage renderbufferStorage = nullptr;
    PfnFramebufferRenderbuffer framebufferRenderbuffer = nullptr;
    PfnCheckFramebufferStatus checkFramebufferStatus = nullptr;

    bool OpenDisplay() {
        if (display != EGL_NO_DISPLAY) return true;
        auto getPlatformDisplay =
            reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
        if (getPlatformDisplay)
            display = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
        if (display == EGL_NO_DISPLAY) display = eglGetDisplay(EGL_DEFAULT_DISPLAY);
        if (display == EGL_NO_DISPLAY) return false;
        EGLint major = 0, minor = 0;
        if (!eglInitialize(display, &major, &minor)) {
            display = EGL_NO_DISPLAY;
            return false;
        }
        return true;
    }

    bool ChooseConfig() {
        if (!eglBindAPI(EGL_OPENGL_API)) return false;
        const EGLint attribs[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_NONE};
        EGLint count = 0;
        if (!eglChooseConfig(display, attribs, &config, 1, &count) || count < 1) {
            config = nullptr;  // EGL_KHR_no_config_context: a context without a config
        }
        return true;
    }

    bool CreateContext() {
        const EGLint attribs[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT,
                                  EGL_NONE};
        context = eglCreateContext(display, config, EGL_NO_CONTEXT, attribs);
        if (context == EGL_NO_CONTEXT) context = eglCreateContext(display, config, EGL_NO_CONTEXT, nullptr);
        return context != EGL_NO_CONTEXT;
    }

    template <typename T>
    void Load(T& fn, const char* name) {
        fn = reinterpret_cast<T>(eglGetProcAddress(name));
    }

    bool MakeFramebuffer(int width, int height) {
        Load(genFramebuffers, "glGenFramebuffers");
        Load(deleteFramebuffers, "glDeleteFramebuffers");
        Load(bindFramebuffer, "glBindFramebuffer");
        Load(genRenderbuffers, "glGenRenderbuffers");
        Load(deleteRenderbuffers, "glDeleteRenderbuffers");
        Load(bindRenderbuffer, "glBindRenderbuffer");
        Load(renderbufferStorage, "glRenderbufferStorage");
        Load(framebufferRenderbuffer, "glFramebufferRenderbuffer");
        Load(checkFramebufferStatus, "glCheckFramebufferStatus");
        if (!genFramebuffers || !bindFramebuffer || !genRenderbuffers || !renderbufferStorage ||
            !framebufferRenderbuffer || !checkFramebufferStatus)
            return false;
        genFramebuffers(1, &fbo);
        bindFramebuffer(GL_FRAMEBUFFER, fbo);
        genRenderbuffers(1, &colour);
        bindRenderbuffer(GL_RENDERBUFFER, colour);
        renderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
        framebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour);
        genRenderbuffers(1, &depth);
        bindRenderbuffer(GL_RENDERBUFFER, depth);
        renderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT16, width, height);
        framebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth);
        if (checkFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) return false;
        glDrawBuffer(GL_COLOR_ATTACHMENT0);
        glReadBuffer(GL_COLOR_ATTACHMENT0);
        glViewport(0, 0, width, height);
        return true;
    }

    void ReleaseFramebuffer() {
        if (fbo && deleteFramebuffers) {
            bindFramebuffer(GL_FRAMEBUFFER, 0);
            deleteFramebuffers(1, &fbo);
        }
        if (colour && deleteRenderbuffers) deleteRenderbuffers(1, &colour);
        if (depth && deleteRenderbuffers) deleteRenderbuffers(1, &depth);
        fbo = colour = depth = 0;
    }
};

HeadlessPlatform::HeadlessPlatform() : gl_(std::make_unique<Gl>()) {}

HeadlessPlatform::~HeadlessPlatform() {
    DestroyGlWindow();
    if (gl_->display != EGL_NO_DISPLAY) {
        eglTerminate(gl_->display);
        eglReleaseThread();
    }
}

WindowStep HeadlessPlatform::CreateGlWindow(const char*, int width, int height, int) {
    if (!gl_->OpenDisplay()) return WindowStep::StepGetDeviceContext;
    if (!gl_->ChooseConfig()) return WindowStep::StepChoosePixelFormat;
    if (!gl_->CreateContext()) return WindowStep::StepCreateContext;
    if (!eglMakeCurrent(gl_->display, EGL_NO_SURFACE, EGL_NO_SURFACE, gl_->context)) {
        DestroyGlWindow();
        return WindowStep::StepMakeCurrent;
    }
    KeepGlDriverLoaded();
    if (width < 1) width = 1;
    if (height < 1) height = 1;
    if (!gl_->MakeFramebuffer(width, height)) {
        DestroyGlWindow();
        return WindowStep::StepMakeCurrent;
    }
    rect_ = {0, 0, width, height};
    return WindowStep::Ok;
}

std::vector<ReleaseStep> HeadlessPlatform::DestroyGlWindow() {
    std::vector<ReleaseStep> failed;
    if (gl_->context != EGL_NO_CONTEXT) {
        gl_->ReleaseFramebuffer();
        if (!eglMakeCurrent(gl_->display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT))
            failed.push_back(ReleaseStep::StepReleaseCurrent);
        if (!eglDestroyContext(gl_->display, gl_->context)) failed.push_back(ReleaseStep::StepDeleteContext);
        gl_->context = EGL_NO_CONTEXT;
    }
    rect_ = {};
    return failed;
}

bool HeadlessPlatform::HasWindow() const { return gl_->context != EGL_NO_CONTEXT; }

void HeadlessPlatform::SetCursorVisible(bool visible) { cursorVisible_ = visible; }

ScreenRect HeadlessPlatform::WindowRect() { return rect_; }

void HeadlessPlatform::MoveWindow(int x, int y, int width, int height) { rect_ = {x, y, x + width, y + height}; }

void HeadlessPlatform::SwapBuffers() {
    // The picture stays in the framebuffer object, where a screenshot reads it.
    if (HasWindow()) glFinish();
    ++swaps_;
}

MessageKind HeadlessPlatform::PollMessage() { return MessageKind::None; }

bool HeadlessPlatform::IsKeyHeld(int) { return false; }

ScreenPoint HeadlessPlatform::CursorPos() { return {}; }

void HeadlessPlatform::Sleep(unsigned ms) { virtualMs_ += ms; }

int64_t HeadlessPlatform::CalendarSeconds() { return static_cast<int64_t>(std::time(nullptr)); }

void HeadlessPlatform::ShowMessage(const char* caption, const char* text, DialogKind) {
    std::fprintf(stderr, "%s: %s\n", caption ? caption : "", text ? text : "");
}

}  // namespace delver
