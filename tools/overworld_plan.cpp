// The default overworld plan, built from value noise with fixed seeds.
#include "overworld_plan.h"

#include <algorithm>
#include <cstdint>

#include "art_image.h"
#include "world/world_state.h"

namespace delver {

namespace {

// The dungeon lies under columns and rows 4..69; the land above and around
// it is kept low so that the player who climbs out finds open meadow.
constexpr int DungeonCentre = 36;

int LowlandBias(int x, int y) {
    const int dx = x - DungeonCentre, dy = y - DungeonCentre;
    const int distance = ISqrt(int64_t{dx} * dx + int64_t{dy} * dy);
    return std::max(0, 120 - distance) * 75;  // up to 9,000 of 65,535
}

}  // namespace

std::vector<uint8_t> MakeOverworldPlan() {
    const uint32_t seed = 0x0BE4A0C1u;
    std::vector<uint8_t> plan(static_cast<size_t>(LayerStride), 0);
    // Rocky hills rise from the rolling ground: a few domes added to the
    // noise, two of them small ones near the dungeon, the rest farther out.
    struct Hill {
        int x, y, radius, rise;
    };
    std::vector<Hill> hills;
    ArtRandom hillRandom(seed + 5);
    for (int i = 0; i < 12; ++i) {
        const bool near = i < 2;
        Hill hill;
        hill.x = near ? hillRandom.Range(75, 120) : hillRandom.Below(GridWidth);
        hill.y = near ? hillRandom.Range(10, 120) : hillRandom.Range(100, GridWidth - 1);
        hill.radius = near ? hillRandom.Range(8, 12) : hillRandom.Range(14, 30);
        hill.rise = near ? 26000 : hillRandom.Range(14000, 22000);
        hills.push_back(hill);
    }
    for (int y = 0; y < GridWidth; ++y) {
        for (int x = 0; x < GridWidth; ++x) {
            int height = FractalNoise(seed, x, y, 64, 0, 5) - LowlandBias(x, y);
            for (const Hill& hill : hills) {
                const int d2 = (x - hill.x) * (x - hill.x) + (y - hill.y) * (y - hill.y);
                const int r2 = hill.radius * hill.radius;
                if (d2 >= r2) continue;
                const int t = (r2 - d2) * 256 / r2;  // 256 at the top, 0 at the foot
                height += static_cast<int>(int64_t{hill.rise} * t * t / 65536);
            }
            const int moisture = FractalNoise(seed + 1, x, y, 32, 0, 4);
            const int trail = FractalNoise(seed + 2, x, y, 64, 0, 3) - 32768;
            const int trail2 = FractalNoise(seed + 3, x, y, 48, 0, 3) - 32768;
            uint8_t code;
            if (height > 39000) {
                code = static_cast<uint8_t>(std::min(255, PlanRockFirst + (height - 39000) / 96));
            } else if ((trail > -650 && trail < 650) || (trail2 > -450 && trail2 < 450)) {
                code = PlanDirt;  // winding paths
            } else if (moisture < 19000) {
                code = PlanDirt;  // dry, bare patches
            } else {
                code = static_cast<uint8_t>(PlanGrassFirst + std::min(7, (moisture - 19000) / 5000));
            }
            plan[static_cast<size_t>(y) * GridWidth + x] = code;
        }
    }
    // Open clearings, several of them near the dungeon.
    ArtRandom random(seed + 4);
    for (int clearing = 0; clearing < 14; ++clearing) {
        const int limit = clearing < 8 ? 128 : GridWidth;
        const int cx = random.Below(limit), cy = random.Below(limit);
        const int radius = random.Range(3, 7);
        for (int y = cy - radius; y <= cy + radius; ++y)
            for (int x = cx - radius; x <= cx + radius; ++x) {
                if (x < 0 || y < 0 || x >= GridWidth || y >= GridWidth) continue;
                if ((x - cx) * (x - cx) + (y - cy) * (y - cy) > radius * radius) continue;
                plan[static_cast<size_t>(y) * GridWidth + x] = PlanClearing;
            }
    }
    return plan;
}

}  // namespace delver
