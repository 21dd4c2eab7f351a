// A small window of its own with an overlay of its own, drawn in memory, for a report made before the
// player's window exists or when it could not be made (the report may well be that the GPU's renderer
// could not be had). It starts hidden, so that what it shows can be laid out before it is sized.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/window_events.h"

namespace tavrik {

class GraphicsDevice;
class Overlay;

class OverlayWindow {
 public:
  // Nothing when no window can be had or the font cannot be read.
  static std::unique_ptr<OverlayWindow> open(const std::string& titleUtf8, const std::string& fontFile,
                                             int fontIndex);
  ~OverlayWindow();
  OverlayWindow(const OverlayWindow&) = delete;
  OverlayWindow& operator=(const OverlayWindow&) = delete;

  Overlay& overlay() { return *overlay_; }
  // Draws the overlay on black and presents it.
  void frame();
  // Makes the window this size, centred on the screen, and shows it.
  void show(int width, int height);
  // The next event within the time given; nothing when none came or it is none of the player's. closed
  // is set when the window was asked to close.
  std::optional<WindowEvent> waitEvent(int timeoutMs, bool* closed);

 private:
  OverlayWindow() = default;
  std::unique_ptr<GraphicsDevice> device_;
  std::unique_ptr<Overlay> overlay_;
};

}  // namespace tavrik
