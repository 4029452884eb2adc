#include "world/seen_cells.h"

namespace delver {

void SeenCells::MarkAround(int x, int y, int z, int radius) {
    if (bits.empty()) Clear();
    for (int layer = z - 1; layer <= z + 1; ++layer)
        for (int row = y - radius; row <= y + radius; ++row)
            for (int column = x - radius; column <= x + radius; ++column) {
                if (!CellInGrid(column, row, layer)) continue;
                const int i = CellIndex(column, row, layer);
                bits[static_cast<size_t>(i >> 3)] |= static_cast<uint8_t>(1u << (i & 7));
            }
}

}  // namespace delver
