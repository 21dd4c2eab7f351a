#include "script/runtime/game_state.h"

#include <bit>
#include <cstring>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <variant>

#include "base/byte_io.h"
#include "base/hash.h"
#include "base/keywords.h"
#include "base/messages.h"
#include "base/sjis_text.h"
#include "script/compiler/program.h"

namespace tavrik {

namespace {

constexpr std::string_view kMagic = "TVKSTATE";
// Raised whenever what the payload holds changes; older states are then refused, not misread.
constexpr std::uint32_t kFormatVersion = 1;
// Magic, version, program identity, payload size, payload check.
constexpr std::size_t kHeaderSize = 8 + 4 + 8 + 4 + 8;

template <class T>
bool sameBits(const T& a, const T& b) {
  if constexpr (std::is_same_v<T, float>)
    return std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(b);
  else
    return a == b;
}

// The fields of an animated object as a mask of those that differ from their reset value, then those
// values: most objects of a game are near their reset state.
void writeFields(ByteWriter& w, const AnimationState& state) {
  static const AnimationState reset;
  std::uint32_t mask = 0, bit = 1;
  forEachAnimationField([&](ActionAttribute, auto member) {
    if (!sameBits(state.*member, reset.*member)) mask |= bit;
    bit <<= 1;
  });
  w.u32(mask);
  bit = 1;
  forEachAnimationField([&](ActionAttribute, auto member) {
    if (mask & bit) {
      using T = std::decay_t<decltype(state.*member)>;
      if constexpr (std::is_same_v<T, float>)
        w.f32(state.*member);
      else if constexpr (std::is_same_v<T, bool>)
        w.flag(state.*member);
      else
        w.i32(state.*member);
    }
    bit <<= 1;
  });
}

AnimationState readFields(ByteReader& r) {
  AnimationState state;
  const std::uint32_t mask = r.u32();
  std::uint32_t bit = 1;
  forEachAnimationField([&](ActionAttribute, auto member) {
    if (mask & bit) {
      using T = std::decay_t<decltype(state.*member)>;
      if constexpr (std::is_same_v<T, float>)
        state.*member = r.f32();
      else if constexpr (std::is_same_v<T, bool>)
        state.*member = r.flag();
      else
        state.*member = r.i32();
    }
    bit <<= 1;
  });
  if (bit != 0 && (mask & ~(bit - 1)) != 0) r.fail();  // bits of no field
  return state;
}

// Actions are kept as their index in the program's table.
class ActionIndex {
 public:
  explicit ActionIndex(const Program& program) : program_(program) {
    for (std::size_t i = 0; i < program.actions.size(); ++i)
      index_.emplace(&program.actions[i].action, static_cast<std::int32_t>(i));
  }
  std::int32_t of(const Action* action) const {
    const auto it = index_.find(action);
    return it == index_.end() ? -1 : it->second;
  }
  // The action of an index; false for an index outside the table.
  bool at(std::int32_t index, const Action*& action) const {
    if (index == -1) {
      action = nullptr;
      return true;
    }
    if (index < 0 || static_cast<std::size_t>(index) >= program_.actions.size()) return false;
    action = &program_.actions[static_cast<std::size_t>(index)].action;
    return true;
  }

 private:
  const Program& program_;
  std::unordered_map<const Action*, std::int32_t> index_;
};

void writeObject(ByteWriter& w, const ObjectState& object, const ActionIndex& actions) {
  w.i32(actions.of(object.action));
  writeFields(w, object.fields);
}

ObjectState readObject(ByteReader& r, const ActionIndex& actions) {
  ObjectState object;
  if (!actions.at(r.i32(), object.action)) r.fail();
  object.fields = readFields(r);
  return object;
}

// Names of pictures and sounds are script paths that begin with the folder of the main script: they are
// kept relative to it, so that a state still loads when the game is started from another folder.
void writeName(ByteWriter& w, const std::string& name, const std::string& directory) {
  const bool relative = !directory.empty() && sjis::startsWith(name, directory);
  w.flag(relative);
  w.string(relative ? std::string_view(name).substr(directory.size()) : std::string_view(name));
}

std::string readName(ByteReader& r, const std::string& directory) {
  const bool relative = r.flag();
  std::string name = r.string();
  return relative ? directory + name : name;
}

// The smallest an object can be stored in: its action and an empty mask.
constexpr std::size_t kObjectSize = 8;

}  // namespace

// What a program can leave in a state: the pictures its commands load on each layer, the texts they
// show on each text layer, the sounds they load on each channel and the titles they set. A state that
// holds anything else was not written by this player for this program, and a crafted one could
// otherwise ask for any file, or for millions of characters.
class StateContents {
 public:
  explicit StateContents(const Program& program)
      : pictures_(program.layers.size()),
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

