// Times the whole world build (GenerateDungeon + FinishWorld, with an
// all-zero overworld plan) over 20 seeds and prints the median in ms.
// The grids and the workspace are allocated once, outside the timing, and
// cleared between runs as start-up would leave them. Besides the wall-clock
// figure it prints the thread's CPU time, which stays meaningful when the
// machine is busy with other work.
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "world/dungeon_generator.h"
#include "world/world_finishing.h"

using namespace delver;

namespace {
double ThreadCpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1000.0 + ts.tv_nsec / 1e6;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2.0;
}
}  // namespace

int main() {
    WorldGrids grids;
    grids.Allocate();
    GeneratorWorkspace work;
    AllocateGeneratorWorkspace(work, true);

    constexpr int kSeeds = 20;
    std::vector<double> ms;
    std::vector<double> genMs;
    std::vector<double> cpuMs;
    for (uint32_t seed = 1; seed <= kSeeds; ++seed) {
        std::memset(grids.WorldGrid.get(), 0, GridCells);
        std::memset(grids.MarkerGrid.get(), 0, GridCells);
        ShellState shell;
        RandomSource r;
        SeedRandom(r, seed * 2654435761u);
        const double c0 = ThreadCpuMs();
        const auto t0 = std::chrono::steady_clock::now();
        GeneratePlayableLevels(grids, work, r);
        const auto t1 = std::chrono::steady_clock::now();
        FinishWorld(grids, shell, r);
        const auto t2 = std::chrono::steady_clock::now();
        cpuMs.push_back(ThreadCpuMs() - c0);
        ms.push_back(std::chrono::duration<double, std::milli>(t2 - t0).count());
        genMs.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
    }
    std::printf(
        "world build (GenerateDungeon + FinishWorld), %d seeds: median %.2f ms wall (min %.2f, max %.2f), "
        "median %.2f ms CPU; GenerateDungeon alone median %.2f ms wall\n",
        kSeeds, Median(ms), *std::min_element(ms.begin(), ms.end()), *std::max_element(ms.begin(), ms.end()),
        Median(cpuMs), Median(genMs));
    ReleaseGeneratorWorkspace(work);
    grids.Release();
    return 0;
}
