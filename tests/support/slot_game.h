// The game memory a save slot holds, for the persist tests: the grids, the
// units, the shell and the camera, allocated, with a simple game to fill
// them and the four files' bytes a save of them writes.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "persist/save_slots.h"

namespace delver::testing {

// The four files of a slot, in slot-file order.
using SlotBytes = std::array<std::vector<uint8_t>, SlotFileCount>;

struct SlotGame {
    SlotGame() {
        grids.Allocate();
        units.Allocate();
    }

    // A game that differs from every other seed's in all four files.
    void FillState(uint8_t seed) {
        for (int i = 0; i < GridCells; ++i) {
            grids.WorldGrid[i] = static_cast<uint8_t>(i * 3 + seed);
            grids.MarkerGrid[i] = static_cast<uint8_t>(i % 7 == 0 ? ObjectiveMarker : seed);
        }
        units.Player().StepCounter = 100 * seed;
        shell.FrameCounter = 1000 + seed;
        shell.PlayerCell[0] = seed;
    }

    // The four files a save of the game in memory writes.
    SlotBytes Files() const {
        auto* u = reinterpret_cast<const uint8_t*>(units.Units.get());
        auto vars = PackVariables(shell, camera);
        return {std::vector<uint8_t>(grids.WorldGrid.get(), grids.WorldGrid.get() + GridCells),
                std::vector<uint8_t>(grids.MarkerGrid.get(), grids.MarkerGrid.get() + GridCells),
                std::vector<uint8_t>(u, u + static_cast<size_t>(UnitCount) * sizeof(UnitRecord)),
                std::vector<uint8_t>(vars.begin(), vars.end())};
    }

    WorldGrids grids;
    UnitTable units;
    ShellState shell;
    CameraState camera;
};

}  // namespace delver::testing
