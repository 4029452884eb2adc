// Straight lines and the mouse crosshair, drawn pixel by pixel into the
// framebuffer (every point is clipped by PutPixel).
#include <cstdlib>

#include "gfx2d/frame.h"
#include "platform/input.h"

namespace delver {

namespace {
int Sign(int v) { return (v > 0) - (v < 0); }
}  // namespace

void DrawLine(FrameState& frame, int x0, int y0, int x1, int y1, int red, int green, int blue) {
    const int dx = std::abs(x1 - x0);
    const int dy = std::abs(y1 - y0);
    const int sx = Sign(x1 - x0);
    const int sy = Sign(y1 - y0);
    int x = x0, y = y0;
    PutPixel(frame, x, y, red, green, blue);
    // The accumulator starts at the minor difference, which gives the game's
    // own characteristic staircase: (0,0)-(4,2) steps up at x = 2 and x = 4.
    if (dx > dy) {
        int acc = dy;
        for (int n = 0; n < dx; ++n) {
            acc += dy;
            if (acc > dx) {
                acc -= dx;
                y += sy;
            }
            x += sx;
            PutPixel(frame, x, y, red, green, blue);
        }
    } else {
        int acc = dx;
        for (int n = 0; n < dy; ++n) {
            acc += dx;
            if (acc > dy) {
                acc -= dy;
                x += sx;
            }
            y += sy;
            PutPixel(frame, x, y, red, green, blue);
        }
    }
}

void DrawCrosshair(FrameState& frame, Input& input) {
    DrawCrosshairAt(frame, MouseX(input, frame.Width), MouseY(input, frame.Height));
}

void DrawCrosshairAt(FrameState& frame, int mx, int my) {
    DrawLine(frame, mx, my, mx + 5, my, 255, 255, 255);
    DrawLine(frame, mx, my, mx, my + 5, 255, 255, 255);
    DrawLine(frame, mx, my, mx - 5, my, 255, 255, 255);
    DrawLine(frame, mx, my, mx, my - 5, 255, 255, 255);
}

}  // namespace delver
