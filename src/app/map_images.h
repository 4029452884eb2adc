// The map images: one PNG per playable layer of the world a seed builds,
// for players who want to plan and for bug reports (--map-images DIR).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace delver {

// The colours of the images, one pixel per cell: column to the right, row
// downward. A shaft down is an open cell above a shaft cell
// (IsShaftCell), a shaft up one below a shaft cell; the objective and the
// player's start are drawn over whatever cell holds them.
inline constexpr uint8_t MapWall[3] = {70, 70, 80};
inline constexpr uint8_t MapOpen[3] = {225, 220, 200};
inline constexpr uint8_t MapShaftDown[3] = {230, 120, 20};
inline constexpr uint8_t MapShaftUp[3] = {40, 110, 230};
inline constexpr uint8_t MapObjective[3] = {220, 30, 200};
inline constexpr uint8_t MapStart[3] = {30, 200, 60};

// Checks, before anything starts, that folder is a folder where files can
// be made. On failure returns false with a one-line message.
bool CheckMapImagesFolder(const std::string& folder, std::string& error);

// Builds the world as the game does for seed (the calendar time without
// one), from the game folder that is current, and writes layer_LLL.png into
// folder for every layer inside the grid's outer shell that holds an open
// cell. Returns the exit status: 0, or 1 (with a message on stderr) when a
// file cannot be written.
int WriteMapImages(const std::string& folder, std::optional<uint32_t> seed);

}  // namespace delver
