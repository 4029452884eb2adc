// The art generator's canvas and its drawing helpers. Every picture the
// generator paints is an ArtImage: 8-bit red-green-blue pixels, top row
// first while painting. EncodeBmp24 turns it into the 24-bit BMP the game
// loads, through the game's own encoder (assets/bmp.h): 54-byte header,
// bottom row first, blue-green-red, and no row padding because every width
// we paint is a multiple of 4.
//
// All randomness here is integer hashing with fixed seeds, and the few
// real numbers use only +, -, *, / and sqrt, so the same bytes come out on
// every compiler and platform.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace delver {

struct Rgb {
    int r = 0;
    int g = 0;
    int b = 0;
};

struct ArtImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;  // width x height x 3 bytes, row 0 at the top
};

// A canvas of the given size filled with one colour.
ArtImage MakeImage(int width, int height, Rgb fill);

// Reads the pixel at (x, y); coordinates wrap around, so tiling patterns can
// look across the edge.
Rgb GetPixel(const ArtImage& image, int x, int y);
// Writes the pixel at (x, y), each channel clamped to 0..255; points outside
// the canvas are ignored.
void SetPixel(ArtImage& image, int x, int y, Rgb colour);
// Like SetPixel but wraps the coordinates (for seamless textures).
void SetPixelWrapped(ArtImage& image, int x, int y, Rgb colour);
// Mixes colour into the pixel at (x, y); alpha is 0 (keep) to 256 (replace).
void BlendPixel(ArtImage& image, int x, int y, Rgb colour, int alpha);

// The 24-bit BMP file of the image, exactly 54 + width x height x 3 bytes
// (the width being a multiple of 4).
std::vector<uint8_t> EncodeBmp24(const ArtImage& image);

// The PNG file of the image with the given opacity per pixel (row 0 at the
// top; missing entries are opaque): 8-bit RGBA, stored without compression.
std::vector<uint8_t> EncodePngRgba(const ArtImage& image, const std::vector<uint8_t>& alpha);

// Colour arithmetic.
Rgb Mix(Rgb a, Rgb b, int t);   // t 0 gives a, 256 gives b
Rgb Scale(Rgb c, int percent);  // brightness, 100 keeps the colour
Rgb Add(Rgb c, int delta);      // same delta on every channel
Rgb Clamp(Rgb c);
// Hue 0..359, saturation and value 0..255, integer arithmetic.
Rgb FromHsv(int hue, int saturation, int value);

// 32-bit integer hashes: the generator's only source of randomness.
uint32_t HashU32(uint32_t x);
uint32_t Hash2(uint32_t seed, int x, int y);
uint32_t HashText(const std::string& text);  // FNV-1a of the bytes

// A small deterministic random stream.
struct ArtRandom {
    uint32_t state;
    explicit ArtRandom(uint32_t seed) : state(seed ^ 0x9E3779B9u) {}
    uint32_t Next();
    int Below(int n);           // 0 .. n-1, n > 0
    int Range(int lo, int hi);  // lo .. hi inclusive
};

// Smooth value noise, 0..65535. The lattice has one point every cellSize
// pixels and repeats every periodCells points, so a texture whose side is
// cellSize x periodCells tiles without seams. periodCells 0 means no repeat.
int ValueNoise(uint32_t seed, int x, int y, int cellSize, int periodCells);
// Several octaves of ValueNoise, halving the cell size each time; 0..65535.
// With a period, the image side should be baseCell x periodCells.
int FractalNoise(uint32_t seed, int x, int y, int baseCell, int periodCells, int octaves);

// Integer square root (floor).
int ISqrt(int64_t v);

// Simple filled shapes, clipped to the canvas.
void FillRect(ArtImage& image, int x0, int y0, int x1, int y1, Rgb colour);  // inclusive
void FillEllipse(ArtImage& image, int cx, int cy, int rx, int ry, Rgb colour);
void FillTriangle(ArtImage& image, int x0, int y0, int x1, int y1, int x2, int y2, Rgb colour);
// A round-ended stroke from (x0, y0) to (x1, y1), radius in pixels.
void DrawThickLine(ArtImage& image, int x0, int y0, int x1, int y1, int radius, Rgb colour);
// A dark outline around every pixel that differs from the background.
void OutlineShapes(ArtImage& image, Rgb background, Rgb outline);

}  // namespace delver
