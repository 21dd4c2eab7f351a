// The history screen: the text shown so far, in the colours it was shown in, scrolled by keys and wheel.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "script/runtime/history.h"
#include "ui/screen.h"

namespace tavrik {

class Overlay;

// A run of text of one colour, and the lines the history shows.
struct HistoryRun {
  std::string utf8;
  std::uint32_t rgb = 0xFFFFFF;
};
struct HistoryLine {
  std::vector<HistoryRun> runs;
  bool entryStart = false;  // the first line of an entry: a gap above it
  int entry = -1;           // the entry the line belongs to, 0 the oldest
  bool returnable = false;  // the first line of an entry the player can go back to: it has a button
};

// The history as the screen shows it: lines of runs of one colour. The entries marked in returnable (by
// index, 0 the oldest) get the button that goes back to them.
std::vector<HistoryLine> historyLinesOf(const History& history, const std::vector<bool>& returnable = {});

class HistoryScreen : public PlayerScreen {
 public:
  // Opens at the end of the history, the latest text at the bottom.
  HistoryScreen(Overlay& overlay, std::vector<HistoryLine> lines);

  void build() override;
  // Up, Down, Page Up, Page Down, Home and End scroll; Escape closes. Tab goes to the next entry back
  // that the player can return to, and Return or Space then returns there; none is chosen at first.
  ScreenAction key(Key key) override;
  // The close button closes; an entry's button returns there.
  ScreenAction click(int x, int y) override;
  void pointer(int x, int y) override;
  // Up scrolls back; down past the end closes.
  ScreenAction wheel(int notches) override;
  std::string characters() const override;
  // The text of the entry chosen to go back to.
  std::string focusWords() const override;

  // The first line shown, and how many lines fit.
  int top() const { return top_; }
  int visibleLines() const;
  // The entry Return would go back to; -1 for none.
  int chosen() const { return chosen_; }
  // Where an entry's button was last drawn; empty when it was not.
  ScreenRect returnRect(int entry) const;

 private:
  struct ReturnButton {
    int entry;
    ScreenRect rect;
  };
  int lastTop() const;
  void scrollTo(int top);
  void chooseOlder();

  Overlay& overlay_;
  std::vector<HistoryLine> lines_;
  int top_ = 0;
  int chosen_ = -1;
  ScreenRect closeRect_;
  std::vector<ReturnButton> returnButtons_;  // those drawn last
};

}  // namespace tavrik
