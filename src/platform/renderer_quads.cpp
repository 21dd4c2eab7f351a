#include "platform/renderer_quads.h"

#include <SDL.h>

#include <cmath>
#include <utility>

namespace tavrik {

std::unique_ptr<RendererTexture> RendererTexture::create(SDL_Renderer* renderer, int width, int height,
                                                         const std::uint64_t& generation) {
  SDL_Texture* texture =
      SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STATIC, width, height);
  if (!texture) return nullptr;
  SDL_SetTextureScaleMode(texture, SDL_ScaleModeNearest);
  return std::unique_ptr<RendererTexture>(new RendererTexture(texture, generation));
}

RendererTexture::~RendererTexture() {
  // After a reset the handle is still the owner's to destroy.
  if (texture_) SDL_DestroyTexture(texture_);
}

void RendererTexture::upload(const std::uint32_t* argb, int pitch) {
  if (valid()) SDL_UpdateTexture(texture_, nullptr, argb, pitch * 4);
}

void clearRenderer(SDL_Renderer* renderer, std::uint32_t argb) {
  SDL_SetRenderDrawColor(renderer, (argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF, (argb >> 24) & 0xFF);
  SDL_RenderClear(renderer);
}

void drawRendererQuad(SDL_Renderer* renderer, RendererTexture& texture, const QuadCorner (&corners)[4],
                      std::uint32_t colour, bool blend) {
  if (!texture.valid()) return;
  SDL_Texture* tex = texture.texture();
  const Uint8 cr = static_cast<Uint8>(colour >> 16), cg = static_cast<Uint8>(colour >> 8),
              cb = static_cast<Uint8>(colour), ca = static_cast<Uint8>(colour >> 24);
  SDL_SetTextureBlendMode(tex, blend ? SDL_BLENDMODE_BLEND : SDL_BLENDMODE_NONE);
  const QuadCorner &tl = corners[0], &tr = corners[1], &bl = corners[2], &br = corners[3];
  const bool axisAligned = tl.y == tr.y && bl.y == br.y && tl.x == bl.x && tr.x == br.x;
  if (axisAligned) {
    // A quad that is not turned is a rectangle copy: the software renderer blits it about eight times
    // faster than it rasterises two triangles, with the same point-sampled texels. The colour goes in
    // as the texture's modulation, set on every draw: the triangle path leaves its own behind.
    int tw = 0, th = 0;
    SDL_QueryTexture(tex, nullptr, nullptr, &tw, &th);
    const int u0 = static_cast<int>(std::lround(tl.u * static_cast<float>(tw)));
    const int v0 = static_cast<int>(std::lround(tl.v * static_cast<float>(th)));
    const int u1 = static_cast<int>(std::lround(br.u * static_cast<float>(tw)));
    const int v1 = static_cast<int>(std::lround(br.v * static_cast<float>(th)));
    const SDL_Rect src{u0, v0, u1 - u0, v1 - v0};
    float x0 = tl.x, x1 = br.x, y0 = tl.y, y1 = br.y;
    int flip = SDL_FLIP_NONE;
    if (x1 < x0) {
      std::swap(x0, x1);
      flip |= SDL_FLIP_HORIZONTAL;
    }
    if (y1 < y0) {
      std::swap(y0, y1);
      flip |= SDL_FLIP_VERTICAL;
    }
    if (src.w <= 0 || src.h <= 0 || x1 - x0 <= 0 || y1 - y0 <= 0) return;
    const SDL_FRect dst{x0, y0, x1 - x0, y1 - y0};
    SDL_SetTextureColorMod(tex, cr, cg, cb);
    SDL_SetTextureAlphaMod(tex, ca);
    SDL_RenderCopyExF(renderer, tex, &src, &dst, 0.0, nullptr, static_cast<SDL_RendererFlip>(flip));
    return;
  }
  const SDL_Color c{cr, cg, cb, ca};
  SDL_Vertex v[4];
  for (int i = 0; i < 4; ++i) {
    v[i].position = {corners[i].x, corners[i].y};
    v[i].color = c;
    v[i].tex_coord = {corners[i].u, corners[i].v};
  }
  static const int kIndices[6] = {0, 1, 2, 2, 1, 3};
  SDL_RenderGeometry(renderer, tex, v, 4, kIndices, 6);
}

}  // namespace tavrik
