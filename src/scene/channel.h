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

class Channel : public AnimatedObject {
 public:
  // player may be null: the channel then plays nothing.
  Channel(ScriptRandom& random, std::string name, bool positional,
          std::unique_ptr<AudioChannelPlayer> player);

  void load(std::string_view scriptPath);
  void update() override;

  const std::string& name() const { return name_; }
  bool positional() const { return positional_; }

  // The attenuation for a volume factor: 2000 x log10(v) hundredths of a decibel, -9600 to 0.
  static std::int32_t volumeLevel(float volume);

 private:
  std::string name_;
  bool positional_;
  std::unique_ptr<AudioChannelPlayer> player_;
};

class ChannelList {
 public:
  Channel& add(std::unique_ptr<Channel> channel);
  // The first channel of that name, or null.
  Channel* find(std::string_view name) const;
  void update();
  bool allFinished() const;
  const std::vector<std::unique_ptr<Channel>>& channels() const { return channels_; }

 private:
  std::vector<std::unique_ptr<Channel>> channels_;
};

}  // namespace tavrik
