// delver_artgen GAME_DIR: paints the game's pictures and the default
// overworld plan into GAME_DIR, leaving every other file there untouched.
#include <cstdio>
#include <string>

#include "game_folder.h"

int main(int argc, char** argv) {
    if (argc != 2 || std::string(argv[1]).empty() || argv[1][0] == '-') {
        std::fprintf(stderr, "usage: delver_artgen GAME_DIR\n");
        return 2;
    }
    std::string error;
    if (!delver::WriteGameFolder(argv[1], &error)) {
        std::fprintf(stderr, "delver_artgen: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
