#include "script/runtime/script_engine.h"

#include "platform/graphics_device.h"
#include "platform/image_decoder.h"
#include "platform/input_devices.h"
#include "scene/text_layer.h"

namespace tavrik {

ScriptEngine::ScriptEngine(std::shared_ptr<const Program> program, EngineServices services,
                           std::string fontFace)
    : program_(std::move(program)),
      device_(services.device),
      input_(services.input),
      mouse_(services.mouse),
      scene_(std::make_unique<Scene>(services.device, services.mouse, random_,
                                     std::move(services.moduleDirectory))),
      text_(*program_, *scene_),
      fonts_(program_->fontHeights, services.fonts, std::move(fontFace), *scene_, text_),
      variables_(program_->variables.size(), 0.0f) {
  for (const LayerDeclaration& declared : program_->layers) {
    SimpleLayer* layer = nullptr;
    switch (declared.kind) {
      case LayerKind::Simple:
        layer = &scene_->addLayer<SimpleLayer>(declared.width, declared.height);
        break;
      case LayerKind::Person:
        layer = &scene_->addLayer<PersonLayer>(declared.width, declared.height);
        break;
      case LayerKind::Text:
        layer =
            &scene_->addLayer<TextLayer>(declared.originX, declared.originY, declared.width, declared.height);
        break;
    }
    if (const std::optional<ChoiceDeclaration>& choice = declared.choice)
      layer->makeClickable(choice->value, choice->zoomMax, choice->zoomStep);
  }
  for (const ChannelDeclaration& declared : program_->channels) {
    std::unique_ptr<AudioChannelPlayer> player =
        services.players ? services.players(declared.positional, declared.performanceChannels) : nullptr;
    channels_.add(std::make_unique<Channel>(random_, declared.positional, std::move(player)));
  }
}

ScriptEngine::~ScriptEngine() {
  // Layers and channels refer to the fonts and the program's actions: they go first.
  scene_.reset();
  channels_ = ChannelList();
}

// One handler per command kind: each answers whether the command has finished, so that the next one
// may run in the same frame.
struct ScriptEngine::Execution {
  ScriptEngine& e;

  const Action* action(std::int32_t index) const {
    return &e.program_->actions[static_cast<std::size_t>(index)].action;
  }
  float& variable(std::int32_t index) const { return e.variables_[static_cast<std::size_t>(index)]; }
  AnimatedObject& object(const Target& target) const {
    if (target.kind == Target::Kind::Channel) return e.channel(target.index);
    return e.layer(target.index);
  }
  TextLayer& text(std::int32_t layer) const { return static_cast<TextLayer&>(e.layer(layer)); }
  PersonLayer& person(std::int32_t layer) const { return static_cast<PersonLayer&>(e.layer(layer)); }

