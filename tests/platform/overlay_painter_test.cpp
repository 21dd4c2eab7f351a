// The interface's lists painted in memory: translucent shapes made of several triangles must cover each
// pixel once, with no seam where two triangles meet, however their corners fall between pixels.
#include "platform/overlay_painter.h"

#include <gtest/gtest.h>
#include <imgui.h>
#include <imgui_internal.h>

#include <cmath>
#include <numbers>
#include <set>
#include <vector>

#include "platform/graphics_device.h"

namespace tavrik {
namespace {

constexpr int kSize = 48;

struct Lists {
  ImDrawListSharedData shared;
  ImDrawList list{&shared};
  Lists() {
    list._ResetForNewFrame();
    list.PushClipRect(ImVec2(0, 0), ImVec2(kSize, kSize));
    list.PushTextureID(nullptr);
  }
  void triangle(ImVec2 a, ImVec2 b, ImVec2 c, ImU32 colour) {
    list.PrimReserve(3, 3);
    const auto at = static_cast<ImDrawIdx>(list._VtxCurrentIdx);
    for (ImVec2 p : {a, b, c}) list.PrimWriteVtx(p, ImVec2(0, 0), colour);
    for (int k = 0; k < 3; ++k) list.PrimWriteIdx(static_cast<ImDrawIdx>(at + k));
  }
  std::vector<std::uint32_t> paint() {
    std::vector<std::uint32_t> pixels(kSize * kSize, 0xFF000000u);
    ImDrawList* lists[] = {&list};
    ImDrawData data;
    data.Valid = true;
    data.CmdLists = lists;
    data.CmdListsCount = 1;
    data.DisplaySize = ImVec2(kSize, kSize);
    data.FramebufferScale = ImVec2(1, 1);
    OverlayCanvas canvas;
    canvas.pixels = pixels.data();
    canvas.width = canvas.height = canvas.pitch = kSize;
    paintDrawData(data, canvas);
    return pixels;
  }
};

TEST(OverlayPainter, TranslucentTrianglesThatMeetCoverEachPixelOnce) {
  const ImU32 half = IM_COL32(255, 255, 255, 128);
  // A fan about a centre between pixels, its corners wound both ways, and a rectangle as two triangles
  // in an order that is not Dear ImGui's own.
  Lists fan;
  const ImVec2 centre(20.3f, 21.7f);
  for (int k = 0; k < 7; ++k) {
    const double a0 = k * 2 * std::numbers::pi / 7, a1 = (k + 1) * 2 * std::numbers::pi / 7;
    const ImVec2 p0(centre.x + 15.5f * static_cast<float>(std::cos(a0)),
                    centre.y + 15.5f * static_cast<float>(std::sin(a0)));
    const ImVec2 p1(centre.x + 15.5f * static_cast<float>(std::cos(a1)),
                    centre.y + 15.5f * static_cast<float>(std::sin(a1)));
    if (k % 2)
      fan.triangle(centre, p0, p1, half);
    else
      fan.triangle(p1, p0, centre, half);
  }
  fan.triangle(ImVec2(36.5f, 4), ImVec2(46, 4), ImVec2(46, 12.5f), half);
  fan.triangle(ImVec2(46, 12.5f), ImVec2(36.5f, 12.5f), ImVec2(36.5f, 4), half);
  const std::vector<std::uint32_t> once = fan.paint();
  std::set<std::uint32_t> values(once.begin(), once.end());
  EXPECT_EQ(values.size(), 2u) << "a pixel blended twice or left out along a shared edge";
  EXPECT_NE(once[21 * kSize + 20], 0xFF000000u);
  EXPECT_NE(once[8 * kSize + 40], 0xFF000000u);

  // The same rectangle in Dear ImGui's order, drawn as one, covers the same pixels.
  Lists rectangle;
  rectangle.list.AddRectFilled(ImVec2(36.5f, 4), ImVec2(46, 12.5f), half);
  const std::vector<std::uint32_t> whole = rectangle.paint();
  for (int y = 0; y < kSize; ++y)
    for (int x = 36; x < kSize; ++x) EXPECT_EQ(whole[y * kSize + x], once[y * kSize + x]) << x << ", " << y;
}

}  // namespace
}  // namespace tavrik
