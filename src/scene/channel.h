// Audio channels as animated objects: their actions start and stop the sound and move its volume and
// position, every frame.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/audio_channel_player.h"
#include "scene/animated_object.h"

namespace tavrik {

// A channel as stored and restored: its object, the sound it holds and whether that sound was set
// playing (and how often it repeats).
struct ChannelState {
  ObjectState object;
  std::string sound;  // the script path it was loaded from; empty when none
  bool playing = false;
  std::uint32_t repeats = 0;
};

class Channel : public AnimatedObject {
 public:
  // player may be null: the channel then plays nothing.
  Channel(ScriptRandom& random, bool positional, std::unique_ptr<AudioChannelPlayer> player);

  // The sound is taken at once; the player opens it when the frame's commands are done (at update),
  // so a loop that loads sounds many times in one frame opens the last one once.
  void load(std::string_view scriptPath);
  void update() override;
  bool positional() const { return positional_; }

  // The attenuation for a volume factor: 2000 x log10(v) hundredths of a decibel, -9600 to 0.
  static std::int32_t volumeLevel(float volume);

  ChannelState state() const;
  // Loads the stored sound when it is not the one held, and plays it again when it was repeating until
  // stopped; a sound played a given number of times is not started again.
  void restore(const ChannelState& state);

 protected:
  // PLAY and STOP act once, in the frame their step is applied.
  void onHook(const ActionEntry& entry) override;

 private:
  bool positional_;
  // Hands a sound loaded since the last update to the player.
  void openPending();

  std::unique_ptr<AudioChannelPlayer> player_;
  std::string sound_;
  bool pending_ = false;
  bool playing_ = false;
  std::uint32_t repeats_ = 0;
};

class ChannelList {
 public:
  Channel& add(std::unique_ptr<Channel> channel);
  void update();
  bool allFinished() const;
  const std::vector<std::unique_ptr<Channel>>& channels() const { return channels_; }

 private:
  std::vector<std::unique_ptr<Channel>> channels_;
};

}  // namespace tavrik
