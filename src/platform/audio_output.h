// The sound output: one SDL_mixer mixer for the player, one mixer channel per declared audio channel.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/audio_channel_player.h"

namespace tavrik {

class AudioOutput {
 public:
  enum class Opening {
    // The device is open (or known to be missing) when open() returns, and sound files are decoded
    // when they are loaded: what headless runs and tests want, everything in step with the frames.
    Now,
    // open() returns at once and the device opens on the output's own thread, where sound files are
    // decoded too: a window shows its first frame without waiting for the sound system, and a long
    // piece of music does not stop the game while it is decoded. Players made meanwhile keep what they
    // are told and catch up in poll().
    InBackground,
  };

  // Opens the sound output. Headless runs use SDL's silent "dummy" output unless SDL_AUDIODRIVER names
  // another; a headless player whose device cannot be opened falls back to the dummy output too.
  // Opening::Now gives nothing when no output at all can be had: channels then play nothing and the
  // game goes on. Opening::InBackground always gives an output; a window without a sound device stays
  // silent, with no stand-in output mixing for nobody.
  static std::unique_ptr<AudioOutput> open(bool headless, Opening opening = Opening::Now);
  ~AudioOutput();
  AudioOutput(const AudioOutput&) = delete;
  AudioOutput& operator=(const AudioOutput&) = delete;

  // A player on a mixer channel of its own. positional: a sound-effect channel that follows its 3-D
  // position; performanceChannels: the count the script declared (kept; the mixer needs none).
  std::unique_ptr<AudioChannelPlayer> createPlayer(bool positional, int performanceChannels);

  // Once a frame, on the thread that plays: brings the players up to date with what the output's own
  // thread has finished (the device opened, sounds decoded). Nothing to do for Opening::Now.
  void poll();

  // Left and right gains (0 to 1) of a sound at (x, y, z) heard by a listener at the origin facing +z
  // with x to the right: full up to distance 1, then falling as 1 / distance; balanced by x / distance.
  static void positionalGains(float x, float y, float z, float& left, float& right);

  struct Core;

 private:
  explicit AudioOutput(std::shared_ptr<Core> core);
  std::shared_ptr<Core> core_;
};

}  // namespace tavrik