  bool operator()(const JumpCommand& c) const {
    if (c.left >= 0) {
      const float l = variable(c.left);
      const float r = c.right >= 0 ? variable(c.right) : c.constant;
      bool result = false;
      switch (c.comparison) {
        case Comparison::Equal:
          result = l == r;
          break;
        case Comparison::NotEqual:
          result = l != r;
          break;
        case Comparison::GreaterEqual:
          result = l >= r;
          break;
        case Comparison::LessEqual:
          result = l <= r;
          break;
        case Comparison::Greater:
          result = l > r;
          break;
        case Comparison::Less:
          result = l < r;
          break;
      }
      if (result != c.jumpWhen) return true;
    }
    e.programCounter_ += c.offset;
    return true;
  }
  bool operator()(const WaitTimeCommand& c) const {
    CommandProgress& p = e.progress_;
    if (!p.begun) {
      p.begun = true;
      p.remaining = c.frames;
    }
    if (p.remaining == 0) return true;
    // A negative count moves away from zero and never ends in practice, as scripts have always seen.
    // Wrapping past the smallest value is left to unsigned arithmetic to stay well defined.
    p.remaining = static_cast<std::int32_t>(static_cast<std::uint32_t>(p.remaining) - 1u);
    return false;
  }
  // A button already held when the wait is reached must be released first.
  bool operator()(const WaitInputCommand&) const {
    e.progress_.begun = true;
    const bool pressed = e.mouse_.left || e.input_.pad(0).buttons[0];
    const bool answered = e.inputWaitAnswer_ && e.inputWaitAnswer_(e.programCounter_);
    // With the player's setting, a press while a text is typing shows the rest of it; the next goes on.
    if (!answered && !e.progress_.pressedBefore && pressed && e.text_.clickCompletes() && !e.text_.typed()) {
      e.text_.finishTyping();
      e.progress_.pressedBefore = true;
      return false;
    }
    if (answered || (!e.progress_.pressedBefore && pressed)) {
      e.passedInputWaits_.push_back(e.programCounter_);
      e.history_.markRead();
      return true;
    }
    e.progress_.pressedBefore = pressed;
    return false;
  }
  bool operator()(const WaitActionCommand& c) const {
    if (c.target.kind == Target::Kind::Everything)
      return e.scene_->allLayersFinished() && e.channels_.allFinished();
    return object(c.target).isFinished();
  }
  bool operator()(const LoadImageCommand& c) const {
    e.layer(c.layer).loadImage(e.program_->text(c.path));
    e.loadedThisFrame_ = true;
    return true;
  }
  bool operator()(const LoadSoundCommand& c) const {
    e.channel(c.channel).load(e.program_->text(c.path));
    e.loadedThisFrame_ = true;
    return true;
  }
  bool operator()(const StartActionCommand& c) const {
    object(c.target).start(action(c.action));
    return true;
  }
  bool operator()(const SetEyeActionCommand& c) const {
    person(c.layer).startEyeAction(action(c.action));
    return true;
  }
  bool operator()(const SetMouthActionCommand& c) const {
    person(c.layer).startMouthAction(action(c.action));
    return true;
  }
  bool operator()(const ShowTextCommand& c) const {
    TextLayer& layer = text(c.layer);
    const std::vector<std::int32_t>& indices =
        e.program_->characterActions[static_cast<std::size_t>(c.actions)];
    std::vector<const Action*> actions;
    actions.reserve(indices.size());
    for (std::int32_t a : indices) actions.push_back(action(a));
    layer.setText(e.program_->text(c.text));
    layer.startEach(actions);
    layer.renderGlyphs();
    HistoryEntry entry;
    entry.layer = c.layer;
    entry.button = layer.clickable();
    const std::vector<TextCharacter>& characters = layer.characters();
    entry.characters.reserve(characters.size());
    for (std::size_t i = 0; i < characters.size(); ++i)
      entry.characters.push_back(
          {characters[i].code, settledColour(i < actions.size() ? actions[i] : nullptr)});
    e.history_.add(std::move(entry));
    return true;
  }
  bool operator()(const RestartTextCommand& c) const {
    TextLayer& layer = text(c.layer);
    layer.startAll(action(c.action));
    layer.renderGlyphs();
    return true;
  }
  bool operator()(const AssignCommand& c) const {
    const float v = c.source >= 0 ? variable(c.source) : c.constant;
    float& target = variable(c.target);
    const float t = target;
    switch (c.operation) {
      case Assignment::Add:
        target = v + t;
        break;
      case Assignment::Subtract:
        target = t - v;
        break;
      case Assignment::Multiply:
        target = v * t;
        break;
      case Assignment::Divide:
        target = t / v;
        break;
      case Assignment::Set:
        target = v;
        break;
    }
    return true;
  }
  // A click made before the wait began does not count.
  bool operator()(const WaitChoiceCommand&) const {
    Scene& scene = *e.scene_;
    if (!e.progress_.begun) {
      scene.chosen = false;
      e.progress_.begun = true;
      return false;
    }
    if (!scene.chosen) return false;
    e.variables_.front() = static_cast<float>(scene.chosenValue);
    return true;
  }
  bool operator()(const SetTitleCommand& c) const {
    e.device_.setTitle(e.program_->text(c.title));
    return true;
  }
};

void ScriptEngine::update() {
  input_.poll();
  const std::vector<std::int32_t>& code = program_->code;
  const std::int64_t budget = static_cast<std::int64_t>(code.size()) + kExtraCommandsPerFrame;
  for (std::int64_t executed = 0; executed < budget; ++executed) {
    if (programCounter_ < 0 || static_cast<std::size_t>(programCounter_) >= code.size()) break;
    const Command& command = program_->commandAt(static_cast<std::size_t>(programCounter_));
    // The game as it stands when a wait for the player begins, skipped or not, is kept to step back to.
    if (!progress_.begun && (std::holds_alternative<WaitInputCommand>(command) ||
                             std::holds_alternative<WaitChoiceCommand>(command)))
      rollback_.keep(*this);
    if (!std::visit(Execution{*this}, command)) break;
    // The next command starts afresh; a command that finished has nothing left under way.
    progress_ = CommandProgress{};
    ++programCounter_;
  }
  scene_->update();
  channels_.update();
  if (loadedThisFrame_) {
    // Decoding pictures leaves megabytes of freed scratch memory that the allocator would otherwise
    // keep for the rest of the game.
    releaseFreedMemory();
    loadedThisFrame_ = false;
  }
}

bool ScriptEngine::isFinished() const {
  return programCounter_ >= 0 && static_cast<std::size_t>(programCounter_) >= program_->code.size();
}

bool ScriptEngine::draw(bool force) {
  const bool changed = scene_->prepareFrame();
  if (!force && !changed) return false;
  device_.beginScene();
  scene_->drawFrame();
  device_.endScene();
  device_.present();
  return true;
}

std::optional<float> ScriptEngine::variable(std::string_view name) const {
  const std::int32_t index = program_->findVariable(name);
  if (index < 0) return std::nullopt;
  return variables_[static_cast<std::size_t>(index)];
}

ScriptEngine::Waiting ScriptEngine::waiting() const {
  if (isFinished() || programCounter_ < 0) return Waiting::None;
  const Command& command = program_->commandAt(static_cast<std::size_t>(programCounter_));
  if (std::holds_alternative<WaitTimeCommand>(command)) return Waiting::Time;
  if (std::holds_alternative<WaitInputCommand>(command)) return Waiting::Input;
  if (std::holds_alternative<WaitActionCommand>(command)) return Waiting::Action;
  if (std::holds_alternative<WaitChoiceCommand>(command)) return Waiting::Choice;
  return Waiting::None;
}

std::vector<std::string> picturesAtStart(const Program& program, std::size_t limit) {
  std::vector<std::string> names;
  for (std::size_t position = 0; position < program.code.size() && names.size() < limit; ++position) {
    const Command& command = program.commandAt(position);
    if (const auto* load = std::get_if<LoadImageCommand>(&command)) {
      names.push_back(program.text(load->path));
      continue;
    }
    const bool stops = std::holds_alternative<JumpCommand>(command) ||
                       std::holds_alternative<WaitTimeCommand>(command) ||
                       std::holds_alternative<WaitInputCommand>(command) ||
                       std::holds_alternative<WaitActionCommand>(command) ||
                       std::holds_alternative<WaitChoiceCommand>(command);
    if (stops) break;
  }
  return names;
}

}  // namespace tavrik
