// Faults found by the sanitizers and fuzzers in world code, kept fixed.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

#include "world/world_finishing.h"

namespace delver {
namespace {

// A doctored save can set ObjectivesFound to the largest 32-bit value;
// taking one more objective then overflowed a signed integer.
TEST(WorldRegression, TakingAnObjectiveAtTheLargestCountWrapsLikeTheSavedInteger) {
    auto g = std::make_unique<WorldGrids>();
    g->Allocate();
    ShellState shell;
    shell.PlayerCell[0] = 40;
    shell.PlayerCell[1] = 41;
    shell.PlayerCell[2] = 42;
    g->MarkerGrid[CellIndex(40, 41, 42)] = ObjectiveMarker;
    shell.ObjectivesFound = INT32_MAX;

    CollectObjective(*g, shell);
    EXPECT_EQ(shell.ObjectivesFound, INT32_MIN);
    EXPECT_EQ(g->MarkerGrid[CellIndex(40, 41, 42)], 0);

    // Negative counts from a save go on counting up.
    g->MarkerGrid[CellIndex(40, 41, 42)] = ObjectiveMarker;
    shell.ObjectivesFound = -1;
    CollectObjective(*g, shell);
    EXPECT_EQ(shell.ObjectivesFound, 0);
}

}  // namespace
}  // namespace delver
