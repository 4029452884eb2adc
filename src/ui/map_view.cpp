#include "ui/map_view.h"

#include <cmath>

namespace delver {

namespace {

struct Colour {
    int r, g, b;
};

bool OpenAt(const WorldGrids& g, int x, int y, int z) {
    if (!CellInGrid(x, y, z)) return false;
    const uint8_t code = g.WorldGrid[CellIndex(x, y, z)];
    return code == Empty || code == DiagonalPane;
}

void Fill(FrameState& frame, int x, int y, int w, int h, Colour c) {
    for (int j = y; j < y + h; ++j)
        for (int i = x; i < x + w; ++i) PutPixel(frame, i, j, c.r, c.g, c.b);
}

}  // namespace

void DrawMap(FrameState& frame, const WorldGrids& grids, const SeenCells& seen, const ShellState& shell, MapMode mode,
             int layer, float yaw) {
    if (mode == MapMode::Off || !grids.WorldGrid) return;
    const bool full = mode == MapMode::Full;
    // The map's box on the picture, in framebuffer pixels (origin bottom-left).
    const int boxW = full ? frame.Width : 80, boxH = full ? frame.Height : 80;
    const int boxX = full ? 0 : frame.Width - boxW - 4, boxY = full ? 0 : frame.Height - boxH - 4;
    constexpr int Cell = 2;
    const int cols = boxW / Cell, rows = boxH / Cell;
    const int px = shell.PlayerCell[0], py = shell.PlayerCell[1];
    Fill(frame, boxX, boxY, boxW, boxH, {0, 0, 0});
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c) {
            // Columns grow to the right; rows grow up the picture (north up).
            const int x = px - cols / 2 + c, y = py - rows / 2 + r;
            if (!seen.Seen(x, y, layer)) continue;
            const int sx = boxX + c * Cell, sy = boxY + r * Cell;
            const bool open = OpenAt(grids, x, y, layer);
            Fill(frame, sx, sy, Cell, Cell, open ? Colour{50, 50, 60} : Colour{150, 85, 50});
            if (!open) continue;
            if (grids.MarkerGrid && grids.MarkerGrid[CellIndex(x, y, layer)] == ObjectiveMarker) {
                Fill(frame, sx, sy, Cell, Cell, {255, 255, 0});
                continue;
            }
            const bool up = layer > 0 && OpenAt(grids, x, y, layer - 1);
            const bool down = OpenAt(grids, x, y, layer + 1);
            const Colour dot = up && down ? Colour{255, 255, 255} : up ? Colour{0, 255, 255} : Colour{0, 200, 0};
            if (up || down) PutPixel(frame, sx, sy, dot.r, dot.g, dot.b);
        }
    // The player, on its own layer, with its heading: walking level at Yaw
    // 0 goes toward lower rows (down the map), and the column grows with
    // the sine of Yaw.
    if (layer == shell.PlayerCell[2]) {
        const int cx = boxX + (cols / 2) * Cell, cy = boxY + (rows / 2) * Cell;
        const double a = static_cast<double>(yaw) * 3.14159265358979323846 / 180.0;
        const int hx = cx + static_cast<int>(std::lround(std::sin(a) * 6.0));
        const int hy = cy + static_cast<int>(std::lround(-std::cos(a) * 6.0));
        DrawLine(frame, cx, cy, hx, hy, 255, 60, 60);
        Fill(frame, cx - 1, cy - 1, 3, 3, {255, 40, 40});
    }
    // A frame around the corner map; the full map names its layer.
    const Colour edge{200, 200, 200};
    DrawLine(frame, boxX, boxY, boxX + boxW - 1, boxY, edge.r, edge.g, edge.b);
    DrawLine(frame, boxX, boxY + boxH - 1, boxX + boxW - 1, boxY + boxH - 1, edge.r, edge.g, edge.b);
    DrawLine(frame, boxX, boxY, boxX, boxY + boxH - 1, edge.r, edge.g, edge.b);
    DrawLine(frame, boxX + boxW - 1, boxY, boxX + boxW - 1, boxY + boxH - 1, edge.r, edge.g, edge.b);
    if (full) {
        FormatText(frame, "MAP  LAYER %d  (LAYER KEYS TURN IT, F9 CLOSES)", layer);
        DrawTextSmall(frame, 6, frame.Height - 10, 255, 255, 0);
    }
}

}  // namespace delver
