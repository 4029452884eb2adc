#include "app/run.h"

#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>

#include "app/game.h"
#include "app/screenshot.h"

namespace delver {

bool LoadInputScript(const Options& options, InputScript& script, std::string& error) {
    script.events.clear();
    if (options.inputScript.empty()) return true;
    std::ifstream in(options.inputScript, std::ios::binary);
    if (!in) {
        error = "cannot read input script '" + options.inputScript + "'";
        return false;
    }
    std::ostringstream text;
    text << in.rdbuf();
    std::string why;
    if (!ParseInputScript(text.str(), script, why)) {
        error = "input script " + options.inputScript + ": " + why;
        return false;
    }
    return true;
}

int RunGame(const Options& options, const InputScript& script, Platform& backend) {
    ScriptedPlatform platform(backend, script, 320, 240);
    auto game = std::make_unique<Game>();
    game->frame.CapturePresented = !options.screenshot.empty();
    game->fastScene = options.render != "literal";

    int status = 0;
    int64_t framesRun = 0;
    if (!StartUp(*game, platform, options.seed)) {
        std::fprintf(stderr, "delver: no window could be made, and without one no key can be read\n");
        status = 1;
    } else {
        while (game->shell.QuitRequested == 0) {
            if (options.frames && framesRun >= *options.frames) break;
            platform.BeginFrame(game->shell.FrameCounter);
            if (!RunFrame(*game, platform)) {
                std::fprintf(stderr, "delver: the window could not be made again, and without one no key can be read\n");
                status = 1;
                break;
            }
            ++framesRun;
        }
    }

    if (!options.screenshot.empty() && status == 0) {
        const FrameState& f = game->frame;
        if (f.Presented.empty()) {
            std::fprintf(stderr, "delver: no picture was shown, so no screenshot was written\n");
            status = 1;
        } else if (!WriteBmp24(options.screenshot, f.Presented, f.PresentedWidth, f.PresentedHeight)) {
            std::fprintf(stderr, "delver: cannot write screenshot '%s'\n", options.screenshot.c_str());
            status = 1;
        }
    }
    if (options.report) {
        std::string report = RunReport(*game, framesRun, platform.SleptMilliseconds());
        std::printf("%s\n", report.c_str());
        std::fflush(stdout);
    }
    ShutDown(*game);
    return status;
}

}  // namespace delver
