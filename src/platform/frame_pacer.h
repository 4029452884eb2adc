// Frame pacing for the windowed backends. A window shows at most a set
// number of frames a second: just before each buffer swap the backend asks
// the pacer how long to wait, so the game does not take a whole core, nor
// runs faster on a faster machine (the player moves a fixed step a frame).
//
// The pacer keeps a cadence: each swap is due one interval after the
// previous one was due, so a short wait rounded down by a coarse sleep is
// made up by the next frame and the rate holds on average. A frame that
// comes more than a whole interval late (the key bindings' long pauses, a
// save) starts a new cadence instead of hurrying the frames after it.
//
// The headless backend is never paced: its clock is virtual.
#pragma once

#include <chrono>

namespace delver {

class FramePacer {
public:
    using Clock = std::chrono::steady_clock;

    // framesPerSecond 0 never waits: frames follow each other as fast as
    // drawing and the swap allow.
    explicit FramePacer(int framesPerSecond = 0);

    int FramesPerSecond() const { return framesPerSecond_; }
    bool Paced() const { return framesPerSecond_ > 0; }

    // How long to wait, from now, before this frame's swap. The first swap
    // never waits.
    std::chrono::nanoseconds WaitBeforeSwap(Clock::time_point now);

private:
    int framesPerSecond_ = 0;
    std::chrono::nanoseconds interval_{0};
    Clock::time_point due_{};
    bool started_ = false;
};

}  // namespace delver
