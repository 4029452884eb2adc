// The framebuffer's storage, its merge with the 3D picture and its trip to
// the window. See frame.h for the contract.
#include "gfx2d/frame.h"

#include <algorithm>
#include <cstddef>

#include "platform/gl.h"

namespace delver {

namespace {
constexpr size_t SceneBytes = static_cast<size_t>(SceneWidth) * SceneHeight * 3;

size_t PixelCount(const FrameState& frame) {
    if (frame.Width <= 0 || frame.Height <= 0) return 0;
    return static_cast<size_t>(frame.Width) * static_cast<size_t>(frame.Height);
}

// True when FrameBuffer really holds Width x Height RGBA pixels.
bool FrameAllocated(const FrameState& frame) {
    size_t pixels = PixelCount(frame);
    return pixels > 0 && frame.FrameBuffer.size() >= pixels * 4;
}

uint8_t AsByte(int component) { return static_cast<uint8_t>(component & 0xFF); }
}  // namespace

void SetFramebufferSize(FrameState& frame, int width, int height) {
    ReleaseFramebuffer(frame);
    frame.Width = width;
    frame.Height = height;
    size_t bytes = PixelCount(frame) * 4;
    frame.FrameBuffer.assign(bytes, 0);
    frame.SceneReadback.assign(bytes, 0);
}

void ReleaseFramebuffer(FrameState& frame) {
    std::vector<uint8_t>().swap(frame.FrameBuffer);
    std::vector<uint8_t>().swap(frame.SceneReadback);
}

void ClearFrame(FrameState& frame) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    std::fill(frame.FrameBuffer.begin(), frame.FrameBuffer.end(), uint8_t{0});
}

void PutPixel(FrameState& frame, int x, int y, int red, int green, int blue) {
    if (x >= frame.Width || y >= frame.Height || x < 0 || y < 0) return;
    size_t at = (static_cast<size_t>(y) * static_cast<size_t>(frame.Width) + static_cast<size_t>(x)) * 4;
    if (at + 4 > frame.FrameBuffer.size()) return;  // released buffers
    uint8_t* p = frame.FrameBuffer.data() + at;
    p[0] = AsByte(red);
    p[1] = AsByte(green);
    p[2] = AsByte(blue);
    p[3] = 255;
}

void CopySceneToFrame(FrameState& frame) {
    glLoadIdentity();
    // The read-back needs room for the whole 320 x 240 picture; a smaller
    // framebuffer's buffer would be overrun, and its picture is never merged.
    if (frame.SceneReadback.size() < SceneBytes) return;
    GLint packAlignment = 4;
    glGetIntegerv(GL_PACK_ALIGNMENT, &packAlignment);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, SceneWidth, SceneHeight, GL_RGB, GL_UNSIGNED_BYTE, frame.SceneReadback.data());
    glPixelStorei(GL_PACK_ALIGNMENT, packAlignment);

    if (frame.Width != SceneWidth || frame.Height != SceneHeight || !FrameAllocated(frame)) return;
    const uint8_t* src = frame.SceneReadback.data();
    uint8_t* dst = frame.FrameBuffer.data();
    const uint8_t keyR = frame.KeyColour[0], keyG = frame.KeyColour[1], keyB = frame.KeyColour[2];
    for (size_t i = 0; i < static_cast<size_t>(SceneWidth) * SceneHeight; ++i, src += 3, dst += 4) {
        if (src[0] == keyR && src[1] == keyG && src[2] == keyB) continue;
        dst[0] = src[0];
        dst[1] = src[1];
        dst[2] = src[2];
        dst[3] = 255;
    }
}

void PresentFrame(FrameState& frame, Display& display, int pixelZoom) {
    // Without a window there is no context to draw into.
    const bool hasContext = display.HasWindow();
    const PicturePlace place = hasContext ? display.Placement() : PicturePlace{};
    if (hasContext) {
        glDisable(GL_TEXTURE_2D);
        const float zoom = place.fillsScreen ? place.zoom : static_cast<float>(pixelZoom);
        glPixelZoom(zoom, zoom);
    }
    if (hasContext && FrameAllocated(frame)) {
        // In a window the raster position is left at its initial place, the
        // window's lower-left corner. Filling the screen, the picture stands
        // centred on black: the raster position is moved by an empty bitmap
        // and moved back after.
        if (place.fillsScreen) {
            glClearColor(0, 0, 0, 1);
            glClear(GL_COLOR_BUFFER_BIT);
            glClearColor(KeyClearColour[0], KeyClearColour[1], KeyClearColour[2], KeyClearColour[3]);
            glBitmap(0, 0, 0, 0, static_cast<GLfloat>(place.x), static_cast<GLfloat>(place.y), nullptr);
        }
        GLint unpackAlignment = 4;
        glGetIntegerv(GL_UNPACK_ALIGNMENT, &unpackAlignment);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glDrawPixels(frame.Width, frame.Height, GL_RGBA, GL_UNSIGNED_BYTE, frame.FrameBuffer.data());
        glPixelStorei(GL_UNPACK_ALIGNMENT, unpackAlignment);
        if (place.fillsScreen)
            glBitmap(0, 0, 0, 0, -static_cast<GLfloat>(place.x), -static_cast<GLfloat>(place.y), nullptr);

        if (frame.CapturePresented && pixelZoom > 0) {
            const int w = place.fillsScreen ? place.drawableWidth : frame.Width * pixelZoom;
            const int h = place.fillsScreen ? place.drawableHeight : frame.Height * pixelZoom;
            frame.Presented.assign(static_cast<size_t>(w) * static_cast<size_t>(h) * 3, 0);
            GLint packAlignment = 4;
            glGetIntegerv(GL_PACK_ALIGNMENT, &packAlignment);
            glPixelStorei(GL_PACK_ALIGNMENT, 1);
            glReadPixels(0, 0, w, h, GL_RGB, GL_UNSIGNED_BYTE, frame.Presented.data());
            glPixelStorei(GL_PACK_ALIGNMENT, packAlignment);
            frame.PresentedWidth = w;
            frame.PresentedHeight = h;
        }
    }
    display.SwapBuffers();
    if (hasContext) glEnable(GL_TEXTURE_2D);
}

}  // namespace delver
