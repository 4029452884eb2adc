#include "audio/cues.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <tuple>

namespace delver {

namespace {

constexpr double Pi = 3.14159265358979323846;
// Every part of a cue fades out over its last few milliseconds.
constexpr double Release = 0.006;

enum class Wave { Sine, Triangle, Square };

// How a part swells and fades: up over attack seconds, then down by e each
// decay seconds (0: held), and to nothing over the part's last moments.
struct Envelope {
    double attack = 0.005;
    double decay = 0.0;

    double At(double t, double length) const {
        double e = attack > 0.0 ? std::min(1.0, t / attack) : 1.0;
        if (decay > 0.0) e *= std::exp(-t / decay);
        return e * std::clamp((length - t) / Release, 0.0, 1.0);
    }
};

// A cue being built: its samples, growing as parts are added.
struct Builder {
    int rate;
    std::vector<float> samples;

    float& At(size_t i) {
        if (i >= samples.size()) samples.resize(i + 1, 0.0f);
        return samples[i];
    }
    size_t Count(double seconds) const { return static_cast<size_t>(std::lround(seconds * rate)); }
};

// One cycle of a wave at phase p (radians). The square and the triangle
// are summed from their odd harmonics, only those well under the rate's
// limit, so that no harmonic folds back as a whine.
double WaveAt(Wave wave, double p, double frequency, int rate) {
    if (wave == Wave::Sine) return std::sin(p);
    double sum = 0.0;
    for (int k = 1; k <= 15 && k * frequency < rate / 4.0; k += 2) {
        if (wave == Wave::Square)
            sum += std::sin(k * p) / k;
        else
            sum += ((k / 2) % 2 == 0 ? 1.0 : -1.0) * std::sin(k * p) / (k * k);
    }
    return wave == Wave::Square ? sum * 4.0 / Pi : sum * 8.0 / (Pi * Pi);
}

// A tone from `at` for `length` seconds, its pitch gliding evenly by
// octaves from f0 to f1 Hz.
void AddTone(Builder& b, double at, double length, double f0, double f1, Wave wave, double level, Envelope env) {
    const size_t start = b.Count(at), n = b.Count(length);
    double phase = 0.0;
    for (size_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / b.rate;
        const double f = f0 * std::pow(f1 / f0, t / length);
        b.At(start + i) += static_cast<float>(level * env.At(t, length) * WaveAt(wave, phase, f, b.rate));
        phase = std::fmod(phase + 2.0 * Pi * f / b.rate, 2.0 * Pi);
    }
}

// A burst of noise; smoothing (0..1) takes off its hiss, leaving a rush.
void AddNoise(Builder& b, double at, double length, double level, Envelope env, double smoothing, uint32_t seed) {
    const size_t start = b.Count(at), n = b.Count(length);
    double low = 0.0;
    for (size_t i = 0; i < n; ++i) {
        seed = seed * 1664525u + 1013904223u;
        const double white = static_cast<double>(seed >> 8) / (1u << 23) - 1.0;
        low = smoothing * low + (1.0 - smoothing) * white;
        const double t = static_cast<double>(i) / b.rate;
        b.At(start + i) += static_cast<float>(level * env.At(t, length) * low);
    }
}

void Build(Builder& b, Cue cue) {
    switch (cue) {
    case Cue::Objective:
        // C, E, G an octave and more above middle C, each ringing on, with
        // a little of its octave for a bell's brightness.
        for (const auto& [at, f, length] :
             {std::tuple{0.0, 1046.5, 0.16}, std::tuple{0.07, 1318.5, 0.16}, std::tuple{0.14, 1568.0, 0.30}}) {
            AddTone(b, at, length, f, f, Wave::Sine, 1.0, {0.003, length / 2.5});
            AddTone(b, at, length, 2 * f, 2 * f, Wave::Sine, 0.2, {0.003, length / 5});
        }
        break;
    case Cue::LayerChange:
        // Air rushing past as the player passes through the opening.
        AddTone(b, 0.0, 0.28, 180.0, 720.0, Wave::Triangle, 1.0, {0.05, 0.0});
        AddNoise(b, 0.0, 0.28, 0.6, {0.06, 0.12}, 0.8, 0x5eed1u);
        break;
    case Cue::Refused:
        // "Uh-uh": two short low buzzes.
        AddTone(b, 0.0, 0.11, 98.0, 98.0, Wave::Square, 1.0, {0.004, 0.08});
        AddTone(b, 0.16, 0.11, 92.5, 92.5, Wave::Square, 1.0, {0.004, 0.08});
        break;
    case Cue::Saved:
        // A soft fifth, low note then high: done.
        AddTone(b, 0.0, 0.10, 523.25, 523.25, Wave::Triangle, 1.0, {0.005, 0.08});
        AddTone(b, 0.10, 0.20, 783.99, 783.99, Wave::Triangle, 1.0, {0.005, 0.12});
        break;
    case Cue::Console:
        // A key's tick, then a short high blip.
        AddNoise(b, 0.0, 0.006, 0.8, {0.0005, 0.0}, 0.0, 0xc0de5u);
        AddTone(b, 0.004, 0.05, 1760.0, 1760.0, Wave::Sine, 1.0, {0.002, 0.015});
        break;
    case Cue::Count: break;
    }
}

}  // namespace

std::vector<float> MakeCue(Cue cue, int rate) {
    Builder b{std::max(rate, 1000), {}};
    Build(b, cue);
    float peak = 0.0f;
    for (float s : b.samples) peak = std::max(peak, std::fabs(s));
    if (peak > 0.0f)
        for (float& s : b.samples) s *= CuePeak / peak;
    return b.samples;
}

}  // namespace delver
