// The sound output: one SDL audio device for the player, into which every declared audio channel's sound
// is mixed as it is decoded, a block at a time on the device's own thread.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "platform/audio_channel_player.h"

namespace tavrik {

class AudioOutput {
 public:
  enum class Opening {
    // The device is open (or known to be missing) when open() returns, and sound files are opened
    // when they are loaded: what headless runs and tests want, everything in step with the frames.
    Now,
    // open() returns at once and the device opens on the output's own thread, where sound files are
    // opened too (a MIDI file is read whole and its sound font loaded): a window shows its first frame
    // without waiting for the sound system. What players are told meanwhile waits for the device.
    InBackground,
    // As InBackground, but the device starts to open only at startOpening(): a window's first frame
    // then has the processor to itself. Sounds loaded before wait for the device as they would.
    AfterFirstFrame,
  };

  // Opens the sound output. Headless runs use SDL's silent "dummy" output unless SDL_AUDIODRIVER names
  // another; a headless player whose device cannot be opened falls back to the dummy output too.
  // Opening::Now gives nothing when no output at all can be had: channels then play nothing and the
  // game goes on. Opening::InBackground and AfterFirstFrame always give an output; a window without a sound
  // device stays silent, with no stand-in output mixing for nobody.
  static std::unique_ptr<AudioOutput> open(bool headless, Opening opening = Opening::Now);
  // A headless run's mix written to a WAV file (16-bit stereo, 44100 Hz) instead of played, with no
  // device: exactly 44100/60 sample frames a frame, the remainder carried, so 60 frames are one second
  // and every run writes the same bytes (recordFrames). Nothing, with the reason in error, when the file
  // cannot be written; it is made when the first frame is written.
  static std::unique_ptr<AudioOutput> record(const std::filesystem::path& wav, std::string* error);
  ~AudioOutput();
  // Opening::AfterFirstFrame: the device starts to open now. Nothing otherwise.
  void startOpening();
  AudioOutput(const AudioOutput&) = delete;
  AudioOutput& operator=(const AudioOutput&) = delete;

  // A player on a channel of the mix of its own. positional: a sound-effect channel that follows its 3-D
  // position; performanceChannels: the count the script declared (kept; mixing needs none).
  std::unique_ptr<AudioChannelPlayer> createPlayer(bool positional, int performanceChannels);

  // Once a frame, on the thread that plays: closes the sounds the device's thread has done with (loads
  // do it too), and without a device drops what players were told while it was opening.
  void poll();

  // A recording's frames up to that many, each frame's share mixed from what its channels were told
  // by then (a frame's commands come before its share is mixed). Frames that pass without the game
  // (a box open) are mixed as they are caught up with. An output that plays has nothing to do.
  void recordFrames(std::int64_t frames);
  // Ends a recording with the file's header. False when any of it could not be written. The destructor
  // ends one that has begun.
  bool finishRecording();

  // The player's own volume, over every channel's: the gain (0 to 1) of the music channels and of the
  // sound-effect channels. Takes effect within a block of the mix.
  void setPlayerGains(float music, float effects);

  // Left and right gains (0 to 1) of a sound at (x, y, z) heard by a listener at the origin facing +z
  // with x to the right: full up to distance 1, then falling as 1 / distance; balanced by x / distance.
  static void positionalGains(float x, float y, float z, float& left, float& right);

  struct Core;

 private:
  explicit AudioOutput(std::shared_ptr<Core> core);
  std::shared_ptr<Core> core_;
};

}  // namespace tavrik
