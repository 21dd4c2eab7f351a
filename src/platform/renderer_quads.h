// Drawing the scene's quads with an SDL_Renderer: what both drivers do until the software driver has a
// rasteriser of its own. Internal to the platform layer.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/graphics_device.h"

struct SDL_Renderer;
struct SDL_Texture;

namespace tavrik {

// A texture of an SDL_Renderer, valid while the generation it was made in is the renderer's.
class RendererTexture : public DeviceTexture {
 public:
  // generation: the owner's count of resets; the texture is valid while it equals the one it was made in.
  static std::unique_ptr<RendererTexture> create(SDL_Renderer* renderer, int width, int height,
                                                 const std::uint64_t& generation);
  ~RendererTexture() override;

  bool valid() const override { return made_ == generation_; }
  void upload(const std::uint32_t* argb, int pitch) override;
  SDL_Texture* texture() const { return texture_; }

 private:
  RendererTexture(SDL_Texture* texture, const std::uint64_t& generation)
      : texture_(texture), generation_(generation), made_(generation) {}
  SDL_Texture* texture_;
  const std::uint64_t& generation_;
  std::uint64_t made_;
};

// Fills the renderer's current target with an ARGB colour.
void clearRenderer(SDL_Renderer* renderer, std::uint32_t argb);

// Draws a quad of the texture on the renderer's current target (see GraphicsDevice::drawQuad).
void drawRendererQuad(SDL_Renderer* renderer, RendererTexture& texture, const QuadCorner (&corners)[4],
                      std::uint32_t colour, bool blend);

}  // namespace tavrik
