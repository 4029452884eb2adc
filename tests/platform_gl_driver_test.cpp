// The OpenGL driver stays loaded once a window has had a context. Mesa
// unloads its driver when the last display goes; what the driver still
// held then showed up as leaks nobody could name (the library was gone)
// in every sanitizer run that opened a window.
#include <gtest/gtest.h>

#include <link.h>

#include <set>
#include <string>

#include "platform/gl_driver.h"
#include "platform/headless/headless_platform.h"

namespace delver {
namespace {

std::set<std::string> LoadedDrivers() {
    std::set<std::string> names;
    dl_iterate_phdr(
        [](struct dl_phdr_info* info, size_t, void* out) {
            const std::string path = info->dlpi_name ? info->dlpi_name : "";
            if (path.find("_dri.so") != std::string::npos || path.find("libgallium") != std::string::npos)
                static_cast<std::set<std::string>*>(out)->insert(path);
            return 0;
        },
        &names);
    return names;
}

TEST(GlDriver, StaysLoadedAfterTheWindowAndDisplayAreGone) {
    std::set<std::string> during;
    {
        HeadlessPlatform p;
        ASSERT_EQ(p.CreateGlWindow("GAME", 64, 48, 16), WindowStep::Ok);
        during = LoadedDrivers();
        p.DestroyGlWindow();
    }  // the display is terminated here
    if (during.empty()) GTEST_SKIP() << "no Mesa driver library in this process";
    EXPECT_EQ(LoadedDrivers(), during);

    // A second window on a fresh display finds the same driver in place.
    HeadlessPlatform again;
    ASSERT_EQ(again.CreateGlWindow("GAME", 64, 48, 16), WindowStep::Ok);
    EXPECT_EQ(LoadedDrivers(), during);
    KeepGlDriverLoaded();  // harmless when called again
    EXPECT_EQ(LoadedDrivers(), during);
}

}  // namespace
}  // namespace delver
