#include "persist/seen_map.h"

#include <cstdio>
#include <string>

#include "platform/files.h"

namespace delver {

namespace {

std::string SeenPath(int slot) {
    char name[64];
    std::snprintf(name, sizeof name, ".\\map\\SAVEGAME%d.seen", slot);
    return name;
}

constexpr size_t SeenBytes = GridCells / 8;

}  // namespace

bool SaveSeenCells(const SeenCells& seen, int slot) {
    const std::string path = SeenPath(slot), temporary = path + ".tmp";
    std::vector<uint8_t> none;
    const std::vector<uint8_t>& bits = seen.bits.size() == SeenBytes ? seen.bits : (none.assign(SeenBytes, 0), none);
    GameFile f = GameFile::CreateNew(temporary);
    bool ok = f.IsOpen() && f.Write(bits.data(), bits.size()) == bits.size() && f.Sync();
    ok = f.Close() && ok;
    if (ok) ok = ReplaceGameFile(temporary, path);
    if (!ok) RemoveGameFile(temporary);
    return ok;
}

bool LoadSeenCells(SeenCells& seen, int slot) {
    seen.Clear();
    GameFile f = GameFile::OpenForReading(SeenPath(slot));
    if (!f.IsOpen() || f.Size() != static_cast<int64_t>(SeenBytes)) return false;
    if (f.Read(seen.bits.data(), SeenBytes) == SeenBytes) return true;
    seen.Clear();
    return false;
}

}  // namespace delver
