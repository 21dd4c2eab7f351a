#include "app/event_script.h"

#include <algorithm>
#include <charconv>

#include "app/player_commands.h"
#include "base/messages.h"

namespace tavrik {

namespace {

// The highest slot the events file may name.
constexpr int kLastSlot = 10;

std::vector<std::string_view> words(std::string_view line) {
  std::vector<std::string_view> out;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
    const std::size_t start = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') ++i;
    if (i > start) out.push_back(line.substr(start, i - start));
  }
  return out;
}

template <class T>
std::optional<T> number(std::string_view s) {
  T value{};
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (ec != std::errc{} || end != s.data() + s.size()) return std::nullopt;
  return value;
}

std::optional<MouseButton> buttonNamed(std::string_view s) {
  if (s == "left") return MouseButton::Left;
  if (s == "middle") return MouseButton::Middle;
  if (s == "right") return MouseButton::Right;
  if (s == "back") return MouseButton::Back;
  return std::nullopt;
}

}  // namespace

std::optional<PadButton> padButtonNumbered(std::string_view s) {
  // As the manual counts them: 1 to 4 are the ones a game reads, then the shoulders, Back, Start and
  // the guide button.
  static constexpr std::pair<std::string_view, PadButton> kButtons[] = {{"1", PadButton::A},
                                                                        {"2", PadButton::B},
                                                                        {"3", PadButton::X},
                                                                        {"4", PadButton::Y},
                                                                        {"5", PadButton::LeftShoulder},
                                                                        {"6", PadButton::RightShoulder},
                                                                        {"7", PadButton::Back},
                                                                        {"8", PadButton::Start},
                                                                        {"9", PadButton::Guide},
                                                                        {"up", PadButton::Up},
                                                                        {"down", PadButton::Down},
                                                                        {"left", PadButton::Left},
                                                                        {"right", PadButton::Right}};
  for (const auto& [name, button] : kButtons)
    if (name == s) return button;
  return std::nullopt;
}

