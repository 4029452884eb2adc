#include "app/run.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <utility>

#include "app/game.h"
#include "app/recorder.h"
#include "app/screenshot.h"
#include "app/scripted_platform.h"
#include "platform/files.h"
#include "settings/settings.h"
#include "version.h"

namespace delver {

bool LoadInputScript(const Options& options, InputScript& script, std::string& error) {
    script.events.clear();
    if (options.inputScript.empty()) return true;
    const std::string shown = Quoted(options.inputScript);
    // Only a plain file: a folder, a device or a pipe could hold no script,
    // or one that never ends.
    std::error_code ec;
    if (!std::filesystem::is_regular_file(options.inputScript, ec)) {
        error = "input script " + shown + " is not a file that can be read";
        return false;
    }
    std::FILE* in = OpenRegularStream(options.inputScript, false);
    if (!in) {
        error = "cannot read input script " + shown;
        return false;
    }
    std::string text(MaxInputScriptBytes + 1, '\0');
    text.resize(std::fread(text.data(), 1, text.size(), in));
    std::fclose(in);
    if (text.size() > MaxInputScriptBytes) {
        error = "input script " + shown + " is larger than " + std::to_string(MaxInputScriptBytes >> 20) + " MiB";
        return false;
    }
    std::string why;
    if (!ParseInputScript(text, script, why)) {
        error = "input script " + shown + ": " + why;
        return false;
    }
    return true;
}

bool CheckScreenshotPath(const Options& options, std::string& error) {
    if (options.screenshot.empty()) return true;
    const std::string& path = options.screenshot;
    std::error_code ec;
    const bool existed = std::filesystem::exists(path, ec);
    // Opened for writing without harming what is there; a file made only
    // for the check goes again.
    std::FILE* f = nullptr;
    if (existed && std::filesystem::is_regular_file(path, ec)) f = std::fopen(path.c_str(), "r+b");
    if (!existed) f = OpenRegularStream(path, true);
    if (!f) {
        error = "cannot write screenshot " + Quoted(path) + " (no such folder, not a plain file, or not writable)";
        return false;
    }
    std::fclose(f);
    if (!existed) std::filesystem::remove(path, ec);
    return true;
}

RecordingFile OpenRecording(const Options& options, std::string& error) {
    error.clear();
    if (options.record.empty()) return nullptr;
    if (!options.inputScript.empty()) {
        std::error_code ec;
        if (std::filesystem::equivalent(options.inputScript, options.record, ec)) {
            error = "--record " + Quoted(options.record) + " would overwrite the input script it plays";
            return nullptr;
        }
    }
    return OpenRecordingFile(options.record, error);
}

namespace {

// settings.cfg in the game folder; a missing file gives the defaults.
SettingsFile ReadSettingsFile() {
    GameFile f = GameFile::OpenForReading(".\\settings.cfg");
    if (!f.IsOpen()) return {};
    // A settings file is a few lines; anything past 64 KiB is not one.
    std::string text(64 * 1024, '\0');
    text.resize(f.Read(text.data(), text.size()));
    SettingsFile file = ParseSettings(text);
    for (const std::string& problem : file.problems)
        std::fprintf(stderr, "delver: settings.cfg %s; the line is passed over\n", problem.c_str());
    return file;
}

SettingsFile SettingsForRun(const InputScript& script) {
    SettingsFile file = ReadSettingsFile();
    if (script.settings.empty()) return file;
    // A recording's settings replace every setting that changes play, so
    // it replays the same with or without a settings file beside it.
    // Only the settings of the picture alone (fullscreen, scale, shafts,
    // fog) and the sound stay the file's.
    Settings s;
    s.fullscreen = file.settings.fullscreen;
    s.wholeScale = file.settings.wholeScale;
    s.markedShafts = file.settings.markedShafts;
    s.fog = file.settings.fog;
    s.sound = file.settings.sound;
    s.volume = file.settings.volume;
    std::string why;
    for (const auto& [name, value] : script.settings) ApplySetting(s, name, value, why);
    file.settings = s;
    return file;
}

}  // namespace

int RunGame(const Options& options, const InputScript& script, Platform& backend, RecordingFile recording) {
    ScriptedPlatform scripted(backend, script, SceneWidth, SceneHeight);
    // The recorder sits above the script, so it writes what the game saw
    // from both: the script's input and the machine's.
    std::unique_ptr<RecordingPlatform> recorder;
    if (recording)
        recorder = std::make_unique<RecordingPlatform>(scripted, std::move(recording), SceneWidth, SceneHeight);
    Platform& platform = recorder ? static_cast<Platform&>(*recorder) : scripted;
    auto game = std::make_unique<Game>();
    game->frame.CapturePresented = !options.screenshot.empty();
    game->fastScene = options.render != "literal";
    UseSettings(*game, SettingsForRun(script));

    int status = 0;
    int64_t framesRun = 0;
    bool frameLimit = false;
    if (!StartUp(*game, platform, options.seed)) {
        std::fprintf(stderr, "delver: no window could be made, and without one no key can be read\n");
        status = 1;
    } else {
        if (recorder)
            recorder->WriteHeader(DELVER_VERSION, game->seed, game->shell.ViewDistance,
                                  PlaySettings(game->play.settings()));
        while (game->shell.QuitRequested == 0) {
            if (options.frames && framesRun >= *options.frames) {
                frameLimit = true;
                break;
            }
            scripted.BeginFrame(game->shell.FrameCounter);
            if (recorder) recorder->BeginFrame(game->shell.FrameCounter);
            const bool ok = RunFrame(*game, platform);
            if (recorder) recorder->EndFrame();
            if (!ok) {
                std::fprintf(stderr,
                             "delver: the window could not be made again, and without one no key can be read\n");
                status = 1;
                break;
            }
            ++framesRun;
        }
    }
    if (recorder) {
        recorder->Finish(framesRun, frameLimit);
        if (!recorder->Healthy()) {
            std::fprintf(stderr, "delver: writing the recording %s failed; it ends early\n",
                         Quoted(options.record).c_str());
            if (status == 0) status = 1;
        }
    }

    if (!options.screenshot.empty() && status == 0) {
        const FrameState& f = game->frame;
        if (f.Presented.empty()) {
            std::fprintf(stderr, "delver: no picture was shown, so no screenshot was written\n");
            status = 1;
        } else if (!WriteBmp24(options.screenshot, f.Presented, f.PresentedWidth, f.PresentedHeight)) {
            std::fprintf(stderr, "delver: cannot write screenshot %s\n", Quoted(options.screenshot).c_str());
            status = 1;
        }
    }
    if (options.report) {
        std::string report = RunReport(*game, framesRun, scripted.SleptMilliseconds());
        std::printf("%s\n", report.c_str());
        std::fflush(stdout);
    }
    platform.SetPointerCaptured(false);
    ShutDown(*game);
    return status;
}

}  // namespace delver
