// delver: parse the command line, pick a platform backend, run the game.
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "app/map_images.h"
#include "app/options.h"
#include "app/run.h"
#include "platform/user_folder.h"
#include "version.h"
#if defined(_WIN32)
#include "platform/win32/win32_platform.h"
#elif defined(__EMSCRIPTEN__)
#include "platform/web/web_platform.h"
#else
#include "platform/headless/headless_platform.h"
#include "platform/sdl/sdl_platform.h"
#endif

namespace {

int Run(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    delver::Options options;
    std::string error;
    if (!delver::ParseOptions(args, options, error)) {
        std::fprintf(stderr, "delver: %s\n", error.c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(delver::UsageText(), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("delver %s\n", DELVER_VERSION);
        return 0;
    }
    // An installed copy started without -C plays in the player's own game
    // folder; its --input, --record and --screenshot paths stay relative to
    // the folder it was started in (the recording is opened before the
    // change of folder).
    std::filesystem::path installedData;
    if (options.directory.empty()) installedData = delver::InstalledGameData(delver::RunningProgramPath());
    if (!installedData.empty()) {
        std::error_code ec;
        if (!options.inputScript.empty())
            options.inputScript = std::filesystem::absolute(options.inputScript, ec).string();
        if (!options.screenshot.empty())
            options.screenshot = std::filesystem::absolute(options.screenshot, ec).string();
        if (!options.mapImages.empty()) options.mapImages = std::filesystem::absolute(options.mapImages, ec).string();
    }
    if (!options.directory.empty()) {
        std::error_code ec;
        std::filesystem::current_path(options.directory, ec);
        if (ec) {
            std::fprintf(stderr, "delver: cannot change to folder %s: %s\n", delver::Quoted(options.directory).c_str(),
                         ec.message().c_str());
            return 2;
        }
    }
    // The map images need no window and no game: the world is built and
    // drawn into the folder, checked before anything starts.
    if (!options.mapImages.empty() && !delver::CheckMapImagesFolder(options.mapImages, error)) {
        std::fprintf(stderr, "delver: %s\n", error.c_str());
        return 2;
    }
    delver::InputScript script;
    if (!delver::LoadInputScript(options, script, error) || !delver::CheckScreenshotPath(options, error)) {
        std::fprintf(stderr, "delver: %s\n", error.c_str());
        return 2;
    }
    // A recording that cannot be written is refused before anything starts.
    delver::RecordingFile recording = delver::OpenRecording(options, error);
    if (!recording && !options.record.empty()) {
        std::fprintf(stderr, "delver: %s\n", error.c_str());
        return 2;
    }
    if (!installedData.empty()) {
        const std::filesystem::path folder = delver::UserGameFolderFromEnvironment();
        if (folder.empty()) {
            std::fprintf(stderr, "delver: no folder to play in: set HOME or XDG_DATA_HOME, or give one with -C DIR\n");
            return 2;
        }
        std::error_code ec;
        if (!delver::PrepareUserGameFolder(installedData, folder, &error)) {
            std::fprintf(stderr, "delver: %s\n", error.c_str());
            return 1;
        }
        std::filesystem::current_path(folder, ec);
        if (ec) {
            std::fprintf(stderr, "delver: cannot change to folder %s: %s\n", delver::Quoted(folder.string()).c_str(),
                         ec.message().c_str());
            return 1;
        }
    }

    if (!options.mapImages.empty()) return delver::WriteMapImages(options.mapImages, options.seed);

#if defined(__EMSCRIPTEN__)
    // In the browser the page is the window; there is no offscreen run
    // (ParseOptions refuses --headless).
    delver::WebPlatform backend(options.fps);
    return delver::RunGame(options, script, backend, std::move(recording));
#elif defined(_WIN32)
    delver::Win32Platform backend(options.fps);
    return delver::RunGame(options, script, backend, std::move(recording));
#else
    if (options.headless) {
        delver::HeadlessPlatform backend;
        return delver::RunGame(options, script, backend, std::move(recording));
    }
    std::string why;
    if (!delver::SdlPlatform::DisplayAvailable(&why)) {
        std::fprintf(stderr, "delver: no display to open a window on (%s); run with --headless to play offscreen\n",
                     why.c_str());
        return 1;
    }
    delver::SdlPlatform backend(options.fps);
    return delver::RunGame(options, script, backend, std::move(recording));
#endif
}

}  // namespace

int main(int argc, char** argv) {
    const int status = Run(argc, argv);
#if defined(__EMSCRIPTEN__)
    // The page learns the game has ended only from us: the program's own
    // end is not seen by the browser while the page lives on.
    delver::WebPlatform::Ended(status);
#endif
    return status;
}
