// The player's movement: walking along the line of sight, the fixed-margin
// collision pushes that keep the eye off solid cells, the eye bob of the
// level layers, the carry into neighbouring cells, and mouse look.
//
// In-cell coordinates: u = 1 - x (toward higher columns), v = y (toward
// higher rows), w = 1 - z (toward higher layers, i.e. down), where (x, y, z)
// is the player's CellPosition. Angles are float degrees; sines and cosines
// are taken in double from the float angle and rounded back to float; all
// other arithmetic is float, so positions agree bit for bit everywhere.
#pragma once

#include <cstdint>

#include "view3d/scene.h"
#include "world/world_state.h"

namespace delver {

// The WorldGrid code of the cell at offset (floor u, floor v, floor w) from
// PlayerCell; 0 (open) for any cell outside the grid, however far.
uint8_t CellCodeAt(const WorldGrids& g, const ShellState& s, float u, float v, float w);

// True for a code that blocks the eye: anything but Empty and DiagonalPane.
constexpr bool IsSolidCode(uint8_t code) { return code != Empty && code != DiagonalPane; }

// The pushes that hold the eye 0.3 cells off solid faces, the eye bob of
// layers 39, 42, ... 177, and the corner pushes. (u, v, w) are the eye's
// in-cell coordinates after walking; the pushes change CellPosition.
void ResolveCollisions(WorldView& view, float u, float v, float w);

// One frame of movement: remember the position, walk forward (AutoWalk) and
// back (Z key held), resolve collisions, and carry the position into the
// next cell where it left its own. PlayerCell is never clamped.
void MovePlayer(WorldView& v);

// While MouseLook is 1 the cursor sets the view: Yaw = 20 - 2 * MouseX,
// Pitch = -MouseY (framebuffer pixels, origin bottom-left).
void ApplyMouseLook(WorldView& v);

// sin and cos of a float angle in degrees, taken in double and rounded to
// float: the game's one way to turn an angle into a direction.
float SinDegrees(float degrees);
float CosDegrees(float degrees);

}  // namespace delver
