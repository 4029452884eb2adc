#include "app/world_build.h"

#include "persist/overworld.h"
#include "world/world_finishing.h"

namespace delver {

uint32_t BuildWorld(WorldGrids& grids, GeneratorWorkspace& generator, RandomSource& r, ShellState& shell, Clock& clock,
                    std::optional<uint32_t> seed) {
    LoadOverworld(grids, clock, 1);
    const uint32_t used = seed ? *seed : static_cast<uint32_t>(clock.CalendarSeconds());
    SeedRandom(r, used);
    ReleaseGeneratorWorkspace(generator);
    AllocateGeneratorWorkspace(generator, false);
    GeneratePlayableLevels(grids, generator, r);
    FinishWorld(grids, shell, r);
    return used;
}

}  // namespace delver
