// The sound output: one SDL_mixer mixer for the player, one mixer channel per declared audio channel.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/audio_channel_player.h"

namespace tavrik {

class AudioOutput {
 public:
  // Opens the sound device. Headless runs use SDL's silent "dummy" output unless SDL_AUDIODRIVER names
  // another; a player whose device cannot be opened falls back to the dummy output too. Nothing when no
  // output at all can be had: channels then play nothing and the game goes on.
  static std::unique_ptr<AudioOutput> open(bool headless);
  ~AudioOutput();
  AudioOutput(const AudioOutput&) = delete;
  AudioOutput& operator=(const AudioOutput&) = delete;

  // A player on a mixer channel of its own. positional: a sound-effect channel that follows its 3-D
  // position; performanceChannels: the count the script declared (kept; the mixer needs none).
  std::unique_ptr<AudioChannelPlayer> createPlayer(bool positional, int performanceChannels);

  // The name of the SDL audio driver in use ("pulseaudio", "alsa", "dummy", "disk" ...).
  std::string driver() const;
  int sampleRate() const { return rate_; }

  // Left and right gains (0 to 1) of a sound at (x, y, z) heard by a listener at the origin facing +z
  // with x to the right: full up to distance 1, then falling as 1 / distance; balanced by x / distance.
  static void positionalGains(float x, float y, float z, float& left, float& right);

 private:
  AudioOutput() = default;
  int rate_ = 0;
  int channels_ = 0;
  // Players check it: one that outlives the output does nothing rather than call a closed mixer.
  std::shared_ptr<bool> open_;
};

}  // namespace tavrik
