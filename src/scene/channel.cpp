#include "scene/channel.h"

#include <cmath>

namespace tavrik {

namespace {

// The repeat count of a sound that plays until it is stopped.
constexpr std::uint32_t kEndless = 0xFFFFFFFFu;

}  // namespace

Channel::Channel(ScriptRandom& random, bool positional, std::unique_ptr<AudioChannelPlayer> player)
    : AnimatedObject(random), positional_(positional), player_(std::move(player)) {}

void Channel::load(std::string_view scriptPath) {
  sound_.assign(scriptPath);
  playing_ = false;
  pending_ = true;
}

void Channel::openPending() {
  if (!pending_) return;
  pending_ = false;
  if (player_) player_->load(sound_);
}

std::int32_t Channel::volumeLevel(float volume) {
  // Rounded to single precision before it is cut to an integer: 0.1 gives -2000, not -1999.99998.
  const auto level = static_cast<float>(2000.0 * std::log10(static_cast<double>(volume)));
  if (!(level >= -9600.0f)) return -9600;  // also log10(0) = -inf
  if (level > 0.0f) return 0;
  return static_cast<std::int32_t>(level);
}

void Channel::onHook(const ActionEntry& entry) {
  openPending();  // a step applied as its command runs plays what was loaded before it
  if (entry.attribute == static_cast<std::int32_t>(ActionAttribute::PLAY)) {
    // The count goes to the player as an unsigned number: -1 repeats until stopped.
    repeats_ = static_cast<std::uint32_t>(truncateToInt(entry.value));
    playing_ = true;
    if (player_) player_->play(repeats_);
  } else if (entry.attribute == static_cast<std::int32_t>(ActionAttribute::STOP)) {
    playing_ = false;
    if (player_) player_->stop();
  }
}

void Channel::update() {
  openPending();
  AnimatedObject::update();
  if (player_) {
    player_->setVolumeLevel(volumeLevel(vol));
    if (positional_) player_->setPosition(x, y, z);
  }
}

ChannelState Channel::state() const {
  return {objectState(), sound_, playing_, repeats_};
}

void Channel::restore(const ChannelState& state) {
  restoreObject(state.object);
  if (state.sound != sound_) load(state.sound);
  openPending();
  const bool wasRepeating = playing_ && repeats_ == kEndless;
  const bool repeating = state.playing && state.repeats == kEndless;
  playing_ = state.playing;
  repeats_ = state.repeats;
  if (!player_) return;
  if (repeating && !wasRepeating) player_->play(kEndless);
  if (!repeating && wasRepeating) player_->stop();
  player_->setVolumeLevel(volumeLevel(vol));
  if (positional_) player_->setPosition(x, y, z);
}

Channel& ChannelList::add(std::unique_ptr<Channel> channel) {
  channels_.push_back(std::move(channel));
  return *channels_.back();
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
