// The item catalogue: weapon, armour and other item templates indexed by
// item code, filled once at start-up and then left alone. Codes in use are
// 0, the weapons 6110-6129, 6200-6203 and 6316-6320, the bag 7000, item
// 7100, eight armour sets of fourteen pieces from 8100 to 8333, and the
// copies 9000-9003 and 10000. Every other record stays zero.
#pragma once

#include <cstdint>
#include <memory>

namespace delver {

// One item record. The spare fields are always zero in the templates but
// travel with a copy, so the record keeps its full width and order.
struct ItemTemplate {
    uint8_t spareHead[2];
    uint16_t imageSlot;  // sprite slot of the item's picture
    int32_t itemCode;    // code of the template (a copy keeps its source's)
    uint8_t spareByte1;
    uint16_t spareWords1[2];
    uint8_t spareBytes2[2];
    uint8_t flags[5];   // flags 1 to 5, each 0 or 1
    uint8_t pieceKind;  // weapons 1 or 2; armour 10 + piece number; else 0
    uint8_t spareByte3;
    uint8_t isWeapon;        // 1 for the weapons, 0 otherwise
    uint8_t magnitude;       // weapons 1 to 14, item 7100 200, else 0
    uint8_t grade;           // 0 to 3
    float currentMagnitude;  // 0 in every template; CopyItem sets it
    uint8_t spareBytes4[4];
    float factor;  // armour 0.1 to 0.9, weapons 0 to 4.0
    uint8_t spareBytes5[13];
    uint16_t spareWord6;
    uint16_t worth;  // 30 to 60,000 (beyond signed 16 bits)
    uint16_t spareWords7[4];

    friend bool operator==(const ItemTemplate&, const ItemTemplate&) = default;
};

inline constexpr int ItemTableSize = 230000;

// The table of ItemTableSize records, allocated in one block, zero-filled.
struct ItemTable {
    std::unique_ptr<ItemTemplate[]> Items;

    // Allocates all records zero-filled (replacing any earlier block).
    void Allocate();
    void Release();
};

// Writes record 0 and the 143 item templates, every field; fields an item
// does not use are written as zero. Other records are not touched.
void FillItemCatalogue(ItemTable& t);

// Copies every field of record source into record destination, then sets
// the destination's currentMagnitude to its magnitude. Codes outside the
// table are ignored.
void CopyItem(ItemTable& t, int destination, int source);

// The five starting copies: (10000, 6110), (9000, 6110), (9001, 6111),
// (9002, 6200), (9003, 6316), in that order.
void SeedItemCopies(ItemTable& t);

}  // namespace delver
