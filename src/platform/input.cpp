#include "platform/input.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

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

double StickLookCounts(int axis) {
    const double beyond = std::abs(axis) - stick::DeadZone;
    if (beyond <= 0) return 0;
    const double share = std::min(1.0, beyond / (32767.0 - stick::DeadZone));
    return (axis < 0 ? -share : share) * stick::LookPerFrame;
}

int WholeLookCounts(double counts, double& rest) {
    if (counts == 0) {
        rest = 0;
        return 0;
    }
    rest += counts;
    const int whole = static_cast<int>(rest);
    rest -= whole;
    return whole;
}

PicturePlace PlacePicture(int drawableWidth, int drawableHeight, int pictureWidth, int pictureHeight, bool wholeScale) {
    PicturePlace p;
    p.fillsScreen = true;
    p.drawableWidth = drawableWidth;
    p.drawableHeight = drawableHeight;
    if (pictureWidth <= 0 || pictureHeight <= 0) return p;
    const float fx = static_cast<float>(drawableWidth) / static_cast<float>(pictureWidth);
    const float fy = static_cast<float>(drawableHeight) / static_cast<float>(pictureHeight);
    p.zoom = std::min(fx, fy);
    if (wholeScale) p.zoom = std::max(1.0f, std::floor(p.zoom));
    p.x = (drawableWidth - static_cast<int>(static_cast<float>(pictureWidth) * p.zoom)) / 2;
    p.y = (drawableHeight - static_cast<int>(static_cast<float>(pictureHeight) * p.zoom)) / 2;
    return p;
}

ScreenRect PictureRect(const PicturePlace& place, int pictureWidth, int pictureHeight, int x, int y, int w, int h) {
    if (!place.fillsScreen || place.drawableWidth <= 0 || place.drawableHeight <= 0) return {x, y, x + w, y + h};
    // The drawable may have more pixels than the window has points.
    const float sx = static_cast<float>(w) / static_cast<float>(place.drawableWidth);
    const float sy = static_cast<float>(h) / static_cast<float>(place.drawableHeight);
    const float pw = static_cast<float>(pictureWidth) * place.zoom, ph = static_cast<float>(pictureHeight) * place.zoom;
    ScreenRect r;
    r.left = x + static_cast<int>(static_cast<float>(place.x) * sx);
    r.right = r.left + static_cast<int>(pw * sx);
    // The place is counted from the bottom, the screen from the top.
    r.bottom = y + h - static_cast<int>(static_cast<float>(place.y) * sy);
    r.top = r.bottom - static_cast<int>(ph * sy);
    return r;
}

}  // namespace delver
