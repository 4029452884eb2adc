// The shared text buffer and the two text routines. Text runs to the right
// from the pen position with no wrapping; PutPixel clips at the edges.
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "gfx2d/fonts.h"
#include "gfx2d/frame.h"

namespace delver {

const char* SmallGlyph(unsigned char code) { return code < 128 ? SmallFont[code] : nullptr; }

const char* LargeGlyph(unsigned char code) { return code < 128 ? LargeFont[code] : nullptr; }

int SmallAdvance(unsigned char code) {
    const char* glyph = SmallGlyph(code);
    if (!glyph) return 3;  // the blank glyph's advance
    return (glyph[0] - '0') + 1;
}

void FormatText(FrameState& frame, const char* format, ...) {
    // Formatting into a scratch copy lets a caller pass TextBuffer itself
    // as an argument.
    char formatted[sizeof frame.TextBuffer];
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(formatted, sizeof formatted, format, args);
    va_end(args);
    if (n < 0) formatted[0] = '\0';
    std::memcpy(frame.TextBuffer, formatted, sizeof formatted);
}

namespace {
// The text's length, never past the buffer's end even if unterminated.
size_t TextLength(const FrameState& frame) {
    size_t n = 0;
    while (n < sizeof frame.TextBuffer && frame.TextBuffer[n] != '\0') ++n;
    return n;
}
}  // namespace

void DrawTextSmall(FrameState& frame, int x, int y, int red, int green, int blue) {
    int pen = x;
    const size_t length = TextLength(frame);
    for (size_t k = 0; k < length; ++k) {
        const unsigned char code = static_cast<unsigned char>(frame.TextBuffer[k]);
        const char* glyph = SmallGlyph(code);
        if (glyph) {
            const int width = glyph[0] - '0';
            for (int i = 1; i <= SmallGlyphDrawnRows; ++i)
                for (int j = 0; j < width; ++j)
                    if (glyph[i * SmallGlyphRowLength + j] != '0')
                        PutPixel(frame, pen + j, y + 2 - i, red, green, blue);
        }
        pen += SmallAdvance(code);
    }
}

void DrawTextLarge(FrameState& frame, int x, int y, int red, int green, int blue) {
    int pen = x;
    const size_t length = TextLength(frame);
    for (size_t k = 0; k < length; ++k) {
        const char* glyph = LargeGlyph(static_cast<unsigned char>(frame.TextBuffer[k]));
        if (glyph) {
            for (int i = 1; i <= 12; ++i)
                for (int j = 0; j < 8; ++j)
                    if (glyph[i * LargeGlyphRowLength + j] != '0') PutPixel(frame, pen + j, y - i, red, green, blue);
        }
        pen += LargeGlyphAdvance;
    }
}

}  // namespace delver
