// Dear ImGui's draw lists painted straight into pixels in memory, with the compositor's blending: the
// software frame of a headless run, and the framebuffer of a window without a GPU. SDL's software
// renderer fills each of their triangles pixel by pixel through its general blitters, which made a
// screen open over the game cost ten times the game's own frame.
//
// A pixel is covered where its centre lies in a triangle, with a top-left rule on the edges, so that
// neighbouring triangles share their edges with no gap and no double cover; a rectangle of two
// triangles covers the same pixels as its triangles would. Texels are sampled at the pixel's centre,
// the nearest one; vertex colours are interpolated across a triangle.
#pragma once

#include <cstdint>
#include <vector>

struct ImDrawData;

namespace tavrik {

struct OverlayCanvas;

// A texture the lists draw from, its id being a pointer to it: the font atlas (coverage only, of white)
// or a picture (premultiplied ARGB). A null id draws the vertex colours alone.
struct PaintTexture {
  int width = 0, height = 0;
  const std::uint8_t* alpha = nullptr;
  std::vector<std::uint32_t> argb;
};

// Paints the lists onto the canvas, over what is there.
void paintDrawData(const ImDrawData& data, const OverlayCanvas& canvas);

}  // namespace tavrik
