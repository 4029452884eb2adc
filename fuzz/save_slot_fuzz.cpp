// Fuzzes loading a save slot. The game is built once (seed 1, headless,
// in a private temp folder) and saved into slot 1 and slot 2, so that the
// slot files start out as a real save. Each input then doctors the four
// files of one slot, the game loads the slot through its own key (F7 or
// F8) and plays ten more frames with what it loaded: drawing, movement,
// collision, the status lines and objective collection all see the loaded
// values. Whatever the files hold, nothing may crash or touch memory
// outside its buffers.
//
// Input: a 32-byte header, then the bytes of up to four fragments.
//   byte 0      controls for the ten frames: bit 0 walk (AutoWalk), bit 1
//               hold Z, bit 2 keypad plus, bit 3 keypad minus, bit 4 mouse
//               look, bit 5 load slot 2 instead of slot 1
//   bytes 1, 2  cursor column and row (0..255, scaled to the window)
//   bytes 3..30 per file (mainmap, flagmap, unit, variables), 7 bytes:
//               mode (low 2 bits): 0 the real file with the fragment written
//               over it, 1 the real file cut off right after the fragment,
//               2 the fragment alone, 3 no file (the load leaves it empty);
//               where (int32 LE): for the grids a cell offset from the
//               player's cell, else a byte offset; length (uint16 LE)
//   byte 31     unused
// The fragments follow in file order, each as long as its length (or what
// is left of the input).
#include <array>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "app/game.h"
#include "persist/save_slots.h"
#include "platform/files.h"
#include "platform/headless/headless_platform.h"
#include "platform/input.h"

namespace {

namespace fs = std::filesystem;

constexpr size_t kHeader = 32;
constexpr int kFrames = 10;

// The headless backend with keys and a cursor the fuzzer sets directly.
class FuzzPlatform : public delver::HeadlessPlatform {
public:
    void SetKey(int vk, bool held) {
        if (vk >= 0 && vk < 256) keys_[static_cast<size_t>(vk)] = held;
    }
    void SetCursor(delver::ScreenPoint p) { cursor_ = p; }
    bool IsKeyHeld(int vk) override { return vk >= 0 && vk < 256 && keys_[static_cast<size_t>(vk)]; }
    delver::ScreenPoint CursorPos() override { return cursor_; }

private:
    std::array<bool, 256> keys_{};
    delver::ScreenPoint cursor_{};
};

fs::path g_dir, g_home;
FuzzPlatform* g_platform = nullptr;
delver::Game* g_game = nullptr;
// The state right after start-up, put back before every input.
std::vector<uint8_t> g_world, g_markers, g_units;
delver::ShellState g_shell;
delver::CameraState g_camera;
// The real slot files, as the save wrote them (both slots hold the same).
std::vector<uint8_t> g_files[delver::SlotFileCount];

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "save_slot_fuzz: %s\n", what);
    std::abort();
}

void RemoveDir() {
    std::error_code ec;
    fs::remove_all(g_dir, ec);
}

std::string SlotFile(int slot, int file) { return delver::NativePath(delver::SaveSlotPath(slot, file)); }

std::vector<uint8_t> ReadAll(const std::string& path) {
    std::vector<uint8_t> bytes;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return bytes;
    uint8_t buf[1 << 16];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.insert(bytes.end(), buf, buf + n);
    std::fclose(f);
    return bytes;
}

void WriteAt(int fd, const uint8_t* data, size_t n, size_t offset) {
    while (n > 0) {
        ssize_t put = ::pwrite(fd, data, n, static_cast<off_t>(offset));
        if (put <= 0) Fail("cannot write a slot file");
        data += put;
        n -= static_cast<size_t>(put);
        offset += static_cast<size_t>(put);
    }
}

// What an input did to a slot file, so that the next input starts from
// the real file again without rewriting all of it.
struct Doctored {
    int mode = -1;  // -1: the file is the real one
    size_t offset = 0, length = 0;
};
Doctored g_doctored[3][delver::SlotFileCount];  // by slot (1, 2) and file

int OpenSlotFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) Fail("cannot open a slot file");
    return fd;
}

void CutTo(int fd, size_t size) {
    if (::ftruncate(fd, static_cast<off_t>(size)) != 0) Fail("cannot cut a slot file");
}

// Puts back the real file where the last input changed it.
void RestoreFile(int slot, int file) {
    Doctored& d = g_doctored[slot][file];
    if (d.mode < 0) return;
    const std::vector<uint8_t>& real = g_files[file];
    const int fd = OpenSlotFile(SlotFile(slot, file));
    if (d.mode == 0) {
        if (d.offset < real.size())
            WriteAt(fd, real.data() + d.offset, std::min(d.length, real.size() - d.offset), d.offset);
    } else {
        WriteAt(fd, real.data(), real.size(), 0);
    }
    CutTo(fd, real.size());
    ::close(fd);
    d.mode = -1;
}

// Makes one slot file for this input out of the real one, as the mode says.
void MakeFile(int slot, int file, int mode, size_t offset, const uint8_t* fragment, size_t length) {
    RestoreFile(slot, file);
    g_doctored[slot][file] = {mode, offset, length};
    const std::string path = SlotFile(slot, file);
    if (mode == 3) {
        ::unlink(path.c_str());
        return;
    }
    const int fd = OpenSlotFile(path);
    if (mode == 2) {
        WriteAt(fd, fragment, length, 0);
        CutTo(fd, length);
    } else {
        WriteAt(fd, fragment, length, offset);
        if (mode == 1) CutTo(fd, offset + length);
    }
    ::close(fd);
}

