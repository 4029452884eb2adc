#include "platform/frame_pacer.h"

namespace delver {

FramePacer::FramePacer(int framesPerSecond) : framesPerSecond_(framesPerSecond > 0 ? framesPerSecond : 0) {
    if (framesPerSecond_ > 0) interval_ = std::chrono::nanoseconds(1'000'000'000LL / framesPerSecond_);
}

std::chrono::nanoseconds FramePacer::WaitBeforeSwap(Clock::time_point now) {
    if (!Paced()) return std::chrono::nanoseconds(0);
    if (!started_) {
        started_ = true;
        due_ = now + interval_;
        return std::chrono::nanoseconds(0);
    }
    const std::chrono::nanoseconds wait =
        due_ > now ? std::chrono::nanoseconds(due_ - now) : std::chrono::nanoseconds(0);
    const Clock::time_point swap = now + wait;
    due_ += interval_;
    if (due_ <= swap) due_ = swap + interval_;
    return wait;
}

}  // namespace delver
