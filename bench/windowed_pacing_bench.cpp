// The windowed game's frame rate and CPU use, with and without the frame
// cap. Runs the real SDL build in its window (so it needs a display: run it
// under xvfb-run on a machine without one) on a fixed seed, standing still
// with nothing pressed, as a player who has left the game open.
//
// Each setting is run twice, for a short and a long number of frames, and
// the figures are the differences between the two runs, so start-up (the
// world build, the images, the overworld's pause) cancels out:
//   frames a second = extra frames / extra wall time
//   CPU use         = extra CPU time of the game (user + system, all its
//                     threads, Mesa's renderer included) / extra wall time,
//                     in per cent of one core.
//
// usage: windowed_pacing_bench [SECONDS_AT_THE_CAP]   (default 5)
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct RunCost {
    bool ok = false;
    double wallSeconds = 0;
    double cpuSeconds = 0;
};

// Runs the game for the given frames and measures it.
RunCost RunGame(int frames, const std::vector<std::string>& extra) {
    std::vector<std::string> args = {DELVER_BINARY, "-C",       DELVER_GAME_DIR,       "--seed",
                                     "42",          "--frames", std::to_string(frames)};
    args.insert(args.end(), extra.begin(), extra.end());
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    RunCost cost;
    std::fflush(stdout);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = fork();
    if (pid < 0) return cost;
    if (pid == 0) {
        const int devNull = open("/dev/null", O_WRONLY);
        if (devNull < 0 || dup2(devNull, 1) < 0) _exit(127);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid) return cost;
    cost.wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    cost.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                      static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    cost.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return cost;
}

bool Measure(const char* label, int shortFrames, int longFrames, const std::vector<std::string>& extra) {
    const RunCost a = RunGame(shortFrames, extra);
    const RunCost b = RunGame(longFrames, extra);
    if (!a.ok || !b.ok) {
        std::printf("%-22s the game did not run to its frame limit\n", label);
        return false;
    }
    const double wall = b.wallSeconds - a.wallSeconds;
    const double cpu = b.cpuSeconds - a.cpuSeconds;
    if (wall <= 0) {
        std::printf("%-22s the runs were too short to tell apart\n", label);
        return false;
    }
    std::printf("%-22s %8.1f frames/s  %6.1f %% of one core  (%d frames in %.2f s)\n", label,
                (longFrames - shortFrames) / wall, 100.0 * cpu / wall, longFrames - shortFrames, wall);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const char* display = std::getenv("DISPLAY");
    if ((!display || !*display) && !std::getenv("WAYLAND_DISPLAY")) {
        std::fprintf(stderr,
                     "windowed_pacing_bench: needs a display; on a machine without one run\n"
                     "  xvfb-run -a -s '-screen 0 1280x1024x24' %s\n",
                     argv[0]);
        return 1;
    }
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 5;
    if (seconds < 1) {
        std::fprintf(stderr, "usage: windowed_pacing_bench [SECONDS_AT_THE_CAP]\n");
        return 2;
    }
    std::printf("the windowed game standing still, 640 x 480, seed 42\n");
    bool ok = true;
    ok &= Measure("capped (default 60)", 60, 60 + 60 * seconds, {});
    ok &= Measure("capped (--fps 30)", 30, 30 + 30 * seconds, {"--fps", "30"});
    // As many frames as the cap's run, so the unpaced run is no longer.
    ok &= Measure("unpaced (--fps 0)", 60, 60 + 60 * seconds, {"--fps", "0"});
    return ok ? 0 : 1;
}
