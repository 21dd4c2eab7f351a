#include "script/runtime/game_state.h"

#include <bit>
#include <cstring>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <variant>

#include "base/byte_io.h"
#include "base/hash.h"
#include "base/messages.h"
#include "base/sjis_text.h"
#include "script/compiler/program.h"
#include "script/runtime/program_places.h"
#include "script/runtime/state_contents.h"

namespace tavrik {

namespace {

constexpr std::string_view kMagic = "TVKSTATE";
// Raised whenever what the payload holds changes. The first format kept only indices into the
// program's tables; the second names what it holds and where it stands, for a program edited since.
constexpr std::uint32_t kFirstFormat = 1;
constexpr std::uint32_t kFormatVersion = 2;
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

// Actions are kept as their index in the program's table, and since the second format by name too: a
// state of the same program takes the index, one of an edited program the name.
class ActionTable {
 public:
  explicit ActionTable(const Program& program) : program_(program) {
    for (std::size_t i = 0; i < program.actions.size(); ++i)
      index_.emplace(&program.actions[i].action, static_cast<std::int32_t>(i));
  }
  std::int32_t indexOf(const Action* action) const {
    const auto it = index_.find(action);
    return it == index_.end() ? -1 : it->second;
  }
  std::string_view nameOf(std::int32_t index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= program_.actions.size()) return {};
    return program_.actions[static_cast<std::size_t>(index)].name;
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
  // The first action of a name and kind; null when the program declares none.
  const Action* named(std::string_view name, ActionKind kind) const {
    for (const ActionDeclaration& declared : program_.actions)
      if (declared.kind == kind && declared.name == name) return &declared.action;
    return nullptr;
  }

 private:
  const Program& program_;
  std::unordered_map<const Action*, std::int32_t> index_;
};

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

// The smallest an object can be stored in: its action and an empty mask (and in the second format the
// action's name, empty).
constexpr std::size_t kObjectSize = 8;
// A text layer of an edited program holds at most this many characters when read: what its version of
// the script shows there replaces an unknown text in any case.
constexpr std::size_t kMostCharacters = 1 << 16;

class Writing {
 public:
  Writing(const Program& program, ByteWriter& w) : actions_(program), dir_(program.directory), w_(w) {}

  void object(const ObjectState& object) {
    const std::int32_t index = actions_.indexOf(object.action);
    w_.i32(index);
    if (index >= 0) w_.string(actions_.nameOf(index));
    writeFields(w_, object.fields);
  }
  void layer(const LayerState& layer) {
    object(layer.object);
    writeName(w_, layer.picture, dir_);
    w_.f32(layer.zoom);
    w_.flag(layer.pressHeld);
    w_.flag(layer.clicked);
    object(layer.eyes);
    object(layer.mouth);
    for (const std::vector<std::string>* names : {&layer.eyePictures, &layer.mouthPictures}) {
      w_.u32(static_cast<std::uint32_t>(names->size()));
      for (const std::string& name : *names) writeName(w_, name, dir_);
    }
    w_.u32(static_cast<std::uint32_t>(layer.characters.size()));
    for (const CharacterState& c : layer.characters) {
      w_.u16(c.code);
      object(c.object);
    }
  }
  void channel(const ChannelState& channel) {
    object(channel.object);
    writeName(w_, channel.sound, dir_);
    w_.flag(channel.playing);
    w_.u32(channel.repeats);
  }

 private:
  ActionTable actions_;
  const std::string& dir_;
  ByteWriter& w_;
};

// Reads the parts of a state. exact: the state is of this very program, and indices hold; otherwise
// actions are found by name, and one the program no longer declares ends where it stood.
class Reading {
 public:
  Reading(const Program& program, ByteReader& r, bool named, bool exact)
      : actions_(program), dir_(program.directory), r_(r), named_(named), exact_(exact) {}

