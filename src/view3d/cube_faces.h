// The faces of a cell's cube, shared by both ways of drawing the scene so
// that they show exactly the same quads: which neighbour each face looks
// at, its normal, and its four corners with their texture coordinates.
//
// Model space: x is the column offset, y minus the row offset, z the layer
// offset. Corners are given in units of the half-size: a cell's cube runs
// from -1 to +1 and is drawn at half scale, so it fills one cell.
#pragma once

#include <cstdint>

#include "world/world_state.h"

namespace delver {

// One cube face: the neighbour it looks at, its normal and its four corners
// as (s, t) texture coordinates and signs of the half-size on each axis.
struct CubeFace {
    int dColumn, dRow, dLayer;  // neighbour offset in grid space
    bool paneCountsOpen;        // a DiagonalPane neighbour leaves this face visible
    float normal[3];
    float corners[4][5];  // s, t, x, y, z (x, y, z in units of the half-size)
};

// The six faces in drawing order: layer + 1, layer - 1, row - 1, row + 1,
// column + 1, column - 1.
inline constexpr CubeFace kCubeFaces[6] = {
    {0, 0, +1, true, {0, 0, 1}, {{0, 1, -1, -1, 1}, {1, 1, 1, -1, 1}, {1, 0, 1, 1, 1}, {0, 0, -1, 1, 1}}},
    {0, 0, -1, true, {0, 0, -1}, {{1, 1, -1, -1, -1}, {1, 0, -1, 1, -1}, {0, 0, 1, 1, -1}, {0, 1, 1, -1, -1}}},
    {0, -1, 0, false, {0, 1, 0}, {{0, 1, -1, 1, -1}, {0, 0, -1, 1, 1}, {1, 0, 1, 1, 1}, {1, 1, 1, 1, -1}}},
    {0, +1, 0, false, {0, -1, 0}, {{1, 1, -1, -1, -1}, {0, 1, 1, -1, -1}, {0, 0, 1, -1, 1}, {1, 0, -1, -1, 1}}},
    {+1, 0, 0, false, {1, 0, 0}, {{0, 1, 1, -1, -1}, {1, 1, 1, 1, -1}, {1, 0, 1, 1, 1}, {0, 0, 1, -1, 1}}},
    {-1, 0, 0, false, {-1, 0, 0}, {{0, 1, -1, -1, -1}, {0, 0, -1, -1, 1}, {1, 0, -1, 1, 1}, {1, 1, -1, 1, -1}}},
};

// The vertical pane that crosses a DiagonalPane cell from its low-column,
// low-row edge to its high-column, high-row edge.
inline constexpr CubeFace kPaneFace = {
    0, 0, 0, false, {0, 1, 0}, {{0, 1, -1, 1, -1}, {0, 0, -1, 1, 1}, {1, 0, 1, -1, 1}, {1, 1, 1, -1, -1}}};

// Half-size of the marker cube, inside the cell's half scale.
inline constexpr float kMarkerHalfSize = 0.7f;

// True when face f of a cell is shown, given the code of the neighbour it
// looks at: the neighbour is Empty, or a DiagonalPane above or below.
constexpr bool FaceIsOpen(const CubeFace& f, uint8_t neighbour) {
    return neighbour == Empty || (f.paneCountsOpen && neighbour == DiagonalPane);
}

// True for a cell that may be drawn: strictly inside the grid's outer shell.
constexpr bool InsideShell(int column, int row, int layer) {
    return column > 0 && column < GridWidth - 1 && row > 0 && row < GridWidth - 1 && layer > 0 &&
           layer < LayerCount - 1;
}

}  // namespace delver
