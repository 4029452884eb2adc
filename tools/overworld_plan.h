// The default overworld plan: the surface the game raises over the dungeon.
// One byte per cell of a 256 x 256 layer, row 0 first, in the game's
// surface classes: 10 bare dirt, 11..18 grass, 19 and up raised rock, 0 an
// open clearing with no surface block.
#pragma once

#include <cstdint>
#include <vector>

namespace delver {

// Surface classes of the plan.
inline constexpr uint8_t PlanClearing = 0;
inline constexpr uint8_t PlanDirt = 10;
inline constexpr uint8_t PlanGrassFirst = 11;
inline constexpr uint8_t PlanGrassLast = 18;
inline constexpr uint8_t PlanRockFirst = 19;

// The plan: 65,536 bytes, cell (x, y) at y * 256 + x. Rolling grass
// plains with dirt paths and patches, rocky hills that grow higher away
// from the dungeon's corner of the map, and a few open clearings. The same
// bytes every time.
std::vector<uint8_t> MakeOverworldPlan();

}  // namespace delver
