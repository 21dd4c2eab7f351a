#include "platform/audio_output.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "platform/script_path.h"

namespace tavrik {

namespace {

constexpr const char* kSoundFont = "/usr/share/sounds/sf2/TimGM6mb.sf2";
// No sound file of a game comes near this; a name that leads to a device must not be read forever.
constexpr std::uintmax_t kMaxSoundFileSize = 512u * 1024 * 1024;

// A real device gets a short buffer (23 ms) for prompt sound; the silent output, which nobody hears, a
// long one, so its thread wakes ten times a second instead of forty.
bool openMixer(int bufferFrames) {
  return Mix_OpenAudio(44100, AUDIO_S16SYS, 2, bufferFrames) == 0;
}

class MixerChannelPlayer : public AudioChannelPlayer {
 public:
  MixerChannelPlayer(std::shared_ptr<const bool> open, int channel, bool positional, int performanceChannels)
      : open_(std::move(open)),
        channel_(channel),
        positional_(positional),
        performanceChannels_(performanceChannels) {}

  ~MixerChannelPlayer() override {
    if (*open_) Mix_HaltChannel(channel_);
    // Freeing needs no open device: a player that outlives the output still gives its sound back.
    if (chunk_) Mix_FreeChunk(chunk_);
  }

  void load(std::string_view scriptPath) override {
    if (!*open_) return;
    // The old sound stops and is freed; the new one waits for play.
    Mix_HaltChannel(channel_);
    if (chunk_) {
      Mix_FreeChunk(chunk_);
      chunk_ = nullptr;
    }
    const std::optional<std::filesystem::path> native = paths::resolve(scriptPath);
    if (!native) return;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(*native, ec) ||
        std::filesystem::file_size(*native, ec) > kMaxSoundFileSize)
      return;
    chunk_ = Mix_LoadWAV(native->c_str());
  }

  void play(std::uint32_t repeats) override {
    if (!*open_ || !chunk_) return;
    const int loops =
        repeats == 0xFFFFFFFFu ? -1 : static_cast<int>(std::min<std::uint32_t>(repeats, 0x7FFFFFFF));
    Mix_PlayChannel(channel_, chunk_, loops);
  }

  void stop() override {
    if (*open_) Mix_HaltChannel(channel_);
  }

  void setVolumeLevel(std::int32_t level) override {
    if (!*open_ || level == level_) return;
    level_ = level;
    // Back from hundredths of a decibel to a linear gain; -9600 is silence.
    const double gain = level <= -9600 ? 0.0 : std::pow(10.0, level / 2000.0);
    Mix_Volume(channel_, static_cast<int>(std::lround(gain * MIX_MAX_VOLUME)));
  }

  void setPosition(float x, float y, float z) override {
    if (!*open_ || !positional_) return;
    float left = 1, right = 1;
    AudioOutput::positionalGains(x, y, z, left, right);
    const auto l = static_cast<Uint8>(std::lround(left * 255)),
               r = static_cast<Uint8>(std::lround(right * 255));
    if (l == panLeft_ && r == panRight_) return;
    panLeft_ = l;
    panRight_ = r;
    Mix_SetPanning(channel_, l, r);
  }

 private:
  std::shared_ptr<const bool> open_;
  int channel_;
  bool positional_;
  int performanceChannels_;  // what the script declared; the mixer has no use for it
  Mix_Chunk* chunk_ = nullptr;
  std::int32_t level_ = 1;
  Uint8 panLeft_ = 255, panRight_ = 255;
};

}  // namespace

void AudioOutput::positionalGains(float x, float y, float z, float& left, float& right) {
  const double d =
      std::sqrt(static_cast<double>(x) * x + static_cast<double>(y) * y + static_cast<double>(z) * z);
  const double attenuation = d <= 1.0 ? 1.0 : 1.0 / d;
  const double balance = d > 0 ? std::clamp(static_cast<double>(x) / d, -1.0, 1.0) : 0.0;
  left = static_cast<float>(std::min(1.0, 1.0 - balance) * attenuation);
  right = static_cast<float>(std::min(1.0, 1.0 + balance) * attenuation);
}

std::unique_ptr<AudioOutput> AudioOutput::open(bool headless) {
  const char* asked = std::getenv("SDL_AUDIODRIVER");
  const bool driverAsked = asked && *asked;
  auto tryOpen = [] {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    const char* driver = SDL_GetCurrentAudioDriver();
    const bool silent = driver && SDL_strcmp(driver, "dummy") == 0;
    return openMixer(silent ? 4096 : 1024);
  };
  bool opened = false;
  if (!headless || driverAsked) opened = tryOpen();
  if (!opened) {
    // No device (a server without sound, a headless run): the silent output keeps the game going.
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, "dummy", SDL_HINT_OVERRIDE);
    opened = tryOpen();
    if (!opened) {
      SDL_QuitSubSystem(SDL_INIT_AUDIO);
      return nullptr;
    }
  }
  Mix_Init(MIX_INIT_OGG | MIX_INIT_MID);
  std::error_code ec;
  if (!std::getenv("SDL_SOUNDFONTS") && std::filesystem::exists(kSoundFont, ec))
    Mix_SetSoundFonts(kSoundFont);
  auto output = std::unique_ptr<AudioOutput>(new AudioOutput());
  output->open_ = std::make_shared<bool>(true);
  int frequency = 0, channels = 0;
  Uint16 format = 0;
  Mix_QuerySpec(&frequency, &format, &channels);
  output->rate_ = frequency;
  Mix_AllocateChannels(0);
  return output;
}

AudioOutput::~AudioOutput() {
  *open_ = false;
  Mix_HaltChannel(-1);
  Mix_CloseAudio();
  Mix_Quit();
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

std::unique_ptr<AudioChannelPlayer> AudioOutput::createPlayer(bool positional, int performanceChannels) {
  const int channel = channels_++;
  Mix_AllocateChannels(channels_);
  return std::make_unique<MixerChannelPlayer>(open_, channel, positional, performanceChannels);
}

std::string AudioOutput::driver() const {
  const char* name = SDL_GetCurrentAudioDriver();
  return name ? name : "";
}

}  // namespace tavrik
