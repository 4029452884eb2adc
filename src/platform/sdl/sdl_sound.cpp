// The SDL backend's sound: SDL's audio started only when the game asks for
// it, and one device pulling from the game's source.
#include <SDL.h>

#include "platform/sdl/sdl_platform.h"

namespace delver {

namespace {

// SDL's callback, on its audio thread, with the device's lock held.
void PullFromSource(void* source, Uint8* stream, int bytes) {
    static_cast<SoundSource*>(source)->FillSound(reinterpret_cast<int16_t*>(stream), bytes / 2);
}

// Stops SDL's audio, and SDL itself when nothing else of it runs.
void StopAudio() {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    if (SDL_WasInit(SDL_INIT_EVERYTHING) == 0) SDL_Quit();
}

}  // namespace

bool SdlPlatform::StartSound(SoundSource& source, int rate, std::string& why) {
    StopSound();
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        why = std::string("SDL audio could not start: ") + SDL_GetError();
        if (SDL_WasInit(SDL_INIT_EVERYTHING) == 0) SDL_Quit();
        return false;
    }
    SDL_AudioSpec want{};
    want.freq = rate;
    want.format = AUDIO_S16SYS;
    want.channels = 1;
    want.samples = 512;  // about 23 ms at the game's rate: a cue starts that soon
    want.callback = PullFromSource;
    want.userdata = &source;
    // No changes allowed: SDL converts to what the device takes.
    const SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &want, nullptr, 0);
    if (device == 0) {
        why = std::string("no sound device: ") + SDL_GetError();
        StopAudio();
        return false;
    }
    audioDevice_ = device;
    SDL_PauseAudioDevice(device, 0);
    return true;
}

void SdlPlatform::StopSound() {
    if (audioDevice_ == 0) return;
    // Waits for a callback under way; none comes after.
    SDL_CloseAudioDevice(audioDevice_);
    audioDevice_ = 0;
    StopAudio();
}

}  // namespace delver
