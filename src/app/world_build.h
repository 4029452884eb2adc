// Building the playable world: the overworld plan, then the levels and the
// finishing, in one fixed order, so that a seed gives the same world in
// play and in the map images.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/platform.h"
#include "world/dungeon_generator.h"
#include "world/random.h"
#include "world/world_state.h"

namespace delver {

// On allocated grids and workspace: reads overworld file 1 into layer 0
// (with its pause on clock), takes the seed (the given one, else the
// calendar seconds read after that pause), seeds r, allocates the
// generator's workspace afresh, generates the nine levels and finishes the
// world. Returns the seed used.
uint32_t BuildWorld(WorldGrids& grids, GeneratorWorkspace& generator, RandomSource& r, ShellState& shell, Clock& clock,
                    std::optional<uint32_t> seed);

}  // namespace delver
