// The save and load screens: a grid of slots with their thumbnails, the date and the text last shown.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/overlay.h"
#include "ui/screen.h"

namespace tavrik {

// One slot as the slot screen lists it.
struct SlotView {
  int slot = 1;           // the slot it shows (as ScreenAction gives it)
  std::string labelUtf8;  // "スロット 1", "クイックセーブ" ...
  bool marked = false;    // not one of the ten slots: the quick save or the automatic one
  bool used = false;
  std::string dateUtf8;     // "2026/12/08 19:37"
  std::string textUtf8;     // the first line of the text last shown
  std::string problemUtf8;  // why the save cannot be loaded (another script, damaged); empty when it can
  std::string noteUtf8;     // a word on a save that can be loaded ("saved before an update"); may be empty
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
  // The slot's name, and its date and text or that it is empty.
  std::string focusWords() const override;

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
  std::vector<OverlayImage> textures_;
  int focused_ = 0;
  ScreenRect slotRects_[kMaxSlots];
  ScreenRect closeRect_;
};

}  // namespace tavrik
