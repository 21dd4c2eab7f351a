#include "script/runtime/debug_snapshot.h"

#include <algorithm>

#include "base/script_path.h"
#include "base/text_encoding.h"
#include "scene/channel.h"
#include "scene/layer.h"
#include "script/runtime/script_engine.h"

namespace tavrik {

DebugSnapshot debugSnapshotOf(ScriptEngine& engine) {
  const Program& program = engine.program();
  DebugSnapshot snapshot;
  if (!engine.isFinished()) {
    const SourceLine site = program.siteAt(static_cast<std::size_t>(std::max(0, engine.programCounter())));
    const std::string file = site.file >= 0 && static_cast<std::size_t>(site.file) < program.files.size()
                                 ? paths::toDisplay(program.files[static_cast<std::size_t>(site.file)].path)
                                 : std::string("?");
    snapshot.placeUtf8 = file + ":" + std::to_string(site.line + 1);
  } else {
    snapshot.placeUtf8 = "-";
  }
  for (std::size_t i = 0; i < program.variables.size(); ++i)
    snapshot.variables.emplace_back(sjisToUtf8(program.variables[i]), engine.variables()[i]);
  auto actionName = [&](const Action* action) {
    for (const ActionDeclaration& declared : program.actions)
      if (&declared.action == action) return sjisToUtf8(declared.name);
    return std::string();
  };
  // A layer or a channel: its name, the file it shows or plays, and its animation.
  auto row = [&](const std::string& name, const std::string& file, const AnimatedObject& object) {
    return DebugObject{sjisToUtf8(name), paths::toDisplay(file), actionName(object.action()),
                       static_cast<const AnimationState&>(object)};
  };
  for (std::size_t i = 0; i < program.layers.size(); ++i) {
    SimpleLayer& layer = engine.layer(static_cast<std::int32_t>(i));
    snapshot.layers.push_back(row(program.layers[i].name, layer.state().picture, layer));
  }
  for (std::size_t i = 0; i < program.channels.size(); ++i) {
    Channel& channel = engine.channel(static_cast<std::int32_t>(i));
    snapshot.channels.push_back(row(program.channels[i].name, channel.state().sound, channel));
  }
  return snapshot;
}

}  // namespace tavrik
