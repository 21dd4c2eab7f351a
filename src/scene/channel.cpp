#include "scene/channel.h"

#include <cmath>

namespace tavrik {

Channel::Channel(ScriptRandom& random, std::string name, bool positional,
                 std::unique_ptr<AudioChannelPlayer> player)
    : AnimatedObject(random), name_(std::move(name)), positional_(positional), player_(std::move(player)) {}

void Channel::load(std::string_view scriptPath) {
  if (player_) player_->load(scriptPath);
}

std::int32_t Channel::volumeLevel(float volume) {
  const double level = 2000.0 * std::log10(static_cast<double>(volume));
  if (!(level >= -9600.0)) return -9600;  // also log10(0) = -inf
  if (level > 0.0) return 0;
  return static_cast<std::int32_t>(level);
}

void Channel::update() {
  // PLAY and STOP act once, in the frame their step is applied, before the step itself.
  if (action() && wait == 0 && player_) {
    for (const ActionEntry& entry : action()->entries()) {
      if (entry.step != step) continue;
      if (entry.attribute == static_cast<std::int32_t>(ActionAttribute::PLAY)) {
        // The count goes to the player as an unsigned number: -1 repeats until stopped.
        player_->play(static_cast<std::uint32_t>(truncateToInt(entry.value)));
      } else if (entry.attribute == static_cast<std::int32_t>(ActionAttribute::STOP)) {
        player_->stop();
      }
    }
  }
  AnimatedObject::update();
  if (player_) {
    player_->setVolumeLevel(volumeLevel(vol));
    if (positional_) player_->setPosition(x, y, z);
  }
}

Channel& ChannelList::add(std::unique_ptr<Channel> channel) {
  channels_.push_back(std::move(channel));
  return *channels_.back();
}

Channel* ChannelList::find(std::string_view name) const {
  for (const auto& c : channels_) {
    if (c->name() == name) return c.get();
  }
  return nullptr;
}

void ChannelList::update() {
  for (const auto& c : channels_) c->update();
}

bool ChannelList::allFinished() const {
  for (const auto& c : channels_) {
    if (!c->isFinished()) return false;
  }
  return true;
}

}  // namespace tavrik