uint32_t Le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

void Restore() {
    delver::Game& g = *g_game;
    std::memcpy(g.grids.WorldGrid.get(), g_world.data(), g_world.size());
    std::memcpy(g.grids.MarkerGrid.get(), g_markers.data(), g_markers.size());
    std::memcpy(g.units.Units.get(), g_units.data(), g_units.size());
    g.shell = g_shell;
    g.camera = g_camera;
    g.console.ConsoleOpen = 0;
    g.console.ConsoleLine[0] = '\0';
    g.console.ConsoleLineLength = 0;
    g.console.ConsoleSubmitted = 0;
}

void Frame() {
    if (!delver::RunFrame(*g_game, *g_platform)) Fail("a frame could not go on");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    std::string tmpl = (fs::temp_directory_path() / "delver-fuzz-slot-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) Fail("cannot make a temp folder");
    g_dir = tmpl;
    std::atexit(RemoveDir);
    fs::create_directories(g_dir / "map");
    // The game reads and writes relative to its working folder. The harness
    // goes back to the fuzzer's folder after each input, so that the
    // fuzzer's own relative paths keep working.
    g_home = fs::current_path();
    fs::current_path(g_dir);

    g_platform = new FuzzPlatform();
    g_game = new delver::Game();
    if (!delver::StartUp(*g_game, *g_platform, 1u)) Fail("start-up failed");
    // The smallest window (F1): every frame and progress screen is drawn
    // over the window, and a small one keeps each input quick.
    g_platform->SetKey(delver::vk::F1, true);
    Frame();
    g_platform->SetKey(delver::vk::F1, false);

    // A real save in both slots.
    delver::SaveTarget t{g_game->grids, g_game->units, g_game->shell, g_game->camera, {}};
    delver::SaveGame(t, 1);
    delver::SaveGame(t, 2);
    for (int f = 0; f < delver::SlotFileCount; ++f) {
        g_files[f] = ReadAll(SlotFile(1, f));
        if (g_files[f].empty()) Fail("the first save wrote nothing");
    }

    const delver::Game& g = *g_game;
    g_world.assign(g.grids.WorldGrid.get(), g.grids.WorldGrid.get() + delver::GridCells);
    g_markers.assign(g.grids.MarkerGrid.get(), g.grids.MarkerGrid.get() + delver::GridCells);
    const auto* units = reinterpret_cast<const uint8_t*>(g.units.Units.get());
    g_units.assign(units, units + static_cast<size_t>(delver::UnitCount) * sizeof(delver::UnitRecord));
    g_shell = g.shell;
    g_camera = g.camera;
    fs::current_path(g_home);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < kHeader) return -1;  // not kept in the corpus
    fs::current_path(g_dir);
    Restore();
    delver::Game& g = *g_game;
    const uint8_t controls = data[0];
    const int slot = (controls & 0x20) ? 2 : 1;

    const uint8_t* rest = data + kHeader;
    size_t left = size - kHeader;
    const int64_t playerCell =
        delver::CellInGrid(g.shell.PlayerCell[0], g.shell.PlayerCell[1], g.shell.PlayerCell[2])
            ? delver::CellIndex(g.shell.PlayerCell[0], g.shell.PlayerCell[1], g.shell.PlayerCell[2])
            : 0;
    for (int f = 0; f < delver::SlotFileCount; ++f) {
        const uint8_t* h = data + 3 + f * 7;
        const int mode = h[0] & 3;
        const int32_t where = static_cast<int32_t>(Le32(h + 1));
        size_t length = std::min<size_t>(static_cast<size_t>(h[5]) | static_cast<size_t>(h[6]) << 8, left);
        const int64_t fileSize = static_cast<int64_t>(g_files[f].size());
        int64_t offset =
            f <= delver::SlotFlagmap ? playerCell + where : static_cast<int64_t>(static_cast<uint32_t>(where));
        // Within the real file, or just behind it.
        offset = std::clamp<int64_t>(offset, 0, fileSize);
        MakeFile(slot, f, mode, static_cast<size_t>(offset), rest, length);
        rest += length;
        left -= length;
    }

    // The load, through the frame loop's own key.
    const int loadKey = slot == 1 ? delver::vk::F7 : delver::vk::F8;
    g_platform->SetKey(loadKey, true);
    Frame();
    g_platform->SetKey(loadKey, false);

    // Ten frames with what was loaded.
    g.shell.AutoWalk = controls & 1;
    g.shell.MouseLook = (controls >> 4) & 1;
    g_platform->SetKey(delver::vk::LetterZ, controls & 2);
    g_platform->SetKey(delver::vk::KeypadPlus, controls & 4);
    g_platform->SetKey(delver::vk::KeypadMinus, controls & 8);
    const delver::ScreenRect r = g_platform->WindowRect();
    g_platform->SetCursor({r.left + (r.right - r.left) * data[1] / 256, r.top + (r.bottom - r.top) * data[2] / 256});
    for (int i = 0; i < kFrames; ++i) Frame();
    for (int key : {delver::vk::LetterZ, delver::vk::KeypadPlus, delver::vk::KeypadMinus})
        g_platform->SetKey(key, false);

    // What the game shows must stay within its limits.
    if (g.shell.ViewDistance < 1 || g.shell.ViewDistance > 30) Fail("view distance out of range");
    if (g.camera.CycleStep < 1 || g.camera.CycleStep > 36) Fail("cycle step out of range");
    fs::current_path(g_home);
    return 0;
}
