// The 320 x 240 software framebuffer, its merge with the 3D picture and its
// presentation; lines, the crosshair and the two bitmap fonts.
//
// Coordinates are framebuffer pixels with the origin at the bottom-left
// and y growing upward. Colour components are taken as bytes.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/platform.h"

namespace delver {

// The game's picture size: the framebuffer, the 3D view drawn into the
// window's lower-left corner and the merge between them are all this size;
// the window shows it enlarged by PixelZoom.
inline constexpr int SceneWidth = 320;
inline constexpr int SceneHeight = 240;

// The clear colour of the 3D view, which reads back as the key colour.
inline constexpr float KeyClearColour[4] = {1.0f, 0.0f, 0.9f, 0.0f};

struct FrameState {
    int Width = 0;
    int Height = 0;
    // Width x Height RGBA pixels, row 0 at the bottom.
    std::vector<uint8_t> FrameBuffer;
    // The 3D picture as read back: RGB, 320 x 240, bottom row first. Same
    // allocation size as FrameBuffer.
    std::vector<uint8_t> SceneReadback;
    // The cleared 3D background as it reads back; such pixels are not merged.
    uint8_t KeyColour[3] = {255, 0, 229};
    // The one shared text that the text routines draw.
    char TextBuffer[256] = {};

    // When set, PresentFrame keeps a copy of the whole window's picture as
    // presented (RGB, bottom row first), for screenshots.
    bool CapturePresented = false;
    std::vector<uint8_t> Presented;
    int PresentedWidth = 0;
    int PresentedHeight = 0;
};

// Stores the size and allocates both buffers afresh (width x height x 4).
void SetFramebufferSize(FrameState& frame, int width, int height);
// Releases both buffers.
void ReleaseFramebuffer(FrameState& frame);

// Clears the GL colour and depth buffers, loads the identity and zeroes
// the framebuffer.
void ClearFrame(FrameState& frame);
// Sets one pixel; coordinates outside the picture are ignored.
void PutPixel(FrameState& frame, int x, int y, int red, int green, int blue);
// Reads the 320 x 240 3D picture back and copies every pixel that is not
// the key colour into the framebuffer (only when it is exactly 320 x 240;
// a framebuffer too small to hold the read-back skips it).
void CopySceneToFrame(FrameState& frame);
// Draws the framebuffer over the window enlarged by pixelZoom and swaps.
void PresentFrame(FrameState& frame, Display& display, int pixelZoom);

// Integer line from (x0, y0) to (x1, y1), max(dx, dy) + 1 points.
void DrawLine(FrameState& frame, int x0, int y0, int x1, int y1, int red, int green, int blue);
// The white plus-shaped crosshair at the mouse position.
void DrawCrosshair(FrameState& frame, Input& input);
// The same crosshair at framebuffer pixel (x, y).
void DrawCrosshairAt(FrameState& frame, int x, int y);

// Formats into TextBuffer with printf conventions, never past its 256 bytes.
void FormatText(FrameState& frame, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;
// Draw TextBuffer at pen x on baseline y in the small or the large font.
// A character without a glyph draws nothing and advances like a blank
// (3 pixels small, 8 large).
void DrawTextSmall(FrameState& frame, int x, int y, int red, int green, int blue);
void DrawTextLarge(FrameState& frame, int x, int y, int red, int green, int blue);

}  // namespace delver
