// The item catalogue: templates, armour sets, the starting
// copies, and that nothing else in the table is written.
#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "items/item_catalogue.h"

namespace delver {
namespace {

bool IsZero(const ItemTemplate& r) { return r == ItemTemplate{}; }

class ItemCatalogue : public ::testing::Test {
protected:
    void SetUp() override {
        table.Allocate();
        FillItemCatalogue(table);
        SeedItemCopies(table);
    }
    const ItemTemplate& At(int code) const { return table.Items[code]; }
    ItemTable table;
};

std::set<int> ListedCodes() {
    std::set<int> codes;
    for (int c = 6110; c <= 6129; ++c) codes.insert(c);
    for (int c = 6200; c <= 6203; ++c) codes.insert(c);
    for (int c = 6316; c <= 6320; ++c) codes.insert(c);
    codes.insert(7000);
    codes.insert(7100);
    for (int first : {8100, 8130, 8170, 8200, 8220, 8250, 8280, 8320})
        for (int p = 0; p < 14; ++p) codes.insert(first + p);
    return codes;
}

TEST(ItemTableBlock, AllocatesZeroFilled) {
    ItemTable t;
    t.Allocate();
    ASSERT_NE(t.Items, nullptr);
    for (int c = 0; c < ItemTableSize; ++c) ASSERT_TRUE(IsZero(t.Items[c])) << c;
    t.Release();
    EXPECT_EQ(t.Items, nullptr);
}

TEST_F(ItemCatalogue, ExactlyTheListedCodesAndCopiesAreNonZero) {
    std::set<int> expected = ListedCodes();
    EXPECT_EQ(expected.size(), 143u);
    for (int c : {9000, 9001, 9002, 9003, 10000}) expected.insert(c);
    std::set<int> found;
    for (int c = 0; c < ItemTableSize; ++c)
        if (!IsZero(At(c))) found.insert(c);
    EXPECT_EQ(found.size(), 148u);
    EXPECT_EQ(found, expected);
    EXPECT_TRUE(IsZero(At(0)));
}

TEST_F(ItemCatalogue, TemplatesHaveNoCurrentMagnitudeAndKeepTheirCode) {
    for (int c : ListedCodes()) {
        EXPECT_EQ(At(c).currentMagnitude, 0.0f) << c;
        EXPECT_EQ(At(c).itemCode, c);
        EXPECT_EQ(At(c).isWeapon, (c >= 6110 && c <= 6320) ? 1 : 0) << c;
    }
}

TEST_F(ItemCatalogue, WeaponAndSingleItemSpotChecks) {
    const ItemTemplate& dagger = At(6110);
    EXPECT_EQ(dagger.imageSlot, 600);  // the knife's picture
    const uint8_t daggerFlags[5] = {1, 0, 1, 1, 1};
    EXPECT_EQ(std::memcmp(dagger.flags, daggerFlags, 5), 0);
    EXPECT_EQ(dagger.pieceKind, 2);
    EXPECT_EQ(dagger.magnitude, 1);
    EXPECT_EQ(dagger.worth, 50);
    EXPECT_EQ(At(6111).imageSlot, 601);

    EXPECT_EQ(At(6320).worth, 60000);
    EXPECT_EQ(At(6319).worth, 32000);
    EXPECT_EQ(At(6319).imageSlot, 655);
    EXPECT_EQ(At(6320).imageSlot, 654);
    EXPECT_EQ(At(6320).factor, 4.0f);
    EXPECT_EQ(At(6320).magnitude, 14);

    EXPECT_EQ(At(6124).grade, 3);
    EXPECT_EQ(At(6124).factor, 4.0f);
    EXPECT_EQ(At(6126).factor, 3.3f);
    EXPECT_EQ(At(6113).factor, 0.2f);

    EXPECT_EQ(At(7000).imageSlot, 3000);
    EXPECT_EQ(At(7000).worth, 30);
    EXPECT_EQ(At(7100).imageSlot, 682);
    EXPECT_EQ(At(7100).magnitude, 200);
    EXPECT_EQ(At(7100).worth, 50);
    EXPECT_EQ(At(7100).isWeapon, 0);
}

TEST_F(ItemCatalogue, ArmourSetsShareSlotFactorAndWorth) {
    struct Set {
        int first;
        uint16_t slot;
        float factor;
        uint16_t worth;
    };
    const Set sets[] = {{8100, 730, 0.1f, 30},  {8130, 740, 0.2f, 70},  {8170, 741, 0.3f, 120}, {8200, 742, 0.4f, 160},
                        {8220, 743, 0.5f, 210}, {8250, 744, 0.6f, 280}, {8280, 745, 0.7f, 350}, {8320, 746, 0.9f, 600}};
    for (const Set& s : sets)
        for (int p = 0; p < 14; ++p) {
            const ItemTemplate& r = At(s.first + p);
            SCOPED_TRACE(s.first + p);
            EXPECT_EQ(r.imageSlot, s.slot);
            EXPECT_EQ(r.factor, s.factor);
            EXPECT_EQ(r.worth, s.worth);
            EXPECT_EQ(r.pieceKind, 10 + p);
            for (uint8_t f : r.flags) EXPECT_EQ(f, 1);
            EXPECT_EQ(r.magnitude, 0);
            EXPECT_EQ(r.grade, 0);
        }
    EXPECT_EQ(At(8320).factor, 0.9f);
    EXPECT_TRUE(IsZero(At(8114)));  // gaps between sets stay empty
    EXPECT_TRUE(IsZero(At(8319)));
    EXPECT_TRUE(IsZero(At(8334)));
}

TEST_F(ItemCatalogue, SeededCopies) {
    ItemTemplate expected = At(6110);
    expected.currentMagnitude = 1.0f;
    EXPECT_EQ(At(10000), expected);
    EXPECT_EQ(At(9000), expected);
    EXPECT_EQ(At(9001).itemCode, 6111);
    EXPECT_EQ(At(9001).currentMagnitude, 2.0f);
    EXPECT_EQ(At(9002).itemCode, 6200);
    EXPECT_EQ(At(9002).currentMagnitude, 3.0f);
    EXPECT_EQ(At(9003).itemCode, 6316);
    EXPECT_EQ(At(9003).currentMagnitude, 2.0f);
}

TEST_F(ItemCatalogue, CopyItemCarriesSpareFieldsAndIgnoresCodesOutsideTheTable) {
    table.Items[5].spareBytes5[12] = 7;
    table.Items[5].spareWords7[3] = 9;
    table.Items[5].magnitude = 4;
    table.Items[5].currentMagnitude = 99.0f;
    CopyItem(table, 6, 5);
    EXPECT_EQ(table.Items[6].spareBytes5[12], 7);
    EXPECT_EQ(table.Items[6].spareWords7[3], 9);
    EXPECT_EQ(table.Items[6].currentMagnitude, 4.0f);

    ItemTemplate before = At(6110);
    CopyItem(table, -1, 6110);
    CopyItem(table, ItemTableSize, 6110);
    CopyItem(table, 6110, ItemTableSize);
    CopyItem(table, 6110, -5);
    EXPECT_EQ(At(6110), before);
}

}  // namespace
}  // namespace delver