std::optional<EventScript> EventScript::parse(std::string_view text, std::string* error) {
  EventScript script;
  int lineNumber = 0;
  using T = WindowEvent::Type;
  while (!text.empty()) {
    ++lineNumber;
    const std::size_t eol = text.find('\n');
    std::string_view line = text.substr(0, eol);
    text = eol == std::string_view::npos ? std::string_view{} : text.substr(eol + 1);
    if (const std::size_t hash = line.find('#'); hash != std::string_view::npos) line = line.substr(0, hash);
    const std::vector<std::string_view> w = words(line);
    if (w.empty()) continue;

    auto bad = [&](const std::string& what) {
      if (error) *error = en(MessageId::EventsLine, {std::to_string(lineNumber), what});
      return std::nullopt;
    };
    const std::optional<std::int64_t> frame = number<std::int64_t>(w[0]);
    if (!frame || *frame < 0) return bad(en(MessageId::EventsNoFrame, {w[0]}));
    if (*frame > kMaxFrame) return bad(en(MessageId::EventsFramePastLast, {w[0], std::to_string(kMaxFrame)}));
    if (w.size() < 2) return bad(en(MessageId::EventsNoEvent));
    script.lastFrame_ = std::max(script.lastFrame_, *frame);
    const std::string_view kind = w[1];
    auto add = [&](std::int64_t at, WindowEvent e) { script.events_.emplace(at, e); };
    auto argCount = [&](std::size_t n) { return w.size() == n + 2; };

    if ((kind == "move" || kind == "click") && argCount(2)) {
      const std::optional<int> x = number<int>(w[2]);
      const std::optional<int> y = number<int>(w[3]);
      if (!x || !y) return bad(en(MessageId::EventsNoPosition));
      WindowEvent move;
      move.type = T::MouseMove;
      move.x = *x;
      move.y = *y;
      add(*frame, move);
      if (kind == "click") {
        WindowEvent press = move;
        press.type = T::ButtonDown;
        add(*frame + 1, press);
        WindowEvent release = move;
        release.type = T::ButtonUp;
        add(*frame + 2, release);
      }
    } else if ((kind == "down" || kind == "up") && argCount(1)) {
      const std::optional<MouseButton> button = buttonNamed(w[2]);
      if (!button) return bad(en(MessageId::EventsNoButton));
      WindowEvent e;
      e.type = kind == "down" ? T::ButtonDown : T::ButtonUp;
      e.button = *button;
      add(*frame, e);
    } else if ((kind == "keydown" || kind == "keyup" || kind == "key") && argCount(1)) {
      const std::optional<Key> key = keyFromName(w[2]);
      if (!key) return bad(en(MessageId::EventsUnknownKey, {w[2]}));
      WindowEvent e;
      e.key = *key;
      e.type = kind == "keyup" ? T::KeyUp : T::KeyDown;
      add(*frame, e);
      if (kind == "key") {
        e.type = T::KeyUp;
        add(*frame + 1, e);
      }
    } else if (kind == "command" && argCount(1)) {
      // A command by its id or by its word in the command table ("command save").
      std::optional<int> id = number<int>(w[2]);
      if (!id) id = commandIdNamed(w[2]);
      if (!id) return bad(en(MessageId::EventsNoCommand));
      WindowEvent e;
      e.type = T::MenuCommand;
      e.command = *id;
      add(*frame, e);
    } else if (kind == "save-state" && w.size() >= 3) {
      // The path is the rest of the line, spaces and all.
      const std::size_t at = static_cast<std::size_t>(w[2].data() - line.data());
      std::string_view path = line.substr(at);
      while (!path.empty() && (path.back() == ' ' || path.back() == '\t' || path.back() == '\r'))
        path.remove_suffix(1);
      script.saves_.emplace(*frame, std::filesystem::path(std::string(path)));
    } else if ((kind == "save" || kind == "load") && argCount(1)) {
      const std::optional<int> slot = number<int>(w[2]);
      if (!slot || *slot < 0 || *slot > kLastSlot) return bad(en(MessageId::EventsNoSlot));
      script.actions_.emplace(
          *frame, PlayerAction{kind == "save" ? PlayerAction::Kind::Save : PlayerAction::Kind::Load, *slot});
    } else if ((kind == "skip" || kind == "auto") && argCount(1)) {
      if (w[2] != "on" && w[2] != "off") return bad(en(MessageId::EventsNoSwitch));
      script.actions_.emplace(
          *frame, PlayerAction{kind == "skip" ? PlayerAction::Kind::Skip : PlayerAction::Kind::Auto,
                               w[2] == "on" ? 1 : 0});
    } else if ((kind == "rollback" || kind == "history-return") && argCount(1)) {
      const bool back = kind == "rollback";
      const std::optional<int> n = number<int>(w[2]);
      if (!n || *n < (back ? 1 : 0))
        return bad(en(back ? MessageId::EventsNoSteps : MessageId::EventsNoEntry));
      script.actions_.emplace(
          *frame, PlayerAction{back ? PlayerAction::Kind::Rollback : PlayerAction::Kind::HistoryReturn, *n});
    } else if (kind == "text-speed" && argCount(1)) {
      static constexpr std::pair<std::string_view, int> kSpeeds[] = {
          {"0.5", 1}, {"1", 2}, {"1.5", 3}, {"2", 4}, {"3", 6}, {"4", 8}, {"instant", 0}};
      const auto* speed = std::find_if(std::begin(kSpeeds), std::end(kSpeeds),
                                       [&](const auto& entry) { return entry.first == w[2]; });
      if (speed == std::end(kSpeeds)) return bad(en(MessageId::EventsNoSpeed));
      script.actions_.emplace(*frame, PlayerAction{PlayerAction::Kind::TextSpeed, speed->second});
    } else if (kind == "click-completes" && argCount(1)) {
      if (w[2] != "on" && w[2] != "off") return bad(en(MessageId::EventsNoSwitch));
      script.actions_.emplace(*frame, PlayerAction{PlayerAction::Kind::ClickCompletes, w[2] == "on" ? 1 : 0});
    } else if (kind == "pad" && argCount(2)) {
      const std::optional<PadButton> button = padButtonNumbered(w[2]);
      if (!button || (w[3] != "down" && w[3] != "up")) return bad(en(MessageId::EventsNoPadButton));
      WindowEvent e;
      e.type = w[3] == "down" ? T::PadButtonDown : T::PadButtonUp;
      e.padButton = *button;
      add(*frame, e);
    } else if (kind == "pad-axis" && argCount(2)) {
      const std::optional<double> x = number<double>(w[2]);
      const std::optional<double> y = number<double>(w[3]);
      if (!x || !y || !(*x >= -1 && *x <= 1) || !(*y >= -1 && *y <= 1))
        return bad(en(MessageId::EventsNoStick));
      WindowEvent e;
      e.type = T::PadAxis;
      e.x = static_cast<int>(*x * 1000 + (*x < 0 ? -0.5 : 0.5));
      e.y = static_cast<int>(*y * 1000 + (*y < 0 ? -0.5 : 0.5));
      add(*frame, e);
    } else if (kind == "speak" && argCount(1)) {
      if (w[2] != "on" && w[2] != "off") return bad(en(MessageId::EventsNoSwitch));
      script.actions_.emplace(*frame, PlayerAction{PlayerAction::Kind::Speak, w[2] == "on" ? 1 : 0});
    } else if (kind == "close" && argCount(0)) {
      WindowEvent e;
      e.type = T::Close;
      add(*frame, e);
    } else {
      return bad(en(MessageId::EventsCannotRead, {kind, std::to_string(w.size() - 2)}));
    }
  }
  return script;
}

std::vector<std::filesystem::path> EventScript::statesToSaveAt(std::int64_t frame) const {
  std::vector<std::filesystem::path> out;
  const auto [first, last] = saves_.equal_range(frame);
  for (auto it = first; it != last; ++it) out.push_back(it->second);
  return out;
}

std::vector<PlayerAction> EventScript::playerActionsAt(std::int64_t frame) const {
  std::vector<PlayerAction> out;
  const auto [first, last] = actions_.equal_range(frame);
  for (auto it = first; it != last; ++it) out.push_back(it->second);
  auto rank = [](const PlayerAction& a) {
    return a.kind == PlayerAction::Kind::Save ? 0 : (a.kind == PlayerAction::Kind::Load ? 1 : 2);
  };
  std::stable_sort(out.begin(), out.end(),
                   [&](const PlayerAction& a, const PlayerAction& b) { return rank(a) < rank(b); });
  return out;
}

std::vector<WindowEvent> EventScript::eventsAt(std::int64_t frame) const {
  std::vector<WindowEvent> out;
  const auto [first, last] = events_.equal_range(frame);
  for (auto it = first; it != last; ++it) out.push_back(it->second);
  return out;
}

}  // namespace tavrik
