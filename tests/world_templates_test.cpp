// Room templates: the stored table, the four orientations, measuring
// without touching the mask, and stamping onto a level layer.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "world/room_templates.h"

namespace delver {
namespace {

int MaskAt(const TemplateState& ts, int x, int y) { return ts.TemplateMask[y * MaskStride + x]; }

int CountMask(const TemplateState& ts, uint8_t value) {
    int n = 0;
    for (uint8_t m : ts.TemplateMask) n += m == value;
    return n;
}

// A template string in the stored format from a header and body rows.
std::string MakeTemplate(const std::string& header, const std::vector<std::string>& rows) {
    std::string s(TemplateStringLength, '0');
    s.replace(0, header.size(), header);
    for (size_t i = 0; i < rows.size(); ++i) s.replace((i + 1) * MaskStride, rows[i].size(), rows[i]);
    return s;
}

TEST(WorldTemplates, TableHoldsTheDesignedShapes) {
    struct Expect {
        int w, h, floor;
    };
    const Expect shapes[TemplateCount] = {
        {3, 3, 9},  {3, 1, 3},  {4, 1, 4},  {5, 1, 5},  {3, 3, 5},  {5, 5, 13}, {4, 2, 8},
        {3, 2, 6},  {5, 2, 10}, {5, 3, 13}, {5, 3, 15}, {8, 7, 36}, {4, 4, 16}, {5, 5, 25},
        {9, 9, 49}, {8, 6, 24}, {5, 5, 19}, {8, 4, 26}, {8, 8, 36},
    };
    for (int t = 0; t < TemplateCount; ++t) {
        const char* s = RoomTemplateString(t);
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(std::strlen(s), static_cast<size_t>(TemplateStringLength)) << t;
        EXPECT_EQ(std::string(s, 2), "jk") << t;
        for (int o = 0; o < 4; ++o) {
            TemplateState ts;
            ParseTemplate(ts, t, o);
            EXPECT_EQ(ts.TemplateWidth, shapes[t].w) << t;
            EXPECT_EQ(ts.TemplateHeight, shapes[t].h) << t;
            EXPECT_EQ(ts.OrientedWidth, (o == 1 || o == 2) ? shapes[t].h : shapes[t].w) << t << "/" << o;
            EXPECT_EQ(ts.OrientedHeight, (o == 1 || o == 2) ? shapes[t].w : shapes[t].h) << t << "/" << o;
            // Orienting never loses or invents a cell, and keeps inside the size.
            EXPECT_EQ(CountMask(ts, MaskFloor), shapes[t].floor) << t << "/" << o;
            EXPECT_EQ(CountMask(ts, MaskPillar), 0) << t;
            for (int y = 0; y < MaskStride; ++y) {
                for (int x = 0; x < MaskStride; ++x) {
                    if (MaskAt(ts, x, y)) {
                        EXPECT_TRUE(x < ts.OrientedWidth && y < ts.OrientedHeight) << t << "/" << o;
                    }
                }
            }
        }
    }
    // Numbers outside the table give an empty 0 x 0 template.
    for (int t : {-1, TemplateCount, 43}) {
        EXPECT_EQ(RoomTemplateString(t), nullptr);
        TemplateState ts;
        ts.TemplateMask[0] = 1;
        ParseTemplate(ts, t, 0);
        EXPECT_EQ(ts.OrientedWidth, 0);
        EXPECT_EQ(ts.OrientedHeight, 0);
        EXPECT_EQ(CountMask(ts, MaskNone), MaskCells);
    }
}

TEST(WorldTemplates, OrientationsMapCellsAsDesigned) {
    TemplateState ts;
    // Template 4 is a plus sign.
    ParseTemplate(ts, 4, 0);
    EXPECT_EQ(ts.OrientedWidth, 3);
    EXPECT_EQ(ts.OrientedHeight, 3);
    for (int y = 0; y < MaskStride; ++y) {
        for (int x = 0; x < MaskStride; ++x) {
            const bool plus = (x == 1 && y <= 2) || (y == 1 && x <= 2);
            EXPECT_EQ(MaskAt(ts, x, y), plus ? 1 : 0) << x << "," << y;
        }
    }

    // Template 15, the L: two full rows of 8, then a two-cell column.
    ParseTemplate(ts, 15, 1);  // quarter turn
    EXPECT_EQ(ts.OrientedWidth, 6);
    EXPECT_EQ(ts.OrientedHeight, 8);
    EXPECT_EQ(MaskAt(ts, 0, 0), 1);  // template cell (7, 0)
    EXPECT_EQ(MaskAt(ts, 5, 7), 1);  // template cell (0, 5)
    EXPECT_EQ(MaskAt(ts, 5, 0), 0);  // template cell (7, 5) is no cell
    EXPECT_EQ(MaskAt(ts, 2, 7), 1);  // template cell (0, 2)
    EXPECT_EQ(MaskAt(ts, 2, 5), 0);  // template cell (2, 2)

    ParseTemplate(ts, 15, 2);  // mirror on the diagonal: (c, r) -> (r, c)
    EXPECT_EQ(MaskAt(ts, 0, 7), 1);
    EXPECT_EQ(MaskAt(ts, 5, 0), 1);
    EXPECT_EQ(MaskAt(ts, 5, 7), 0);

    ParseTemplate(ts, 15, 3);  // mirror top to bottom
    EXPECT_EQ(ts.OrientedWidth, 8);
    EXPECT_EQ(ts.OrientedHeight, 6);
    for (int y = 0; y < 6; ++y) {
        for (int x = 0; x < 8; ++x) {
            const bool floor = y >= 4 || x <= 1;
            EXPECT_EQ(MaskAt(ts, x, y), floor ? 1 : 0) << x << "," << y;
        }
    }

    // Template 17 is not symmetric top to bottom: its full row is the third.
    ParseTemplate(ts, 17, 0);
    EXPECT_EQ(MaskAt(ts, 0, 2), 1);
    EXPECT_EQ(MaskAt(ts, 0, 1), 0);
    ParseTemplate(ts, 17, 3);
    EXPECT_EQ(MaskAt(ts, 0, 1), 1);
    EXPECT_EQ(MaskAt(ts, 0, 2), 0);
}

TEST(WorldTemplates, MeasuringLeavesTheMaskAlone) {
    TemplateState ts;
    ParseTemplate(ts, 4, 0);
    uint8_t before[MaskCells];
    std::memcpy(before, ts.TemplateMask, MaskCells);
    MeasureTemplate(ts, 3, 2);
    EXPECT_EQ(ts.TemplateWidth, 5);
    EXPECT_EQ(ts.TemplateHeight, 1);
    EXPECT_EQ(ts.OrientedWidth, 1);
    EXPECT_EQ(ts.OrientedHeight, 5);
    EXPECT_EQ(std::memcmp(before, ts.TemplateMask, MaskCells), 0);
}

TEST(WorldTemplates, HeadersWidenAndAreHeldToTheMask) {
    TemplateState ts;
    // 'b' and 'c' in characters 4 and 5 add 2 + 3 columns to 'e' (5).
    const std::string wide = MakeTemplate("jkecbc", {"dddddddddd", "d00000000d", "ddddddddpd"});
    ParseTemplateString(ts, wide.c_str(), 0);
    EXPECT_EQ(ts.TemplateWidth, 10);
    EXPECT_EQ(ts.TemplateHeight, 3);
    EXPECT_EQ(CountMask(ts, MaskFloor), 21);
    EXPECT_EQ(CountMask(ts, MaskPillar), 1);
    EXPECT_EQ(MaskAt(ts, 8, 2), MaskPillar);
    EXPECT_EQ(MaskAt(ts, 9, 1), MaskFloor);
    ParseTemplateString(ts, wide.c_str(), 1);
    EXPECT_EQ(ts.OrientedWidth, 3);
    EXPECT_EQ(ts.OrientedHeight, 10);
    EXPECT_EQ(MaskAt(ts, 2, 1), MaskPillar);  // (8, 2) -> (2, 10 - 1 - 8)

    // A header that claims more than the mask holds is cut to 30 x 30
    // instead of writing past the mask.
    const std::string huge = MakeTemplate("jk~~zz", {});
    ParseTemplateString(ts, huge.c_str(), 1);
    EXPECT_EQ(ts.TemplateWidth, 30);
    EXPECT_EQ(ts.TemplateHeight, 30);
    EXPECT_EQ(CountMask(ts, MaskNone), MaskCells);
    // A letter below 'a' gives no size at all.
    const std::string none = MakeTemplate("jk!a", {"ddd"});
    MeasureTemplateString(ts, none.c_str(), 0);
    EXPECT_EQ(ts.OrientedWidth, 0);
    EXPECT_EQ(ts.OrientedHeight, 1);
}

class WorldStamp : public ::testing::Test {
protected:
    void SetUp() override { g.Allocate(); }
    uint8_t& At(int x, int y, int z) { return g.WorldGrid[CellIndex(x, y, z)]; }
    WorldGrids g;
};

TEST_F(WorldStamp, StampWritesFloorAndKeepsTheRockInsideShapes) {
    const int z = 142;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) At(x, y, z) = LevelRock;
    TemplateState ts;
    ParseTemplate(ts, 9, 0);  // ddddd / d0d0d / ddddd
    ts.PlacementX = 4;
    ts.PlacementY = 6;
    ts.CurrentLevelLayer = z;
    StampTemplate(g, ts);
    int floor = 0;
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 20; ++x) {
            const bool hole = y == 7 && (x == 5 || x == 7);
            const bool inBox = x >= 4 && x < 9 && y >= 6 && y < 9;
            EXPECT_EQ(At(x, y, z), inBox && !hole ? LevelFloor : LevelRock) << x << "," << y;
            floor += At(x, y, z) == LevelFloor;
        }
    }
    EXPECT_EQ(floor, 13);
    // Only the chosen layer is touched.
    EXPECT_EQ(At(4, 6, z - 1), Empty);
    EXPECT_EQ(At(4, 6, z + 1), Empty);

    // Pillar cells become Pillar.
    const std::string pillared = MakeTemplate("jkcb", {"dpd", "ddd"});
    ParseTemplateString(ts, pillared.c_str(), 0);
    ts.PlacementX = 12;
    ts.PlacementY = 12;
    StampTemplate(g, ts);
    EXPECT_EQ(At(13, 12, z), Pillar);
    EXPECT_EQ(At(12, 12, z), LevelFloor);
}

