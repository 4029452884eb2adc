// Writes a picture as a standard 24-bit BMP file (encoded by assets/bmp.h).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace delver {

// rgb holds width x height pixels, red-green-blue, bottom row first.
// Rows are padded to 4 bytes as the format requires. False on failure.
bool WriteBmp24(const std::string& path, const std::vector<uint8_t>& rgb, int width, int height);

}  // namespace delver
