#include "audio/mixer.h"

#include <algorithm>
#include <cmath>

namespace delver {

namespace {

constexpr float Knee = 0.8f;

}  // namespace

float VolumeGain(int volume) {
    const float v = static_cast<float>(std::clamp(volume, 0, 100)) / 100.0f;
    return v * v;
}

int16_t LimitSample(float value) {
    float a = std::fabs(value);
    if (a > Knee) a = Knee + (1.0f - Knee) * std::tanh((a - Knee) / (1.0f - Knee));
    const long s = std::lround(std::min(a, 1.0f) * 32767.0f);
    return static_cast<int16_t>(value < 0.0f ? -s : s);
}

Mixer::Mixer(int rate) : rate_(rate) {
    for (int c = 0; c < CueCount; ++c) cues_[static_cast<size_t>(c)] = MakeCue(static_cast<Cue>(c), rate);
}

void Mixer::Play(Cue cue, int volume) {
    const int c = static_cast<int>(cue);
    if (c < 0 || c >= CueCount) return;
    const uint32_t w = written_.load(std::memory_order_relaxed);
    if (w - read_.load(std::memory_order_acquire) >= RequestSlots) return;
    const uint32_t request = static_cast<uint32_t>(c) << 8 | static_cast<uint32_t>(std::clamp(volume, 0, 100));
    requests_[w % RequestSlots].store(request, std::memory_order_relaxed);
    written_.store(w + 1, std::memory_order_release);
}

void Mixer::Start(uint32_t request) {
    const float gain = VolumeGain(static_cast<int>(request & 0xFFu));
    const std::vector<float>& samples = cues_[static_cast<size_t>(request >> 8)];
    if (gain <= 0.0f || samples.empty()) return;
    // A free voice, else the one that started first.
    Voice* v = &voices_[0];
    for (Voice& candidate : voices_) {
        if (!candidate.samples) {
            v = &candidate;
            break;
        }
        if (candidate.order - v->order > 0x80000000u) v = &candidate;  // older, counting on past a wrap
    }
    *v = Voice{&samples, 0, gain, starts_++};
}

void Mixer::Mix(int16_t* out, int count) {
    const uint32_t w = written_.load(std::memory_order_acquire);
    uint32_t r = read_.load(std::memory_order_relaxed);
    for (; r != w; ++r) Start(requests_[r % RequestSlots].load(std::memory_order_relaxed));
    read_.store(r, std::memory_order_release);

    for (int i = 0; i < count; ++i) {
        float sum = 0.0f;
        for (Voice& v : voices_) {
            if (!v.samples) continue;
            sum += (*v.samples)[v.at] * v.gain;
            if (++v.at == v.samples->size()) v.samples = nullptr;
        }
        out[i] = LimitSample(sum);
    }
}

int Mixer::ActiveVoices() const {
    return static_cast<int>(std::count_if(voices_.begin(), voices_.end(), [](const Voice& v) { return v.samples; }));
}

}  // namespace delver
