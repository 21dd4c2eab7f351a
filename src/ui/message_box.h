// The player's boxes: the exit confirmation, the version information and the error reports. They are
// drawn by the overlay in the player's own font and window, answered with the keyboard or the mouse,
// and print their caption and text on standard error where there is no display.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/overlay.h"
#include "platform/window_events.h"

namespace tavrik {

enum class BoxButtons { Ok, OkCancel };
enum class BoxAnswer { Ok, Cancel };

// A picture a box shows above its text: width x height pixels, 0xFFRRGGBB; empty for none.
struct BoxPicture {
  std::vector<std::uint32_t> argb;
  int width = 0;
  int height = 0;
};

class ModalBox {
 public:
  // UTF-8 caption and text. The keyboard starts on the default answer's button: Cancel for a question
  // whose OK cannot be undone.
  ModalBox(std::string caption, std::string text, BoxButtons buttons,
           BoxAnswer defaultAnswer = BoxAnswer::Ok);
  ~ModalBox();
  ModalBox(const ModalBox&) = delete;
  ModalBox& operator=(const ModalBox&) = delete;

  // Shows the picture above the text, made an image of the overlay that draws the box (which must
  // outlive it). A picture whose size does not match its pixels is not shown.
  void setPicture(Overlay& overlay, const std::vector<std::uint32_t>& argb, int width, int height);

  // Return takes the button the keyboard is on (OK at first), Escape the cancelling one (OK in a box
  // with OK alone); Tab and the arrows move between the buttons.
  std::optional<BoxAnswer> key(Key key);
  // A click on a button, in the overlay's pixels (the window's, or the frame's when headless).
  std::optional<BoxAnswer> click(int x, int y) const;
  BoxAnswer defaultAnswer() const { return answerOf(default_); }
  // What a reader says of the box when it opens (its caption and text), and of the button the keyboard
  // is on.
  std::string spokenText() const { return caption_ + "。" + text_; }
  std::string focusWords() const;
  BoxAnswer cancelAnswer() const { return buttons_ == BoxButtons::Ok ? BoxAnswer::Ok : BoxAnswer::Cancel; }

  // Builds the box in a frame of the overlay: centred, over a dimmed screen.
  void build();
  // Every character the box shows, for the overlay's atlas.
  std::string characters() const;

  const std::string& caption() const { return caption_; }
  const std::string& text() const { return text_; }
  // The box is the whole window (a window of its own, whose title is the caption), at its top left.
  void setFillsWindow(bool fills) { fillsWindow_ = fills; }
  // The box's size when it was last built, in the overlay's pixels; 0 before.
  int width() const { return width_; }
  int height() const { return height_; }

 private:
  int buttonCount() const { return buttons_ == BoxButtons::Ok ? 1 : 2; }
  BoxAnswer answerOf(int button) const { return button == 0 ? BoxAnswer::Ok : BoxAnswer::Cancel; }

  std::string caption_;
  std::string text_;
  BoxButtons buttons_;
  int default_ = 0;
  int focused_ = 0;
  // Where the buttons were drawn last, in the overlay's pixels: left, top, right, bottom.
  float rects_[2][4] = {};
  int width_ = 0;
  int height_ = 0;
  bool fillsWindow_ = false;
  Overlay* pictureOverlay_ = nullptr;
  OverlayImage picture_ = nullptr;
  int pictureWidth_ = 0;
  int pictureHeight_ = 0;
};

// Without a display: the caption and the text on standard error.
void printBox(std::string_view caption, std::string_view text);

// A box in a small window of its own, for a report before the player's window could be made; waits for
// the answer. False when no window can be had (the report is then on standard error alone).
bool showBoxInOwnWindow(std::string_view caption, std::string_view text, const std::string& fontFile,
                        int fontIndex);

}  // namespace tavrik
