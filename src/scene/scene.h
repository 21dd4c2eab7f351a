// The stack of layers drawn back to front over an opaque black screen.
#pragma once

namespace tavrik {

class GraphicsDevice;
struct MouseState;

class Scene {
 public:
  Scene(GraphicsDevice& device, int width, int height, const MouseState& mouse);

  // One frame of every layer's animation.
  void update();
  // Clears to opaque black and draws the layers in declaration order.
  void draw();
  // Every layer's actions have ended (true without layers).
  bool isFinished() const;

  int width() const { return width_; }
  int height() const { return height_; }

 private:
  GraphicsDevice& device_;
  int width_;
  int height_;
  const MouseState& mouse_;
};

}  // namespace tavrik
