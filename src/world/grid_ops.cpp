// Rectangle tests and fills on one layer. Both stay inside the layer: a
// rectangle that reaches past its edge fails the test and is never filled.
#include "world/grid_ops.h"

#include <cstring>

namespace delver {

int TestRegion(const WorldGrids& g, int x0, int y0, int x1, int y1, int z, int code) {
    if (x0 > x1 || y0 > y1) return 0;
    // Any cell outside the layer fails, and so does any cell on a layer that
    // does not exist; which cell is met first changes nothing in the result.
    if (x0 < 0 || x1 >= GridWidth || y0 < 0 || y1 >= GridWidth) return 1;
    if (z < 0 || z >= LayerCount) return 1;
    if (code < 0 || code > 255) return 1;  // no byte can hold it
    const uint8_t want = static_cast<uint8_t>(code);
    const uint8_t* row = g.WorldGrid.get() + CellIndex(x0, y0, z);
    const int width = x1 - x0 + 1;
    for (int y = y0; y <= y1; ++y, row += GridWidth) {
        for (int i = 0; i < width; ++i) {
            if (row[i] != want) return 1;
        }
    }
    return 0;
}

int FillEmptyRegion(WorldGrids& g, int x0, int y0, int x1, int y1, int z, int code) {
    if (TestRegion(g, x0, y0, x1, y1, z, 0)) return 1;
    if (x0 > x1 || y0 > y1) return 0;
    // The test passed, so the whole rectangle lies inside the layer.
    uint8_t* row = g.WorldGrid.get() + CellIndex(x0, y0, z);
    const size_t width = static_cast<size_t>(x1 - x0 + 1);
    for (int y = y0; y <= y1; ++y, row += GridWidth) {
        std::memset(row, code & 0xFF, width);
    }
    return 0;
}

}  // namespace delver
