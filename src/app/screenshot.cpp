#include "app/screenshot.h"

#include <cstdio>

#include "assets/bmp.h"
#include "platform/files.h"

namespace delver {

bool WriteBmp24(const std::string& path, const std::vector<uint8_t>& rgb, int width, int height) {
    const std::vector<uint8_t> out = EncodeBmp24(rgb, width, height, RowOrder::BottomFirst);
    if (out.empty()) return false;
    std::FILE* f = OpenRegularStream(path, true);
    if (!f) return false;
    const bool written = std::fwrite(out.data(), 1, out.size(), f) == out.size();
    return std::fclose(f) == 0 && written;
}

}  // namespace delver
