// The mixer the sound device pulls from: a fixed number of voices, each
// playing one cue at the volume it was started with, summed into signed
// 16-bit samples that never wrap (loud sums are eased into the range).
//
// Two threads meet here and neither ever waits for the other: the game
// starts cues with Play, and the device's side (a thread of its own on the
// desktop) takes samples with Mix. A started cue goes through a small
// lock-free queue and begins at the start of the next Mix.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "audio/cues.h"

namespace delver {

// The rate the game's sounds are made and mixed at, samples a second.
inline constexpr int SoundRate = 22050;

class Mixer {
public:
    // At most this many cues sound at once; one more takes the place of
    // the one that has played longest.
    static constexpr int VoiceCount = 8;

    // Makes every cue at rate samples a second.
    explicit Mixer(int rate = SoundRate);
    Mixer(const Mixer&) = delete;
    Mixer& operator=(const Mixer&) = delete;

    int Rate() const { return rate_; }
    // A cue's samples as made (full volume, before mixing).
    const std::vector<float>& CueSamples(Cue cue) const { return cues_[static_cast<size_t>(cue)]; }

    // The game's side: starts cue at volume 0..100 (0 is silence). Never
    // waits; a cue asked for while many others still wait to start is
    // dropped.
    void Play(Cue cue, int volume);

    // The device's side: writes the next count samples, mono.
    void Mix(int16_t* out, int count);
    // Voices sounding now (the device's side).
    int ActiveVoices() const;

private:
    struct Voice {
        const std::vector<float>* samples = nullptr;  // null: free
        size_t at = 0;
        float gain = 0.0f;
        uint32_t order = 0;  // when it started, to find the oldest
    };
    void Start(uint32_t request);

    int rate_;
    std::array<std::vector<float>, CueCount> cues_;
    std::array<Voice, VoiceCount> voices_{};
    uint32_t starts_ = 0;
    // Cues asked for and not yet started: one writer (Play), one reader
    // (Mix). Each request is the cue and the volume in one word.
    static constexpr uint32_t RequestSlots = 32;
    std::array<std::atomic<uint32_t>, RequestSlots> requests_{};
    std::atomic<uint32_t> written_{0};
    std::atomic<uint32_t> read_{0};
};

// The gain of volume 0..100: by its square, so that the steps sound even.
float VolumeGain(int volume);

// A mixed value as a 16-bit sample: unchanged up to 0.8 of full scale,
// beyond it eased towards full scale, never past it.
int16_t LimitSample(float value);

}  // namespace delver
