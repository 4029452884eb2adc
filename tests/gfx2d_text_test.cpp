// The two bitmap fonts and the text routines: glyph tables, placement,
// advances, unknown characters and the bounded text buffer.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>
#include <string>
#include <utility>

#include "gfx2d/fonts.h"
#include "gfx2d/frame.h"
#include "support/frame_pixels.h"

namespace delver {
namespace {

using testing::Fresh;
using testing::Lit;
using testing::Pixels;

Pixels Small(const std::string& text, int x, int y) {
    FrameState f = Fresh();
    FormatText(f, "%s", text.c_str());
    DrawTextSmall(f, x, y, 255, 255, 0);
    return Lit(f);
}

Pixels Large(const std::string& text, int x, int y) {
    FrameState f = Fresh();
    FormatText(f, "%s", text.c_str());
    DrawTextLarge(f, x, y, 255, 255, 255);
    return Lit(f);
}

Pixels Union(std::initializer_list<Pixels> parts) {
    Pixels all;
    for (const Pixels& p : parts) all.insert(p.begin(), p.end());
    return all;
}

// The pixels of a picture given top row first, '#' for ink, its top-left
// character at (x, top).
Pixels FromArt(std::initializer_list<const char*> rows, int x, int top) {
    Pixels p;
    int y = top;
    for (const char* row : rows) {
        for (int j = 0; row[j]; ++j)
            if (row[j] == '#') p.insert({x + j, y});
        --y;
    }
    return p;
}

TEST(Fonts, TheCapitalAIsDrawnExactly) {
    // Small: rows 3 to 7 of the glyph land on y - 1 down to y - 5.
    EXPECT_EQ(Small("A", 10, 100), FromArt({".#.", "#.#", "###", "#.#", "#.#"}, 10, 99));
    // Large: rows 2 to 10 land on y - 2 down to y - 10.
    EXPECT_EQ(Large("A", 10, 100), FromArt({"..##....", ".####...", "##..##..", "##..##..", "##..##..", "######..",
                                            "##..##..", "##..##..", "##..##.."},
                                           10, 98));
}

TEST(Fonts, PenAdvancesByGlyphWidthPlusOneOrByEight) {
    // "Ai" moves the small pen by 4 + 2 and the large pen by 16.
    EXPECT_EQ(Small("AiA", 20, 50), Union({Small("A", 20, 50), Small("i", 24, 50), Small("A", 26, 50)}));
    EXPECT_EQ(Large("AiA", 20, 50), Union({Large("A", 20, 50), Large("i", 28, 50), Large("A", 36, 50)}));
    // A space advances 3 small pixels and draws nothing.
    EXPECT_EQ(Small("A A", 0, 50), Union({Small("A", 0, 50), Small("A", 7, 50)}));
}

TEST(Fonts, CapitalsAndDigitsSitInTheirRows) {
    for (char c = 'A'; c <= 'Z'; ++c) {
        for (auto [x, y] : Small(std::string(1, c), 0, 100)) {
            EXPECT_GE(y, 95) << c;
            EXPECT_LE(y, 99) << c;
        }
        for (auto [x, y] : Large(std::string(1, c), 0, 100)) {
            EXPECT_GE(y, 90) << c;
            EXPECT_LE(y, 98) << c;
        }
    }
    for (char c = '0'; c <= '9'; ++c)
        for (auto [x, y] : Small(std::string(1, c), 0, 100)) EXPECT_TRUE(y >= 95 && y <= 99) << c;
    // Descenders reach the glyph's ninth row, y - 7.
    Pixels g = Small("g", 0, 100);
    EXPECT_EQ(std::min_element(g.begin(), g.end(), [](auto a, auto b) { return a.second < b.second; })->second, 93);
}

TEST(Fonts, EmptyTextDrawsNothing) {
    FrameState f = Fresh();
    f.TextBuffer[0] = '\0';
    DrawTextSmall(f, 10, 10, 255, 255, 255);
    DrawTextLarge(f, 10, 10, 255, 255, 255);
    EXPECT_TRUE(Lit(f).empty());
}

TEST(Fonts, CharactersWithoutAGlyphDrawNothingAndAdvanceAsBlank) {
    // The backquote and every code from 128 up have no small glyph: blank
    // advance 3. Control characters share the blank glyph.
    for (const char* odd : {"`", "\x80", "\xff", "\xc8", "\x01", "\x7f", "{"}) {
        SCOPED_TRACE(static_cast<int>(static_cast<unsigned char>(odd[0])));
        EXPECT_TRUE(Small(odd, 10, 50).empty());
        EXPECT_EQ(Small(std::string(odd) + "A", 10, 50), Small("A", 13, 50));
    }
    // Control characters, DEL and codes from 128 up have no large glyph:
    // nothing drawn, advance 8.
    for (const char* odd : {"\x01", "\x1f", "\x7f", "\x80", "\xff"}) {
        SCOPED_TRACE(static_cast<int>(static_cast<unsigned char>(odd[0])));
        EXPECT_TRUE(Large(odd, 10, 50).empty());
        EXPECT_EQ(Large(std::string(odd) + "A", 10, 50), Large("A", 18, 50));
    }
}

TEST(Fonts, TextIsClippedAtThePictureEdge) {
    FrameState f = Fresh();
    FormatText(f, "%s", std::string(100, 'W').c_str());
    DrawTextLarge(f, 300, 5, 255, 255, 255);  // runs off the right and the bottom
    DrawTextSmall(f, -4, 239, 255, 255, 255);
    for (auto [x, y] : Lit(f)) EXPECT_TRUE(x >= 0 && x < 320 && y >= 0 && y < 240);
    EXPECT_FALSE(Lit(f).empty());
}

// The small font's widths, as the game's text layout relies on them.
std::map<int, int> ExpectedSmallWidths() {
    std::map<int, int> w;
    auto set = [&](const char* chars, int width) {
        for (const char* c = chars; *c; ++c) w[static_cast<unsigned char>(*c)] = width;
    };
    set(":il", 1);
    set("!'(),;=[]fjr", 2);
    set("\"$%+-.0123456789<>?^_ABCDEFGHIKLPSTUVYbcdeghknopqstuvxyz", 3);
    set("&/\\JNOQRZa", 4);
    set("#*MWXmw", 5);
    set("@", 7);
    return w;
}

TEST(Fonts, SmallWidthsMatchTheLayoutTable) {
    const std::map<int, int> widths = ExpectedSmallWidths();
    for (int code = 33; code <= 122; ++code) {
        if (code == 96) continue;
        SCOPED_TRACE(code);
        ASSERT_TRUE(widths.count(code));
        ASSERT_NE(SmallFont[code], nullptr);
        EXPECT_EQ(SmallFont[code][0] - '0', widths.at(code));
        EXPECT_EQ(SmallAdvance(static_cast<unsigned char>(code)), widths.at(code) + 1);
    }
    EXPECT_EQ(widths.size(), 89u);  // 33..122 without the backquote
    for (int code = 0; code < 128; ++code) {
        if (code > 32 && code < 123) continue;
        SCOPED_TRACE(code);
        EXPECT_EQ(SmallFont[code], SmallFont[0]);
        EXPECT_EQ(SmallFont[code][0], '2');
    }
    EXPECT_EQ(SmallFont[96], nullptr);
}

TEST(Fonts, SmallGlyphStringsAreWellFormedAndInked) {
    for (int code = 0; code < 128; ++code) {
        const char* g = SmallFont[code];
        if (!g) continue;
        SCOPED_TRACE(code);
        const size_t n = std::strlen(g);
        EXPECT_TRUE(n == SmallGlyphShortLength || n == SmallGlyphLongLength) << n;
        const int width = g[0] - '0';
        EXPECT_TRUE(width >= 1 && width <= 7);
        bool ink = false;
        for (int i = 1; i <= 9; ++i)
            for (int j = 0; j < 8; ++j) {
                char c = g[i * 8 + j];
                EXPECT_TRUE(c == '0' || c == '1');
                if (c != '0') {
                    EXPECT_LT(j, width) << "ink outside the drawn columns";
                    ink = true;
                }
            }
        EXPECT_EQ(ink, code > 32 && code < 123);
    }
}

TEST(Fonts, LargeGlyphStringsAreWellFormedAndInked) {
    for (int code = 0; code < 128; ++code) {
        const char* g = LargeFont[code];
        SCOPED_TRACE(code);
        EXPECT_EQ(g != nullptr, code >= 32 && code <= 126);
        if (!g) continue;
        ASSERT_EQ(std::strlen(g), static_cast<size_t>(LargeGlyphLength));
        bool ink = false;
        for (int i = 0; i < 13; ++i)
            for (int j = 0; j < 10; ++j) {
                char c = g[i * 10 + j];
                if (i == 0 || j >= 8) {
                    EXPECT_EQ(c, '0') << "row " << i << " column " << j;
                }
                EXPECT_TRUE(c == '0' || c == '1');
                ink = ink || c != '0';
            }
        EXPECT_EQ(ink, code != 32);
    }
}

TEST(TextBuffer, FormattingIsBoundedAndMayReadItself) {
    FrameState f = Fresh();
    f.CapturePresented = false;
    const std::string longText(600, 'x');
    FormatText(f, "%s", longText.c_str());
    EXPECT_EQ(std::strlen(f.TextBuffer), 255u);
    EXPECT_FALSE(f.CapturePresented);  // the field after the buffer is untouched

    FormatText(f, "Cell %d", 7);
    FormatText(f, "[%s]", f.TextBuffer);
    EXPECT_STREQ(f.TextBuffer, "[Cell 7]");
}

TEST(TextBuffer, AnUnterminatedBufferIsReadOnlyToItsEnd) {
    FrameState f = Fresh();
    std::memset(f.TextBuffer, 'A', sizeof f.TextBuffer);
    DrawTextLarge(f, 0, 100, 255, 255, 255);  // 256 glyphs, all past x = 320 after 40
    DrawTextSmall(f, 0, 50, 255, 255, 255);
    EXPECT_FALSE(Lit(f).empty());
}

}  // namespace
}  // namespace delver
