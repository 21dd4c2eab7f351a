#include "ui/slot_screen.h"

#include <imgui.h>

#include <algorithm>
#include <cfloat>
#include <cmath>

#include "base/messages.h"
#include "platform/graphics_device.h"
#include "platform/overlay.h"
#include "ui/screen_parts.h"

namespace tavrik {

using namespace screen_parts;

namespace {

constexpr float kCellGap = 6;
constexpr float kCellHeight = SlotScreen::kThumbnailHeight + 46;

// A frame of short dashes: a place with nothing in it yet.
void dashedRect(ImDrawList* draw, ImVec2 min, ImVec2 max, ImU32 colour) {
  constexpr float kDash = 6, kGap = 4;
  for (float x = min.x; x < max.x; x += kDash + kGap) {
    const float end = std::min(x + kDash, max.x);
    draw->AddLine(ImVec2(x, min.y), ImVec2(end, min.y), colour);
    draw->AddLine(ImVec2(x, max.y - 1), ImVec2(end, max.y - 1), colour);
  }
  for (float y = min.y; y < max.y; y += kDash + kGap) {
    const float end = std::min(y + kDash, max.y);
    draw->AddLine(ImVec2(min.x, y), ImVec2(min.x, end), colour);
    draw->AddLine(ImVec2(max.x - 1, y), ImVec2(max.x - 1, end), colour);
  }
}

// Text in the heavier of the two weights the slots use: drawn twice, a pixel apart.
void heavyText(ImDrawList* draw, ImVec2 at, ImU32 colour, const char* text) {
  draw->AddText(at, colour, text);
  draw->AddText(ImVec2(at.x + 1, at.y), colour, text);
}

// A text cut to what fits a width, with an ellipsis when it was longer.
std::string fitted(const std::string& utf8, float width) {
  const ImFont* font = ImGui::GetFont();
  const float size = ImGui::GetFontSize();
  if (font->CalcTextSizeA(size, FLT_MAX, 0.0f, utf8.c_str()).x <= width) return utf8;
  const float room = width - font->CalcTextSizeA(size, FLT_MAX, 0.0f, "…").x;
  const char* end = font->CalcWordWrapPositionA(1.0f, utf8.c_str(), utf8.c_str() + utf8.size(), room);
  // The wrap position may stop at a word; no line is cut inside a character.
  std::string out(utf8.c_str(), end);
  while (!out.empty() && font->CalcTextSizeA(size, FLT_MAX, 0.0f, out.c_str()).x > room) {
    // One whole character off the end: its continuation bytes, then its first.
    while (!out.empty() && (static_cast<unsigned char>(out.back()) & 0xC0) == 0x80) out.pop_back();
    if (!out.empty()) out.pop_back();
  }
  return out + "…";
}

}  // namespace

SlotScreen::SlotScreen(Overlay& overlay, Mode mode, std::vector<SlotView> slots)
    : overlay_(overlay), mode_(mode), slots_(std::move(slots)) {
  if (slots_.empty()) slots_.push_back(SlotView{});
  if (slots_.size() > static_cast<std::size_t>(kMaxSlots)) slots_.resize(kMaxSlots);
  textures_.assign(slots_.size(), nullptr);
  for (std::size_t i = 0; i < slots_.size(); ++i) {
    const std::vector<std::uint32_t>& pixels = slots_[i].thumbnail;
    if (pixels.size() != static_cast<std::size_t>(kThumbnailWidth) * kThumbnailHeight) continue;
    textures_[i] = overlay_.createImage(pixels.data(), kThumbnailWidth, kThumbnailHeight);
  }
  // Loading starts on the latest save; saving on the first slot.
  if (mode_ == Mode::Load) {
    std::string latest;
    for (int i = 0; i < count(); ++i) {
      if (pickable(i) && slots_[static_cast<std::size_t>(i)].dateUtf8 > latest) {
        latest = slots_[static_cast<std::size_t>(i)].dateUtf8;
        focused_ = i;
      }
    }
  }
}

std::string SlotScreen::focusWords() const {
  const SlotView& v = slots_[static_cast<std::size_t>(focused_)];
  if (!v.used) return v.labelUtf8 + " " + ja(MessageId::SlotsEmpty);
  return v.labelUtf8 + " " + v.dateUtf8 + " " + (v.problemUtf8.empty() ? v.textUtf8 : v.problemUtf8);
}

SlotScreen::~SlotScreen() {
  for (OverlayImage texture : textures_) overlay_.destroyImage(texture);
}

bool SlotScreen::pickable(int index) const {
  if (index < 0 || index >= count()) return false;
  return mode_ == Mode::Save || slots_[static_cast<std::size_t>(index)].used;
}

ScreenAction SlotScreen::pickIndex(int index) const {
  if (!pickable(index)) return {};
  return ScreenAction::pick(slots_[static_cast<std::size_t>(index)].slot);
}

void SlotScreen::focus(int slot) {
  for (int i = 0; i < count(); ++i)
    if (slots_[static_cast<std::size_t>(i)].slot == slot) focused_ = i;
}

const SlotView* SlotScreen::view(int slot) const {
  for (const SlotView& v : slots_)
    if (v.slot == slot) return &v;
  return nullptr;
}

ScreenRect SlotScreen::slotRect(int slot) const {
  for (int i = 0; i < count(); ++i)
    if (slots_[static_cast<std::size_t>(i)].slot == slot) return slotRects_[i];
  return {};
}

int SlotScreen::indexAt(int x, int y) const {
  for (int i = 0; i < count(); ++i)
    if (slotRects_[i].contains(x, y)) return i;
  return -1;
}

ScreenAction SlotScreen::key(Key key) {
  const int n = count();
  switch (key) {
    case Key::Escape:
      return ScreenAction::close();
    case Key::Return:
    case Key::Space:
      return pickIndex(focused_);
    case Key::Delete:
      if (!slots_[static_cast<std::size_t>(focused_)].used) return {};
      return ScreenAction::remove(slots_[static_cast<std::size_t>(focused_)].slot);
    case Key::Left:
      focused_ = (focused_ + n - 1) % n;
      return {};
    case Key::Right:
    case Key::Tab:
      focused_ = (focused_ + 1) % n;
      return {};
    case Key::Up:
      if (focused_ >= kColumns) focused_ -= kColumns;
      return {};
    case Key::Down:
      // Straight down, where the row below has a slot there.
      if (focused_ + kColumns < n) focused_ += kColumns;
      return {};
    default:
      return {};
  }
}

ScreenAction SlotScreen::click(int x, int y) {
  if (closeRect_.contains(x, y)) return ScreenAction::close();
  const int index = indexAt(x, y);
  if (!pickable(index)) return {};
  focused_ = index;
  return pickIndex(index);
}

void SlotScreen::pointer(int x, int y) {
  // An empty slot cannot be loaded: the highlight stays where Return would still do something.
  const int index = indexAt(x, y);
  if (pickable(index)) focused_ = index;
}

std::string SlotScreen::characters() const {
  // Besides the words, what dates are written with and the ellipsis of a text cut short.
  std::string out = ja(MessageId::SaveCaption) + ja(MessageId::LoadCaption) + ja(MessageId::SlotsChooseSave) +
                    ja(MessageId::SlotsChooseLoad) + ja(MessageId::SlotsEmpty) + ja(MessageId::SlotsHint) +
                    "0123456789/: …";
  out += kCloseAction;
  for (const SlotView& slot : slots_)
    out += slot.labelUtf8 + slot.dateUtf8 + slot.textUtf8 + slot.problemUtf8 + slot.noteUtf8;
  return out;
}

void SlotScreen::build() {
  const bool saving = mode_ == Mode::Save;
  const float rows = static_cast<float>((count() + kColumns - 1) / kColumns);
  const float height = 8 + 24 + rows * kCellHeight + (rows - 1) * kCellGap + 8 + 30 + 8;
  if (beginScreen((ja(saving ? MessageId::SaveCaption : MessageId::LoadCaption) + "###slots").c_str(), 792,
                  height, false)) {
    ImGui::TextUnformatted(ja(saving ? MessageId::SlotsChooseSave : MessageId::SlotsChooseLoad).c_str());
    const ImVec2 origin = ImGui::GetCursorScreenPos();
    const float cellWidth = (ImGui::GetContentRegionAvail().x - (kColumns - 1) * kCellGap) / kColumns;
    ImDrawList* draw = ImGui::GetWindowDrawList();
    const Look& l = look();
    const float lineHeight = ImGui::GetTextLineHeight();
    for (int i = 0; i < count(); ++i) {
      const SlotView& slot = slots_[static_cast<std::size_t>(i)];
      const int column = i % kColumns, row = i / kColumns;
      const ImVec2 at(origin.x + static_cast<float>(column) * (cellWidth + kCellGap),
                      origin.y + static_cast<float>(row) * (kCellHeight + kCellGap));
      const ImVec2 end(at.x + cellWidth, at.y + kCellHeight);
      slotRects_[i] = {at.x, at.y, end.x, end.y};
      // One highlight: the slot Return would take. A used slot sits in a recess of the panel; an empty
      // one is only its dashed frame.
      const bool focused = i == focused_;
      if (focused)
        roundedPanel(draw, at, end, l.accent, 6.0f);
      else if (slot.used)
        roundedPanel(draw, at, end, l.well, 6.0f);
      const ImU32 ink = focused ? l.onAccent : l.text;
      const ImU32 quiet = focused ? l.onAccent : l.faint;
      // The thumbnail at its own size, pixel for pixel.
      const ImVec2 thumbAt(at.x + std::floor((cellWidth - kThumbnailWidth) / 2), at.y + 5);
      const ImVec2 thumbEnd(thumbAt.x + kThumbnailWidth, thumbAt.y + kThumbnailHeight);
      if (OverlayImage texture = textures_[static_cast<std::size_t>(i)]) {
        draw->AddImage(static_cast<ImTextureID>(texture), thumbAt, thumbEnd);
      } else if (!slot.used) {
        dashedRect(draw, thumbAt, thumbEnd, focused ? l.onAccent : l.outline);
        const std::string emptyWord = ja(MessageId::SlotsEmpty);
        const ImVec2 size = ImGui::CalcTextSize(emptyWord.c_str());
        draw->AddText(
            ImVec2(thumbAt.x + (kThumbnailWidth - size.x) / 2, thumbAt.y + (kThumbnailHeight - size.y) / 2),
            quiet, emptyWord.c_str());
      } else {
        draw->AddRect(thumbAt, thumbEnd, quiet, 0.0f, 0, 1.0f);
      }
      // The slot's name over the thumbnail's corner: the quick and automatic saves in the accent.
      const ImVec2 label = ImGui::CalcTextSize(slot.labelUtf8.c_str());
      const bool accented = slot.marked && !focused;
      draw->AddRectFilled(thumbAt, ImVec2(thumbAt.x + label.x + 8, thumbAt.y + label.y + 4),
                          accented ? l.accent : IM_COL32(0, 0, 0, 190), 4.0f,
                          ImDrawFlags_RoundCornersBottomRight);
      draw->AddText(ImVec2(thumbAt.x + 4, thumbAt.y + 2),
                    accented ? l.onAccent : IM_COL32(255, 255, 255, 255), slot.labelUtf8.c_str());
      if (slot.used) {
        const float textX = at.x + 7, width = cellWidth - 14;
        const float lineY = thumbEnd.y + 3;
        // The date in the heavier weight, the text below it in the lighter. A save that cannot be loaded
        // says why in place of its text. A note (saved before an update) marks the thumbnail's lower
        // corner, as the slot's name marks the upper one, so that the text still tells where the save
        // stands.
        heavyText(draw, ImVec2(textX, lineY), ink, slot.dateUtf8.c_str());
        const bool problem = !slot.problemUtf8.empty();
        const std::string line = fitted(problem ? slot.problemUtf8 : slot.textUtf8, width);
        const ImU32 lineInk = problem && !focused ? l.warning : quiet;
        if (!problem && !slot.noteUtf8.empty()) {
          const std::string note = fitted(slot.noteUtf8, kThumbnailWidth - 8);
          const ImVec2 size = ImGui::CalcTextSize(note.c_str());
          const ImVec2 corner(thumbAt.x, thumbAt.y + kThumbnailHeight - size.y - 4);
          draw->AddRectFilled(corner, ImVec2(corner.x + size.x + 8, corner.y + size.y + 4),
                              IM_COL32(0, 0, 0, 190), 4.0f, ImDrawFlags_RoundCornersTopRight);
          draw->AddText(ImVec2(corner.x + 4, corner.y + 2), IM_COL32(255, 255, 255, 255), note.c_str());
        }
        draw->AddText(ImVec2(textX, lineY + lineHeight + 2), lineInk, line.c_str());
      }
    }
    ImGui::SetCursorScreenPos(ImVec2(origin.x, origin.y + rows * kCellHeight + (rows - 1) * kCellGap + 8));
    actionButton(kCloseAction, "Esc", 130);
    closeRect_ = lastItemRect();
    ImGui::SameLine();
    keyHint("Return", ja(saving ? MessageId::SaveCaption : MessageId::LoadCaption));
    ImGui::SameLine();
    ImGui::AlignTextToFramePadding();
    ImGui::TextDisabled("%s", ja(MessageId::SlotsHint).c_str());
  }
  ImGui::End();
}

}  // namespace tavrik
