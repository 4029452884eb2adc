// Fuzzes the BMP loader: every input is written to a file in a private temp
// folder and loaded into a sprite slot. Whatever the bytes, the loader must
// not crash or read out of bounds, and a slot with pixels must hold exactly
// width x height x 3 bytes: the file's pixel bytes, red and blue swapped.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include <fcntl.h>
#include <unistd.h>

#include "assets/sprite.h"

namespace {

namespace fs = std::filesystem;

fs::path g_dir;
std::string g_file;  // absolute, so the fuzzer's own relative paths keep working
delver::SpriteTable g_table;

void RemoveDir() {
    std::error_code ec;
    fs::remove_all(g_dir, ec);
}

int32_t Le32(const uint8_t* p) {
    return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
                                (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24));
}

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "bmp_loader_fuzz: %s\n", what);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    std::string tmpl = (fs::temp_directory_path() / "delver-fuzz-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) Fail("cannot make a temp folder");
    g_dir = tmpl;
    g_file = (g_dir / "input.bmp").string();
    std::atexit(RemoveDir);
    g_table.Allocate();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Rewritten in place and cut to length: truncating on open is far
    // slower on some file systems.
    const int fd = ::open(g_file.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) Fail("cannot open the input file");
    if (size && ::pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)) Fail("short write");
    if (::ftruncate(fd, static_cast<off_t>(size)) != 0) Fail("cannot cut the input file");
    ::close(fd);

    // Four slots in turn, so loads also land on occupied slots.
    static unsigned round = 0;
    const int slot = static_cast<int>(round++ % 4);
    delver::Sprite& s = g_table.Slots[slot];
    const int32_t oldWidth = s.width, oldHeight = s.height, oldBpp = s.bytesPerPixel;
    const uint8_t* oldPixels = s.pixels.get();

    const bool loaded = delver::LoadSprite(g_table, g_file, slot);

    const bool headerPasses = size >= 54 && data[0] == 0x42 && data[1] == 0x4D && data[28] == 24;
    if (!headerPasses) {
        if (loaded) Fail("a refused header loaded");
        if (s.width != oldWidth || s.height != oldHeight || s.bytesPerPixel != oldBpp || s.pixels.get() != oldPixels)
            Fail("a refused header changed the slot");
        return 0;
    }
    if (s.width != Le32(data + 18) || s.height != Le32(data + 22) || s.bytesPerPixel != 3)
        Fail("slot does not carry the header's dimensions");
    if (loaded != (s.pixels != nullptr)) Fail("result and pixels disagree");
    if (!s.pixels) return 0;

    if (s.width <= 0 || s.height <= 0) Fail("pixels for a side of zero or below");
    const uint64_t bytes = static_cast<uint64_t>(s.width) * static_cast<uint64_t>(s.height) * 3u;
    if (bytes > size - 54) Fail("more pixels than the file holds");
    // Walk the whole buffer (the address sanitizer checks its extent) and
    // compare it with the file, blue and red swapped.
    for (uint64_t i = 0; i < bytes; i += 3) {
        const uint8_t* in = data + 54 + i;
        if (s.pixels[i] != in[2] || s.pixels[i + 1] != in[1] || s.pixels[i + 2] != in[0])
            Fail("pixel bytes differ from the file");
    }
    return 0;
}
