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
};

// The history as the screen shows it: lines of runs of one colour.
std::vector<HistoryLine> historyLinesOf(const History& history);

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
