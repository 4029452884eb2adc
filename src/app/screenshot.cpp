#include "app/screenshot.h"

#include <fstream>

#include "assets/bmp.h"

namespace delver {

bool WriteBmp24(const std::string& path, const std::vector<uint8_t>& rgb, int width, int height) {
    const std::vector<uint8_t> out = EncodeBmp24(rgb, width, height, RowOrder::BottomFirst);
    if (out.empty()) return false;
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    if (!f) return false;
    f.write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
    f.close();
    return static_cast<bool>(f);
}

}  // namespace delver
