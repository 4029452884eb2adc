// The game's two bitmap fonts, as tables of glyph strings made of '0'
// (background) and any other character (ink).
//
// Small font glyph: character 0 is the width (one digit, 1 to 7), character
// 1 a second digit that drawing ignores, characters 2 to 7 are ignored, and
// rows 1 to 9 follow at character i * 8, eight characters each, of which
// the first `width` are drawn. Most glyphs carry a tenth row that is never
// drawn. Capitals stand on row 7 and reach up to row 3; descenders go down
// to row 9.
//
// Large font glyph: 130 characters, 13 rows of 10; rows 1 to 12 and columns
// 0 to 7 are drawn, row 0 and columns 8 and 9 are always '0'. Capitals use
// rows 2 to 10 with strokes two pixels wide; every glyph advances 8 pixels.
#pragma once

namespace delver {

inline constexpr int SmallGlyphRowLength = 8;
inline constexpr int SmallGlyphDrawnRows = 9;
// A glyph without its tenth row, and one with it.
inline constexpr int SmallGlyphShortLength = 80;
inline constexpr int SmallGlyphLongLength = 88;

inline constexpr int LargeGlyphRowLength = 10;
inline constexpr int LargeGlyphRows = 13;
inline constexpr int LargeGlyphLength = LargeGlyphRowLength * LargeGlyphRows;  // 130
inline constexpr int LargeGlyphAdvance = 8;

// Indexed by character code 0..127. Codes 0..32 and 123..127 share one
// blank glyph of width 2; code 96 has no glyph (nullptr).
extern const char* const SmallFont[128];
// Indexed by character code 0..127. Codes 32..126 have glyphs (32 is
// blank); codes 0..31 and 127 have none (nullptr).
extern const char* const LargeFont[128];

// The glyph for a character, or nullptr when the font has none (including
// every code from 128 up). Takes the byte as the text holds it.
const char* SmallGlyph(unsigned char code);
const char* LargeGlyph(unsigned char code);

// The pen advance of a character in the small font: the glyph's width plus
// one, or 3 (like the blank) for a character without a glyph.
int SmallAdvance(unsigned char code);

}  // namespace delver
