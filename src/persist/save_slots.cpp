#include "persist/save_slots.h"

#include <cmath>
#include <cstdio>

#include "persist/slot_commit.h"
#include "platform/file_faults.h"
#include "platform/files.h"

namespace delver {

namespace {

constexpr int64_t GridBytes = GridCells;
constexpr int64_t GridPassBytes = 1000000;
constexpr size_t UnitBytes = static_cast<size_t>(UnitCount) * sizeof(UnitRecord);

constexpr const char* FileExtensions[SlotFileCount] = {"mainmap", "flagmap", "unit", "variables"};
void Report(SaveTarget& t, SlotProgress::Step step, bool saving, int file, int percent) {
    if (t.progress) t.progress(SlotProgress{step, saving, file, percent});
}

// The grid passes: twelve parts of a million bytes (the last one the rest),
// each reported with its progress number before and after it is moved.
// transfer(pos, n) moves bytes pos .. pos + n - 1.
template <class Transfer>
void GridPasses(SaveTarget& t, bool saving, int file, Transfer transfer) {
    for (int64_t pos = 0; pos < GridBytes; pos += GridPassBytes) {
        const int percent = ProgressPercent(pos, GridBytes);
        Report(t, SlotProgress::Step::BeforePart, saving, file, percent);
        int64_t n = pos + GridPassBytes < GridBytes ? GridPassBytes : GridBytes - pos;
        transfer(pos, n);
        Report(t, SlotProgress::Step::AfterPart, saving, file, percent);
    }
}

// The unit and variables files: one part, reported before and after.
template <class Transfer>
void WholeFile(SaveTarget& t, bool saving, int file, Transfer transfer) {
    Report(t, SlotProgress::Step::BeforePart, saving, file, -1);
    transfer();
    Report(t, SlotProgress::Step::AfterPart, saving, file, -1);
}

uint8_t* GridOf(SaveTarget& t, int file) {
    return file == SlotMainmap ? t.grids.WorldGrid.get() : t.grids.MarkerGrid.get();
}

uint8_t* UnitBytesOf(SaveTarget& t) { return reinterpret_cast<uint8_t*>(t.units.Units.get()); }

int32_t DecodeInt32(const uint8_t* p) {
    uint32_t v = static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
                 static_cast<uint32_t>(p[3]) << 24;
    return static_cast<int32_t>(v);
}

void EncodeInt32(uint8_t* p, int32_t value) {
    uint32_t v = static_cast<uint32_t>(value);
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}

// A save's writer: the game's memory, every part reported.
bool WriteSlotFile(SaveTarget& t, int file, GameFile& out, int64_t& size, uint32_t& crc) {
    bool ok = true;
    auto put = [&](const uint8_t* bytes, size_t n) { ok = ok && PutBytes(out, bytes, n, size, crc); };
    switch (file) {
    case SlotMainmap:
    case SlotFlagmap: {
        const uint8_t* grid = GridOf(t, file);
        GridPasses(t, true, file, [&](int64_t pos, int64_t n) { put(grid + pos, static_cast<size_t>(n)); });
        break;
    }
    case SlotUnit: WholeFile(t, true, file, [&] { put(UnitBytesOf(t), UnitBytes); }); break;
    case SlotVariables: {
        auto bytes = PackVariables(t.shell, t.camera);
        WholeFile(t, true, file, [&] {
            for (int i = 0; i < VariableCount; ++i) put(bytes.data() + i * 4, 4);
        });
        break;
    }
    default: ok = false;
    }
    return ok;
}

// Reads one file of the slot in place; what the file lacks stays as it is.
void ReadSlotFile(SaveTarget& t, int file, GameFile& in) {
    switch (file) {
    case SlotMainmap:
    case SlotFlagmap: {
        uint8_t* grid = GridOf(t, file);
        GridPasses(t, false, file, [&](int64_t pos, int64_t n) { in.Read(grid + pos, static_cast<size_t>(n)); });
        break;
    }
    case SlotUnit:
        WholeFile(t, false, file, [&] {
            // A short file fills the leading records only; the player's
            // position is checked where the file reached it.
            size_t got = in.Read(UnitBytesOf(t), UnitBytes);
            RepairLoadedPlayer(t.units, got);
        });
        break;
    case SlotVariables:
        WholeFile(t, false, file, [&] {
            // Read into a scratch copy and take only the values the file
            // holds in full.
            uint8_t bytes[VariablesFileSize] = {};
            size_t got = 0;
            for (int i = 0; i < VariableCount; ++i) got += in.Read(bytes + i * 4, 4);
            ApplyVariables(bytes, got, t.shell, t.camera);
        });
        break;
    default: break;
    }
}

}  // namespace

int64_t SlotFileSize(int file) {
    constexpr int64_t sizes[SlotFileCount] = {GridBytes, GridBytes, static_cast<int64_t>(UnitBytes), VariablesFileSize};
    return file >= 0 && file < SlotFileCount ? sizes[file] : -1;
}

std::string SaveSlotFileName(int slot, int file) {
    if (file < 0 || file >= SlotFileCount) return {};
    char name[64];
    std::snprintf(name, sizeof name, "SAVEGAME%d.%s", slot, FileExtensions[file]);
    return name;
}

std::string SaveSlotPath(int slot, int file) {
    std::string name = SaveSlotFileName(slot, file);
    return name.empty() ? name : ".\\map\\" + name;
}

std::string SaveSlotTempPath(int slot, int file) {
    std::string path = SaveSlotPath(slot, file);
    return path.empty() ? path : path + ".tmp";
}

std::string SaveSlotAsidePath(int slot, int file) {
    std::string path = SaveSlotPath(slot, file);
    return path.empty() ? path : path + ".old";
}

std::string SaveSlotCommitPath(int slot) { return ".\\map\\SAVEGAME" + std::to_string(slot) + ".commit"; }

std::string SaveSlotLockPath(int slot) { return ".\\map\\SAVEGAME" + std::to_string(slot) + ".lock"; }

std::array<uint8_t, VariablesFileSize> PackVariables(const ShellState& shell, const CameraState& camera) {
    const int32_t values[VariableCount] = {shell.FrameCounter,   camera.CycleStep,     shell.ViewDistance,
                                           shell.PlayerCell[0],  shell.PlayerCell[1],  shell.PlayerCell[2],
                                           shell.ObjectiveTotal, shell.ObjectivesFound};
    std::array<uint8_t, VariablesFileSize> bytes{};
    for (int i = 0; i < VariableCount; ++i) EncodeInt32(bytes.data() + i * 4, values[i]);
    return bytes;
}

void ApplyVariables(const uint8_t* bytes, size_t count, ShellState& shell, CameraState& camera) {
    for (int i = 0; i < VariableCount; ++i) {
        if (count < static_cast<size_t>(i + 1) * 4) return;
        int32_t v = DecodeInt32(bytes + i * 4);
        switch (i) {
        case 0: shell.FrameCounter = v; break;
        case 1:
            if (v >= 1 && v <= 36) camera.CycleStep = v;
            break;
        case 2:
            if (v >= 1 && v <= 30) shell.ViewDistance = v;
            break;
        case 3: shell.PlayerCell[0] = v; break;
        case 4: shell.PlayerCell[1] = v; break;
        case 5: shell.PlayerCell[2] = v; break;
        case 6: shell.ObjectiveTotal = v; break;
        case 7: shell.ObjectivesFound = v; break;
        }
    }
}

void RepairLoadedPlayer(UnitTable& units, size_t bytesRead) {
    if (!units.Units) return;
    UnitRecord& player = units.Player();
    const size_t record = static_cast<size_t>(PlayerUnit) * sizeof(UnitRecord);
    auto repair = [&](float& v, size_t offset) {
        if (bytesRead <= record + offset) return;  // the read did not reach it
        if (!std::isfinite(v) || v < -1.0f || v > 2.0f) v = 0.5f;
    };
    for (size_t k = 0; k < 3; ++k) {
        repair(player.CellPosition[k], offsetof(UnitRecord, CellPosition) + k * sizeof(float));
        repair(player.PreviousCellPosition[k], offsetof(UnitRecord, PreviousCellPosition) + k * sizeof(float));
    }
}

int ProgressPercent(int64_t pos, int64_t total) {
    if (total <= 0) return 0;
    return static_cast<int>(static_cast<double>(pos) / static_cast<double>(total) * 100.0);
}

SlotResult SaveGame(SaveTarget& t, int slot) {
    StartFileOpCount();
    bool wrote = false;
    const SlotResult result = CommitSlot(
        slot,
        [&t](int file, GameFile& out, int64_t& size, uint32_t& crc) { return WriteSlotFile(t, file, out, size, crc); },
        wrote);
    if (result) return result;

    // The player must not believe the game is saved.
    const bool repair = result.outcome == SlotResult::Outcome::NeedsRepair;
    if (wrote) {
        SlotProgress failed{SlotProgress::Step::SaveFailed, true, -1, -1, repair};
        if (t.progress) t.progress(failed);
    }
    if (repair)
        std::fprintf(stderr, "delver: saving slot %d failed (%s); the slot needs repair, which the next start makes\n",
                     slot, result.why.c_str());
    else
        std::fprintf(stderr, "delver: saving slot %d failed (%s); the old slot is kept\n", slot, result.why.c_str());
    return result;
}

SlotResult LoadGame(SaveTarget& t, int slot) {
    GameFileLock lock;
    std::string paths[SlotFileCount];
    if (const SlotResult refused = FindSlotToLoad(slot, lock, paths); !refused) return refused;
    GameFile in[SlotFileCount];
    std::string missing;
    int found = 0;
    for (int file = 0; file < SlotFileCount; ++file) {
        if (GamePathKind(paths[file]) != PathKind::Missing) in[file] = GameFile::OpenForReading(paths[file]);
        if (!in[file].IsOpen() || in[file].Size() <= 0)
            missing += (missing.empty() ? "" : ", ") + SaveSlotFileName(slot, file);
        if (in[file].IsOpen()) ++found;
    }
    if (found == 0) {
        std::fprintf(stderr, "delver: slot %d: nothing saved there; the game is unchanged\n", slot);
        return SlotResult{SlotResult::Outcome::Empty, "nothing saved there"};
    }
    for (int file = 0; file < SlotFileCount; ++file)
        if (in[file].IsOpen()) ReadSlotFile(t, file, in[file]);
    lock.Release();
    // Any cell of either grid may differ now.
    NoteGridsReplaced(t.grids);
    if (!missing.empty())
        std::fprintf(stderr, "delver: slot %d: %s missing or empty; that part of the game is unchanged\n", slot,
                     missing.c_str());
    return {};
}

}  // namespace delver
