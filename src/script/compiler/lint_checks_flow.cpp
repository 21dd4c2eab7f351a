// The checks of how the program runs: waits for actions that never end, and loops that never end,
// so that the lines after them are never reached.
#include <algorithm>
#include <set>
#include <tuple>

#include "base/action.h"
#include "base/messages.h"
#include "script/compiler/lint_internal.h"

namespace tavrik::lint_detail {

namespace {

bool hasEnd(const Program& program, std::int32_t action) {
  const std::vector<ActionEntry>& entries = program.actions[static_cast<std::size_t>(action)].action.entries;
  return std::any_of(entries.begin(), entries.end(), [](const ActionEntry& e) {
    return e.attribute == static_cast<std::int32_t>(ActionAttribute::END);
  });
}

}  // namespace

// A wait for actions ends when every action it waits for reaches END: each layer's and channel's last
// action started before the wait, in the order the commands stand (a text layer's are its characters').
void checkWaits(Linter& l) {
  const Program& program = l.program();
  std::vector<std::vector<std::int32_t>> layers(program.layers.size()), channels(program.channels.size());
  auto endless = [&](const std::vector<std::int32_t>& actions) -> std::int32_t {
    for (const std::int32_t a : actions) {
      if (!hasEnd(program, a)) return a;
    }
    return -1;
  };
  // A wait in a macro stands wherever the macro is used: what it says of one layer and action is said
  // once, however often it is used.
  std::set<std::tuple<std::int32_t, std::size_t, std::int32_t>> told;
  for (std::size_t position = 0; position < program.code.size(); ++position) {
    const Command& command = program.commandAt(position);
    if (const auto* startAction = std::get_if<StartActionCommand>(&command)) {
      if (startAction->target.kind == Target::Kind::Channel) {
        channels[static_cast<std::size_t>(startAction->target.index)] = {startAction->action};
      } else if (program.layers[static_cast<std::size_t>(startAction->target.index)].kind !=
                 LayerKind::Text) {
        layers[static_cast<std::size_t>(startAction->target.index)] = {startAction->action};
      }
    } else if (const auto* showText = std::get_if<ShowTextCommand>(&command)) {
      std::vector<std::int32_t> actions =
          program.characterActions[static_cast<std::size_t>(showText->actions)];
      std::sort(actions.begin(), actions.end());
      actions.erase(std::unique(actions.begin(), actions.end()), actions.end());
      layers[static_cast<std::size_t>(showText->layer)] = std::move(actions);
    } else if (const auto* restartText = std::get_if<RestartTextCommand>(&command)) {
      if (!layers[static_cast<std::size_t>(restartText->layer)].empty())
        layers[static_cast<std::size_t>(restartText->layer)] = {restartText->action};
    } else if (const auto* waitAction = std::get_if<WaitActionCommand>(&command)) {
      const Target& t = waitAction->target;
      for (std::size_t i = 0; i < layers.size() + channels.size(); ++i) {
        const bool isLayer = i < layers.size();
        const std::size_t index = isLayer ? i : i - layers.size();
        if (t.kind != Target::Kind::Everything &&
            (t.kind != (isLayer ? Target::Kind::Layer : Target::Kind::Channel) ||
             t.index != static_cast<std::int32_t>(index)))
          continue;
        const std::int32_t action = endless(isLayer ? layers[index] : channels[index]);
        if (action < 0) continue;
        if (!told.emplace(program.code[position], i, action).second) break;
        const std::string& name = isLayer ? program.layers[index].name : program.channels[index].name;
        const std::string& actionName = program.actions[static_cast<std::size_t>(action)].name;
        l.add(Severity::Error, l.commandSite(static_cast<std::size_t>(program.code[position])), name, true,
              "wait-never-ends", say(MessageId::LintWaitNeverEnds, {utf8(name), utf8(actionName)}));
        break;
      }
    }
  }
}

// A loop whose test reads only variables that nothing in its body changes never ends once it repeats:
// the lines after it are never reached, unless a jump from before it lands there.
void checkEndlessLoops(Linter& l) {
  const Program& program = l.program();
  const std::vector<std::int32_t>& code = program.code;
  std::set<std::pair<std::size_t, std::size_t>> told;
  const auto size = static_cast<std::int64_t>(code.size());
  // The furthest any jump before each position lands.
  std::vector<std::int64_t> furthest(code.size() + 1, -1);
  for (std::int64_t p = 0; p < size; ++p) {
    furthest[static_cast<std::size_t>(p + 1)] = furthest[static_cast<std::size_t>(p)];
    if (const auto* jump = std::get_if<JumpCommand>(&program.commandAt(static_cast<std::size_t>(p))))
      furthest[static_cast<std::size_t>(p + 1)] =
          std::max(furthest[static_cast<std::size_t>(p + 1)], p + jump->offset + 1);
  }
  for (std::int64_t test = 0; test < size; ++test) {
    const auto* jump = std::get_if<JumpCommand>(&program.commandAt(static_cast<std::size_t>(test)));
    if (!jump || jump->offset >= 0 || jump->left < 0) continue;
    const std::int64_t body = test + jump->offset + 1;
    if (body < 0 || test + 1 >= size) continue;
    auto reads = [&](std::int32_t variable) { return variable == jump->left || variable == jump->right; };
    bool changes = false;
    for (std::int64_t p = body; p < test && !changes; ++p) {
      const Command& c = program.commandAt(static_cast<std::size_t>(p));
      if (const auto* assign = std::get_if<AssignCommand>(&c)) changes = reads(assign->target);
      if (std::holds_alternative<WaitChoiceCommand>(c)) changes = reads(0);
    }
    if (changes) continue;
    // A jump from before the loop (a condition around it) may land after it. The jump into a loop tested
    // at the top stands just before its body and lands on its test.
    if (furthest[static_cast<std::size_t>(std::max<std::int64_t>(body - 1, 0))] > test) continue;
    if (body > 0) {
      const auto* before = std::get_if<JumpCommand>(&program.commandAt(static_cast<std::size_t>(body - 1)));
      if (before && body + before->offset > test) continue;
    }
    const std::size_t testCommand = static_cast<std::size_t>(code[static_cast<std::size_t>(test)]);
    const std::size_t after = static_cast<std::size_t>(code[static_cast<std::size_t>(test + 1)]);
    // A loop in a macro is the same loop wherever the macro is used.
    if (!told.emplace(testCommand, after).second) continue;
    const NoteSite loop = l.commandSite(testCommand);
    const NoteSite at = l.commandSite(after);
    const std::string& variable = program.variables[static_cast<std::size_t>(jump->left)];
    const Said where = declaredAt(l, loop, at);
    const std::string shown = utf8(variable);
    l.add(Severity::Warning, at, {}, false, "unreachable",
          {ja(MessageId::LintUnreachable, {where.ja, shown}),
           en(MessageId::LintUnreachable, {where.en, shown})});
  }
}

}  // namespace tavrik::lint_detail
