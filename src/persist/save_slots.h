// The two save slots. A slot is four raw files in the game folder's map
// folder: the world grid (".\map\SAVEGAME<n>.mainmap", 11,796,480 bytes),
// the marker grid (".flagmap", same size), the unit table (".unit",
// 2,112,000 bytes) and eight little-endian 32-bit game variables
// (".variables", 32 bytes). Both routines show a progress screen while they
// work and take about 8.8 seconds.
//
// A save never harms the slot it replaces: each file is written in full to
// a temporary file beside it, and only when all four are complete do they
// replace the slot's files. A load reads the files in place: a short file
// fills only the leading part of its memory, a missing one is created empty
// and changes nothing, and damaged values are not taken.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "gfx2d/frame.h"
#include "platform/platform.h"
#include "world/world_state.h"

namespace delver {

// Everything a slot holds or a progress screen needs.
struct SaveTarget {
    WorldGrids& grids;
    UnitTable& units;
    ShellState& shell;
    CameraState& camera;
    FrameState& frame;
    Platform& platform;
};

// Writes the whole state into slot (1 or 2 from the frame loop).
void SaveGame(SaveTarget& t, int slot);
// Reads slot back into the same memory, in place, and notes that every
// grid cell may have changed (NoteGridsReplaced).
void LoadGame(SaveTarget& t, int slot);

// --- names and byte layouts ------------------------------------------------

// The four files of a slot, in the order they are written and read.
enum SlotFile : int { SlotMainmap = 0, SlotFlagmap = 1, SlotUnit = 2, SlotVariables = 3, SlotFileCount = 4 };

// ".\map\SAVEGAME<slot>.<mainmap|flagmap|unit|variables>".
std::string SaveSlotPath(int slot, int file);
// The temporary file a save writes before it replaces the slot's file:
// the slot file's name followed by ".tmp".
std::string SaveSlotTempPath(int slot, int file);

inline constexpr int VariableCount = 8;
inline constexpr int VariablesFileSize = VariableCount * 4;

// The variables file: FrameCounter, CycleStep, ViewDistance, PlayerCell X,
// Y, Z, ObjectiveTotal, ObjectivesFound, each a little-endian int32.
std::array<uint8_t, VariablesFileSize> PackVariables(const ShellState& shell, const CameraState& camera);
// Takes the values that count bytes fully cover, in file order. A CycleStep
// outside 1..36 or a ViewDistance outside 1..30 keeps the current value.
void ApplyVariables(const uint8_t* bytes, size_t count, ShellState& shell, CameraState& camera);

// After the unit file was read with bytesRead bytes from its start: every
// component of the player's CellPosition and PreviousCellPosition that the
// read reached, even in part, and that is not finite or lies outside
// [-1, 2] becomes 0.5.
void RepairLoadedPlayer(UnitTable& units, size_t bytesRead);

// The progress number of a grid pass starting at byte pos of total:
// pos / total * 100 truncated (0, 8, 16, ... 93 for the grids).
int ProgressPercent(int64_t pos, int64_t total);

}  // namespace delver
