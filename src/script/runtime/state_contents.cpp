#include "script/runtime/state_contents.h"

#include <algorithm>
#include <variant>

#include "base/keywords.h"
#include "base/sjis_text.h"
#include "scene/animated_object.h"
#include "scene/layer.h"
#include "script/compiler/program.h"
#include "script/runtime/game_state.h"

namespace tavrik {

namespace {

std::string shownText(const std::vector<CharacterState>& characters) {
  std::string shown;
  for (const CharacterState& c : characters) {
    if (c.code > 0xFF) shown.push_back(static_cast<char>(c.code >> 8));
    shown.push_back(static_cast<char>(c.code & 0xFF));
  }
  return shown;
}

// The characters of a text as a play leaves them once their actions are done: each started as showing
// the text starts it (later characters later), then run until it ends or has applied all its entries.
std::vector<CharacterState> settledCharacters(std::string_view text,
                                              const std::vector<const Action*>& actions) {
  std::vector<CharacterState> out;
  ScriptRandom random;
  std::int32_t delay = 0;
  for (const std::uint16_t code : sjis::characterCodes(text)) {
    const Action* action = out.size() < actions.size() ? actions[out.size()] : nullptr;
    AnimatedObject object(random);
    object.start(action);
    object.step = delay;
    delay -= action ? action->charDelay : 0;
    object.settle();
    out.push_back({code, object.objectState()});
  }
  return out;
}

}  // namespace

StateContents::StateContents(const Program& program)
    : program_(program),
      pictures_(program.layers.size()),
      texts_(program.layers.size()),
      sounds_(program.channels.size()),
      most_(program.layers.size(), 0) {
  for (const Command& command : program.commands) {
    if (const auto* load = std::get_if<LoadImageCommand>(&command))
      add(pictures_, load->layer, program.text(load->path));
    else if (const auto* text = std::get_if<ShowTextCommand>(&command))
      addText(text->layer, program.text(text->text));
    else if (const auto* sound = std::get_if<LoadSoundCommand>(&command))
      add(sounds_, sound->channel, program.text(sound->path));
    else if (const auto* title = std::get_if<SetTitleCommand>(&command))
      titles_.insert(program.text(title->title));
  }
}

void StateContents::add(std::vector<Names>& table, std::int32_t index, std::string_view name) {
  if (index < 0 || static_cast<std::size_t>(index) >= table.size()) return;
  table[static_cast<std::size_t>(index)].insert(name);
}

void StateContents::addText(std::int32_t layer, std::string_view text) {
  if (layer < 0 || static_cast<std::size_t>(layer) >= texts_.size()) return;
  add(texts_, layer, text);
  std::size_t characters = 0;
  for (std::size_t i = 0; i < text.size(); i += sjis::charLength(text, i)) ++characters;
  std::size_t& most = most_[static_cast<std::size_t>(layer)];
  most = std::max(most, characters);
}

// A person's numbered pictures: a picture loaded on the layer, the part and the number, from 0 on.
bool StateContents::series(std::size_t layer, const std::vector<std::string>& names,
                           std::string_view part) const {
  if (names.size() > PersonLayer::kMaxSeries) return false;
  for (std::size_t k = 0; k < names.size(); ++k) {
    const std::string& name = names[k];
    if (name.empty()) continue;
    const std::string suffix = std::string(part) + std::to_string(k);
    if (name.size() <= suffix.size() || !name.ends_with(suffix) ||
        !pictures_[layer].contains(std::string_view(name).substr(0, name.size() - suffix.size())))
      return false;
  }
  return true;
}

bool StateContents::textKnown(std::size_t layer, const GameState& s) const {
  const std::vector<CharacterState>& characters = s.layers[layer].characters;
  return characters.empty() || texts_[layer].contains(shownText(characters));
}

bool StateContents::holds(const GameState& s) const {
  const Program& program = program_;
  const std::size_t positions = program.code.size();
  // The counter stands on a command: past the end the game has ended, and a finished game is no state.
  if (s.programCounter < 0 ||
      (static_cast<std::size_t>(s.programCounter) >= positions && s.programCounter != 0))
    return false;
  if (s.layers.size() != program.layers.size() || s.channels.size() != program.channels.size()) return false;
  if (!s.title.empty() && !titles_.contains(s.title)) return false;
  for (std::size_t i = 0; i < s.layers.size(); ++i) {
    const LayerState& layer = s.layers[i];
    const LayerKind kind = program.layers[i].kind;
    if (!known(pictures_[i], layer.picture)) return false;
    if (kind != LayerKind::Person && (!layer.eyePictures.empty() || !layer.mouthPictures.empty()))
      return false;
    if (!series(i, layer.eyePictures, kw::kEyePart) || !series(i, layer.mouthPictures, kw::kMouthPart))
      return false;
    if (kind != LayerKind::Text && !layer.characters.empty()) return false;
    if (!textKnown(i, s)) return false;
  }
  for (std::size_t i = 0; i < s.channels.size(); ++i)
    if (!known(sounds_[i], s.channels[i].sound)) return false;
  return true;
}

void StateContents::mend(GameState& s) const {
  const Program& program = program_;
  // The latest command before the counter, in the order the program lists them, that pred takes.
  auto latest = [&](auto&& pred) -> const Command* {
    const std::int32_t end =
        std::min<std::int32_t>(s.programCounter, static_cast<std::int32_t>(program.code.size()));
    for (std::int32_t p = end - 1; p >= 0; --p) {
      const Command& command = program.commandAt(static_cast<std::size_t>(p));
      if (pred(command)) return &command;
    }
    return nullptr;
  };
  if (!s.title.empty() && !titles_.contains(s.title)) {
    const Command* set = latest([](const Command& c) { return std::holds_alternative<SetTitleCommand>(c); });
    s.title = set ? program.text(std::get<SetTitleCommand>(*set).title) : std::string();
  }
  for (std::size_t i = 0; i < s.layers.size() && i < program.layers.size(); ++i) {
    LayerState& layer = s.layers[i];
    const LayerKind kind = program.layers[i].kind;
    if (!known(pictures_[i], layer.picture)) layer.picture.clear();
    if (kind != LayerKind::Person || !series(i, layer.eyePictures, kw::kEyePart)) layer.eyePictures.clear();
    if (kind != LayerKind::Person || !series(i, layer.mouthPictures, kw::kMouthPart))
      layer.mouthPictures.clear();
    if (kind != LayerKind::Text) layer.characters.clear();
    if (textKnown(i, s)) continue;
    const Command* show = latest([i](const Command& c) {
      const auto* text = std::get_if<ShowTextCommand>(&c);
      return text && static_cast<std::size_t>(text->layer) == i;
    });
    layer.characters.clear();
    if (!show) continue;
    const auto& text = std::get<ShowTextCommand>(*show);
    std::vector<const Action*> actions;
    for (std::int32_t a : program.characterActions[static_cast<std::size_t>(text.actions)])
      actions.push_back(a >= 0 && static_cast<std::size_t>(a) < program.actions.size()
                            ? &program.actions[static_cast<std::size_t>(a)].action
                            : nullptr);
    layer.characters = settledCharacters(program.text(text.text), actions);
  }
  for (std::size_t i = 0; i < s.channels.size() && i < sounds_.size(); ++i) {
    if (known(sounds_[i], s.channels[i].sound)) continue;
    s.channels[i].sound.clear();
    s.channels[i].playing = false;
  }
}

}  // namespace tavrik
