// Owns every picture of the scene and draws them through the graphics device.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "scene/tiled_image.h"

namespace tavrik {

class GraphicsDevice;

class ImageRenderer {
 public:
  ImageRenderer(GraphicsDevice& device, int screenWidth, int screenHeight);

  // A new empty picture of that size, owned here for the renderer's whole life.
  TiledImage& createImage(int width, int height);

  GraphicsDevice& device() { return device_; }
  int screenWidth() const { return screenWidth_; }
  int screenHeight() const { return screenHeight_; }
  // The executable's directory in script form: the last place pictures are looked for.
  const std::string& moduleDirectory() const { return moduleDirectory_; }

 private:
  GraphicsDevice& device_;
  int screenWidth_;
  int screenHeight_;
  std::string moduleDirectory_;
  std::vector<std::unique_ptr<TiledImage>> images_;
};

}  // namespace tavrik
