#include "platform/input.h"

namespace delver {

int KeyDown(Input& input, int virtualKey) { return input.IsKeyHeld(virtualKey) ? 1 : 0; }

namespace {
// offset / span * size in single precision, clamped to 0 .. size - 1.
int ScaleToPixels(int offset, int span, int size) {
    if (span <= 0) return 0;
    float f = static_cast<float>(offset) / static_cast<float>(span) * static_cast<float>(size);
    if (f < 0.0f) return 0;
    if (f > static_cast<float>(size - 1)) return size - 1;
    return static_cast<int>(f);
}
}  // namespace

int MouseXFrom(ScreenPoint cursor, ScreenRect rect, int framebufferWidth) {
    return ScaleToPixels(cursor.x - rect.left, rect.right - rect.left, framebufferWidth);
}

int MouseYFrom(ScreenPoint cursor, ScreenRect rect, int framebufferHeight) {
    return ScaleToPixels(rect.bottom - cursor.y, rect.bottom - rect.top, framebufferHeight);
}

int MouseX(Input& input, int framebufferWidth) {
    return MouseXFrom(input.CursorPos(), input.WindowRect(), framebufferWidth);
}

int MouseY(Input& input, int framebufferHeight) {
    return MouseYFrom(input.CursorPos(), input.WindowRect(), framebufferHeight);
}

}  // namespace delver
