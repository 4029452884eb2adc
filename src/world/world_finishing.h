// World finishing: turns the generator's work layers and the overworld plan
// in layer 0 into the playable world (rock body, air, surface, the nine
// levels carved at twice their size, shafts), places the player's layer and
// scatters the objectives. CollectObjective takes an objective when the
// player stands in its cell.
#pragma once

#include "world/dungeon_generator.h"
#include "world/random.h"
#include "world/world_state.h"

namespace delver {

// The layers the game's levels are generated on and carved into.
inline constexpr int FirstLevelLayer = 140;  // level g is generated on layer 139 + g
inline constexpr int PlayableLevelCount = 9;
inline constexpr int LevelSquareLow = 112;  // the generated square: columns and rows 112..144
inline constexpr int LevelSquareHigh = 144;
// The generator's arguments for those levels: the square's centre column and
// row, its side, and how many rooms each level tries to grow.
inline constexpr int LevelSquareCentre = (LevelSquareLow + LevelSquareHigh) / 2;
inline constexpr int LevelSquareSize = LevelSquareHigh - LevelSquareLow;
inline constexpr int LevelRoomAttempts = 400;
inline constexpr int PlayerStartLayer = 39;  // first open layer of level 4
inline constexpr int MaxObjectives = 20;
// The rock body under the open air, where the levels and shafts are carved.
inline constexpr int RockBodyFirstLayer = 31;
inline constexpr int RockBodyLastLayer = 138;

// First of the two open layers of level g (1..9); the slab is this + 2.
constexpr int LevelOpenLayer(int g) { return 3 * g + 27; }
// Playable column (or row) of the left (or top) cell of the 2 x 2 block a
// level cell at column (or row) v becomes.
constexpr int CarvedColumn(int v) { return 2 * (v - 110); }

// Generates the nine levels on layers 140..148 with the arguments above
// (GenerateDungeon at 128, 128, side 32, 400 attempts), drawing from r.
void GeneratePlayableLevels(WorldGrids& g, GeneratorWorkspace& w, RandomSource& r);

// Builds the playable world from the generated levels (layers 140..148) and
// layer 0, in a fixed order of random draws: rock, air, surface, levels,
// FrameCounter = 0 and PlayerCell Z = 39 (X and Y keep their values),
// shafts, MouseLook = 0, then PlaceObjectives. Notes the grids as replaced.
void FinishWorld(WorldGrids& g, ShellState& shell, RandomSource& r);

// Draws ObjectiveTotal (0..20) and marks that many Empty cells of layers 0
// and 25 with ObjectiveMarker; ObjectivesFound = 0. A cell already marked
// is never counted twice. If the give-up factor's tries run out first,
// ObjectiveTotal becomes the number actually placed.
void PlaceObjectives(WorldGrids& g, ShellState& shell, RandomSource& r);

// True when (c, r, l) is a shaft cell: an Empty cell of the rock body whose
// cells directly above and below are Empty too, so the way goes on through
// it to another layer (a shaft, or the opening of a level's stairs). Cells
// on or outside the grid's outer shell are never shaft cells.
bool IsShaftCell(const uint8_t* world, int c, int r, int l);

// Takes the objective at PlayerCell, if any: clears its marker, notes the
// cell as changed and counts it in ObjectivesFound. A cell outside the grid
// holds nothing.
void CollectObjective(WorldGrids& g, ShellState& shell);

}  // namespace delver
