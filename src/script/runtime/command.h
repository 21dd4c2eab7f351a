// The compiled program: commands executed one after another, once per frame, until one of them answers
// that it is not finished yet.
#pragma once

#include <string>
#include <vector>

namespace tavrik {

class Action;
class AnimatedObject;
class Channel;
class PersonLayer;
class ScriptEngine;
class SimpleLayer;
class TextLayer;
struct Variable;

class Command {
 public:
  explicit Command(ScriptEngine& engine) : engine_(engine) {}
  virtual ~Command() = default;
  Command(const Command&) = delete;
  Command& operator=(const Command&) = delete;

  // One step; true when the command is finished and the next one may run in the same frame. A command
  // that finishes leaves its state ready for a fresh start, because loops and macros reach the same
  // object again.
  virtual bool execute() { return true; }

 protected:
  ScriptEngine& engine_;
};

// Comparison operator codes of conditions.
enum class Comparison { Equal = 0, NotEqual = 1, GreaterEqual = 2, LessEqual = 3, Greater = 4, Less = 5 };

// Adds its offset to the program counter, always or when a comparison comes out as jumpWhen. Offsets
// are relative, so a command shared by several copies of a macro body jumps correctly in each.
class JumpCommand : public Command {
 public:
  explicit JumpCommand(ScriptEngine& engine) : Command(engine) {}
  JumpCommand(ScriptEngine& engine, const Variable* left, const Variable* right, float constant,
              int comparison, bool jumpWhen)
      : Command(engine),
        left_(left),
        right_(right),
        constant_(constant),
        comparison_(comparison),
        jumpWhen_(jumpWhen) {}

  bool execute() override;
  // The command at index `from` continues at index `to`.
  void setJumpTarget(int from, int to) { offset_ = to - from - 1; }
  int offset() const { return offset_; }

 private:
  const Variable* left_ = nullptr;
  const Variable* right_ = nullptr;
  float constant_ = 0.0f;
  int comparison_ = 0;
  bool jumpWhen_ = true;
  int offset_ = 0;
};

// Lets n frames pass, then finishes; reloads for the next pass of a loop.
class WaitTimeCommand : public Command {
 public:
  WaitTimeCommand(ScriptEngine& engine, int frames) : Command(engine), remaining_(frames), reload_(frames) {}
  bool execute() override;

 private:
  int remaining_;
  int reload_;
};

// Finishes on a new press of the left mouse button or the decide button: a button already held when
// the wait is reached must be released first.
class WaitInputCommand : public Command {
 public:
  explicit WaitInputCommand(ScriptEngine& engine) : Command(engine) {}
  bool execute() override;

 private:
  bool pressedBefore_ = true;
};

// Finishes when the actions of one layer or channel have ended, or, without a target, of all of them.
class WaitActionCommand : public Command {
 public:
  explicit WaitActionCommand(ScriptEngine& engine, const AnimatedObject* target = nullptr)
      : Command(engine), target_(target) {}
  bool execute() override;

 private:
  const AnimatedObject* target_;
};

class LoadImageCommand : public Command {
 public:
  LoadImageCommand(ScriptEngine& engine, SimpleLayer& layer, std::string path)
      : Command(engine), layer_(layer), path_(std::move(path)) {}
  bool execute() override;

 private:
  SimpleLayer& layer_;
  std::string path_;
};

class LoadSoundCommand : public Command {
 public:
  LoadSoundCommand(ScriptEngine& engine, Channel& channel, std::string path)
      : Command(engine), channel_(channel), path_(std::move(path)) {}
  bool execute() override;

 private:
  Channel& channel_;
  std::string path_;
};

// Starts an action on a layer or a channel.
class StartActionCommand : public Command {
 public:
  StartActionCommand(ScriptEngine& engine, AnimatedObject& target, const Action& action)
      : Command(engine), target_(target), action_(action) {}
  bool execute() override;

 private:
  AnimatedObject& target_;
  const Action& action_;
};

// Starts an action on a person layer's eyes or mouth.
class SetEyeActionCommand : public Command {
 public:
  SetEyeActionCommand(ScriptEngine& engine, PersonLayer& layer, const Action& action)
      : Command(engine), layer_(layer), action_(action) {}
  bool execute() override;

 private:
  PersonLayer& layer_;
  const Action& action_;
};

// Shows text on a text layer, one action per character; or, without text, starts one action on the
// characters the layer already has. Either way the glyphs are rasterised again.
class ShowTextCommand : public Command {
 public:
  ShowTextCommand(ScriptEngine& engine, TextLayer& layer, std::string text,
                  std::vector<const Action*> actions)
      : Command(engine),
        layer_(layer),
        text_(std::move(text)),
        actions_(std::move(actions)),
        hasText_(true) {}
  ShowTextCommand(ScriptEngine& engine, TextLayer& layer, const Action& action)
      : Command(engine), layer_(layer), actions_{&action} {}
  bool execute() override;

 private:
  TextLayer& layer_;
  std::string text_;
  std::vector<const Action*> actions_;
  bool hasText_ = false;
};

class SetMouthActionCommand : public Command {
 public:
  SetMouthActionCommand(ScriptEngine& engine, PersonLayer& layer, const Action& action)
      : Command(engine), layer_(layer), action_(action) {}
  bool execute() override;

 private:
  PersonLayer& layer_;
  const Action& action_;
};

// Assignment operator codes, after the comparison codes.
enum class Assignment { Add = 6, Subtract = 7, Multiply = 8, Divide = 9, Set = 10 };

// Combines a variable with a variable or a constant, in 32-bit float arithmetic (IEEE division: a
// division by zero gives an infinity or a NaN, never an error).
class AssignCommand : public Command {
 public:
  AssignCommand(ScriptEngine& engine, Variable& target, const Variable* source, float constant, int code)
      : Command(engine), target_(target), source_(source), constant_(constant), code_(code) {}
  bool execute() override;

 private:
  Variable& target_;
  const Variable* source_;
  float constant_;
  int code_;
};

// Waits for a click on a choice button. A click made before the wait began does not count; the value of
// the button goes to the choice result variable.
class WaitChoiceCommand : public Command {
 public:
  explicit WaitChoiceCommand(ScriptEngine& engine) : Command(engine) {}
  bool execute() override;

 private:
  bool waiting_ = false;
};

class SetTitleCommand : public Command {
 public:
  SetTitleCommand(ScriptEngine& engine, std::string title) : Command(engine), title_(std::move(title)) {}
  bool execute() override;

 private:
  std::string title_;
};

}  // namespace tavrik
