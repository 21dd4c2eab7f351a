#include "platform/player_screens.h"

#include <SDL.h>
#include <imgui.h>

#include <algorithm>
#include <cfloat>
#include <cmath>

#include "platform/graphics_device.h"
#include "platform/overlay.h"

namespace tavrik {

namespace {

constexpr const char* kClose = "閉じる (Esc)";

ScreenRect lastItemRect() {
  const ImVec2 min = ImGui::GetItemRectMin(), max = ImGui::GetItemRectMax();
  return {min.x, min.y, max.x, max.y};
}

// The screen's window: the size of the game's screen less a margin, centred in the overlay, over a
// dimmed game.
bool beginScreen(const char* title, float width, float height, bool titleBar = true) {
  const ImGuiIO& io = ImGui::GetIO();
  ImGui::GetBackgroundDrawList()->AddRectFilled(ImVec2(0, 0), io.DisplaySize, IM_COL32(0, 0, 0, 128));
  ImGui::SetNextWindowPos(ImVec2(io.DisplaySize.x * 0.5f, io.DisplaySize.y * 0.5f), ImGuiCond_Always,
                          ImVec2(0.5f, 0.5f));
  ImGui::SetNextWindowSize(ImVec2(std::min(width, io.DisplaySize.x), std::min(height, io.DisplaySize.y)),
                           ImGuiCond_Always);
  ImGui::SetNextWindowFocus();
  const ImGuiWindowFlags flags =
      ImGuiWindowFlags_NoResize | ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoCollapse |
      ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoNav | ImGuiWindowFlags_NoScrollbar |
      ImGuiWindowFlags_NoScrollWithMouse | (titleBar ? ImGuiWindowFlags_None : ImGuiWindowFlags_NoTitleBar);
  return ImGui::Begin(title, nullptr, flags);
}

// A button that stands out while the keyboard is on it, as a default button does.
void focusFrame(bool focused) {
  if (!focused) return;
  const ImVec2 min = ImGui::GetItemRectMin(), max = ImGui::GetItemRectMax();
  ImGui::GetWindowDrawList()->AddRect(ImVec2(min.x - 1, min.y - 1), ImVec2(max.x + 1, max.y + 1),
                                      IM_COL32(40, 90, 200, 255), 0.0f, 0, 2.0f);
}

ImU32 colourOf(std::uint32_t rgb) {
  return IM_COL32((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF, 255);
}

std::string percent(int value) {
  return std::to_string(value) + "%";
}

}  // namespace

// ---- Slots ----

namespace {

constexpr float kCellGap = 6;
constexpr float kCellHeight = SlotScreen::kThumbnailHeight + 44;
constexpr ImU32 kHighlight = IM_COL32(40, 90, 200, 255);

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
  SDL_Renderer* renderer = overlay_.renderer();
  for (std::size_t i = 0; i < slots_.size() && renderer; ++i) {
    const std::vector<std::uint32_t>& pixels = slots_[i].thumbnail;
    if (pixels.size() != static_cast<std::size_t>(kThumbnailWidth) * kThumbnailHeight) continue;
    SDL_Texture* texture = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STATIC,
                                             kThumbnailWidth, kThumbnailHeight);
    if (!texture) continue;
    SDL_UpdateTexture(texture, nullptr, pixels.data(), kThumbnailWidth * 4);
    textures_[i] = texture;
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

SlotScreen::~SlotScreen() {
  for (SDL_Texture* texture : textures_)
    if (texture) SDL_DestroyTexture(texture);
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
  std::string out =
      "セーブロードする場所を選んでください（空き）読み込めません0123456789/: "
      "…←→↑↓で選択Enterで決定Deleteで削除";
  out += kClose;
  for (const SlotView& slot : slots_)
    out += slot.labelUtf8 + slot.dateUtf8 + slot.textUtf8 + slot.problemUtf8;
  return out;
}

void SlotScreen::build() {
  const bool saving = mode_ == Mode::Save;
  const float rows = static_cast<float>((count() + kColumns - 1) / kColumns);
  const float height = 8 + 24 + rows * kCellHeight + (rows - 1) * kCellGap + 8 + 30 + 8;
  if (beginScreen(saving ? "セーブ###slots" : "ロード###slots", 792, height, false)) {
    ImGui::TextUnformatted(saving ? "セーブする場所を選んでください" : "ロードするセーブを選んでください");
    const ImVec2 origin = ImGui::GetCursorScreenPos();
    const float cellWidth = (ImGui::GetContentRegionAvail().x - (kColumns - 1) * kCellGap) / kColumns;
    ImDrawList* draw = ImGui::GetWindowDrawList();
    const ImU32 ink = ImGui::GetColorU32(ImGuiCol_Text);
    const ImU32 faint = ImGui::GetColorU32(ImGuiCol_TextDisabled);
    const float lineHeight = ImGui::GetTextLineHeight();
    for (int i = 0; i < count(); ++i) {
      const SlotView& slot = slots_[static_cast<std::size_t>(i)];
      const int column = i % kColumns, row = i / kColumns;
      const ImVec2 at(origin.x + static_cast<float>(column) * (cellWidth + kCellGap),
                      origin.y + static_cast<float>(row) * (kCellHeight + kCellGap));
      const ImVec2 end(at.x + cellWidth, at.y + kCellHeight);
      slotRects_[i] = {at.x, at.y, end.x, end.y};
      // One highlight: the slot Return would take.
      const bool focused = i == focused_;
      draw->AddRectFilled(at, end, focused ? kHighlight : ImGui::GetColorU32(ImGuiCol_FrameBg), 4.0f);
      if (!pickable(i)) draw->AddRectFilled(at, end, IM_COL32(0, 0, 0, 40), 4.0f);
      const ImU32 cellInk = focused ? IM_COL32(255, 255, 255, 255) : ink;
      // The thumbnail at its own size; an empty slot is an empty frame with its word in it.
      const ImVec2 thumbAt(at.x + std::floor((cellWidth - kThumbnailWidth) / 2), at.y + 4);
      const ImVec2 thumbEnd(thumbAt.x + kThumbnailWidth, thumbAt.y + kThumbnailHeight);
      if (SDL_Texture* texture = textures_[static_cast<std::size_t>(i)]) {
        draw->AddImage(static_cast<ImTextureID>(texture), thumbAt, thumbEnd);
      } else {
        draw->AddRect(thumbAt, thumbEnd, focused ? cellInk : faint, 0.0f, 0, 1.0f);
        if (!slot.used) {
          const char* empty = "（空き）";
          const ImVec2 size = ImGui::CalcTextSize(empty);
          draw->AddText(
              ImVec2(thumbAt.x + (kThumbnailWidth - size.x) / 2, thumbAt.y + (kThumbnailHeight - size.y) / 2),
              focused ? cellInk : faint, empty);
        }
      }
      // The slot's name over the thumbnail's corner: the quick and automatic saves stand out.
      const ImVec2 label = ImGui::CalcTextSize(slot.labelUtf8.c_str());
      draw->AddRectFilled(thumbAt, ImVec2(thumbAt.x + label.x + 8, thumbAt.y + label.y + 4),
                          slot.marked ? IM_COL32(200, 120, 20, 230) : IM_COL32(0, 0, 0, 170));
      draw->AddText(ImVec2(thumbAt.x + 4, thumbAt.y + 2), IM_COL32(255, 255, 255, 255),
                    slot.labelUtf8.c_str());
      if (slot.used) {
        const float textX = at.x + 6, width = cellWidth - 12;
        const float lineY = thumbEnd.y + 2;
        draw->AddText(ImVec2(textX, lineY), cellInk, slot.dateUtf8.c_str());
        const bool problem = !slot.problemUtf8.empty();
        const std::string line = fitted(problem ? slot.problemUtf8 : slot.textUtf8, width);
        draw->AddText(
            ImVec2(textX, lineY + lineHeight + 2),
            problem ? (focused ? IM_COL32(255, 200, 200, 255) : IM_COL32(180, 30, 30, 255)) : cellInk,
            line.c_str());
      }
    }
    ImGui::SetCursorScreenPos(ImVec2(origin.x, origin.y + rows * kCellHeight + (rows - 1) * kCellGap + 8));
    ImGui::Button(kClose, ImVec2(120, 0));
    closeRect_ = lastItemRect();
    ImGui::SameLine();
    ImGui::AlignTextToFramePadding();
    ImGui::TextDisabled("←→↑↓で選択  Enterで決定  Deleteで削除");
  }
  ImGui::End();
}

// ---- Settings ----

namespace {

constexpr const char* kSettingsHint = "↑↓で選択、←→で変更、Enterでミュート";
constexpr const char* kRowLabels[SettingsScreen::kRows] = {"全体の音量", "音楽の音量", "効果音の音量",
                                                           "オートの待ち時間", "1文字ごとの追加"};

int percentGainStep(int value, int direction) {
  return std::clamp(value + direction * 10, 0, 100);
}

}  // namespace

float PlayerSettings::musicGain() const {
  if (masterMuted || musicMuted) return 0.0f;
  return static_cast<float>(masterVolume) / 100.0f * static_cast<float>(musicVolume) / 100.0f;
}

float PlayerSettings::effectGain() const {
  if (masterMuted || effectMuted) return 0.0f;
  return static_cast<float>(masterVolume) / 100.0f * static_cast<float>(effectVolume) / 100.0f;
}

PlayerSettings PlayerSettings::clamped() const {
  PlayerSettings s = *this;
  s.masterVolume = std::clamp(s.masterVolume, 0, 100);
  s.musicVolume = std::clamp(s.musicVolume, 0, 100);
  s.effectVolume = std::clamp(s.effectVolume, 0, 100);
  s.autoPauseMs = std::clamp(s.autoPauseMs, 0, 10000);
  s.autoPausePerCharacterMs = std::clamp(s.autoPausePerCharacterMs, 0, 500);
  return s;
}

void SettingsScreen::adjust(int row, int direction) {
  switch (row) {
    case 0:
      settings_.masterVolume = percentGainStep(settings_.masterVolume, direction);
      break;
    case 1:
      settings_.musicVolume = percentGainStep(settings_.musicVolume, direction);
      break;
    case 2:
      settings_.effectVolume = percentGainStep(settings_.effectVolume, direction);
      break;
    case 3:
      settings_.autoPauseMs = std::clamp(settings_.autoPauseMs + direction * 250, 0, 10000);
      break;
    case 4:
      settings_.autoPausePerCharacterMs =
          std::clamp(settings_.autoPausePerCharacterMs + direction * 10, 0, 500);
      break;
    default:
      break;
  }
}

void SettingsScreen::toggleMute(int row) {
  if (row == 0) settings_.masterMuted = !settings_.masterMuted;
  if (row == 1) settings_.musicMuted = !settings_.musicMuted;
  if (row == 2) settings_.effectMuted = !settings_.effectMuted;
}

ScreenAction SettingsScreen::key(Key key) {
  switch (key) {
    case Key::Escape:
      return ScreenAction::close();
    case Key::Up:
      row_ = (row_ + kRows - 1) % kRows;
      return {};
    case Key::Down:
    case Key::Tab:
      row_ = (row_ + 1) % kRows;
      return {};
    case Key::Left:
    case Key::Right:
      adjust(row_, key == Key::Left ? -1 : 1);
      return ScreenAction::changed();
    case Key::Return:
    case Key::Space:
      if (row_ > 2) return {};
      toggleMute(row_);
      return ScreenAction::changed();
    default:
      return {};
  }
}

void SettingsScreen::pointer(int x, int y) {
  for (int row = 0; row < kRows; ++row)
    if (rects_[row].row.contains(x, y)) row_ = row;
}

ScreenAction SettingsScreen::click(int x, int y) {
  if (closeRect_.contains(x, y)) return ScreenAction::close();
  for (int row = 0; row < kRows; ++row) {
    const RowRects& r = rects_[row];
    if (r.lower.contains(x, y) || r.raise.contains(x, y)) {
      row_ = row;
      adjust(row, r.lower.contains(x, y) ? -1 : 1);
      return ScreenAction::changed();
    }
    if (row <= 2 && r.mute.contains(x, y)) {
      row_ = row;
      toggleMute(row);
      return ScreenAction::changed();
    }
  }
  return {};
}

std::string SettingsScreen::characters() const {
  std::string out = std::string("設定音量ミュート中秒0123456789.%－＋+") + kSettingsHint;
  for (const char* label : kRowLabels) out += label;
  return out + kClose;
}

void SettingsScreen::build() {
  if (beginScreen("設定###settings", 540, 250)) {
    const bool muted[3] = {settings_.masterMuted, settings_.musicMuted, settings_.effectMuted};
    const int volumes[3] = {settings_.masterVolume, settings_.musicVolume, settings_.effectVolume};
    for (int row = 0; row < kRows; ++row) {
      ImGui::PushID(row);
      const float rowTop = ImGui::GetCursorScreenPos().y;
      ImGui::AlignTextToFramePadding();
      ImGui::TextUnformatted(kRowLabels[row]);
      ImGui::SameLine(170);
      ImGui::Button("－", ImVec2(32, 0));
      rects_[row].lower = lastItemRect();
      focusFrame(row == row_);
      ImGui::SameLine();
      // A muted volume is heard as nothing, and its bar shows nothing; the level comes back with it.
      const bool silent = row <= 2 && (muted[row] || (row > 0 && muted[0]));
      std::string value;
      if (row <= 2) {
        // The level stays in sight, and changes, while it is muted.
        value = silent ? "ミュート中 " + percent(volumes[row]) : percent(volumes[row]);
      } else {
        const int ms = row == 3 ? settings_.autoPauseMs : settings_.autoPausePerCharacterMs;
        char text[32];
        // The pause per character adds to the pause after the text.
        std::snprintf(text, sizeof text, row == 3 ? "%.2f秒" : "+%.2f秒", static_cast<double>(ms) / 1000.0);
        value = text;
      }
      ImGui::SetNextItemWidth(100);
      const float fraction = silent     ? 0.0f
                             : row <= 2 ? static_cast<float>(volumes[row]) / 100.0f
                                        : static_cast<float>(row == 3 ? settings_.autoPauseMs
                                                                      : settings_.autoPausePerCharacterMs) /
                                              (row == 3 ? 10000.0f : 500.0f);
      ImGui::ProgressBar(fraction, ImVec2(140, 0), value.c_str());
      ImGui::SameLine();
      ImGui::Button("＋", ImVec2(32, 0));
      rects_[row].raise = lastItemRect();
      rects_[row].row = {ImGui::GetWindowPos().x, rowTop, ImGui::GetWindowPos().x + ImGui::GetWindowWidth(),
                         rowTop + ImGui::GetFrameHeightWithSpacing()};
      if (row <= 2) {
        ImGui::SameLine();
        ImGui::Button(muted[row] ? "ミュート中" : "ミュート", ImVec2(96, 0));
        rects_[row].mute = lastItemRect();
        if (muted[row]) {
          const ScreenRect& r = rects_[row].mute;
          ImGui::GetWindowDrawList()->AddRect(ImVec2(r.left, r.top), ImVec2(r.right, r.bottom),
                                              IM_COL32(200, 40, 40, 255), 0.0f, 0, 2.0f);
        }
      }
      ImGui::PopID();
    }
    ImGui::Spacing();
    ImGui::TextUnformatted(kSettingsHint);
    ImGui::Button(kClose, ImVec2(120, 0));
    closeRect_ = lastItemRect();
  }
  ImGui::End();
}

// ---- A notice ----

ScreenRect buildNoticePanel(const std::string& caption, const std::string& text) {
  const ImGuiIO& io = ImGui::GetIO();
  ImGui::SetNextWindowPos(ImVec2(io.DisplaySize.x * 0.5f, io.DisplaySize.y - 12), ImGuiCond_Always,
                          ImVec2(0.5f, 1.0f));
  ImGui::SetNextWindowSizeConstraints(ImVec2(300, 0), ImVec2(io.DisplaySize.x - 40, io.DisplaySize.y / 2));
  const ImGuiWindowFlags flags = ImGuiWindowFlags_NoResize | ImGuiWindowFlags_NoMove |
                                 ImGuiWindowFlags_NoCollapse | ImGuiWindowFlags_AlwaysAutoResize |
                                 ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoNav |
                                 ImGuiWindowFlags_NoFocusOnAppearing;
  ScreenRect close;
  if (ImGui::Begin((caption + "###notice").c_str(), nullptr, flags)) {
    ImGui::TextUnformatted(text.c_str());
    ImGui::Button("閉じる", ImVec2(96, 0));
    close = lastItemRect();
  }
  ImGui::End();
  return close;
}

void buildCornerWord(const std::string& text, Corner corner) {
  const ImGuiIO& io = ImGui::GetIO();
  // The game's top edge, under a window's menu strip.
  const float top = io.DisplaySize.y - GraphicsDevice::kHeight + 12;
  const bool left = corner == Corner::TopLeft;
  ImGui::SetNextWindowPos(ImVec2(left ? 12 : io.DisplaySize.x - 12, top), ImGuiCond_Always,
                          ImVec2(left ? 0 : 1, 0));
  ImGui::SetNextWindowBgAlpha(0.8f);
  const ImGuiWindowFlags flags = ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_AlwaysAutoResize |
                                 ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoNav |
                                 ImGuiWindowFlags_NoInputs | ImGuiWindowFlags_NoFocusOnAppearing;
  if (ImGui::Begin(left ? "###toast" : "###indicator", nullptr, flags)) ImGui::TextUnformatted(text.c_str());
  ImGui::End();
}

// ---- History ----

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
    default:
      return {};
  }
}

ScreenAction HistoryScreen::click(int x, int y) {
  if (closeRect_.contains(x, y)) return ScreenAction::close();
  return {};
}

ScreenAction HistoryScreen::wheel(int notches) {
  if (notches < 0 && top_ >= lastTop()) return ScreenAction::close();
  scrollTo(top_ - 3 * notches);
  return {};
}

std::string HistoryScreen::characters() const {
  std::string out = "履歴はありません ↑↓ PageUp PageDown ホイールでスクロール";
  out += kClose;
  for (const HistoryLine& line : lines_)
    for (const HistoryRun& run : line.runs) out += run.utf8;
  return out;
}

void HistoryScreen::build() {
  ImGui::PushStyleColor(ImGuiCol_WindowBg, IM_COL32(16, 20, 36, 240));
  ImGui::PushStyleColor(ImGuiCol_Text, IM_COL32(230, 230, 230, 255));
  ImGui::PushStyleColor(ImGuiCol_TitleBgActive, IM_COL32(40, 50, 90, 255));
  if (beginScreen("履歴###history", kHistoryWidth, kHistoryHeight)) {
    ImFont* font = overlay_.textFont();
    const float size = font ? Overlay::kTextFontSize : Overlay::kFontSize;
    if (!font) font = ImGui::GetFont();
    ImDrawList* draw = ImGui::GetWindowDrawList();
    const ImVec2 origin = ImGui::GetCursorScreenPos();
    const float bottom = origin.y + kHistoryHeight - 90;
    if (lines_.empty()) ImGui::TextUnformatted("履歴はありません");
    float y = origin.y;
    const int last = std::min(static_cast<int>(lines_.size()), top_ + visibleLines());
    for (int i = top_; i < last && y + size <= bottom; ++i) {
      const HistoryLine& line = lines_[static_cast<std::size_t>(i)];
      if (line.entryStart && i != top_) y += kEntryGap / 2;
      float x = origin.x + 8;
      for (const HistoryRun& run : line.runs) {
        draw->AddText(font, size, ImVec2(x, y), colourOf(run.rgb), run.utf8.c_str());
        x += font->CalcTextSizeA(size, 10000.0f, 0.0f, run.utf8.c_str()).x;
      }
      y += size + kLineGap;
    }
    // Where the view stands in the whole.
    if (!lines_.empty()) {
      const float trackTop = origin.y, trackBottom = bottom;
      const float total = static_cast<float>(lines_.size());
      const float from = trackTop + (trackBottom - trackTop) * static_cast<float>(top_) / total;
      const float to = trackTop + (trackBottom - trackTop) * static_cast<float>(last) / total;
      const float x = origin.x + kHistoryWidth - 30;
      draw->AddRectFilled(ImVec2(x, trackTop), ImVec2(x + 6, trackBottom), IM_COL32(60, 60, 80, 255));
      draw->AddRectFilled(ImVec2(x, from), ImVec2(x + 6, std::max(to, from + 4)),
                          IM_COL32(180, 180, 200, 255));
    }
    ImGui::SetCursorScreenPos(ImVec2(origin.x, bottom + 8));
    ImGui::TextUnformatted("↑↓ PageUp PageDown ホイールでスクロール");
    ImGui::Button(kClose, ImVec2(120, 0));
    closeRect_ = lastItemRect();
  }
  ImGui::End();
  ImGui::PopStyleColor(3);
}

}  // namespace tavrik
