// What each command of the table does in the player: its handler, whether the menu shows it checked,
// and whether it is offered at all. The components bind their own commands; the player runs them by id.
#pragma once

#include <functional>
#include <map>

namespace tavrik {

class CommandBindings {
 public:
  struct Binding {
    std::function<void()> run;
    std::function<bool()> checked = [] { return false; };
    std::function<bool()> offered = [] { return true; };
  };

  void bind(int id, Binding binding) { bindings_[id] = std::move(binding); }
  // Whether the command is bound and offered now.
  bool offers(int id) const {
    const auto it = bindings_.find(id);
    return it != bindings_.end() && it->second.offered();
  }
  // A command no one bound is offered (the frame's own), and shows unchecked.
  bool shown(int id) const { return !bindings_.contains(id) || offers(id); }
  bool checked(int id) const {
    const auto it = bindings_.find(id);
    return it != bindings_.end() && it->second.checked();
  }
  // Runs a command that is offered; false for one that is not.
  bool run(int id) const {
    if (!offers(id)) return false;
    bindings_.at(id).run();
    return true;
  }

 private:
  std::map<int, Binding> bindings_;
};

}  // namespace tavrik
