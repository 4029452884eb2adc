// The template table and the parse, measure and stamp operations.
#include "world/room_templates.h"

#include <array>
#include <cstring>

namespace delver {
namespace {

// One room shape as written by its designer: the four header letters and
// the body rows, separated by '/'.
struct TemplateSource {
    const char* header;
    const char* body;
};

constexpr TemplateSource kSources[TemplateCount] = {
    {"jkcc", "ddd/ddd/ddd"},
    {"jkca", "ddd"},
    {"jkda", "dddd"},
    {"jkea", "ddddd"},
    {"jkcc", "0d0/ddd/0d0"},
    {"jkee", "00d00/0ddd0/ddddd/0ddd0/00d00"},
    {"jkdb", "dddd/dddd"},
    {"jkcb", "ddd/ddd"},
    {"jkeb", "ddddd/ddddd"},
    {"jkec", "ddddd/d0d0d/ddddd"},
    {"jkec", "ddddd/ddddd/ddddd"},
    {"jkhg", "000dd000/0dddddd0/0dddddd0/dddddddd/0dddddd0/0dddddd0/000dd000"},
    {"jkdd", "dddd/dddd/dddd/dddd"},
    {"jkee", "ddddd/ddddd/ddddd/ddddd/ddddd"},
    {"jkii", "0000d0000/00ddddd00/0ddddddd0/0ddddddd0/ddddddddd/0ddddddd0/0ddddddd0/00ddddd00/0000d0000"},
    {"jkhf", "dddddddd/dddddddd/dd000000/dd000000/dd000000/dd000000"},
    {"jkee", "0ddd0/ddddd/ddddd/0ddd0/0ddd0"},
    {"jkhd", "0dddddd0/0dddddd0/dddddddd/0dddddd0"},
    {"jkhh", "00dddd00/0dddddd0/ddd00ddd/dd0000dd/ddd00ddd/0dddddd0/00dddd00/00000000"},
};

using TemplateString = std::array<char, TemplateStringLength + 1>;

// Lays a shape out in the stored string format: header in row 0, body from
// row 1, '0' everywhere else.
constexpr TemplateString BuildString(const TemplateSource& src) {
    TemplateString s{};
    for (int i = 0; i < TemplateStringLength; ++i) s[i] = '0';
    s[TemplateStringLength] = '\0';
    for (int i = 0; i < 4; ++i) s[i] = src.header[i];
    int row = 1, col = 0;
    for (const char* p = src.body; *p; ++p) {
        if (*p == '/') {
            ++row;
            col = 0;
        } else {
            s[row * MaskStride + col] = *p;
            ++col;
        }
    }
    return s;
}

constexpr std::array<TemplateString, TemplateCount> BuildTable() {
    std::array<TemplateString, TemplateCount> table{};
    for (int t = 0; t < TemplateCount; ++t) table[t] = BuildString(kSources[t]);
    return table;
}

constexpr std::array<TemplateString, TemplateCount> kTemplateTable = BuildTable();

// A header letter's value: 'a' = 1, 'b' = 2, ...
int LetterValue(char c) { return static_cast<unsigned char>(c) - 96; }

// Sizes from the header, held to 0..30 so a malformed header can neither
// read past the string's body rows nor write past the mask.
void ReadSizes(TemplateState& ts, const char* s, int o) {
    int w = LetterValue(s[2]);
    int h = LetterValue(s[3]);
    if (s[4] != '0') w += LetterValue(s[4]);
    if (s[5] != '0') w += LetterValue(s[5]);
    if (w < 0) w = 0;
    if (w > MaskStride) w = MaskStride;
    if (h < 0) h = 0;
    if (h > MaskStride) h = MaskStride;
    ts.TemplateWidth = w;
    ts.TemplateHeight = h;
    if (o == 1 || o == 2) {
        ts.OrientedWidth = h;
        ts.OrientedHeight = w;
    } else {
        ts.OrientedWidth = w;
        ts.OrientedHeight = h;
    }
}

void ClearSizes(TemplateState& ts) {
    ts.TemplateWidth = ts.TemplateHeight = 0;
    ts.OrientedWidth = ts.OrientedHeight = 0;
}

}  // namespace

const char* RoomTemplateString(int t) {
    if (t < 0 || t >= TemplateCount) return nullptr;
    return kTemplateTable[t].data();
}

void MeasureTemplateString(TemplateState& ts, const char* s, int o) { ReadSizes(ts, s, o); }

void ParseTemplateString(TemplateState& ts, const char* s, int o) {
    ReadSizes(ts, s, o);
    std::memset(ts.TemplateMask, 0, sizeof ts.TemplateMask);
    const int w = ts.TemplateWidth;
    const int h = ts.TemplateHeight;
    for (int i = 1; i <= h; ++i) {
        const int r = i - 1;
        for (int j = 0; j < w; ++j) {
            const char ch = s[i * MaskStride + j];
            if (ch != 'd' && ch != 'p') continue;
            const int c = j;
            int x, y;
            switch (o) {
            case 1:
                x = r;
                y = w - 1 - c;
                break;
            case 2:
                x = r;
                y = c;
                break;
            case 3:
                x = c;
                y = h - 1 - r;
                break;
            default:
                x = c;
                y = r;
                break;
            }
            ts.TemplateMask[y * MaskStride + x] = ch == 'd' ? MaskFloor : MaskPillar;
        }
    }
}

void MeasureTemplate(TemplateState& ts, int t, int o) {
    const char* s = RoomTemplateString(t);
    if (!s) {
        ClearSizes(ts);
        return;
    }
    ReadSizes(ts, s, o);
}

void ParseTemplate(TemplateState& ts, int t, int o) {
    const char* s = RoomTemplateString(t);
    if (!s) {
        ClearSizes(ts);
        std::memset(ts.TemplateMask, 0, sizeof ts.TemplateMask);
        return;
    }
    ParseTemplateString(ts, s, o);
}

void StampTemplate(WorldGrids& g, const TemplateState& ts) {
    const int z = ts.CurrentLevelLayer;
    if (z < 0 || z >= LayerCount) return;
    uint8_t* layer = g.WorldGrid.get() + CellIndex(0, 0, z);
    for (int y = 0; y < ts.OrientedHeight && y < MaskStride; ++y) {
        const int64_t gy = int64_t{ts.PlacementY} + y;
        if (gy < 0 || gy >= GridWidth) continue;
        for (int x = 0; x < ts.OrientedWidth && x < MaskStride; ++x) {
            const int64_t gx = int64_t{ts.PlacementX} + x;
            if (gx < 0 || gx >= GridWidth) continue;
            const uint8_t m = ts.TemplateMask[y * MaskStride + x];
            if (m == MaskFloor) {
                layer[gy * GridWidth + gx] = LevelFloor;
            } else if (m == MaskPillar) {
                layer[gy * GridWidth + gx] = Pillar;
            }
        }
    }
}

}  // namespace delver
