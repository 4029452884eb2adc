// Frame pacing of the windowed backends, on a simulated clock: the cap
// holds on average whatever the sleep's granularity, slow frames are never
// held back, and a long pause does not make the frames after it hurry.
#include <gtest/gtest.h>

#include <chrono>

#include "platform/frame_pacer.h"

namespace delver {
namespace {

using std::chrono::milliseconds;
using std::chrono::nanoseconds;
using Clock = FramePacer::Clock;

// Plays frames of the given work time; each swap waits as the pacer says,
// cut to whole milliseconds when coarse (as Windows' Sleep does). Returns
// the time from the first swap to the last.
nanoseconds PlayFrames(FramePacer& pacer, int frames, nanoseconds work, bool coarse) {
    Clock::time_point now{};
    Clock::time_point first{};
    for (int i = 0; i < frames; ++i) {
        now += work;
        nanoseconds wait = pacer.WaitBeforeSwap(now);
        EXPECT_GE(wait.count(), 0);
        if (coarse) wait = std::chrono::duration_cast<milliseconds>(wait);
        now += wait;
        if (i == 0) first = now;
    }
    return now - first;
}

TEST(FramePacer, HoldsTheCapOnAverageWhateverTheSleepsGranularity) {
    for (bool coarse : {false, true}) {
        for (int fps : {30, 60, 144}) {
            FramePacer pacer(fps);
            const int frames = fps * 10 + 1;  // ten seconds of swaps
            const nanoseconds span = PlayFrames(pacer, frames, milliseconds(2), coarse);
            // Within one frame of ten seconds.
            const double seconds = std::chrono::duration<double>(span).count();
            EXPECT_NEAR(seconds, 10.0, 1.0 / fps) << fps << " fps, coarse " << coarse;
        }
    }
}

TEST(FramePacer, UnpacedAndSlowFramesNeverWait) {
    FramePacer unpaced(0);
    EXPECT_FALSE(unpaced.Paced());
    Clock::time_point now{};
    for (int i = 0; i < 100; ++i) EXPECT_EQ(unpaced.WaitBeforeSwap(now += milliseconds(1)).count(), 0);
    // Frames slower than the cap run at the machine's own rate.
    FramePacer pacer(60);
    EXPECT_EQ(PlayFrames(pacer, 101, milliseconds(25), false), milliseconds(2500));
}

TEST(FramePacer, ALongPauseStartsANewCadence) {
    FramePacer pacer(50);  // 20 ms a frame
    Clock::time_point now{};
    EXPECT_EQ(pacer.WaitBeforeSwap(now).count(), 0);
    now += milliseconds(5);
    EXPECT_EQ(pacer.WaitBeforeSwap(now), milliseconds(15));
    now += milliseconds(15);
    // The key bindings pause 800 ms: that frame swaps at once...
    now += milliseconds(805);
    EXPECT_EQ(pacer.WaitBeforeSwap(now).count(), 0);
    // ...and the next is due a whole frame later, not at once to catch up.
    now += milliseconds(5);
    EXPECT_EQ(pacer.WaitBeforeSwap(now), milliseconds(15));
    // A frame a little late (30 ms) is made up by the next one.
    now += milliseconds(15) + milliseconds(30);
    EXPECT_EQ(pacer.WaitBeforeSwap(now).count(), 0);
    now += milliseconds(5);
    EXPECT_EQ(pacer.WaitBeforeSwap(now), milliseconds(5));
}

}  // namespace
}  // namespace delver
