// The two save slots. A slot is four raw files in the game folder's map
// folder: the world grid (".\map\SAVEGAME<n>.mainmap", 11,796,480 bytes),
// the marker grid (".flagmap", same size), the unit table (".unit",
// 2,112,000 bytes) and eight little-endian 32-bit game variables
// (".variables", 32 bytes). Both routines report their progress part by
// part, so that the game can show its progress screens; they draw nothing
// themselves.
//
// A save never harms the slot it replaces, even when the game is killed or
// the power fails half way: the slot is always wholly the old game or
// wholly the new one. Each file is written in full to a new temporary file
// beside it and flushed; then a small commit record
// (".\map\SAVEGAME<n>.commit") names the four files with their sizes and
// checksums and is flushed too, with the folder. From then on the new game
// is the slot's: the slot's files are renamed aside, the new ones renamed
// into place, the folder flushed, and finally the record and the old files
// go. Recovery, at start-up and before every save and load, finishes a save
// whose record is whole and whose new files match it, and otherwise removes
// what an unfinished save left. It never moves a file of the wrong size or
// checksum over another, and never deletes the last whole copy of a game.
// A lock file (".\map\SAVEGAME<n>.lock") keeps two copies of the game from
// working on one slot at once.
//
// A save that cannot be completed puts the old slot back, reports every
// part it reached, then reports the failure (when it reported any part) and
// says why on stderr; when even putting it back fails, it says the slot
// needs repair, which the next recovery makes by finishing the save. A load
// reads only what it can vouch for: the slot's last whole game, as the
// commit record or the slot files show it, read where it lies without
// changing the disk when recovery cannot finish; it creates, truncates and
// follows no file. A short slot file fills only the leading part of its
// memory, a missing one changes nothing (and is named on stderr), and
// damaged values are not taken.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "world/world_state.h"

namespace delver {

// One step of a save or a load, as it is reported. Each file is moved in
// parts: the two grids in twelve passes of a million bytes (the last one
// the rest), the unit and variables files whole. Every part is reported
// before it is moved and again after; a save that fails after reporting
// any part reports the failure last.
struct SlotProgress {
    enum class Step { BeforePart, AfterPart, SaveFailed };
    Step step = Step::BeforePart;
    bool saving = true;        // a save, else a load
    int file = 0;              // the SlotFile being moved; -1 with SaveFailed
    int percent = -1;          // a grid pass's progress number (ProgressPercent); -1 for a whole file
    bool needsRepair = false;  // with SaveFailed: the old slot could not be put back
};
using SlotProgressReport = std::function<void(const SlotProgress&)>;

// Everything a slot holds, and who hears of its progress (nobody when empty).
struct SaveTarget {
    WorldGrids& grids;
    UnitTable& units;
    ShellState& shell;
    CameraState& camera;
    SlotProgressReport progress;
};

// How a save, a load or a slot handed in ended.
struct SlotResult {
    enum class Outcome {
        Done,         // saved, loaded, taken in
        Kept,         // failed, and the slot (for a load: the game) is as it was
        NeedsRepair,  // the slot is between two games; recovery finishes the newer
        Empty,        // a load found none of the slot's files
    };
    Outcome outcome = Outcome::Done;
    std::string why;  // a failure's reason, in a few words
    explicit operator bool() const { return outcome == Outcome::Done; }
};

// Writes the whole state into slot (1 or 2 from the frame loop).
SlotResult SaveGame(SaveTarget& t, int slot);
// Reads slot back into the same memory, in place, and notes that every
// grid cell may have changed (NoteGridsReplaced). A load that is refused
// changes nothing.
SlotResult LoadGame(SaveTarget& t, int slot);
// Makes the four files named (in slot-file order) the slot's, through the
// same commit as a save, once they are checked to be exactly the four
// files of a slot: regular files of the fixed sizes.
SlotResult ImportSlotFiles(int slot, const std::vector<std::string>& files);

// --- names and byte layouts ------------------------------------------------

// The four files of a slot, in the order they are written and read.
enum SlotFile : int { SlotMainmap = 0, SlotFlagmap = 1, SlotUnit = 2, SlotVariables = 3, SlotFileCount = 4 };
// Every slot file has one size; a file of another size is not a whole one.
int64_t SlotFileSize(int file);

// ".\map\SAVEGAME<slot>.<mainmap|flagmap|unit|variables>".
std::string SaveSlotPath(int slot, int file);
// The slot file's name without its folder ("SAVEGAME1.unit").
std::string SaveSlotFileName(int slot, int file);
// The temporary file a save writes before it replaces the slot's file:
// the slot file's name followed by ".tmp".
std::string SaveSlotTempPath(int slot, int file);
// Where a save keeps the slot's old file while the new ones move in: the
// slot file's name followed by ".old".
std::string SaveSlotAsidePath(int slot, int file);
// ".\map\SAVEGAME<slot>.commit" and ".\map\SAVEGAME<slot>.lock".
std::string SaveSlotCommitPath(int slot);
std::string SaveSlotLockPath(int slot);

// Finishes or clears what an interrupted save left in either slot, saying
// on stderr what it did (start-up calls it). A slot another copy of the
// game is saving is left alone.
void RecoverSaveSlots();

// --- the commit record -----------------------------------------------------

// What a commit record promises about the four temporary files.
struct CommitRecord {
    int64_t size[SlotFileCount] = {};
    uint32_t crc[SlotFileCount] = {};
};
// The record as text: a title line, one line per file ("<temporary name>
// <slot file name> <size> <crc-32 in hex>") and a line with the checksum of
// all the lines before it, so that a torn record is recognised.
std::string FormatCommitRecord(int slot, const CommitRecord& record);
// True when text is exactly a whole record for this slot, promising the
// files' fixed sizes.
bool ParseCommitRecord(int slot, const std::string& text, CommitRecord& record);
// CRC-32 (the polynomial of zip and PNG) of bytes, continuing from crc
// (0 to start).
uint32_t Crc32(uint32_t crc, const uint8_t* bytes, size_t count);

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