  ObjectState object(ActionKind kind) {
    ObjectState object;
    const std::int32_t index = r_.i32();
    const std::string name = named_ && index != -1 ? r_.string() : std::string();
    if (exact_ && !actions_.at(index, object.action)) r_.fail();
    object.fields = readFields(r_);
    if (!exact_ && index != -1) {
      object.action = actions_.named(name, kind);
      if (!object.action) object.fields.finished = true;
    }
    return object;
  }
  // most: the most characters the layer may hold.
  LayerState layer(std::size_t most) {
    LayerState layer;
    layer.object = object(ActionKind::Plain);
    layer.picture = readName(r_, dir_);
    layer.zoom = r_.f32();
    layer.pressHeld = r_.flag();
    layer.clicked = r_.flag();
    layer.eyes = object(ActionKind::Eye);
    layer.mouth = object(ActionKind::Mouth);
    for (std::vector<std::string>* names : {&layer.eyePictures, &layer.mouthPictures}) {
      const std::size_t count = r_.count(5);
      if (count > PersonLayer::kMaxSeries) r_.fail();
      names->resize(r_.failed() ? 0 : count);
      for (std::string& name : *names) name = readName(r_, dir_);
    }
    const std::size_t characters = r_.count(2 + kObjectSize);
    if (characters > most) r_.fail();
    layer.characters.resize(r_.failed() ? 0 : characters);
    for (CharacterState& c : layer.characters) {
      c.code = r_.u16();
      c.object = object(ActionKind::Text);
    }
    return layer;
  }
  ChannelState channel() {
    ChannelState channel;
    channel.object = object(ActionKind::Plain);
    channel.sound = readName(r_, dir_);
    channel.playing = r_.flag();
    channel.repeats = r_.u32();
    return channel;
  }

 private:
  ActionTable actions_;
  const std::string& dir_;
  ByteReader& r_;
  bool named_, exact_;
};

void writeScalars(ByteWriter& w, const GameState& s) {
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
}

void readScalars(ByteReader& r, GameState& s) {
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
}

// Declarations of a table by name, the first of a name first: the k-th stored entry of a name goes to
// the k-th declaration of it, so that a state of the same program maps each entry to its own place.
class NameSlots {
 public:
  template <class Names>
  explicit NameSlots(const Names& names) {
    for (std::size_t i = 0; i < names.size(); ++i) slots_[std::string(names[i])].push_back(i);
  }
  std::optional<std::size_t> take(const std::string& name) {
    const auto it = slots_.find(name);
    if (it == slots_.end() || it->second.empty()) return std::nullopt;
    const std::size_t index = it->second.front();
    it->second.erase(it->second.begin());
    return index;
  }

