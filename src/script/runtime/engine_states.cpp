#include "script/runtime/engine_states.h"

#include <algorithm>

#include "platform/graphics_device.h"
#include "platform/image_decoder.h"
#include "platform/input_devices.h"
#include "script/runtime/script_engine.h"

namespace tavrik {

GameState EngineStates::current() const {
  const ScriptEngine& e = engine_;
  GameState s;
  s.programCounter = e.programCounter_;
  s.progress = e.progress_;
  s.variables = e.variables_;
  s.random = e.random_.state();
  s.chosen = e.scene_->chosen;
  s.chosenValue = e.scene_->chosenValue;
  s.title = e.device_.title();
  s.input = InputState{e.mouse_, e.input_.heldKeys()};
  for (const auto& layer : e.scene_->layers()) s.layers.push_back(layer->state());
  for (const auto& channel : e.channels_.channels()) s.channels.push_back(channel->state());
  return s;
}

void EngineStates::restore(const GameState& s) {
  ScriptEngine& e = engine_;
  e.programCounter_ = s.programCounter;
  e.progress_ = s.progress;
  e.variables_ = s.variables;
  e.variables_.resize(e.program_->variables.size(), 0.0f);
  e.random_.setState(s.random);
  e.scene_->chosen = s.chosen;
  e.scene_->chosenValue = s.chosenValue;
  e.device_.setTitle(s.title);
  e.mouse_ = s.input.mouse;
  e.input_.setHeldKeys(s.input.keys);
  const std::size_t layers = std::min(s.layers.size(), e.scene_->layers().size());
  std::vector<ImageStore::Request> pictures;
  for (std::size_t i = 0; i < layers; ++i) e.scene_->layers()[i]->restore(s.layers[i], pictures);
  e.scene_->images().loadAll(pictures);
  const std::size_t channels = std::min(s.channels.size(), e.channels_.channels().size());
  for (std::size_t i = 0; i < channels; ++i) e.channels_.channels()[i]->restore(s.channels[i]);
  releaseFreedMemory();
}

std::vector<std::uint8_t> EngineStates::save() const {
  return reader().encode(current());
}

const StateReader& EngineStates::reader() const {
  if (!reader_) reader_ = std::make_unique<StateReader>(engine_.program());
  return *reader_;
}

std::optional<StateError> EngineStates::restore(std::span<const std::uint8_t> bytes) {
  DecodedState decoded = reader().decode(bytes);
  if (!decoded.state) return decoded.error;
  restore(*decoded.state);
  return std::nullopt;
}

}  // namespace tavrik
