#include "items/item_catalogue.h"

namespace delver {

namespace {

// A single item: the weapons, the bag and item 7100.
struct SingleItem {
    int code;
    uint16_t imageSlot;
    uint8_t flags[5];
    uint8_t pieceKind;
    uint8_t isWeapon;
    uint8_t magnitude;
    uint8_t grade;
    float factor;
    uint16_t worth;
};

// The knife and dagger pictures are swapped on purpose (6110 shows slot 600),
// and the two iron battle axes use each other's picture slots.
constexpr SingleItem kSingleItems[] = {
    {6110, 600, {1, 0, 1, 1, 1}, 2, 1, 1, 0, 0.0f, 50},      // Dagger
    {6111, 601, {1, 1, 0, 0, 0}, 1, 1, 2, 0, 0.0f, 180},     // Knife
    {6112, 602, {1, 0, 0, 0, 1}, 1, 1, 3, 0, 0.0f, 300},     // Short Sword
    {6113, 603, {0, 1, 0, 0, 0}, 2, 1, 3, 1, 0.2f, 400},     // Gauche
    {6114, 604, {1, 0, 0, 0, 0}, 1, 1, 4, 0, 0.0f, 430},     // Long Sword
    {6115, 605, {1, 0, 0, 0, 0}, 1, 1, 5, 0, 0.0f, 560},     // Bastard Sword
    {6116, 606, {1, 1, 0, 0, 1}, 2, 1, 5, 1, 0.0f, 700},     // Kopesh
    {6117, 607, {0, 1, 0, 0, 0}, 1, 1, 6, 0, 1.0f, 1000},    // Blade
    {6118, 608, {0, 1, 0, 0, 1}, 1, 1, 6, 1, 2.8f, 2000},    // Blade Ameliorated
    {6119, 609, {0, 1, 0, 0, 1}, 1, 1, 7, 0, 0.0f, 3000},    // Behead
    {6120, 610, {1, 0, 0, 0, 0}, 1, 1, 6, 1, 0.0f, 700},     // Broadsword
    {6121, 611, {0, 1, 0, 0, 1}, 2, 1, 8, 0, 0.0f, 2300},    // Horner
    {6122, 612, {1, 0, 0, 0, 0}, 1, 1, 8, 1, 0.0f, 980},     // Glaive
    {6123, 613, {1, 0, 0, 0, 0}, 1, 1, 8, 2, 2.0f, 1300},    // Saber
    {6124, 614, {1, 0, 0, 0, 1}, 1, 1, 8, 3, 4.0f, 2900},    // Saber Ameliorated
    {6125, 615, {1, 0, 0, 0, 1}, 1, 1, 9, 0, 1.5f, 5000},    // Whale Blade
    {6126, 616, {1, 0, 0, 0, 1}, 1, 1, 9, 2, 3.3f, 10000},   // Whale Blade Ameliorated
    {6127, 617, {1, 0, 0, 0, 0}, 1, 1, 10, 0, 0.0f, 1200},   // Two Handed Sword
    {6128, 618, {1, 0, 0, 0, 1}, 1, 1, 11, 0, 0.0f, 6000},   // Two Bladed Sword
    {6129, 619, {1, 0, 0, 0, 1}, 1, 1, 12, 0, 3.2f, 28000},  // Two Bladed Sword Ameliorated
    {6200, 630, {0, 1, 0, 0, 0}, 1, 1, 3, 0, 0.0f, 300},     // Maul
    {6201, 631, {0, 1, 0, 0, 0}, 1, 1, 5, 1, 0.0f, 600},     // Morningstar
    {6202, 632, {0, 1, 0, 0, 0}, 1, 1, 8, 0, 0.0f, 3000},    // Mace
    {6203, 633, {0, 1, 0, 0, 0}, 1, 1, 8, 0, 0.0f, 3000},    // War Mace
    {6316, 650, {0, 0, 0, 1, 0}, 2, 1, 2, 0, 0.0f, 180},     // Hand Axe
    {6317, 651, {0, 0, 0, 1, 0}, 1, 1, 3, 0, 0.0f, 380},     // Axe
    {6318, 652, {0, 0, 0, 1, 0}, 1, 1, 8, 0, 0.0f, 4000},    // Battle Axe
    {6319, 655, {0, 0, 0, 1, 0}, 1, 1, 12, 0, 2.8f, 32000},  // Iron Rubioux Battle Axe
    {6320, 654, {0, 0, 0, 1, 0}, 1, 1, 14, 0, 4.0f, 60000},  // Iron Ordered Battle Axe
    {7000, 3000, {0, 0, 0, 0, 0}, 0, 0, 0, 0, 0.0f, 30},     // Bag
    {7100, 682, {0, 0, 0, 0, 0}, 0, 0, 200, 0, 0.0f, 50},    // nameless
};

// An armour set: fourteen pieces sharing picture, factor and worth. The
// pieces, in code order: Suit, Hat (Helmet in Plate, Full Plate and Magic),
// Cape, Georget, Scaling, Torso, Greeves, Bracers, Ring, Gloves, Shield,
// Sleeves, Circlet, Boots; each named after its set ("Chain Boots").
struct ArmourSet {
    int firstCode;
    uint16_t imageSlot;
    float factor;
    uint16_t worth;
};

constexpr ArmourSet kArmourSets[] = {
    {8100, 730, 0.1f, 30},   // Robe
    {8130, 740, 0.2f, 70},   // Leather
    {8170, 741, 0.3f, 120},  // Studded Leather
    {8200, 742, 0.4f, 160},  // Chain
    {8220, 743, 0.5f, 210},  // Scale
    {8250, 744, 0.6f, 280},  // Plate
    {8280, 745, 0.7f, 350},  // Full Plate
    {8320, 746, 0.9f, 600},  // Magic: 0.9, a step above the rest
};

constexpr int kPiecesPerSet = 14;

bool InTable(int code) { return code >= 0 && code < ItemTableSize; }

}  // namespace

void ItemTable::Allocate() { Items = std::make_unique<ItemTemplate[]>(ItemTableSize); }

void ItemTable::Release() { Items.reset(); }

void FillItemCatalogue(ItemTable& t) {
    if (!t.Items) return;
    t.Items[0] = ItemTemplate{};
    for (const SingleItem& s : kSingleItems) {
        ItemTemplate r{};
        r.imageSlot = s.imageSlot;
        r.itemCode = s.code;
        for (int i = 0; i < 5; ++i) r.flags[i] = s.flags[i];
        r.pieceKind = s.pieceKind;
        r.isWeapon = s.isWeapon;
        r.magnitude = s.magnitude;
        r.grade = s.grade;
        r.factor = s.factor;
        r.worth = s.worth;
        t.Items[s.code] = r;
    }
    for (const ArmourSet& set : kArmourSets)
        for (int p = 0; p < kPiecesPerSet; ++p) {
            ItemTemplate r{};
            r.imageSlot = set.imageSlot;
            r.itemCode = set.firstCode + p;
            for (uint8_t& f : r.flags) f = 1;
            r.pieceKind = static_cast<uint8_t>(10 + p);
            r.factor = set.factor;
            r.worth = set.worth;
            t.Items[set.firstCode + p] = r;
        }
}

void CopyItem(ItemTable& t, int destination, int source) {
    if (!t.Items || !InTable(destination) || !InTable(source)) return;
    t.Items[destination] = t.Items[source];
    t.Items[destination].currentMagnitude = static_cast<float>(t.Items[destination].magnitude);
}

void SeedItemCopies(ItemTable& t) {
    CopyItem(t, 10000, 6110);
    CopyItem(t, 9000, 6110);
    CopyItem(t, 9001, 6111);
    CopyItem(t, 9002, 6200);
    CopyItem(t, 9003, 6316);
}

}  // namespace delver
