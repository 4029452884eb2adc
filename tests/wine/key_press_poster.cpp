// Makes a short key press while the game sleeps, as a player's quick tap
// during one of its pauses: says it is waiting (the test starts the game only
// then, since a second Wine program can take seconds to start on a busy
// machine), waits until a file matching PATTERN appears (one that is there
// only while the game pauses: a save's lock file, say), then posts a
// key-down and a key-up of the virtual key VK to the game's window, one
// right after the other. Built with mingw-w64 and run beside the game by
// wine_smoke.sh; prints what it did, and exits 1 when it gave up waiting.
//
// usage: key_press_poster.exe PATTERN VK
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace {

bool FileAppeared(const char* pattern) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE) return false;
    FindClose(search);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: key_press_poster PATTERN VK\n");
        return 2;
    }
    const int vk = std::atoi(argv[2]);
    std::printf("waiting for %s\n", argv[1]);
    std::fflush(stdout);
    // Far longer than the game takes to start and save under Wine; the test
    // ends this program when the game ends first.
    for (int waited = 0; !FileAppeared(argv[1]); waited += 5) {
        if (waited > 600000) {
            std::printf("no file %s appeared\n", argv[1]);
            return 1;
        }
        Sleep(5);
    }
    HWND window = FindWindowA("OpenGL", "GAME");
    // A key message's bits: one stroke; bit 30, the key was down before;
    // bit 31, it is going up.
    const LPARAM down = 1;
    const LPARAM up = static_cast<LPARAM>(static_cast<ULONG_PTR>(0xC0000001u));
    if (!window || !PostMessageA(window, WM_KEYDOWN, static_cast<WPARAM>(vk), down) ||
        !PostMessageA(window, WM_KEYUP, static_cast<WPARAM>(vk), up)) {
        std::printf("could not post key %d to the game's window\n", vk);
        return 1;
    }
    std::printf("posted a press of key %d once %s appeared\n", vk, argv[1]);
    return 0;
}
