#include "persist/slot_commit.h"

#include <cinttypes>
#include <cstdio>
#include <vector>

#include "platform/file_faults.h"

namespace delver {

namespace {

// How long a save or load waits for another copy of the game that is
// working on the same slot (its save takes about nine seconds).
constexpr unsigned LockWaitMs = 20000;
constexpr const char* MapFolder = ".\\map";
// A commit record is a few hundred bytes; anything far larger is not one.
constexpr size_t MaxRecordBytes = 4096;

// The first reason a save (or a recovery) failed, in a few words.
struct SlotFailure {
    std::string why;
    void Note(const std::string& what) {
        if (why.empty()) why = what + ": " + LastFileError();
    }
    bool Failed() const { return !why.empty(); }
};

std::string NameOf(const std::string& gamePath) { return gamePath.substr(gamePath.rfind('\\') + 1); }

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

// A regular file of the slot file's fixed size: a whole copy of that file.
bool WholeSized(const std::string& gamePath, int file) {
    return GamePathKind(gamePath) == PathKind::Regular && GameFileSize(gamePath) == SlotFileSize(file);
}

bool Exists(const std::string& gamePath) { return GamePathKind(gamePath) != PathKind::Missing; }

// Writes the commit record and makes it, and the names of the temporary
// files, durable.
void WriteCommitRecord(int slot, const CommitRecord& record, SlotFailure& fail) {
    const std::string path = SaveSlotCommitPath(slot);
    const std::string text = FormatCommitRecord(slot, record);
    GameFile out = GameFile::CreateNew(path);
    if (!out.IsOpen()) return fail.Note("cannot create " + NameOf(path));
    if (out.Write(text.data(), text.size()) != text.size()) fail.Note("cannot write " + NameOf(path));
    if (!fail.Failed() && !out.Sync()) fail.Note("cannot flush " + NameOf(path));
    if (!out.Close()) fail.Note("cannot close " + NameOf(path));
    if (!fail.Failed() && !SyncGameFolder(MapFolder)) fail.Note("cannot flush the map folder");
}

// After the new game is in place and the folder flushed: the record and
// the old files go, and any stray temporary file. False when something is
// left behind (the next recovery tidies it).
bool TidyAfterCommit(int slot) {
    bool ok = RemoveGameFile(SaveSlotCommitPath(slot));
    for (int file = 0; file < SlotFileCount; ++file)
        for (const std::string& path : {SaveSlotAsidePath(slot, file), SaveSlotTempPath(slot, file)})
            if (Exists(path) && !RemoveGameFile(path)) ok = false;
    return ok;
}

// The rename stage, once the commit record is durable. pending[file] tells
// that the new file still lies under its temporary name (otherwise it is
// already in place). Each old slot file is moved aside before its new one
// moves in; one already aside stays there, and whatever took its place (a
// file the new one may replace) is no copy of the game. A save that fails
// here puts the old game back when mayUndo (then undone tells whether that
// worked); recovery never does, for the new game is the slot's since its
// record was made durable, and the record stays for the next try.
bool MoveNewFilesIn(int slot, const bool pending[SlotFileCount], bool mayUndo, SlotFailure& fail, bool& undone) {
    undone = false;
    bool ok = true;
    for (int file = 0; file < SlotFileCount && ok; ++file) {
        if (!pending[file]) continue;
        const std::string slotPath = SaveSlotPath(slot, file);
        const std::string asidePath = SaveSlotAsidePath(slot, file);
        if (Exists(slotPath) && !Exists(asidePath) && !ReplaceGameFile(slotPath, asidePath)) {
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
        TidyAfterCommit(slot);
        return true;
    }
    if (!mayUndo) return false;

    // Put the old game back: each new file in place returns to its
    // temporary name, each old file from aside to its place. Nothing of the
    // wrong size goes over anything.
    bool back = true;
    for (int file = SlotFileCount - 1; file >= 0; --file) {
        const std::string slotPath = SaveSlotPath(slot, file);
        const std::string tempPath = SaveSlotTempPath(slot, file);
        const std::string asidePath = SaveSlotAsidePath(slot, file);
        if (!Exists(tempPath) && WholeSized(slotPath, file) && !ReplaceGameFile(slotPath, tempPath)) back = false;
        if (Exists(asidePath)) {
            if (Exists(slotPath) && !WholeSized(asidePath, file))
                back = false;
            else if (!ReplaceGameFile(asidePath, slotPath))
                back = false;
        }
    }
    if (back && SyncGameFolder(MapFolder)) {
        // The record goes first: without it the temporary files are only an
        // unfinished save's, which any recovery clears.
        if (RemoveGameFile(SaveSlotCommitPath(slot))) {
            for (int file = 0; file < SlotFileCount; ++file) RemoveGameFile(SaveSlotTempPath(slot, file));
            undone = true;
        }
    }
    return false;
}

// What the commit record on the disk says, read without changing anything.
enum class RecordState { None, Torn, Whole, Unreadable };

RecordState ReadRecord(int slot, CommitRecord& record) {
    const std::string path = SaveSlotCommitPath(slot);
    const PathKind kind = GamePathKind(path);
    if (kind == PathKind::Missing) return RecordState::None;
    if (kind != PathKind::Regular) return RecordState::Torn;
    GameFile in = GameFile::OpenForReading(path);
    if (!in.IsOpen()) return RecordState::Unreadable;
    std::string text(MaxRecordBytes + 1, '\0');
    text.resize(in.Read(text.data(), text.size()));
    if (static_cast<int64_t>(text.size()) != in.Size() && text.size() <= MaxRecordBytes) return RecordState::Unreadable;
    return text.size() <= MaxRecordBytes && ParseCommitRecord(slot, text, record) ? RecordState::Whole
                                                                                  : RecordState::Torn;
}

// With a whole record: where each new file lies. False when a file matches
// neither its temporary name nor its place, so that nothing vouches for it.
bool MatchRecord(int slot, const CommitRecord& record, bool pending[SlotFileCount]) {
    for (int file = 0; file < SlotFileCount; ++file) {
        pending[file] = FileMatches(SaveSlotTempPath(slot, file), record.size[file], record.crc[file]);
        if (!pending[file] && !FileMatches(SaveSlotPath(slot, file), record.size[file], record.crc[file])) return false;
    }
    return true;
}

// What recovery did to a slot. A save may start on it when clean: no
// record is left and no old file lies aside (stray temporary files are
// replaced by the save's own). pending: a whole record is left, the slot
// between two games until a recovery finishes it.
struct Recovery {
    std::string did;
    bool clean = true;
    bool pending = false;
    void Say(const std::string& what) { did += (did.empty() ? "" : "; ") + what; }
};

// Says on stderr what a recovery did, if anything.
void ReportRecovery(int slot, const Recovery& r) {
    if (!r.did.empty()) std::fprintf(stderr, "delver: slot %d: %s\n", slot, r.did.c_str());
}

// True when no record is left and no old file lies aside.
bool ReadyToSave(int slot) {
    if (Exists(SaveSlotCommitPath(slot))) return false;
    for (int file = 0; file < SlotFileCount; ++file)
        if (Exists(SaveSlotAsidePath(slot, file))) return false;
    return true;
}

// Finishes or clears what an interrupted save left in the slot, whose lock
// the caller holds.
Recovery RecoverSlot(int slot) {
    Recovery r;
    CommitRecord record;
    const RecordState state = ReadRecord(slot, record);
    if (state == RecordState::Unreadable) {
        r.Say("cannot read the commit record: " + LastFileError());
        r.clean = false;
        return r;
    }
    if (state == RecordState::Whole) {
        bool pending[SlotFileCount] = {};
        if (!MatchRecord(slot, record, pending)) {
            r.Say("the commit record does not match the slot's files; nothing is changed, the slot needs repair");
            r.clean = false;
            r.pending = true;
            return r;
        }
        // The save was complete when it was interrupted: finish it.
        SlotFailure fail;
        bool undone = false;
        if (!MoveNewFilesIn(slot, pending, false, fail, undone)) {
            r.Say("could not finish an interrupted save (" + fail.why + "); trying again at the next save or load");
            r.clean = false;
            r.pending = true;
            return r;
        }
        r.Say("finished a save that had been interrupted");
        r.clean = ReadyToSave(slot);
        return r;
    }
    if (state == RecordState::Torn) {
        // Torn before it was whole: no file was renamed for it.
        if (RemoveGameFile(SaveSlotCommitPath(slot)))
            r.Say("removed a torn commit record");
        else
            r.Say("cannot remove the torn commit record: " + LastFileError());
    }
    // No whole record: the temporary files are a save that never finished.
    int removed = 0;
    for (int file = 0; file < SlotFileCount; ++file) {
        const std::string tempPath = SaveSlotTempPath(slot, file);
        if (Exists(tempPath)) {
            if (RemoveGameFile(tempPath))
                ++removed;
            else
                r.Say("cannot remove " + NameOf(tempPath) + ": " + LastFileError());
        }
        // An old file aside: the save that moved it finished, and the file
        // in place is the game, unless it is missing or not whole while the
        // one aside is: then that one goes back.
        const std::string slotPath = SaveSlotPath(slot, file);
        const std::string asidePath = SaveSlotAsidePath(slot, file);
        if (!Exists(asidePath)) continue;
        const bool back = !Exists(slotPath) || (!WholeSized(slotPath, file) && WholeSized(asidePath, file));
        if (back ? ReplaceGameFile(asidePath, slotPath) : RemoveGameFile(asidePath))
            r.Say(back ? "put " + NameOf(slotPath) + " back" : "removed the old " + NameOf(slotPath));
        else
            r.Say("cannot tidy " + NameOf(asidePath) + ": " + LastFileError());
    }
    if (removed > 0)
        r.Say("removed " + std::to_string(removed) + " temporary file" + (removed > 1 ? "s" : "") +
              " of a save that never finished");
    r.clean = ReadyToSave(slot);
    return r;
}

bool LeftoversPresent(int slot) {
    if (!ReadyToSave(slot) || Exists(SaveSlotLockPath(slot))) return true;
    for (int file = 0; file < SlotFileCount; ++file)
        if (Exists(SaveSlotTempPath(slot, file))) return true;
    return false;
}

// Where the slot's last whole game lies, as the disk shows it now, changing
// nothing: the files a whole record names (under their temporary names
// where they still lie there), or else the slot's files (an old file aside
// where the one in place is missing or not whole). False, with why, when
// nothing vouches for the slot.
bool CommittedFiles(int slot, std::string paths[SlotFileCount], std::string& why) {
    CommitRecord record;
    const RecordState state = ReadRecord(slot, record);
    if (state == RecordState::Unreadable) {
        why = "cannot read the commit record: " + LastFileError();
        return false;
    }
    if (state == RecordState::Whole) {
        bool pending[SlotFileCount] = {};
        if (!MatchRecord(slot, record, pending)) {
            why = "the slot's files do not match its commit record";
            return false;
        }
        for (int file = 0; file < SlotFileCount; ++file)
            paths[file] = pending[file] ? SaveSlotTempPath(slot, file) : SaveSlotPath(slot, file);
        return true;
    }
    for (int file = 0; file < SlotFileCount; ++file) {
        const std::string slotPath = SaveSlotPath(slot, file);
        const std::string asidePath = SaveSlotAsidePath(slot, file);
        const bool aside =
            (GamePathKind(slotPath) != PathKind::Regular && GamePathKind(asidePath) == PathKind::Regular) ||
            (!WholeSized(slotPath, file) && WholeSized(asidePath, file));
        paths[file] = aside ? asidePath : slotPath;
    }
    return true;
}

SlotResult Failure(SlotResult::Outcome outcome, const std::string& why) { return SlotResult{outcome, why}; }

}  // namespace

// Writes bytes to out and counts them into size and crc.
bool PutBytes(GameFile& out, const uint8_t* bytes, size_t n, int64_t& size, uint32_t& crc) {
    if (out.Write(bytes, n) != n) return false;
    size += static_cast<int64_t>(n);
    crc = Crc32(crc, bytes, n);
    return true;
}

uint32_t Crc32(uint32_t crc, const uint8_t* bytes, size_t count) {
    // Eight bytes a step through eight tables ("slicing by eight"): a
    // recovery checks up to 52 MB, several times faster than byte by byte.
    static const auto tables = [] {
        std::array<std::array<uint32_t, 256>, 8> t{};
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[0][i] = c;
        }
        for (uint32_t i = 0; i < 256; ++i)
            for (int k = 1; k < 8; ++k) t[k][i] = (t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF];
        return t;
    }();
    crc = ~crc;
    size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        const uint32_t lo =
            crc ^ (static_cast<uint32_t>(bytes[i]) | static_cast<uint32_t>(bytes[i + 1]) << 8 |
                   static_cast<uint32_t>(bytes[i + 2]) << 16 | static_cast<uint32_t>(bytes[i + 3]) << 24);
        crc = tables[7][lo & 0xFF] ^ tables[6][(lo >> 8) & 0xFF] ^ tables[5][(lo >> 16) & 0xFF] ^ tables[4][lo >> 24] ^
              tables[3][bytes[i + 4]] ^ tables[2][bytes[i + 5]] ^ tables[1][bytes[i + 6]] ^ tables[0][bytes[i + 7]];
    }
    for (; i < count; ++i) crc = tables[0][(crc ^ bytes[i]) & 0xFF] ^ (crc >> 8);
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
    // The files have fixed sizes: a record promising others is no record.
    for (int file = 0; file < SlotFileCount; ++file)
        if (read.size[file] != SlotFileSize(file)) return false;
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

SlotResult CommitSlot(int slot, const FileWriter& write, bool& wrote) {
    wrote = false;
    GameFileLock lock = GameFileLock::Acquire(SaveSlotLockPath(slot), LockWaitMs);
    if (!lock.Held())
        return Failure(SlotResult::Outcome::Kept, lock.Busy() ? "another copy of the game is saving this slot"
                                                              : "cannot lock the slot: " + LastFileError());
    const Recovery recovered = RecoverSlot(slot);
    ReportRecovery(slot, recovered);
    if (!recovered.clean)
        return Failure(recovered.pending ? SlotResult::Outcome::NeedsRepair : SlotResult::Outcome::Kept, recovered.did);
    // Files the player made read-only are not replaced.
    for (int file = 0; file < SlotFileCount; ++file)
        if (!GameFileWritable(SaveSlotPath(slot, file)))
            return Failure(SlotResult::Outcome::Kept, SaveSlotFileName(slot, file) + " is read-only");

    SlotFailure fail;
    CommitRecord record;
    bool created[SlotFileCount] = {};
    for (int file = 0; file < SlotFileCount; ++file) {
        // A file that cannot be made (a folder in the way, say) is skipped
        // without a report, as the slot's other files still are tried; the
        // slot is then left as it was.
        const std::string tempPath = SaveSlotTempPath(slot, file);
        GameFile out = GameFile::CreateNew(tempPath);
        if (!out.IsOpen()) {
            fail.Note("cannot create " + NameOf(tempPath));
            continue;
        }
        created[file] = wrote = true;
        if (!write(file, out, record.size[file], record.crc[file]))
            fail.Note("cannot write " + NameOf(tempPath));
        else if (!out.Sync())
            fail.Note("cannot flush " + NameOf(tempPath));
        if (!out.Close()) fail.Note("cannot close " + NameOf(tempPath));
    }
    // The new files' names are made durable before the record that names
    // them: a record may never outlive the files it promises.
    if (!fail.Failed() && !SyncGameFolder(MapFolder)) fail.Note("cannot flush the map folder");
    if (!fail.Failed()) WriteCommitRecord(slot, record, fail);
    bool undone = true;
    if (!fail.Failed()) {
        const bool pending[SlotFileCount] = {true, true, true, true};
        MoveNewFilesIn(slot, pending, true, fail, undone);
    } else {
        if (Exists(SaveSlotCommitPath(slot))) RemoveGameFile(SaveSlotCommitPath(slot));
        for (int file = 0; file < SlotFileCount; ++file)
            if (created[file]) RemoveGameFile(SaveSlotTempPath(slot, file));
    }
    lock.Release();
    if (!fail.Failed()) return {};
    return Failure(undone ? SlotResult::Outcome::Kept : SlotResult::Outcome::NeedsRepair, fail.why);
}

SlotResult ImportSlotFiles(int slot, const std::vector<std::string>& files) {
    if (files.size() != SlotFileCount) return Failure(SlotResult::Outcome::Kept, "not the four files of a slot");
    for (int file = 0; file < SlotFileCount; ++file) {
        if (!WholeSized(files[file], file))
            return Failure(SlotResult::Outcome::Kept,
                           SaveSlotFileName(slot, file) + " is not " + std::to_string(SlotFileSize(file)) + " bytes");
    }
    StartFileOpCount();
    bool wrote = false;
    const SlotResult result = CommitSlot(
        slot,
        [&files](int file, GameFile& out, int64_t& size, uint32_t& crc) {
            GameFile in = GameFile::OpenForReading(files[file]);
            std::vector<uint8_t> chunk(1 << 20);
            while (in.IsOpen()) {
                const size_t got = in.Read(chunk.data(), chunk.size());
                if (got == 0) break;
                if (!PutBytes(out, chunk.data(), got, size, crc)) return false;
            }
            if (size == SlotFileSize(file)) return true;
            SetLastFileError("the file handed in changed while it was read");
            return false;
        },
        wrote);
    if (!result)
        std::fprintf(stderr, "delver: slot %d: the files handed in were not taken (%s)\n", slot, result.why.c_str());
    return result;
}

SlotResult FindSlotToLoad(int slot, GameFileLock& lock, std::string paths[SlotFileCount]) {
    lock = GameFileLock::Acquire(SaveSlotLockPath(slot), LockWaitMs);
    if (lock.Busy() && !lock.Held()) {
        std::fprintf(stderr, "delver: slot %d: another copy of the game is still saving it; not loaded\n", slot);
        return Failure(SlotResult::Outcome::Kept, "another copy of the game is saving this slot");
    }
    // Without a lock (no map folder, or one that may only be read) nobody
    // can be saving here, and nothing can be repaired: the slot's last whole
    // game is read where it lies.
    if (lock.Held()) ReportRecovery(slot, RecoverSlot(slot));
    std::string why;
    if (!CommittedFiles(slot, paths, why)) {
        std::fprintf(stderr, "delver: slot %d: not loaded: %s\n", slot, why.c_str());
        return Failure(SlotResult::Outcome::Kept, why);
    }
    return {};
}

}  // namespace delver
