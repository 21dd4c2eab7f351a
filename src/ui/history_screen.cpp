#include "ui/history_screen.h"

#include <imgui.h>

#include <algorithm>
#include <cfloat>
#include <cmath>

#include "base/messages.h"
#include "base/text_encoding.h"
#include "platform/graphics_device.h"
#include "platform/overlay.h"
#include "ui/screen_parts.h"

namespace tavrik {

using namespace screen_parts;

namespace {

constexpr float kHistoryWidth = 760, kHistoryHeight = 570;
constexpr float kLineGap = 4, kEntryGap = 10;

}  // namespace

HistoryScreen::HistoryScreen(Overlay& overlay, std::vector<HistoryLine> lines)
    : overlay_(overlay), lines_(std::move(lines)) {
  top_ = lastTop();
}

int HistoryScreen::visibleLines() const {
  const ImFont* font = overlay_.textFont();
  const float lineHeight = (font ? Overlay::kTextFontSize : Overlay::kFontSize) + kLineGap + kEntryGap / 2;
  return std::max(1, static_cast<int>((kHistoryHeight - 90) / lineHeight));
}

int HistoryScreen::lastTop() const {
  return std::max(0, static_cast<int>(lines_.size()) - visibleLines());
}

void HistoryScreen::scrollTo(int top) {
  top_ = std::clamp(top, 0, lastTop());
}

ScreenAction HistoryScreen::key(Key key) {
  const int page = std::max(1, visibleLines() - 1);
  switch (key) {
    case Key::Escape:
      return ScreenAction::close();
    case Key::Up:
      scrollTo(top_ - 1);
      return {};
    case Key::Down:
      scrollTo(top_ + 1);
      return {};
    case Key::PageUp:
      scrollTo(top_ - page);
      return {};
    case Key::PageDown:
      if (top_ >= lastTop()) return ScreenAction::close();
      scrollTo(top_ + page);
      return {};
    case Key::Home:
      scrollTo(0);
      return {};
    case Key::End:
      scrollTo(lastTop());
      return {};
    case Key::Tab:
      chooseOlder();
      return {};
    case Key::Return:
    case Key::Space:
      if (chosen_ < 0) return {};
      return ScreenAction::returnTo(chosen_);
    default:
      return {};
  }
}

void HistoryScreen::chooseOlder() {
  // From the latest back, round again after the oldest: the place wanted is most often a few waits ago.
  int line = -1, latest = -1;
  for (int i = static_cast<int>(lines_.size()) - 1; i >= 0; --i) {
    const HistoryLine& l = lines_[static_cast<std::size_t>(i)];
    if (!l.returnable) continue;
    if (latest < 0) latest = i;
    if (chosen_ < 0 || l.entry < chosen_) {
      line = i;
      break;
    }
  }
  if (line < 0) line = latest;
  if (line < 0) return;
  chosen_ = lines_[static_cast<std::size_t>(line)].entry;
  if (line < top_) scrollTo(line);
  if (line >= top_ + visibleLines()) scrollTo(line - visibleLines() + 1);
}

std::string HistoryScreen::focusWords() const {
  std::string out;
  for (const HistoryLine& line : lines_) {
    if (line.entry != chosen_) continue;
    for (const HistoryRun& run : line.runs) out += run.utf8;
  }
  return out;
}

ScreenAction HistoryScreen::click(int x, int y) {
  if (closeRect_.contains(x, y)) return ScreenAction::close();
  for (const ReturnButton& button : returnButtons_) {
    if (!button.rect.contains(x, y)) continue;
    chosen_ = button.entry;
    return ScreenAction::returnTo(button.entry);
  }
  return {};
}

void HistoryScreen::pointer(int x, int y) {
  for (const ReturnButton& button : returnButtons_)
    if (button.rect.contains(x, y)) chosen_ = button.entry;
}

ScreenRect HistoryScreen::returnRect(int entry) const {
  for (const ReturnButton& button : returnButtons_)
    if (button.entry == entry) return button.rect;
  return {};
}

ScreenAction HistoryScreen::wheel(int notches) {
  if (notches < 0 && top_ >= lastTop()) return ScreenAction::close();
  scrollTo(top_ - 3 * notches);
  return {};
}

std::string HistoryScreen::characters() const {
  std::string out = ja(MessageId::HistoryTitle) + ja(MessageId::HistoryEmpty) + ja(MessageId::HistoryHint);
  out += kCloseAction + ja(MessageId::HistoryReturn);
  for (const HistoryLine& line : lines_)
    for (const HistoryRun& run : line.runs) out += run.utf8;
  return out;
}

void HistoryScreen::build() {
  if (beginScreen((ja(MessageId::HistoryTitle) + "###history").c_str(), kHistoryWidth, kHistoryHeight)) {
    ImFont* font = overlay_.textFont();
    const float size = font ? Overlay::kTextFontSize : Overlay::kFontSize;
    if (!font) font = ImGui::GetFont();
    ImDrawList* draw = ImGui::GetWindowDrawList();
    const ImVec2 origin = ImGui::GetCursorScreenPos();
    const float bottom = origin.y + kHistoryHeight - 90;
    if (lines_.empty()) ImGui::TextUnformatted(ja(MessageId::HistoryEmpty).c_str());
    float y = origin.y;
    const int last = std::min(static_cast<int>(lines_.size()), top_ + visibleLines());
    const float trackX = origin.x + kHistoryWidth - 30;
    const std::string returnLabel = ja(MessageId::HistoryReturn);
    const float returnWidth =
        ImGui::CalcTextSize(returnLabel.c_str()).x + 2 * ImGui::GetStyle().FramePadding.x;
    returnButtons_.clear();
    for (int i = top_; i < last && y + size <= bottom; ++i) {
      const HistoryLine& line = lines_[static_cast<std::size_t>(i)];
      if (line.entryStart && i != top_) y += kEntryGap / 2;
      // The button stands at the line's right end, over nothing of the text: the text is cut short
      // before it.
      if (line.returnable) {
        ImGui::SetCursorScreenPos(ImVec2(trackX - 8 - returnWidth, y + (size - ImGui::GetFontSize()) / 2));
        ImGui::PushID(line.entry);
        ImGui::SmallButton(returnLabel.c_str());
        ImGui::PopID();
        returnButtons_.push_back({line.entry, lastItemRect()});
        focusFrame(line.entry == chosen_);
        draw->PushClipRect(ImVec2(origin.x, y), ImVec2(trackX - 8 - returnWidth - 8, y + size + kLineGap),
                           true);
      }
      float x = origin.x + 8;
      for (const HistoryRun& run : line.runs) {
        draw->AddText(font, size, ImVec2(x, y), colourOf(run.rgb), run.utf8.c_str());
        x += font->CalcTextSizeA(size, 10000.0f, 0.0f, run.utf8.c_str()).x;
      }
      if (line.returnable) draw->PopClipRect();
      y += size + kLineGap;
    }
    // Where the view stands in the whole.
    if (!lines_.empty()) {
      const float trackTop = origin.y, trackBottom = bottom;
      const float total = static_cast<float>(lines_.size());
      const float from = trackTop + (trackBottom - trackTop) * static_cast<float>(top_) / total;
      const float to = trackTop + (trackBottom - trackTop) * static_cast<float>(last) / total;
      const float x = trackX;
      draw->AddRectFilled(ImVec2(x, trackTop), ImVec2(x + 6, trackBottom), look().well, 3.0f);
      draw->AddRectFilled(ImVec2(x, from), ImVec2(x + 6, std::max(to, from + 4)), look().accent, 3.0f);
    }
    ImGui::SetCursorScreenPos(ImVec2(origin.x, bottom + 8));
    ImGui::TextDisabled("%s", ja(MessageId::HistoryHint).c_str());
    actionButton(kCloseAction, "Esc", 130);
    closeRect_ = lastItemRect();
  }
  ImGui::End();
}

std::vector<HistoryLine> historyLinesOf(const History& history, const std::vector<bool>& returnable) {
  std::vector<HistoryLine> lines;
  std::size_t index = 0;
  for (const HistoryEntry& entry : history.entries()) {
    HistoryLine line;
    line.entryStart = true;
    line.entry = static_cast<int>(index);
    line.returnable = index < returnable.size() && returnable[index];
    ++index;
    std::string run;
    std::uint32_t colour = 0xFFFFFF;
    auto endRun = [&] {
      if (!run.empty()) line.runs.push_back({sjisToUtf8(run), colour});
      run.clear();
    };
    for (const HistoryCharacter& c : entry.characters) {
      if (c.code == 0x0A) {
        endRun();
        lines.push_back(std::move(line));
        line = HistoryLine{};
        line.entry = lines.back().entry;
        continue;
      }
      if (c.code < 0x20) continue;
      if (c.rgb != colour) {
        endRun();
        colour = c.rgb;
      }
      if (c.code > 0xFF) run.push_back(static_cast<char>(c.code >> 8));
      run.push_back(static_cast<char>(c.code & 0xFF));
    }
    endRun();
    if (!line.runs.empty() || line.entryStart) lines.push_back(std::move(line));
  }
  return lines;
}

}  // namespace tavrik
