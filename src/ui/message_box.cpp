#include "ui/message_box.h"

#include <imgui.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "base/messages.h"
#include "base/terminal_text.h"
#include "platform/graphics_device.h"
#include "platform/overlay.h"
#include "platform/overlay_window.h"
#include "ui/screen_parts.h"

namespace tavrik {

ModalBox::ModalBox(std::string caption, std::string text, BoxButtons buttons, BoxAnswer defaultAnswer)
    : caption_(std::move(caption)),
      text_(std::move(text)),
      buttons_(buttons),
      default_(defaultAnswer == BoxAnswer::Cancel && buttons == BoxButtons::OkCancel ? 1 : 0),
      focused_(default_) {}

ModalBox::~ModalBox() {
  if (pictureOverlay_) pictureOverlay_->destroyImage(picture_);
}

void ModalBox::setPicture(Overlay& overlay, const std::vector<std::uint32_t>& argb, int width, int height) {
  if (pictureOverlay_) pictureOverlay_->destroyImage(picture_);
  pictureOverlay_ = nullptr;
  picture_ = nullptr;
  if (width <= 0 || height <= 0 || argb.size() != static_cast<std::size_t>(width) * height) return;
  picture_ = overlay.createImage(argb.data(), width, height);
  if (!picture_) return;
  pictureOverlay_ = &overlay;
  pictureWidth_ = width;
  pictureHeight_ = height;
}

std::optional<BoxAnswer> ModalBox::key(Key key) {
  switch (key) {
    case Key::Return:
    case Key::Space:
      return answerOf(focused_);
    case Key::Escape:
      return cancelAnswer();
    case Key::Tab:
    case Key::Left:
    case Key::Right:
    case Key::Up:
    case Key::Down:
      focused_ = (focused_ + 1) % buttonCount();
      return std::nullopt;
    default:
      return std::nullopt;
  }
}

std::string ModalBox::focusWords() const {
  return ja(answerOf(focused_) == BoxAnswer::Ok ? MessageId::BoxOk : MessageId::BoxCancel);
}

std::optional<BoxAnswer> ModalBox::click(int x, int y) const {
  for (int b = 0; b < buttonCount(); ++b) {
    const float* r = rects_[b];
    if (x >= r[0] && x < r[2] && y >= r[1] && y < r[3]) return answerOf(b);
  }
  return std::nullopt;
}

std::string ModalBox::characters() const {
  return caption_ + text_ + ja(MessageId::BoxOk) + ja(MessageId::BoxCancel);
}

void ModalBox::build() {
  const ImGuiIO& io = ImGui::GetIO();
  ImGuiWindowFlags flags = ImGuiWindowFlags_NoResize | ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoCollapse |
                           ImGuiWindowFlags_AlwaysAutoResize | ImGuiWindowFlags_NoSavedSettings |
                           ImGuiWindowFlags_NoNav;
  // At most the size of the game's screen, less a margin, whatever the window's size.
  const ImVec2 largest(GraphicsDevice::kWidth - 40, GraphicsDevice::kHeight - 40);
  if (fillsWindow_) {
    // The window is the box, and its title the caption.
    flags |= ImGuiWindowFlags_NoTitleBar;
    ImGui::SetNextWindowPos(ImVec2(0, 0), ImGuiCond_Always);
  } else {
    // The screen behind the box is dimmed: the game waits for the answer.
    ImGui::GetBackgroundDrawList()->AddRectFilled(ImVec2(0, 0), io.DisplaySize,
                                                  IM_COL32(0, 0, 0, static_cast<int>(255 * kGameDimming)));
    ImGui::SetNextWindowPos(ImVec2(io.DisplaySize.x * 0.5f, io.DisplaySize.y * 0.5f), ImGuiCond_Always,
                            ImVec2(0.5f, 0.5f));
  }
  ImGui::SetNextWindowSizeConstraints(ImVec2(280, 0), ImVec2(std::min(largest.x, io.DisplaySize.x - 40),
                                                             std::min(largest.y, io.DisplaySize.y - 40)));
  if (fillsWindow_) ImGui::SetNextWindowSizeConstraints(ImVec2(280, 0), largest);
  ImGui::SetNextWindowFocus();
  // The caption is the title; "###box" keeps one window whatever the caption says.
  ImGui::Begin((caption_ + "###box").c_str(), nullptr, flags | ImGuiWindowFlags_NoBackground);
  screen_parts::windowPanel();
  if (picture_) {
    // At its own size, centred, unless that would leave the text and buttons no room.
    const float scale = std::min({1.0f, (largest.x - 40) / static_cast<float>(pictureWidth_),
                                  (largest.y / 2) / static_cast<float>(pictureHeight_)});
    const ImVec2 size(std::floor(static_cast<float>(pictureWidth_) * scale),
                      std::floor(static_cast<float>(pictureHeight_) * scale));
    const float room = ImGui::GetContentRegionAvail().x;
    if (room > size.x) ImGui::SetCursorPosX(ImGui::GetCursorPosX() + std::floor((room - size.x) / 2));
    ImGui::Image(static_cast<ImTextureID>(picture_), size);
    ImGui::Spacing();
  }
  ImGui::PushTextWrapPos(largest.x - 40);
  ImGui::TextUnformatted(text_.c_str());
  ImGui::PopTextWrapPos();
  ImGui::Spacing();
  ImGui::Separator();
  ImGui::Spacing();
  const ImGuiStyle& style = ImGui::GetStyle();
  const float width = 140;
  const float all =
      width * static_cast<float>(buttonCount()) + style.ItemSpacing.x * static_cast<float>(buttonCount() - 1);
  ImGui::SetCursorPosX(ImGui::GetWindowContentRegionMax().x - all);
  const std::string labels[2] = {ja(MessageId::BoxOk), ja(MessageId::BoxCancel)};
  for (int b = 0; b < buttonCount(); ++b) {
    if (b > 0) ImGui::SameLine();
    // The button the keyboard is on stands out in the accent, as a default button does; each shows its
    // key.
    screen_parts::actionButton(labels[b], b == 0 ? "Return" : "Esc", width, b == focused_);
    const ImVec2 min = ImGui::GetItemRectMin(), max = ImGui::GetItemRectMax();
    rects_[b][0] = min.x;
    rects_[b][1] = min.y;
    rects_[b][2] = max.x;
    rects_[b][3] = max.y;
  }
  width_ = static_cast<int>(ImGui::GetWindowWidth());
  height_ = static_cast<int>(ImGui::GetWindowHeight());
  ImGui::End();
}

void printBox(std::string_view caption, std::string_view text) {
  // The text may carry a script's line as written: control characters are shown, not obeyed, and a
  // NUL does not cut it.
  writeTerminalText(stderr, caption);
  std::fputc('\n', stderr);
  writeTerminalText(stderr, text);
  std::fputc('\n', stderr);
  std::fflush(stderr);
}

bool showBoxInOwnWindow(std::string_view caption, std::string_view text, const std::string& fontFile,
                        int fontIndex) {
  std::unique_ptr<OverlayWindow> window = OverlayWindow::open(std::string(caption), fontFile, fontIndex);
  if (!window) return false;
  ModalBox box{std::string(caption), std::string(text), BoxButtons::Ok};
  box.setFillsWindow(true);
  window->overlay().addCharacters(box.characters());
  window->overlay().setContent([&box] { box.build(); });
  // Laid out unseen (a new box takes a frame to know its size), then the window is made its size and
  // shown.
  for (int i = 0; i < 3; ++i) window->frame();
  window->show(box.width(), box.height());
  bool answered = false, closed = false;
  while (!answered && !closed) {
    window->frame();
    if (const std::optional<WindowEvent> event = window->waitEvent(100, &closed)) {
      if (event->type == WindowEvent::Type::KeyDown) answered = box.key(event->key).has_value();
      // The back button is not a click (it would answer the box by where the pointer happens to be).
      if (event->type == WindowEvent::Type::ButtonUp && event->button != MouseButton::Back)
        answered = box.click(event->x, event->y).has_value();
    }
  }
  return true;
}

}  // namespace tavrik
