// What a declared audio channel plays through. The channel drives it every frame; an implementation
// that has no sound device simply stays silent.
#pragma once

#include <cstdint>
#include <string_view>

namespace tavrik {

class AudioChannelPlayer {
 public:
  virtual ~AudioChannelPlayer() = default;
  // Loads a sound file (a script path); a sound that is playing stops. A file that cannot be read
  // leaves the channel empty.
  virtual void load(std::string_view scriptPath) = 0;
  // Plays from the start: 0 plays once, 0xFFFFFFFF repeats until stopped.
  virtual void play(std::uint32_t repeats) = 0;
  virtual void stop() = 0;
  // Attenuation in hundredths of a decibel, -9600 (silent) to 0.
  virtual void setVolumeLevel(std::int32_t level) = 0;
  // Position of a sound-effect channel relative to the listener at the origin.
  virtual void setPosition(float x, float y, float z) = 0;
};

}  // namespace tavrik
