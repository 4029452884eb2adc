// Loading the overworld plan into layer 0.
#include "persist/overworld.h"

#include <cstdio>

#include "platform/files.h"

namespace delver {

void LoadOverworld(WorldGrids& g, Clock& clock, int number) {
    char name[64];
    std::snprintf(name, sizeof name, ".\\map\\%d.overworld", number);
    GameFile file = GameFile::OpenAlways(name);
    if (!file.IsOpen()) return;
    file.Read(g.WorldGrid.get(), OverworldBytes);  // a short file fills only the leading cells
    NoteGridsReplaced(g);
    clock.Sleep(1000);
    file.Close();
}

}  // namespace delver
