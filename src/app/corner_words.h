// The short words over the game's corners: a save's or a load's at the top left for a second and a
// half, and at the top right the mode that runs the game ("スキップ ▶▶") while it does.
#pragma once

#include <functional>
#include <string>

namespace tavrik {

class DisplayWindow;
class Overlay;

class CornerWords {
 public:
  // The mode words' characters join the overlay's atlas; the words stand over the game's picture in the
  // window (which may be scaled, or letterboxed in fullscreen), or over the headless frame without one.
  void start(Overlay* overlay, const DisplayWindow* window);
  void say(const std::string& text, Overlay* overlay);
  // Hears every word said (self-voicing reads them aloud).
  void setListener(std::function<void(const std::string&)> listener) { listener_ = std::move(listener); }
  // A frame passed; whether the word went and the frame must be drawn again.
  bool tick() { return frames_ > 0 && --frames_ == 0; }
  bool saying() const { return frames_ > 0; }
  // Whether the mode's word comes or goes with this frame (the frame must be drawn again).
  bool modeChanged(bool running) {
    const bool changed = running != modeShown_;
    modeShown_ = running;
    return changed;
  }
  // Builds the words in a frame of the overlay; the mode's word is empty when none runs the game.
  void build(const std::string& modeWord) const;

  // How long the word after a save or a load stays: a second and a half.
  static constexpr int kFrames = 90;

 private:
  const DisplayWindow* window_ = nullptr;
  std::string text_;
  std::function<void(const std::string&)> listener_;
  int frames_ = 0;
  bool modeShown_ = false;  // the last frame drawn showed that skipping or auto mode runs the game
};

}  // namespace tavrik
