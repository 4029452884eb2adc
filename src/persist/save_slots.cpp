#include "persist/save_slots.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "platform/files.h"

namespace delver {

namespace {

constexpr int64_t GridBytes = GridCells;
constexpr int64_t GridPassBytes = 1000000;
constexpr size_t UnitBytes = static_cast<size_t>(UnitCount) * sizeof(UnitRecord);
constexpr unsigned PassPauseMs = 100;
constexpr unsigned BlockPauseMs = 1000;
constexpr int CaptionX = 20, CaptionY = 100, ProgressY = 89;

constexpr const char* FileExtensions[SlotFileCount] = {"mainmap", "flagmap", "unit", "variables"};
constexpr const char* SaveCaptions[SlotFileCount] = {"Saving dungeon maps", "Saving flagmap maps", "Saving units",
                                                     "Saving variables"};
constexpr const char* LoadCaptions[SlotFileCount] = {"Loading dungeon maps", "Loading flagmap maps", "Loading units",
                                                     "Loading variables"};

void ShowCaption(SaveTarget& t, const char* caption) {
    FormatText(t.frame, "%s", caption);
    DrawTextLarge(t.frame, CaptionX, CaptionY, 255, 255, 0);
}

// The grid screens: twelve passes of a million bytes (the last one the
// rest), each shown with its progress number and framed by two 100 ms
// pauses. transfer(pos, n) moves bytes pos .. pos + n - 1.
template <class Transfer>
void GridPasses(SaveTarget& t, const char* caption, Transfer transfer) {
    for (int64_t pos = 0; pos < GridBytes; pos += GridPassBytes) {
        ClearFrame(t.frame);
        ShowCaption(t, caption);
        FormatText(t.frame, "%d/100.", ProgressPercent(pos, GridBytes));
        DrawTextLarge(t.frame, CaptionX, ProgressY, 255, 255, 0);
        PresentFrame(t.frame, t.platform, t.shell.PixelZoom);
        t.platform.Sleep(PassPauseMs);
        int64_t n = pos + GridPassBytes < GridBytes ? GridPassBytes : GridBytes - pos;
        transfer(pos, n);
        t.platform.Sleep(PassPauseMs);
    }
}

// The unit and variables screens: one caption, one second before and one
// after the transfer.
template <class Transfer>
void BlockScreen(SaveTarget& t, const char* caption, Transfer transfer) {
    ClearFrame(t.frame);
    ShowCaption(t, caption);
    PresentFrame(t.frame, t.platform, t.shell.PixelZoom);
    t.platform.Sleep(BlockPauseMs);
    transfer();
    t.platform.Sleep(BlockPauseMs);
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

// Writes one file of the slot to out; false when any write fell short.
bool WriteSlotFile(SaveTarget& t, int file, GameFile& out) {
    bool ok = true;
    auto put = [&](const uint8_t* bytes, size_t n) {
        if (ok && out.Write(bytes, n) != n) ok = false;
    };
    switch (file) {
    case SlotMainmap:
    case SlotFlagmap: {
        const uint8_t* grid = GridOf(t, file);
        GridPasses(t, SaveCaptions[file], [&](int64_t pos, int64_t n) { put(grid + pos, static_cast<size_t>(n)); });
        break;
    }
    case SlotUnit:
        BlockScreen(t, SaveCaptions[file], [&] { put(UnitBytesOf(t), UnitBytes); });
        break;
    case SlotVariables: {
        auto bytes = PackVariables(t.shell, t.camera);
        BlockScreen(t, SaveCaptions[file], [&] {
            for (int i = 0; i < VariableCount; ++i) put(bytes.data() + i * 4, 4);
        });
        break;
    }
    default:
        ok = false;
    }
    return ok;
}

// Reads one file of the slot in place; what the file lacks stays as it is.
void ReadSlotFile(SaveTarget& t, int file, GameFile& in) {
    switch (file) {
    case SlotMainmap:
    case SlotFlagmap: {
        uint8_t* grid = GridOf(t, file);
        GridPasses(t, LoadCaptions[file],
                   [&](int64_t pos, int64_t n) { in.Read(grid + pos, static_cast<size_t>(n)); });
        break;
    }
    case SlotUnit:
        BlockScreen(t, LoadCaptions[file], [&] {
            // A short file fills the leading records only; the player's
            // position is checked where the file reached it.
            size_t got = in.Read(UnitBytesOf(t), UnitBytes);
            RepairLoadedPlayer(t.units, got);
        });
        break;
    case SlotVariables:
        BlockScreen(t, LoadCaptions[file], [&] {
            // Read into a scratch copy and take only the values the file
            // holds in full.
            uint8_t bytes[VariablesFileSize] = {};
            size_t got = 0;
            for (int i = 0; i < VariableCount; ++i) got += in.Read(bytes + i * 4, 4);
            ApplyVariables(bytes, got, t.shell, t.camera);
        });
        break;
    default:
        break;
    }
}

}  // namespace

std::string SaveSlotPath(int slot, int file) {
    if (file < 0 || file >= SlotFileCount) return {};
    char name[64];
    std::snprintf(name, sizeof name, ".\\map\\SAVEGAME%d.%s", slot, FileExtensions[file]);
    return name;
}

std::string SaveSlotTempPath(int slot, int file) {
    std::string path = SaveSlotPath(slot, file);
    return path.empty() ? path : path + ".tmp";
}

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
        case 1: if (v >= 1 && v <= 36) camera.CycleStep = v; break;
        case 2: if (v >= 1 && v <= 30) shell.ViewDistance = v; break;
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

void SaveGame(SaveTarget& t, int slot) {
    bool opened[SlotFileCount] = {};
    bool complete = true;
    for (int file = 0; file < SlotFileCount; ++file) {
        // A file that cannot be made (no map folder, say) is skipped without
        // a screen, as the slot's other files still are tried; the slot is
        // then left as it was.
        GameFile out = GameFile::CreateTruncated(SaveSlotTempPath(slot, file));
        if (!out.IsOpen()) {
            complete = false;
            continue;
        }
        opened[file] = true;
        bool ok = WriteSlotFile(t, file, out);
        out.Sync();
        if (!out.Close()) ok = false;
        if (!ok) complete = false;
    }

    bool replaced[SlotFileCount] = {};
    if (complete)
        for (int file = 0; file < SlotFileCount; ++file) {
            replaced[file] = ReplaceGameFile(SaveSlotTempPath(slot, file), SaveSlotPath(slot, file));
            if (!replaced[file]) break;
        }
    for (int file = 0; file < SlotFileCount; ++file)
        if (opened[file] && !replaced[file]) RemoveGameFile(SaveSlotTempPath(slot, file));
}

void LoadGame(SaveTarget& t, int slot) {
    for (int file = 0; file < SlotFileCount; ++file) {
        GameFile in = GameFile::OpenAlways(SaveSlotPath(slot, file));
        if (!in.IsOpen()) continue;
        ReadSlotFile(t, file, in);
    }
    // Any cell of either grid may differ now.
    NoteGridsReplaced(t.grids);
}

}  // namespace delver
