// What the player has seen of the world: one bit per grid cell, for the
// map. Cells around the player are marked every frame; the set is kept
// beside a save slot in a file of its own, so a loaded game remembers it.
#pragma once

#include <cstdint>
#include <vector>

#include "world/world_state.h"

namespace delver {

struct SeenCells {
    // GridCells bits, cell i at byte i / 8, bit i % 8; empty until first use.
    std::vector<uint8_t> bits;

    bool Seen(int x, int y, int z) const {
        if (bits.empty() || !CellInGrid(x, y, z)) return false;
        const int i = CellIndex(x, y, z);
        return (bits[static_cast<size_t>(i >> 3)] >> (i & 7)) & 1;
    }
    // Marks the cells within radius of (x, y) on layer z and the layers
    // beside it (a shaft's far end shows from its near one).
    void MarkAround(int x, int y, int z, int radius);
    void Clear() { bits.assign(static_cast<size_t>(GridCells / 8), 0); }
};

}  // namespace delver
