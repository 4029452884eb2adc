// The game's sounds and their mixer: every cue is heard, is told apart from
// the others, and never clips; volume 0 is silence; voices add up, end, and
// give way to new ones; sums beyond full scale are eased, never wrapped.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "audio/mixer.h"

namespace delver {
namespace {

// What the mixer plays of a fresh start of the cues given, count samples.
std::vector<int16_t> Played(std::initializer_list<Cue> cues, int volume, size_t count) {
    Mixer mixer;
    for (Cue c : cues) mixer.Play(c, volume);
    std::vector<int16_t> out(count);
    mixer.Mix(out.data(), static_cast<int>(count));
    return out;
}

size_t Longest() {
    Mixer m;
    size_t n = 0;
    for (int c = 0; c < CueCount; ++c) n = std::max(n, m.CueSamples(static_cast<Cue>(c)).size());
    return n;
}

// Sign changes a second: the pitch a listener hears.
double CrossingsPerSecond(const std::vector<float>& s) {
    int n = 0;
    for (size_t i = 1; i < s.size(); ++i) n += (s[i - 1] < 0) != (s[i] < 0);
    return n * static_cast<double>(SoundRate) / static_cast<double>(s.size());
}

TEST(Sound, EveryCueIsHeardToldApartAndNeverClips) {
    Mixer mixer;
    struct Heard {
        double seconds, pitch;
    };
    std::vector<Heard> heard;
    for (int c = 0; c < CueCount; ++c) {
        const Cue cue = static_cast<Cue>(c);
        const std::vector<float>& samples = mixer.CueSamples(cue);
        const double seconds = static_cast<double>(samples.size()) / SoundRate;
        EXPECT_GT(seconds, 0.03) << c;
        EXPECT_LT(seconds, 0.5) << c;
        // Silent at both ends, so that starting and stopping never click.
        EXPECT_EQ(samples.front(), 0.0f) << c;
        EXPECT_LT(std::fabs(samples.back()), 0.01f) << c;

        // Alone at full volume it comes out exactly as made: loud, and
        // below the limiter's knee.
        const std::vector<int16_t> out = Played({cue}, 100, samples.size());
        int peak = 0;
        double energy = 0;
        for (size_t i = 0; i < out.size(); ++i) {
            EXPECT_EQ(out[i], std::lround(samples[i] * 32767.0f)) << c << " at " << i;
            peak = std::max(peak, std::abs(static_cast<int>(out[i])));
            energy += static_cast<double>(out[i]) * out[i];
        }
        EXPECT_NEAR(peak, CuePeak * 32767, 1) << c;
        EXPECT_GT(std::sqrt(energy / static_cast<double>(out.size())), 2000) << c;
        heard.push_back({seconds, CrossingsPerSecond(samples)});
    }
    // Any two differ by a third in length or in pitch.
    const auto ratio = [](double x, double y) { return std::max(x, y) / std::min(x, y); };
    for (size_t a = 0; a < heard.size(); ++a)
        for (size_t b = a + 1; b < heard.size(); ++b) {
            const double length = ratio(heard[a].seconds, heard[b].seconds);
            EXPECT_TRUE(length > 1.33 || ratio(heard[a].pitch, heard[b].pitch) > 1.33)
                << "cues " << a << " and " << b << " sound alike";
        }
}

TEST(Sound, VolumeScalesAndZeroIsSilence) {
    const size_t n = Longest();
    const std::vector<int16_t> full = Played({Cue::Objective}, 100, n);
    const std::vector<int16_t> half = Played({Cue::Objective}, 50, n);
    for (size_t i = 0; i < n; ++i) EXPECT_NEAR(half[i], full[i] * 0.25, 1.0) << i;
    Mixer mixer;
    for (int c = 0; c < CueCount; ++c) mixer.Play(static_cast<Cue>(c), 0);
    std::vector<int16_t> out(n, 1);
    mixer.Mix(out.data(), static_cast<int>(n));
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](int16_t v) { return v == 0; }));
    EXPECT_EQ(mixer.ActiveVoices(), 0);
}

TEST(Sound, VoicesAddUpEndAndGiveWayWithoutWrapping) {
    // Two cues together are their sum, and both end.
    const size_t n = Longest() + 100;
    Mixer mixer;
    const std::vector<float>& refused = mixer.CueSamples(Cue::Refused);
    const std::vector<float>& console = mixer.CueSamples(Cue::Console);
    mixer.Play(Cue::Refused, 100);
    mixer.Play(Cue::Console, 100);
    std::vector<int16_t> out(n);
    mixer.Mix(out.data(), 100);
    EXPECT_EQ(mixer.ActiveVoices(), 2);
    mixer.Mix(out.data() + 100, static_cast<int>(n - 100));
    for (size_t i = 0; i < n; ++i) {
        const float sum = (i < refused.size() ? refused[i] : 0.0f) + (i < console.size() ? console[i] : 0.0f);
        EXPECT_EQ(out[i], LimitSample(sum)) << i;
    }
    EXPECT_EQ(mixer.ActiveVoices(), 0);
    EXPECT_EQ(out.back(), 0);

    // One cue more than there are voices takes the place of the one that
    // started first; the loud sum is eased into range, never wrapped.
    for (int i = 0; i < Mixer::VoiceCount; ++i) {
        mixer.Play(Cue::Refused, 100);
        mixer.Mix(out.data(), 1);
    }
    const std::vector<float>& saved = mixer.CueSamples(Cue::Saved);
    ASSERT_GT(saved.size(), refused.size());
    mixer.Play(Cue::Saved, 100);
    mixer.Mix(out.data(), static_cast<int>(refused.size()));
    int loudest = 0;
    for (size_t j = 0; j < refused.size(); ++j) {
        float sum = saved[j];  // in the first voice's place
        for (size_t v = 1; v < Mixer::VoiceCount; ++v) {
            const size_t at = Mixer::VoiceCount - v + j;
            if (at < refused.size()) sum += refused[at];
        }
        ASSERT_EQ(out[j], LimitSample(sum)) << j;
        loudest = std::max(loudest, std::abs(static_cast<int>(out[j])));
    }
    EXPECT_GT(loudest, 30000);
    EXPECT_EQ(mixer.ActiveVoices(), 1);  // the refusals have ended, the save goes on
    EXPECT_EQ(LimitSample(100.0f), 32767);
    EXPECT_EQ(LimitSample(-100.0f), -32767);
}

}  // namespace
}  // namespace delver