TEST_F(WorldStamp, StampNeverWritesOutsideTheGrid) {
    TemplateState ts;
    ParseTemplate(ts, 13, 0);  // 5 x 5 square
    ts.CurrentLevelLayer = 10;
    ts.PlacementX = 253;  // three columns fit
    ts.PlacementY = 2;
    StampTemplate(g, ts);
    int written = 0;
    for (int i = 0; i < GridCells; ++i) written += g.WorldGrid[i] != 0;
    EXPECT_EQ(written, 15);
    EXPECT_EQ(At(0, 3, 10), Empty);  // no wrap into the next row
    EXPECT_EQ(At(255, 6, 10), LevelFloor);

    // Off the last layer's end and before the first: nothing at all.
    std::memset(g.WorldGrid.get(), 0, GridCells);
    ts.CurrentLevelLayer = LayerCount - 1;
    ts.PlacementX = 254;
    ts.PlacementY = 254;
    StampTemplate(g, ts);
    ts.CurrentLevelLayer = LayerCount;
    StampTemplate(g, ts);
    ts.CurrentLevelLayer = 0;
    ts.PlacementX = -3;
    ts.PlacementY = -4;
    StampTemplate(g, ts);
    written = 0;
    for (int i = 0; i < GridCells; ++i) written += g.WorldGrid[i] != 0;
    EXPECT_EQ(written, 4 + 2);  // 2 x 2 in the last corner, 2 x 1 in the first
    EXPECT_EQ(g.WorldGrid[GridCells - 1], LevelFloor);
    EXPECT_EQ(At(0, 0, 0), LevelFloor);
    EXPECT_EQ(At(1, 0, 0), LevelFloor);
}

}  // namespace
}  // namespace delver
