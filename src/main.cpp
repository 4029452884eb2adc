// delver: parse the command line, pick a platform backend, run the game.
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "app/options.h"
#include "app/run.h"
#ifdef _WIN32
#include "platform/win32/win32_platform.h"
#else
#include "platform/headless/headless_platform.h"
#include "platform/sdl/sdl_platform.h"
#endif

#ifndef DELVER_VERSION
#define DELVER_VERSION "0.0.0"
#endif

int main(int argc, char** argv) {
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
    if (!options.directory.empty()) {
        std::error_code ec;
        std::filesystem::current_path(options.directory, ec);
        if (ec) {
            std::fprintf(stderr, "delver: cannot change to folder %s: %s\n",
                         delver::Quoted(options.directory).c_str(), ec.message().c_str());
            return 2;
        }
    }
    delver::InputScript script;
    if (!delver::LoadInputScript(options, script, error) || !delver::CheckScreenshotPath(options, error)) {
        std::fprintf(stderr, "delver: %s\n", error.c_str());
        return 2;
    }
    // A recording that cannot be written is refused before anything starts.
    std::FILE* recording = delver::OpenRecording(options, error);
    if (!recording && !options.record.empty()) {
        std::fprintf(stderr, "delver: %s\n", error.c_str());
        return 2;
    }

#ifdef _WIN32
    if (options.headless) {
        std::fprintf(stderr, "delver: --headless runs need the Linux build (offscreen OpenGL through EGL)\n");
        return 2;
    }
    delver::Win32Platform backend(options.fps);
    return delver::RunGame(options, script, backend, recording);
#else
    if (options.headless) {
        delver::HeadlessPlatform backend;
        return delver::RunGame(options, script, backend, recording);
    }
    std::string why;
    if (!delver::SdlPlatform::DisplayAvailable(&why)) {
        std::fprintf(stderr, "delver: no display to open a window on (%s); run with --headless to play offscreen\n",
                     why.c_str());
        if (recording) std::fclose(recording);
        return 1;
    }
    delver::SdlPlatform backend(options.fps);
    return delver::RunGame(options, script, backend, recording);
#endif
}
