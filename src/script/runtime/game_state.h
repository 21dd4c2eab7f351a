// A running game as data: everything that changes while a program plays, apart from the program itself.
// An engine gives its state and takes one back; the state goes to bytes and comes back from them for
// saving a game and for the automation's save-state and --restore-state.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "base/input_state.h"
#include "scene/channel.h"
#include "scene/layer.h"
#include "script/runtime/program_places.h"

namespace tavrik {

struct Program;

// How far the command at the program counter has got: the frames a time wait has left, whether an
// input wait saw the button held, whether a choice wait has begun. Every other command finishes in the
// frame it starts, so nothing else is ever under way.
struct CommandProgress {
  bool begun = false;
  std::int32_t remaining = 0;
  bool pressedBefore = true;
};

// What of the mouse and keys the script can see.
struct InputState {
  MouseState mouse;
  HeldKeys keys{};
};

struct GameState {
  std::int32_t programCounter = 0;
  CommandProgress progress;
  std::vector<float> variables;
  std::uint32_t random = 1;
  bool chosen = false;
  std::int32_t chosenValue = 0;
  std::string title;  // Shift-JIS
  InputState input;
  std::vector<LayerState> layers;
  std::vector<ChannelState> channels;
};

// Why stored bytes were refused. OtherProgram: a state of the first format (which kept indices alone)
// from another program or an earlier version of this one. Unplaced: the wait the state stood at is no
// longer in the edited program.
enum class StateError { NotAState, NewerVersion, OtherProgram, Unplaced, Truncated, Damaged };

// The message for a refusal, in English for the terminal.
std::string describe(StateError error);

// The state as bytes: versioned, carrying the program's identity and a check of their own. The
// position is kept with its place (file, line, fingerprint, text shown), variables, layers, channels and
// actions with their names beside their indices, names of pictures and sounds relative to the program's
// folder.
std::vector<std::uint8_t> encodeState(const GameState& state, const Program& program);

struct DecodedState {
  std::optional<GameState> state;
  StateError error = StateError::Damaged;
  // The state was of an earlier version of the program, and was placed in this one.
  bool updated = false;
  // Unplaced: where the state stood in the version it was saved from.
  std::optional<ProgramPlace> lost;
};
// Reads bytes written by encodeState. A state of the same program comes back exactly; one of an edited
// program is placed at the same wait (ProgramPlaces::find) with its variables, layers and channels by
// name, or refused as Unplaced. Anything else is refused, and nothing that is accepted can make a
// restore index outside the program's tables. A state holds only what the program could have made: see
// StateReader.
DecodedState decodeState(std::span<const std::uint8_t> bytes, const Program& program);

class StateContents;

// Reads and writes the states of one program as decodeState does, working out once what the program
// can put in a state and where each position is (the pictures and sounds its commands load on each layer and
// channel, the texts they show, the titles they set): a slot screen reads a dozen states of a program that
// may hold a million commands.
class StateReader {
 public:
  explicit StateReader(const Program& program);
  ~StateReader();
  StateReader(const StateReader&) = delete;
  StateReader& operator=(const StateReader&) = delete;

  DecodedState decode(std::span<const std::uint8_t> bytes) const;
  std::vector<std::uint8_t> encode(const GameState& state) const;
  const ProgramPlaces& places() const { return *places_; }

 private:
  DecodedState decodeFirst(std::span<const std::uint8_t> payload) const;
  DecodedState decodeNamed(std::span<const std::uint8_t> payload, bool exact) const;

  const Program& program_;
  std::unique_ptr<StateContents> contents_;
  std::unique_ptr<ProgramPlaces> places_;
};

}  // namespace tavrik
