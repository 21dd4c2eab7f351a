// The player's own screens over the game, drawn by the overlay: the save and load slots, the volume and
// auto-mode settings, and the history of the text shown. Each is answered with the keyboard or the mouse
// as the boxes are: a click is tested against where the screen last drew its parts, in the overlay's
// pixels, so that an events file drives them as a hand does. The game stands still while one is open.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/window_events.h"

struct SDL_Texture;

namespace tavrik {

class Overlay;

// What a screen asks of the player after an input.
struct ScreenAction {
  enum class Kind { None, Close, Pick, Changed, Remove };
  Kind kind = Kind::None;
  int slot = 0;  // Pick and Remove: the slot (1 to 10, 0 the quick save, -1 the automatic one)

  static ScreenAction close() { return {Kind::Close, 0}; }
  static ScreenAction pick(int slot) { return {Kind::Pick, slot}; }
  static ScreenAction changed() { return {Kind::Changed, 0}; }
  static ScreenAction remove(int slot) { return {Kind::Remove, slot}; }
};

// A rectangle where a screen drew a part, in the overlay's pixels.
struct ScreenRect {
  float left = 0, top = 0, right = 0, bottom = 0;
  bool contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
};

class PlayerScreen {
 public:
  virtual ~PlayerScreen() = default;
  // Builds the screen in a frame of the overlay.
  virtual void build() = 0;
  virtual ScreenAction key(Key key) = 0;
  // A left click (button released) at x, y in the overlay's pixels; a right click closes every screen.
  virtual ScreenAction click(int x, int y) = 0;
  // The pointer moved to x, y: what it is over takes the keyboard's place, so that one highlight shows
  // what Return would take.
  virtual void pointer(int x, int y) {
    (void)x;
    (void)y;
  }
  virtual ScreenAction wheel(int notches) {
    (void)notches;
    return {};
  }
  // Every character the screen shows, for the overlay's atlas (UTF-8).
  virtual std::string characters() const = 0;
};

// One slot as the slot screen lists it.
struct SlotView {
  int slot = 1;           // the slot it shows (as ScreenAction gives it)
  std::string labelUtf8;  // "スロット 1", "クイックセーブ" ...
  bool marked = false;    // not one of the ten slots: the quick save or the automatic one
  bool used = false;
  std::string dateUtf8;     // "2026/12/08 19:37"
  std::string textUtf8;     // the first line of the text last shown
  std::string problemUtf8;  // why the save cannot be loaded (another script, damaged); empty when it can
  std::vector<std::uint32_t> thumbnail;  // kThumbnailWidth x kThumbnailHeight, 0xFFRRGGBB; empty for none
};

class SlotScreen : public PlayerScreen {
 public:
  // At most this many slots, four to a row: the ten slots, then (loading) the quick and automatic saves.
  static constexpr int kMaxSlots = 12;
  static constexpr int kColumns = 4;
  static constexpr int kThumbnailWidth = 160;
  static constexpr int kThumbnailHeight = 120;
  enum class Mode { Save, Load };

  // slots: at most kMaxSlots views, in the order shown.
  SlotScreen(Overlay& overlay, Mode mode, std::vector<SlotView> slots);
  ~SlotScreen() override;
  SlotScreen(const SlotScreen&) = delete;
  SlotScreen& operator=(const SlotScreen&) = delete;

  void build() override;
  // The arrows move over the grid, Return or Space picks, Delete asks to remove a save, Escape closes.
  ScreenAction key(Key key) override;
  ScreenAction click(int x, int y) override;
  void pointer(int x, int y) override;
  std::string characters() const override;

  Mode mode() const { return mode_; }
  // The slot Return would take (as ScreenAction gives it).
  int focused() const { return slots_[static_cast<std::size_t>(focused_)].slot; }
  // Puts the highlight on a slot; nothing changes for one the screen does not show.
  void focus(int slot);
  const SlotView* view(int slot) const;
  // Where a slot was last drawn; empty before the first build.
  ScreenRect slotRect(int slot) const;

 private:
  int count() const { return static_cast<int>(slots_.size()); }
  // Loading picks only a slot that holds a save.
  bool pickable(int index) const;
  ScreenAction pickIndex(int index) const;
  int indexAt(int x, int y) const;

  Overlay& overlay_;
  Mode mode_;
  std::vector<SlotView> slots_;
  std::vector<SDL_Texture*> textures_;
  int focused_ = 0;
  ScreenRect slotRects_[kMaxSlots];
  ScreenRect closeRect_;
};

// The player's own settings that the settings screen changes: volumes in percent, and auto mode's pause.
struct PlayerSettings {
  int masterVolume = 100;
  int musicVolume = 100;
  int effectVolume = 100;
  bool masterMuted = false;
  bool musicMuted = false;
  bool effectMuted = false;
  int autoPauseMs = 1500;            // auto mode waits this long after the text has been typed out
  int autoPausePerCharacterMs = 50;  // and this much more for each character shown
  bool readOnlySkip = false;         // the menu's "skip only what was read"

  bool operator==(const PlayerSettings&) const = default;
  // The gain (0 to 1) of the music channels and of the sound-effect channels.
  float musicGain() const;
  float effectGain() const;
  // Every value within its range.
  PlayerSettings clamped() const;
};

class SettingsScreen : public PlayerScreen {
 public:
  explicit SettingsScreen(PlayerSettings settings) : settings_(settings) {}

  void build() override;
  // Up and Down choose a row, Left and Right lower and raise its value, Return or Space mutes or
  // unmutes a volume, Escape closes.
  ScreenAction key(Key key) override;
  ScreenAction click(int x, int y) override;
  void pointer(int x, int y) override;
  std::string characters() const override;

  const PlayerSettings& settings() const { return settings_; }
  int focusedRow() const { return row_; }

  static constexpr int kRows = 5;

 private:
  void adjust(int row, int direction);
  void toggleMute(int row);

  PlayerSettings settings_;
  int row_ = 0;
  struct RowRects {
    ScreenRect row, lower, raise, mute;
  };
  RowRects rects_[kRows];
  ScreenRect closeRect_;
};

// A report shown over the running game without stopping it (a reload's script error), at the bottom of
// the window; where its close button was drawn.
ScreenRect buildNoticePanel(const std::string& caption, const std::string& text);

// A word over a corner of the game that takes no input: a save's "saved" at the top left, the mode
// that runs the game ("skip", "auto") at the top right.
enum class Corner { TopLeft, TopRight };
void buildCornerWord(const std::string& text, Corner corner);

// A run of text of one colour, and the lines the history shows.
struct HistoryRun {
  std::string utf8;
  std::uint32_t rgb = 0xFFFFFF;
};
struct HistoryLine {
  std::vector<HistoryRun> runs;
  bool entryStart = false;  // the first line of an entry: a gap above it
};

class HistoryScreen : public PlayerScreen {
 public:
  // Opens at the end of the history, the latest text at the bottom.
  HistoryScreen(Overlay& overlay, std::vector<HistoryLine> lines);

  void build() override;
  // Up, Down, Page Up, Page Down, Home and End scroll; Escape closes.
  ScreenAction key(Key key) override;
  ScreenAction click(int x, int y) override;
  // Up scrolls back; down past the end closes.
  ScreenAction wheel(int notches) override;
  std::string characters() const override;

  // The first line shown, and how many lines fit.
  int top() const { return top_; }
  int visibleLines() const;

 private:
  int lastTop() const;
  void scrollTo(int top);

  Overlay& overlay_;
  std::vector<HistoryLine> lines_;
  int top_ = 0;
  ScreenRect closeRect_;
};

}  // namespace tavrik
