#include "scene/image_renderer.h"

#include "platform/script_path.h"

namespace tavrik {

ImageRenderer::ImageRenderer(GraphicsDevice& device, int screenWidth, int screenHeight)
    : device_(device),
      screenWidth_(screenWidth),
      screenHeight_(screenHeight),
      moduleDirectory_(paths::moduleDirectory()) {}

TiledImage& ImageRenderer::createImage(int width, int height) {
  images_.push_back(std::make_unique<TiledImage>(width, height));
  return *images_.back();
}

}  // namespace tavrik