  // The most characters a text shown on the layer has: a stored count past it is refused before
  // anything is made of it.
  std::size_t maxCharacters(std::size_t layer) const { return layer < most_.size() ? most_[layer] : 0; }

  bool holds(const GameState& s, const Program& program) const {
    const std::size_t positions = program.code.size();
    // The counter stands on a command: past the end the game has ended, and a finished game is no state.
    if (s.programCounter < 0 ||
        (static_cast<std::size_t>(s.programCounter) >= positions && s.programCounter != 0))
      return false;
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
      if (!layer.characters.empty()) {
        std::string shown;
        for (const CharacterState& c : layer.characters) {
          if (c.code > 0xFF) shown.push_back(static_cast<char>(c.code >> 8));
          shown.push_back(static_cast<char>(c.code & 0xFF));
        }
        if (!texts_[i].contains(shown)) return false;
      }
    }
    for (std::size_t i = 0; i < s.channels.size(); ++i)
      if (!known(sounds_[i], s.channels[i].sound)) return false;
    return true;
  }

 private:
  using Names = std::unordered_set<std::string_view>;

  static void add(std::vector<Names>& table, std::int32_t index, std::string_view name) {
    if (index < 0 || static_cast<std::size_t>(index) >= table.size()) return;
    table[static_cast<std::size_t>(index)].insert(name);
  }
  void addText(std::int32_t layer, std::string_view text) {
    if (layer < 0 || static_cast<std::size_t>(layer) >= texts_.size()) return;
    add(texts_, layer, text);
    std::size_t characters = 0;
    for (std::size_t i = 0; i < text.size(); i += sjis::charLength(text, i)) ++characters;
    std::size_t& most = most_[static_cast<std::size_t>(layer)];
    most = std::max(most, characters);
  }
  static bool known(const Names& names, const std::string& name) {
    return name.empty() || names.contains(name);
  }
  // A person's numbered pictures: a picture loaded on the layer, the part and the number, from 0 on.
  bool series(std::size_t layer, const std::vector<std::string>& names, std::string_view part) const {
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

  std::vector<Names> pictures_, texts_, sounds_;
  Names titles_;
  std::vector<std::size_t> most_;  // per layer
};

StateReader::StateReader(const Program& program)
    : program_(program), contents_(std::make_unique<StateContents>(program)) {}

StateReader::~StateReader() = default;

std::vector<std::uint8_t> encodeState(const GameState& s, const Program& program) {
  const ActionIndex actions(program);
  const std::string& dir = program.directory;
  ByteWriter w;
  w.i32(s.programCounter);
  w.flag(s.progress.begun);
  w.i32(s.progress.remaining);
  w.flag(s.progress.pressedBefore);
  w.u32(s.random);
  w.flag(s.chosen);
  w.i32(s.chosenValue);
  w.string(s.title);
  const MouseState& mouse = s.input.mouse;
  w.i32(mouse.x);
  w.i32(mouse.y);
  w.u8(static_cast<std::uint8_t>((mouse.left ? 1 : 0) | (mouse.middle ? 2 : 0) | (mouse.right ? 4 : 0)));
  std::uint32_t keys = 0;
  for (std::size_t k = 0; k < s.input.keys.size(); ++k) keys |= s.input.keys[k] ? 1u << k : 0u;
  w.u32(keys);
  w.u32(static_cast<std::uint32_t>(s.variables.size()));
  for (float v : s.variables) w.f32(v);
  w.u32(static_cast<std::uint32_t>(s.layers.size()));
  for (const LayerState& layer : s.layers) {
    writeObject(w, layer.object, actions);
    writeName(w, layer.picture, dir);
    w.f32(layer.zoom);
    w.flag(layer.pressHeld);
    w.flag(layer.clicked);
    writeObject(w, layer.eyes, actions);
    writeObject(w, layer.mouth, actions);
    for (const std::vector<std::string>* names : {&layer.eyePictures, &layer.mouthPictures}) {
      w.u32(static_cast<std::uint32_t>(names->size()));
      for (const std::string& name : *names) writeName(w, name, dir);
    }
    w.u32(static_cast<std::uint32_t>(layer.characters.size()));
    for (const CharacterState& c : layer.characters) {
      w.u16(c.code);
      writeObject(w, c.object, actions);
    }
  }
  w.u32(static_cast<std::uint32_t>(s.channels.size()));
  for (const ChannelState& channel : s.channels) {
    writeObject(w, channel.object, actions);
    writeName(w, channel.sound, dir);
    w.flag(channel.playing);
    w.u32(channel.repeats);
  }

  const std::vector<std::uint8_t>& payload = w.out();
  ContentHash check;
  check.add(payload.data(), payload.size());
  ByteWriter header;
  for (char c : kMagic) header.u8(static_cast<std::uint8_t>(c));
  header.u32(kFormatVersion);
  header.u64(program.identity);
  header.u32(static_cast<std::uint32_t>(payload.size()));
  header.u64(check.value());
  std::vector<std::uint8_t> out = std::move(header.out());
  out.insert(out.end(), payload.begin(), payload.end());
  return out;
}

DecodedState decodeState(std::span<const std::uint8_t> bytes, const Program& program) {
  return StateReader(program).decode(bytes);
}

DecodedState StateReader::decode(std::span<const std::uint8_t> bytes) const {
  const Program& program = program_;
  const StateContents& contents = *contents_;
  auto refused = [](StateError error) { return DecodedState{std::nullopt, error}; };
  if (bytes.size() < kMagic.size() || std::memcmp(bytes.data(), kMagic.data(), kMagic.size()) != 0)
    return refused(StateError::NotAState);
  if (bytes.size() < kHeaderSize) return refused(StateError::Truncated);
  ByteReader header(bytes.subspan(kMagic.size(), kHeaderSize - kMagic.size()));
  const std::uint32_t version = header.u32();
  const std::uint64_t identity = header.u64();
  const std::uint32_t size = header.u32();
  const std::uint64_t expectedCheck = header.u64();
  if (version > kFormatVersion) return refused(StateError::NewerVersion);
  if (version != kFormatVersion) return refused(StateError::Damaged);
  if (identity != program.identity) return refused(StateError::OtherProgram);
  const std::span<const std::uint8_t> payload = bytes.subspan(kHeaderSize);
  if (payload.size() < size) return refused(StateError::Truncated);
  if (payload.size() > size) return refused(StateError::Damaged);
  ContentHash check;
  check.add(payload.data(), payload.size());
  if (check.value() != expectedCheck) return refused(StateError::Damaged);

  const ActionIndex actions(program);
  const std::string& dir = program.directory;
  ByteReader r(payload);
  GameState s;
  s.programCounter = r.i32();
  s.progress.begun = r.flag();
  s.progress.remaining = r.i32();
  s.progress.pressedBefore = r.flag();
  s.random = r.u32();
  s.chosen = r.flag();
  s.chosenValue = r.i32();
  s.title = r.string();
  MouseState& mouse = s.input.mouse;
  mouse.x = r.i32();
  mouse.y = r.i32();
  const std::uint8_t buttons = r.u8();
  mouse.left = buttons & 1;
  mouse.middle = buttons & 2;
  mouse.right = buttons & 4;
  const std::uint32_t keys = r.u32();
  for (std::size_t k = 0; k < s.input.keys.size(); ++k) s.input.keys[k] = (keys >> k) & 1u;
  s.variables.resize(r.count(4));
  for (float& v : s.variables) v = r.f32();
  const std::size_t layers = r.count(3 * kObjectSize);
  if (layers != program.layers.size()) return refused(StateError::Damaged);
  s.layers.resize(layers);
  for (std::size_t i = 0; i < layers && !r.failed(); ++i) {
    LayerState& layer = s.layers[i];
    layer.object = readObject(r, actions);
    layer.picture = readName(r, dir);
    layer.zoom = r.f32();
    layer.pressHeld = r.flag();
    layer.clicked = r.flag();
    layer.eyes = readObject(r, actions);
    layer.mouth = readObject(r, actions);
    for (std::vector<std::string>* names : {&layer.eyePictures, &layer.mouthPictures}) {
      const std::size_t count = r.count(5);
      if (count > PersonLayer::kMaxSeries) return refused(StateError::Damaged);
      names->resize(count);
      for (std::string& name : *names) name = readName(r, dir);
    }
    const std::size_t characters = r.count(2 + kObjectSize);
    if (characters > contents.maxCharacters(i)) return refused(StateError::Damaged);
    layer.characters.resize(characters);
    for (CharacterState& c : layer.characters) {
      c.code = r.u16();
      c.object = readObject(r, actions);
    }
  }
  s.channels.resize(r.count(kObjectSize));
  for (ChannelState& channel : s.channels) {
    channel.object = readObject(r, actions);
    channel.sound = readName(r, dir);
    channel.playing = r.flag();
    channel.repeats = r.u32();
  }
  // The tables must be the program's own, whole, and hold only what the program could have put there.
  if (r.failed() || r.remaining() != 0 || s.variables.size() != program.variables.size() ||
      s.layers.size() != program.layers.size() || s.channels.size() != program.channels.size() ||
      !contents.holds(s, program))
    return refused(StateError::Damaged);
  return {std::move(s), StateError::Damaged};
}

std::string describe(StateError error) {
  switch (error) {
    case StateError::NotAState:
      return en(MessageId::StateNotAState);
    case StateError::NewerVersion:
      return en(MessageId::StateNewerVersion);
    case StateError::OtherProgram:
      return en(MessageId::StateOtherProgram);
    case StateError::Truncated:
      return en(MessageId::StateTruncated);
    case StateError::Damaged:
      break;
  }
  return en(MessageId::StateDamaged);
}

}  // namespace tavrik
