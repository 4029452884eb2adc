#include "items/item_catalogue.h"

#include <array>
#include <string>

namespace delver {

namespace {

// A single item: the weapons, the bag and item 7100.
struct SingleItem {
    int code;
    const char* name;
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
    {6110, "Dagger", 600, {1, 0, 1, 1, 1}, 2, 1, 1, 0, 0.0f, 50},
    {6111, "Knife", 601, {1, 1, 0, 0, 0}, 1, 1, 2, 0, 0.0f, 180},
    {6112, "Short Sword", 602, {1, 0, 0, 0, 1}, 1, 1, 3, 0, 0.0f, 300},
    {6113, "Gauche", 603, {0, 1, 0, 0, 0}, 2, 1, 3, 1, 0.2f, 400},
    {6114, "Long Sword", 604, {1, 0, 0, 0, 0}, 1, 1, 4, 0, 0.0f, 430},
    {6115, "Bastard Sword", 605, {1, 0, 0, 0, 0}, 1, 1, 5, 0, 0.0f, 560},
    {6116, "Kopesh", 606, {1, 1, 0, 0, 1}, 2, 1, 5, 1, 0.0f, 700},
    {6117, "Blade", 607, {0, 1, 0, 0, 0}, 1, 1, 6, 0, 1.0f, 1000},
    {6118, "Blade Ameliorated", 608, {0, 1, 0, 0, 1}, 1, 1, 6, 1, 2.8f, 2000},
    {6119, "Behead", 609, {0, 1, 0, 0, 1}, 1, 1, 7, 0, 0.0f, 3000},
    {6120, "Broadsword", 610, {1, 0, 0, 0, 0}, 1, 1, 6, 1, 0.0f, 700},
    {6121, "Horner", 611, {0, 1, 0, 0, 1}, 2, 1, 8, 0, 0.0f, 2300},
    {6122, "Glaive", 612, {1, 0, 0, 0, 0}, 1, 1, 8, 1, 0.0f, 980},
    {6123, "Saber", 613, {1, 0, 0, 0, 0}, 1, 1, 8, 2, 2.0f, 1300},
    {6124, "Saber Ameliorated", 614, {1, 0, 0, 0, 1}, 1, 1, 8, 3, 4.0f, 2900},
    {6125, "Whale Blade", 615, {1, 0, 0, 0, 1}, 1, 1, 9, 0, 1.5f, 5000},
    {6126, "Whale Blade Ameliorated", 616, {1, 0, 0, 0, 1}, 1, 1, 9, 2, 3.3f, 10000},
    {6127, "Two Handed Sword", 617, {1, 0, 0, 0, 0}, 1, 1, 10, 0, 0.0f, 1200},
    {6128, "Two Bladed Sword", 618, {1, 0, 0, 0, 1}, 1, 1, 11, 0, 0.0f, 6000},
    {6129, "Two Bladed Sword Ameliorated", 619, {1, 0, 0, 0, 1}, 1, 1, 12, 0, 3.2f, 28000},
    {6200, "Maul", 630, {0, 1, 0, 0, 0}, 1, 1, 3, 0, 0.0f, 300},
    {6201, "Morningstar", 631, {0, 1, 0, 0, 0}, 1, 1, 5, 1, 0.0f, 600},
    {6202, "Mace", 632, {0, 1, 0, 0, 0}, 1, 1, 8, 0, 0.0f, 3000},
    {6203, "War Mace", 633, {0, 1, 0, 0, 0}, 1, 1, 8, 0, 0.0f, 3000},
    {6316, "Hand Axe", 650, {0, 0, 0, 1, 0}, 2, 1, 2, 0, 0.0f, 180},
    {6317, "Axe", 651, {0, 0, 0, 1, 0}, 1, 1, 3, 0, 0.0f, 380},
    {6318, "Battle Axe", 652, {0, 0, 0, 1, 0}, 1, 1, 8, 0, 0.0f, 4000},
    {6319, "Iron Rubioux Battle Axe", 655, {0, 0, 0, 1, 0}, 1, 1, 12, 0, 2.8f, 32000},
    {6320, "Iron Ordered Battle Axe", 654, {0, 0, 0, 1, 0}, 1, 1, 14, 0, 4.0f, 60000},
    {7000, "Bag", 3000, {0, 0, 0, 0, 0}, 0, 0, 0, 0, 0.0f, 30},
    {7100, nullptr, 682, {0, 0, 0, 0, 0}, 0, 0, 200, 0, 0.0f, 50},
};

// An armour set: fourteen pieces sharing picture, factor and worth.
struct ArmourSet {
    int firstCode;
    const char* word;
    uint16_t imageSlot;
    float factor;
    uint16_t worth;
    bool helmet;  // the heavy sets call their piece 1 a Helmet, not a Hat
};

constexpr ArmourSet kArmourSets[] = {
    {8100, "Robe", 730, 0.1f, 30, false},
    {8130, "Leather", 740, 0.2f, 70, false},
    {8170, "Studded Leather", 741, 0.3f, 120, false},
    {8200, "Chain", 742, 0.4f, 160, false},
    {8220, "Scale", 743, 0.5f, 210, false},
    {8250, "Plate", 744, 0.6f, 280, true},
    {8280, "Full Plate", 745, 0.7f, 350, true},
    {8320, "Magic", 746, 0.9f, 600, true},  // 0.9, a step above the rest
};

constexpr int kPiecesPerSet = 14;
constexpr int kArmourSetCount = sizeof(kArmourSets) / sizeof(kArmourSets[0]);

constexpr const char* kPieceWords[kPiecesPerSet] = {
    "Suit", "Hat", "Cape", "Georget", "Scaling", "Torso", "Greeves",
    "Bracers", "Ring", "Gloves", "Shield", "Sleeves", "Circlet", "Boots"};

bool InTable(int code) { return code >= 0 && code < ItemTableSize; }

// The armour names, built once: set word, a space, piece word.
const std::array<std::string, kArmourSetCount * kPiecesPerSet>& ArmourNames() {
    static const auto names = [] {
        std::array<std::string, kArmourSetCount * kPiecesPerSet> out;
        for (int s = 0; s < kArmourSetCount; ++s)
            for (int p = 0; p < kPiecesPerSet; ++p) {
                const char* piece = (p == 1 && kArmourSets[s].helmet) ? "Helmet" : kPieceWords[p];
                out[s * kPiecesPerSet + p] = std::string(kArmourSets[s].word) + " " + piece;
            }
        return out;
    }();
    return names;
}

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

const char* ItemName(int code) {
    for (const SingleItem& s : kSingleItems)
        if (s.code == code) return s.name;
    for (int s = 0; s < kArmourSetCount; ++s) {
        const int piece = code - kArmourSets[s].firstCode;
        if (piece >= 0 && piece < kPiecesPerSet) return ArmourNames()[s * kPiecesPerSet + piece].c_str();
    }
    return nullptr;
}

}  // namespace delver
