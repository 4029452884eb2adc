// The game's sounds as play starts them, heard through a speaker that keeps
// what the game gave it: nothing is opened while sound is off, the settings
// screen turns it on in play, each event (a layer change, a refused layer
// key, the console opening, an objective taken) starts its own cue at the
// volume set then, and the console's cue starts before its key's pause.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/game.h"
#include "platform/input.h"
#include "support/fake_platform.h"
#include "support/test_support.h"

namespace delver {
namespace {

constexpr int Heard = 11025;  // samples pulled after each event: half a second, the longest cue

class SpeakerPlatform : public testing::FakePlatform {
public:
    SoundSource* source = nullptr;
    int rate = 0, starts = 0, stops = 0;
    bool pullAtNextPause = false;
    std::vector<int16_t> pulledAtPause;

    bool StartSound(SoundSource& s, int r, std::string&) override {
        source = &s;
        rate = r;
        ++starts;
        return true;
    }
    void StopSound() override {
        source = nullptr;
        ++stops;
    }
    void Sleep(unsigned ms) override {
        if (pullAtNextPause) pulledAtPause = Pull();
        pullAtNextPause = false;
        FakePlatform::Sleep(ms);
    }
    std::vector<int16_t> Pull() {
        std::vector<int16_t> out(Heard);
        if (source) source->FillSound(out.data(), Heard);
        return out;
    }
};

std::vector<int16_t> Alone(Cue cue, int volume) {
    Mixer mixer;
    mixer.Play(cue, volume);
    std::vector<int16_t> out(Heard);
    mixer.Mix(out.data(), Heard);
    return out;
}

class GameSound : public ::testing::Test {
protected:
    testing::ScratchDir dir;
    SpeakerPlatform platform;
    std::unique_ptr<Game> game = std::make_unique<Game>();

    void SetUp() override {
        dir.Enter();
        ASSERT_TRUE(StartUp(*game, platform, 1234u));
        for (int k = 37; k <= 43; ++k)
            for (int j = 37; j <= 43; ++j)
                for (int i = 37; i <= 43; ++i) game->grids.WorldGrid[CellIndex(i, j, k)] = Empty;
        game->shell.PlayerCell[0] = game->shell.PlayerCell[1] = game->shell.PlayerCell[2] = 40;
    }
    // One press: a frame with the key down, one with it up.
    void Press(int key) {
        platform.SetKey(key, true);
        ASSERT_TRUE(RunFrame(*game, platform));
        platform.SetKey(key, false);
        ASSERT_TRUE(RunFrame(*game, platform));
    }
};

TEST_F(GameSound, CuesSoundWhileTheSettingsSaySoFromTheMomentTheyAreStarted) {
    // Sound off, the game's own: no device, whatever happens.
    Press(vk::PageDown);
    Press(vk::Tab);
    Press(vk::Tab);
    EXPECT_EQ(game->shell.PlayerCell[2], 41);
    EXPECT_EQ(platform.starts, 0);

    // The settings screen: twelve rows down to SOUND, Enter turns it on,
    // and the device opens with the next frame.
    Press(vk::F10);
    for (int i = 0; i < 12; ++i) Press(input::Down);
    Press(vk::Enter);
    Press(vk::F10);
    EXPECT_FALSE(game->settingsScreen.open);
    EXPECT_EQ(platform.starts, 1);
    EXPECT_EQ(platform.rate, SoundRate);
    EXPECT_EQ(platform.Pull(), std::vector<int16_t>(Heard, 0));

    // Each event its own cue, at the volume set (80 unless chosen).
    Press(vk::PageUp);
    EXPECT_EQ(game->shell.PlayerCell[2], 40);
    EXPECT_EQ(platform.Pull(), Alone(Cue::LayerChange, 80));
    game->grids.WorldGrid[CellIndex(40, 40, 39)] = Brick;
    Settings quieter = game->play.settings();
    quieter.volume = 30;
    game->play.SetSettings(quieter);
    Press(vk::PageUp);
    EXPECT_EQ(game->shell.PlayerCell[2], 40);
    EXPECT_EQ(platform.Pull(), Alone(Cue::Refused, 30));
    // The console's cue is already under way when its key's pause begins.
    platform.pullAtNextPause = true;
    Press(vk::Tab);
    EXPECT_EQ(game->console.ConsoleOpen, 1);
    EXPECT_EQ(platform.pulledAtPause, Alone(Cue::Console, 30));
    Press(vk::Tab);
    game->grids.MarkerGrid[CellIndex(40, 40, 40)] = ObjectiveMarker;
    ASSERT_TRUE(RunFrame(*game, platform));
    EXPECT_EQ(game->shell.ObjectivesFound, 1);
    EXPECT_EQ(platform.Pull(), Alone(Cue::Objective, 30));

    // Off again: silence, with the device still open.
    Settings off = game->play.settings();
    off.sound = false;
    game->play.SetSettings(off);
    Press(vk::PageDown);
    Press(vk::Tab);
    EXPECT_EQ(platform.Pull(), std::vector<int16_t>(Heard, 0));
    EXPECT_EQ(platform.starts, 1);
    ShutDown(*game);
    EXPECT_EQ(platform.stops, 1);
}

}  // namespace
}  // namespace delver
