#include "persist/save_slots.h"

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/files.h"

namespace delver {

namespace {

constexpr int64_t GridBytes = GridCells;
constexpr int64_t GridPassBytes = 1000000;
constexpr size_t UnitBytes = static_cast<size_t>(UnitCount) * sizeof(UnitRecord);
// How long a save or load waits for another copy of the game that is
// working on the same slot (its save takes about nine seconds).
constexpr unsigned LockWaitMs = 20000;
constexpr const char* MapFolder = ".\\map";
// A commit record is a few hundred bytes; anything far larger is not one.
constexpr size_t MaxRecordBytes = 4096;

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

// The first reason a save (or a recovery) failed, in a few words.
struct SlotFailure {
    std::string why;
    void Note(const std::string& what) {
        if (why.empty()) why = what + ": " + LastFileError();
    }
    bool Failed() const { return !why.empty(); }
};

std::string NameOf(const std::string& gamePath) { return gamePath.substr(gamePath.rfind('\\') + 1); }

// Writes one file of the slot to out, reporting every part, adding
// up its size and checksum; false when any write fell short.
bool WriteSlotFile(SaveTarget& t, int file, GameFile& out, int64_t& size, uint32_t& crc) {
    bool ok = true;
    auto put = [&](const uint8_t* bytes, size_t n) {
        if (!ok) return;
        if (out.Write(bytes, n) != n) {
            ok = false;
            return;
        }
        size += static_cast<int64_t>(n);
        crc = Crc32(crc, bytes, n);
    };
    switch (file) {
    case SlotMainmap:
    case SlotFlagmap: {
        const uint8_t* grid = GridOf(t, file);
        GridPasses(t, true, file, [&](int64_t pos, int64_t n) { put(grid + pos, static_cast<size_t>(n)); });
        break;
    }
    case SlotUnit:
        WholeFile(t, true, file, [&] { put(UnitBytesOf(t), UnitBytes); });
        break;
    case SlotVariables: {
        auto bytes = PackVariables(t.shell, t.camera);
        WholeFile(t, true, file, [&] {
            for (int i = 0; i < VariableCount; ++i) put(bytes.data() + i * 4, 4);
        });
        break;
    }
    default:
        ok = false;
    }
    return ok;
}

// True when the file at gamePath is a regular file of exactly size bytes
// whose checksum is crc.
bool FileMatches(const std::string& gamePath, int64_t size, uint32_t crc) {
    if (GamePathKind(gamePath) != PathKind::Regular) return false;
    GameFile in = GameFile::OpenForReading(gamePath);
    if (!in.IsOpen() || in.Size() != size) return false;
    std::vector<uint8_t> chunk(1 << 20);
    uint32_t sum = 0;
    int64_t total = 0;
    for (;;) {
        size_t got = in.Read(chunk.data(), chunk.size());
        if (got == 0) break;
        sum = Crc32(sum, chunk.data(), got);
        total += static_cast<int64_t>(got);
    }
    return total == size && sum == crc;
}

// Writes the commit record and makes it, and the names of the temporary
// files, durable.
void WriteCommitRecord(int slot, const CommitRecord& record, SlotFailure& fail) {
    const std::string path = SaveSlotCommitPath(slot);
    const std::string text = FormatCommitRecord(slot, record);
    GameFile out = GameFile::CreateTruncated(path);
    if (!out.IsOpen()) return fail.Note("cannot create " + NameOf(path));
    if (out.Write(text.data(), text.size()) != text.size()) fail.Note("cannot write " + NameOf(path));
    if (!fail.Failed() && !out.Sync()) fail.Note("cannot flush " + NameOf(path));
    if (!out.Close()) fail.Note("cannot close " + NameOf(path));
    if (!fail.Failed() && !SyncGameFolder(MapFolder)) fail.Note("cannot flush the map folder");
}

// The rename stage, once the commit record is durable. pending[file] tells
// that the new file still lies under its temporary name (otherwise it is
// already in place, renamed before an interruption). Each old slot file is
// moved aside before its new one moves in, so that a failure can put the
// whole old game back: then undone tells whether that worked; when it did
// not, the record stays and the next recovery finishes the save.
bool MoveNewFilesIn(int slot, const bool pending[SlotFileCount], SlotFailure& fail, bool& undone) {
    undone = false;
    bool ok = true;
    for (int file = 0; file < SlotFileCount && ok; ++file) {
        if (!pending[file]) continue;
        const std::string slotPath = SaveSlotPath(slot, file);
        if (GamePathKind(slotPath) != PathKind::Missing &&
            !ReplaceGameFile(slotPath, SaveSlotAsidePath(slot, file))) {
            fail.Note("cannot move " + NameOf(slotPath) + " aside");
            ok = false;
        } else if (!ReplaceGameFile(SaveSlotTempPath(slot, file), slotPath)) {
            fail.Note("cannot rename " + NameOf(SaveSlotTempPath(slot, file)));
            ok = false;
        }
    }
    if (ok && !SyncGameFolder(MapFolder)) {
        fail.Note("cannot flush the map folder");
        ok = false;
    }
    if (ok) {
        // Committed: what is left is only tidying, which the next recovery
        // also does should it fail here.
        RemoveGameFile(SaveSlotCommitPath(slot));
        for (int file = 0; file < SlotFileCount; ++file)
            if (GamePathKind(SaveSlotAsidePath(slot, file)) != PathKind::Missing)
                RemoveGameFile(SaveSlotAsidePath(slot, file));
        return true;
    }

    // Put the old game back: each new file in place returns to its
    // temporary name, each old file from aside to its place.
    bool back = true;
    for (int file = SlotFileCount - 1; file >= 0; --file) {
        const std::string slotPath = SaveSlotPath(slot, file);
        const std::string tempPath = SaveSlotTempPath(slot, file);
        const std::string asidePath = SaveSlotAsidePath(slot, file);
        const bool newInPlace = GamePathKind(tempPath) == PathKind::Missing;
        if (newInPlace && GamePathKind(slotPath) == PathKind::Regular && !ReplaceGameFile(slotPath, tempPath))
            back = false;
        if (GamePathKind(asidePath) == PathKind::Regular && !ReplaceGameFile(asidePath, slotPath)) back = false;
    }
    if (back && SyncGameFolder(MapFolder)) {
        RemoveGameFile(SaveSlotCommitPath(slot));
        for (int file = 0; file < SlotFileCount; ++file) RemoveGameFile(SaveSlotTempPath(slot, file));
        undone = true;
    }
    return false;
}

// Says on stderr what a recovery did, if anything.
void ReportRecovery(int slot, const std::string& what) {
    if (!what.empty()) std::fprintf(stderr, "delver: slot %d: %s\n", slot, what.c_str());
}

// Finishes or clears what an interrupted save left in the slot, whose lock
// the caller holds. Returns what it did, or nothing when all was in order.
std::string RecoverSlot(int slot) {
    const std::string commitPath = SaveSlotCommitPath(slot);
    const PathKind recordKind = GamePathKind(commitPath);
    std::string did;
    if (recordKind != PathKind::Missing) {
        CommitRecord record;
        bool whole = false;
        if (recordKind == PathKind::Regular) {
            GameFile in = GameFile::OpenForReading(commitPath);
            std::string text(MaxRecordBytes + 1, '\0');
            text.resize(in.Read(text.data(), text.size()));
            whole = text.size() <= MaxRecordBytes && ParseCommitRecord(slot, text, record);
        }
        bool pending[SlotFileCount] = {};
        for (int file = 0; file < SlotFileCount && whole; ++file) {
            const int64_t size = record.size[file];
            const uint32_t crc = record.crc[file];
            if (FileMatches(SaveSlotTempPath(slot, file), size, crc))
                pending[file] = true;
            else if (GamePathKind(SaveSlotTempPath(slot, file)) != PathKind::Missing ||
                     !FileMatches(SaveSlotPath(slot, file), size, crc))
                whole = false;
        }
        if (whole) {
            // The save was complete when it was interrupted: finish it.
            SlotFailure fail;
            bool undone = false;
            if (MoveNewFilesIn(slot, pending, fail, undone)) return "finished a save that had been interrupted";
            if (undone) return "could not finish an interrupted save (" + fail.why + "); the old slot is kept";
            return "could not finish an interrupted save (" + fail.why + "); trying again at the next load";
        }
        if (!RemoveGameFile(commitPath)) return "cannot remove the torn commit record: " + LastFileError();
        did = "removed a torn commit record";
    }
    // No whole record: the temporary files are a save that never finished.
    int removed = 0;
    for (int file = 0; file < SlotFileCount; ++file) {
        const std::string tempPath = SaveSlotTempPath(slot, file);
        if (GamePathKind(tempPath) != PathKind::Missing && RemoveGameFile(tempPath)) ++removed;
        // An old file aside: the save that moved it finished (its slot file
        // is there) unless the slot file is missing, when it goes back.
        const std::string asidePath = SaveSlotAsidePath(slot, file);
        if (GamePathKind(asidePath) == PathKind::Regular) {
            if (GamePathKind(SaveSlotPath(slot, file)) == PathKind::Missing)
                ReplaceGameFile(asidePath, SaveSlotPath(slot, file));
            else
                RemoveGameFile(asidePath);
        }
    }
    if (removed > 0) {
        if (!did.empty()) did += "; ";
        did += "removed " + std::to_string(removed) + " temporary file" + (removed > 1 ? "s" : "") +
               " of a save that never finished";
    }
    return did;
}

bool LeftoversPresent(int slot) {
    if (GamePathKind(SaveSlotCommitPath(slot)) != PathKind::Missing) return true;
    if (GamePathKind(SaveSlotLockPath(slot)) != PathKind::Missing) return true;
    for (int file = 0; file < SlotFileCount; ++file)
        if (GamePathKind(SaveSlotTempPath(slot, file)) != PathKind::Missing ||
            GamePathKind(SaveSlotAsidePath(slot, file)) != PathKind::Missing)
            return true;
    return false;
}

// Reads one file of the slot in place; what the file lacks stays as it is.
void ReadSlotFile(SaveTarget& t, int file, GameFile& in) {
    switch (file) {
    case SlotMainmap:
    case SlotFlagmap: {
        uint8_t* grid = GridOf(t, file);
        GridPasses(t, false, file,
                   [&](int64_t pos, int64_t n) { in.Read(grid + pos, static_cast<size_t>(n)); });
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
    default:
        break;
    }
}

}  // namespace

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

uint32_t Crc32(uint32_t crc, const uint8_t* bytes, size_t count) {
    static const auto table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    crc = ~crc;
    for (size_t i = 0; i < count; ++i) crc = table[(crc ^ bytes[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

std::string FormatCommitRecord(int slot, const CommitRecord& record) {
    std::string text = "delver save commit\n";
    for (int file = 0; file < SlotFileCount; ++file) {
        char line[160];
        std::snprintf(line, sizeof line, "%s.tmp %s %" PRId64 " %08" PRIx32 "\n", SaveSlotFileName(slot, file).c_str(),
                      SaveSlotFileName(slot, file).c_str(), record.size[file], record.crc[file]);
        text += line;
    }
    char check[32];
    std::snprintf(check, sizeof check, "check %08" PRIx32 "\n",
                  Crc32(0, reinterpret_cast<const uint8_t*>(text.data()), text.size()));
    return text + check;
}

bool ParseCommitRecord(int slot, const std::string& text, CommitRecord& record) {
    // Read the numbers line by line, then demand that the record written
    // from them is exactly the text: names, layout and checksum included.
    CommitRecord read;
    size_t at = text.find('\n');
    for (int file = 0; file < SlotFileCount; ++file) {
        if (at == std::string::npos) return false;
        size_t end = text.find('\n', at + 1);
        if (end == std::string::npos) return false;
        std::string line = text.substr(at + 1, end - at - 1);
        const size_t lastSpace = line.rfind(' ');
        if (lastSpace == std::string::npos || lastSpace == 0) return false;
        const size_t numbers = line.rfind(' ', lastSpace - 1);
        if (numbers == std::string::npos) return false;
        if (std::sscanf(line.c_str() + numbers, " %" SCNd64 " %" SCNx32, &read.size[file], &read.crc[file]) != 2)
            return false;
        at = end;
    }
    if (FormatCommitRecord(slot, read) != text) return false;
    record = read;
    return true;
}

void RecoverSaveSlots() {
    for (int slot = 1; slot <= 2; ++slot) {
        if (!LeftoversPresent(slot)) continue;
        GameFileLock lock = GameFileLock::Acquire(SaveSlotLockPath(slot), 0);
        if (!lock.Held()) {
            // Another copy is saving it: its files are its own.
            if (!lock.Busy())
                std::fprintf(stderr, "delver: slot %d: cannot look after an interrupted save: %s\n", slot,
                             LastFileError().c_str());
            continue;
        }
        ReportRecovery(slot, RecoverSlot(slot));
    }
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

bool SaveGame(SaveTarget& t, int slot) {
    StartFileOpCount();
    SlotFailure fail;
    bool partReported = false;
    bool undone = true;
    GameFileLock lock = GameFileLock::Acquire(SaveSlotLockPath(slot), LockWaitMs);
    if (!lock.Held()) {
        fail.why = lock.Busy() ? "another copy of the game is saving this slot"
                               : "cannot lock the slot: " + LastFileError();
    } else {
        ReportRecovery(slot, RecoverSlot(slot));
        CommitRecord record;
        bool created[SlotFileCount] = {};
        for (int file = 0; file < SlotFileCount; ++file) {
            // A file that cannot be made (a folder in the way, say) is
            // skipped without a report, as the slot's other files still are
            // tried; the slot is then left as it was.
            const std::string tempPath = SaveSlotTempPath(slot, file);
            GameFile out = GameFile::CreateTruncated(tempPath);
            if (!out.IsOpen()) {
                fail.Note("cannot create " + NameOf(tempPath));
                continue;
            }
            created[file] = true;
            partReported = true;
            if (!WriteSlotFile(t, file, out, record.size[file], record.crc[file]))
                fail.Note("cannot write " + NameOf(tempPath));
            else if (!out.Sync())
                fail.Note("cannot flush " + NameOf(tempPath));
            if (!out.Close()) fail.Note("cannot close " + NameOf(tempPath));
        }
        if (!fail.Failed()) WriteCommitRecord(slot, record, fail);
        if (!fail.Failed()) {
            const bool pending[SlotFileCount] = {true, true, true, true};
            MoveNewFilesIn(slot, pending, fail, undone);
        } else {
            if (GamePathKind(SaveSlotCommitPath(slot)) != PathKind::Missing) RemoveGameFile(SaveSlotCommitPath(slot));
            for (int file = 0; file < SlotFileCount; ++file)
                if (created[file]) RemoveGameFile(SaveSlotTempPath(slot, file));
        }
        lock.Release();
    }
    if (!fail.Failed()) return true;

    // The player must not believe the game is saved.
    if (partReported) Report(t, SlotProgress::Step::SaveFailed, true, -1, -1);
    if (undone)
        std::fprintf(stderr, "delver: saving slot %d failed (%s); the old slot is kept\n", slot, fail.why.c_str());
    else
        std::fprintf(stderr, "delver: saving slot %d failed (%s) and could not be undone; the next load finishes it\n",
                     slot, fail.why.c_str());
    return false;
}

void LoadGame(SaveTarget& t, int slot) {
    GameFileLock lock = GameFileLock::Acquire(SaveSlotLockPath(slot), LockWaitMs);
    if (lock.Held()) {
        ReportRecovery(slot, RecoverSlot(slot));
    } else if (lock.Busy()) {
        std::fprintf(stderr, "delver: slot %d: another copy of the game is still saving it; not loaded\n", slot);
        return;
    }
    // Without a lock (no map folder, or one that may only be read) nobody
    // can be saving here: read what there is.
    std::string missing;
    for (int file = 0; file < SlotFileCount; ++file) {
        GameFile in = GameFile::OpenAlways(SaveSlotPath(slot, file));
        if (!in.IsOpen() || in.Size() <= 0) missing += (missing.empty() ? "" : ", ") + SaveSlotFileName(slot, file);
        if (!in.IsOpen()) continue;
        ReadSlotFile(t, file, in);
    }
    lock.Release();
    // Any cell of either grid may differ now.
    NoteGridsReplaced(t.grids);
    if (!missing.empty())
        std::fprintf(stderr, "delver: slot %d: %s missing or empty; that part of the game is unchanged\n", slot,
                     missing.c_str());
}

}  // namespace delver