 private:
  std::unordered_map<std::string, std::vector<std::size_t>> slots_;
};

template <class T>
std::vector<std::string_view> namesOf(const std::vector<T>& table) {
  std::vector<std::string_view> names;
  for (const T& entry : table) names.push_back(entry.name);
  return names;
}

void writePlace(ByteWriter& w, const ProgramPlace& place) {
  w.string(place.file);
  w.i32(place.line);
  w.u64(place.fingerprint);
  w.u64(place.shape);
  w.string(place.text);
}

ProgramPlace readPlace(ByteReader& r) {
  ProgramPlace place;
  place.file = r.string();
  place.line = r.i32();
  place.fingerprint = r.u64();
  place.shape = r.u64();
  place.text = r.string();
  return place;
}

std::vector<std::uint8_t> sealed(const std::vector<std::uint8_t>& payload, std::uint64_t identity) {
  ContentHash check;
  check.add(payload.data(), payload.size());
  ByteWriter header;
  for (char c : kMagic) header.u8(static_cast<std::uint8_t>(c));
  header.u32(kFormatVersion);
  header.u64(identity);
  header.u32(static_cast<std::uint32_t>(payload.size()));
  header.u64(check.value());
  std::vector<std::uint8_t> out = std::move(header.out());
  out.insert(out.end(), payload.begin(), payload.end());
  return out;
}

DecodedState refused(StateError error) {
  DecodedState out;
  out.error = error;
  return out;
}

}  // namespace

StateReader::StateReader(const Program& program)
    : program_(program),
      contents_(std::make_unique<StateContents>(program)),
      places_(std::make_unique<ProgramPlaces>(program)) {}

StateReader::~StateReader() = default;

std::vector<std::uint8_t> StateReader::encode(const GameState& s) const {
  const Program& program = program_;
  ByteWriter w;
  writePlace(w, places_->placeOf(s.programCounter));
  writeScalars(w, s);
  w.u32(static_cast<std::uint32_t>(s.variables.size()));
  for (std::size_t i = 0; i < s.variables.size(); ++i) {
    w.string(i < program.variables.size() ? std::string_view(program.variables[i]) : std::string_view());
    w.f32(s.variables[i]);
  }
  Writing parts(program, w);
  w.u32(static_cast<std::uint32_t>(s.layers.size()));
  for (std::size_t i = 0; i < s.layers.size(); ++i) {
    w.string(i < program.layers.size() ? std::string_view(program.layers[i].name) : std::string_view());
    parts.layer(s.layers[i]);
  }
  w.u32(static_cast<std::uint32_t>(s.channels.size()));
  for (std::size_t i = 0; i < s.channels.size(); ++i) {
    w.string(i < program.channels.size() ? std::string_view(program.channels[i].name) : std::string_view());
    parts.channel(s.channels[i]);
  }
  return sealed(w.out(), program.identity);
}

std::vector<std::uint8_t> encodeState(const GameState& s, const Program& program) {
  return StateReader(program).encode(s);
}

DecodedState decodeState(std::span<const std::uint8_t> bytes, const Program& program) {
  return StateReader(program).decode(bytes);
}

DecodedState StateReader::decode(std::span<const std::uint8_t> bytes) const {
  if (bytes.size() < kMagic.size() || std::memcmp(bytes.data(), kMagic.data(), kMagic.size()) != 0)
    return refused(StateError::NotAState);
  if (bytes.size() < kHeaderSize) return refused(StateError::Truncated);
  ByteReader header(bytes.subspan(kMagic.size(), kHeaderSize - kMagic.size()));
  const std::uint32_t version = header.u32();
  const std::uint64_t identity = header.u64();
  const std::uint32_t size = header.u32();
  const std::uint64_t expectedCheck = header.u64();
  if (version > kFormatVersion) return refused(StateError::NewerVersion);
  if (version < kFirstFormat) return refused(StateError::Damaged);
  const std::span<const std::uint8_t> payload = bytes.subspan(kHeaderSize);
  if (payload.size() < size) return refused(StateError::Truncated);
  if (payload.size() > size) return refused(StateError::Damaged);
  ContentHash check;
  check.add(payload.data(), payload.size());
  if (check.value() != expectedCheck) return refused(StateError::Damaged);
  const bool exact = identity == program_.identity;
  // The first format kept indices alone: it can only be read into the program it was made from.
  if (version == kFirstFormat && !exact) return refused(StateError::OtherProgram);
  return version == kFirstFormat ? decodeFirst(payload) : decodeNamed(payload, exact);
}

DecodedState StateReader::decodeFirst(std::span<const std::uint8_t> payload) const {
  const Program& program = program_;
  ByteReader r(payload);
  Reading parts(program, r, false, true);
  GameState s;
  readScalars(r, s);
  s.variables.resize(r.count(4));
  for (float& v : s.variables) v = r.f32();
  const std::size_t layers = r.count(3 * kObjectSize);
  if (layers != program.layers.size()) return refused(StateError::Damaged);
  for (std::size_t i = 0; i < layers && !r.failed(); ++i)
    s.layers.push_back(parts.layer(contents_->maxCharacters(i)));
  s.channels.resize(r.count(kObjectSize));
  for (ChannelState& channel : s.channels) channel = parts.channel();
  if (r.failed() || r.remaining() != 0 || s.variables.size() != program.variables.size() ||
      !contents_->holds(s))
    return refused(StateError::Damaged);
  DecodedState out = refused(StateError::Damaged);
  out.state = std::move(s);
  return out;
}

DecodedState StateReader::decodeNamed(std::span<const std::uint8_t> payload, bool exact) const {
  const Program& program = program_;
  ByteReader r(payload);
  Reading parts(program, r, true, exact);
  const ProgramPlace place = readPlace(r);
  GameState stored;
  readScalars(r, stored);
  std::vector<std::pair<std::string, float>> variables(r.count(8));
  for (auto& [name, value] : variables) {
    name = r.string();
    value = r.f32();
  }
  std::vector<std::pair<std::string, LayerState>> layers(r.count(4 + 3 * kObjectSize));
  for (std::size_t i = 0; i < layers.size() && !r.failed(); ++i) {
    layers[i].first = r.string();
    layers[i].second = parts.layer(exact ? contents_->maxCharacters(i) : kMostCharacters);
  }
  std::vector<std::pair<std::string, ChannelState>> channels(r.count(4 + kObjectSize));
  for (std::size_t i = 0; i < channels.size() && !r.failed(); ++i) {
    channels[i].first = r.string();
    channels[i].second = parts.channel();
  }
  if (r.failed() || r.remaining() != 0) return refused(StateError::Damaged);

  DecodedState out = refused(StateError::Damaged);
  GameState s = stored;
  if (exact) {
    // The same program: every table whole and in its order.
    if (variables.size() != program.variables.size() || layers.size() != program.layers.size() ||
        channels.size() != program.channels.size())
      return out;
    for (auto& [name, value] : variables) s.variables.push_back(value);
    for (auto& [name, layer] : layers) s.layers.push_back(std::move(layer));
    for (auto& [name, channel] : channels) s.channels.push_back(std::move(channel));
  } else {
    // An edited program: the wait is looked for, and what the state holds goes where its name is now.
    const std::optional<std::int32_t> position = places_->find(place);
    if (!position) {
      out.error = StateError::Unplaced;
      out.lost = place;
      return out;
    }
    s.programCounter = *position;
    // The wait goes on as it stood (one already kept to step back to is not kept again), but a button
    // held then must be let go first.
    s.progress.pressedBefore = true;
    s.variables.assign(program.variables.size(), 0.0f);
    NameSlots variableSlots(program.variables);
    for (auto& [name, value] : variables)
      if (const auto at = variableSlots.take(name)) s.variables[*at] = value;
    s.layers.assign(program.layers.size(), LayerState{});
    NameSlots layerSlots(namesOf(program.layers));
    for (auto& [name, layer] : layers)
      if (const auto at = layerSlots.take(name)) s.layers[*at] = std::move(layer);
    s.channels.assign(program.channels.size(), ChannelState{});
    NameSlots channelSlots(namesOf(program.channels));
    for (auto& [name, channel] : channels)
      if (const auto at = channelSlots.take(name)) s.channels[*at] = std::move(channel);
    contents_->mend(s);
    out.updated = true;
  }
  if (!contents_->holds(s)) return out;
  out.state = std::move(s);
  return out;
}

std::string describe(StateError error) {
  switch (error) {
    case StateError::NotAState:
      return en(MessageId::StateNotAState);
    case StateError::NewerVersion:
      return en(MessageId::StateNewerVersion);
    case StateError::OtherProgram:
      return en(MessageId::StateOtherProgram);
    case StateError::Unplaced:
      return en(MessageId::StateUnplaced);
    case StateError::Truncated:
      return en(MessageId::StateTruncated);
    case StateError::Damaged:
      break;
  }
  return en(MessageId::StateDamaged);
}

}  // namespace tavrik
