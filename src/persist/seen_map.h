// The cells a player has seen, kept beside save slot n as
// ".\map\SAVEGAMEn.seen" (the bits of SeenCells, GridCells / 8 bytes), so
// that the slot's own four files keep their bytes.
#pragma once

#include "world/seen_cells.h"

namespace delver {

// Writes the seen cells of slot (1 or 2) under a temporary name, flushed,
// then renamed over the old file. False when it could not.
bool SaveSeenCells(const SeenCells& seen, int slot);

// Reads them back; a slot without the file, or with one of any other size,
// loads with nothing seen. True when a whole file was read.
bool LoadSeenCells(SeenCells& seen, int slot);

}  // namespace delver
