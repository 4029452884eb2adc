// The commit protocol of the save slots, as save_slots.h describes it: the
// commit record, the renames into place, the recovery of an interrupted
// save and the slot's lock. It is persist's own: save_slots.cpp writes and
// reads a slot's files through it, and the rest of the game sees only
// save_slots.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "persist/save_slots.h"
#include "platform/files.h"

namespace delver {

// Writes one file of the slot to out, adding up its size and checksum;
// false when any write fell short.
using FileWriter = std::function<bool(int file, GameFile& out, int64_t& size, uint32_t& crc)>;

// Writes bytes to out and counts them into size and crc.
bool PutBytes(GameFile& out, const uint8_t* bytes, size_t n, int64_t& size, uint32_t& crc);

// The commit shared by a save and a slot handed in: under the slot's lock,
// after recovery, each file is written by write to a new temporary file,
// then the record, then the renames. wrote tells whether any temporary file
// was begun (a save has reported parts then).
SlotResult CommitSlot(int slot, const FileWriter& write, bool& wrote);

// The start of a load: takes the slot's lock into lock, finishes what an
// interrupted save left, and finds where the slot's last whole game lies
// (paths, in slot-file order). A load that may not go on is refused with
// its reason on stderr; lock is then to be dropped.
SlotResult FindSlotToLoad(int slot, GameFileLock& lock, std::string paths[SlotFileCount]);

}  // namespace delver
