// delver --map-images: the real binary writes one PNG per playable layer,
// read back here with libpng.
#include <gtest/gtest.h>
#include <png.h>

#include <filesystem>
#include <vector>

#include "support/test_support.h"

namespace delver {
namespace {

using testing::ScratchDir;

struct Counts {
    int images = 0, objectives = 0, starts = 0;
};

// Counts the objective (220, 30, 200) and start (30, 200, 60) pixels of
// every PNG in folder.
Counts CountPixels(const std::filesystem::path& folder) {
    Counts n;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        if (!png_image_begin_read_from_file(&image, entry.path().c_str())) {
            ADD_FAILURE() << entry.path() << ": " << image.message;
            continue;
        }
        image.format = PNG_FORMAT_RGB;
        std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(image));
        EXPECT_TRUE(png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) << image.message;
        EXPECT_EQ(image.width, 256u);
        EXPECT_EQ(image.height, 256u);
        ++n.images;
        for (size_t i = 0; i + 2 < rgb.size(); i += 3) {
            n.objectives += rgb[i] == 220 && rgb[i + 1] == 30 && rgb[i + 2] == 200;
            n.starts += rgb[i] == 30 && rgb[i + 1] == 200 && rgb[i + 2] == 60;
        }
    }
    return n;
}

TEST(EndToEnd, MapImagesOfSeedElevenShowItsSixteenObjectivesAndTheStart) {
    ScratchDir dir;
    std::filesystem::copy(DELVER_GAME_DIR, dir.path(), std::filesystem::copy_options::recursive);
    std::filesystem::create_directory(dir.path() / "maps");
    testing::RunResult r = testing::RunDelver(dir.path(), "--map-images maps --seed 11");
    ASSERT_EQ(r.status, 0) << r.err;
    const Counts n = CountPixels(dir.path() / "maps");
    EXPECT_GT(n.images, 20);
    EXPECT_EQ(n.objectives, 16);
    EXPECT_EQ(n.starts, 1);
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "maps" / "layer_039.png"));

    // A folder that is not there is refused before anything starts.
    r = testing::RunDelver(dir.path(), "--map-images missing --seed 11");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("'missing' is not a folder"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace delver
