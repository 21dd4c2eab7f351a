#include "platform/display_window.h"

#include <SDL.h>

#include <algorithm>

#include "platform/graphics_device.h"

namespace tavrik {

namespace {

constexpr int kGameWidth = GraphicsDevice::kWidth;
constexpr int kGameHeight = GraphicsDevice::kHeight;

}  // namespace

std::unique_ptr<DisplayWindow> DisplayWindow::create(const DeviceOptions& options, Renderer kind,
                                                     std::string* error) {
  std::unique_ptr<DisplayWindow> w(new DisplayWindow());
  w->fullscreen_ = options.fullscreen;
  w->topMargin_ = options.topMargin;
  Uint32 flags = options.hidden ? SDL_WINDOW_HIDDEN : SDL_WINDOW_SHOWN;
  if (options.fullscreen) flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
  w->window_ = SDL_CreateWindow(options.titleUtf8.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                kGameWidth, kGameHeight + options.topMargin, flags);
  if (!w->window_) {
    if (error) *error = SDL_GetError();
    return nullptr;
  }
  if (kind == Renderer::Software) {
    // Straight to the window's framebuffer, without OpenGL in between.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    w->renderer_ = SDL_CreateRenderer(w->window_, -1, SDL_RENDERER_SOFTWARE);
  } else {
    w->renderer_ = SDL_CreateRenderer(w->window_, -1, SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC);
    if (!w->renderer_) w->renderer_ = SDL_CreateRenderer(w->window_, -1, SDL_RENDERER_SOFTWARE);
  }
  if (!w->renderer_) {
    if (error) *error = SDL_GetError();
    return nullptr;
  }
  SDL_RendererInfo info;
  if (SDL_GetRendererInfo(w->renderer_, &info) == 0) {
    w->vsync_ = (info.flags & SDL_RENDERER_PRESENTVSYNC) != 0;
    w->software_ = (info.flags & SDL_RENDERER_SOFTWARE) != 0;
  }
  return w;
}

DisplayWindow::~DisplayWindow() {
  if (renderer_) SDL_DestroyRenderer(renderer_);
  if (window_) SDL_DestroyWindow(window_);
}

int DisplayWindow::refreshRate() const {
  SDL_DisplayMode mode;
  const int display = SDL_GetWindowDisplayIndex(window_);
  if (display < 0 || SDL_GetCurrentDisplayMode(display, &mode) != 0) return 0;
  return mode.refresh_rate;
}

DisplayWindow::Rect DisplayWindow::gameRect() const {
  if (!fullscreen_) return Rect{0, topMargin_, kGameWidth, kGameHeight};
  int w = kGameWidth, h = kGameHeight + topMargin_;
  SDL_GetWindowSize(window_, &w, &h);
  const double scale = std::min(static_cast<double>(w) / kGameWidth, static_cast<double>(h) / kGameHeight);
  const int sw = static_cast<int>(kGameWidth * scale), sh = static_cast<int>(kGameHeight * scale);
  return Rect{(w - sw) / 2, (h - sh) / 2, sw, sh};
}

void DisplayWindow::present(SDL_Texture* game) {
  SDL_SetRenderTarget(renderer_, nullptr);
  SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
  SDL_RenderClear(renderer_);
  if (game) {
    const Rect r = gameRect();
    const SDL_Rect dst{r.x, r.y, r.w, r.h};
    SDL_RenderCopy(renderer_, game, nullptr, &dst);
  }
  if (overlay_) overlay_();
  SDL_RenderPresent(renderer_);
}

void DisplayWindow::setFullscreen(bool fullscreen) {
  if (fullscreen == fullscreen_) return;
  fullscreen_ = fullscreen;
  if (fullscreen) {
    SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN_DESKTOP);
  } else {
    SDL_SetWindowFullscreen(window_, 0);
    SDL_SetWindowSize(window_, kGameWidth, kGameHeight + topMargin_);
    SDL_SetWindowPosition(window_, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
  }
}

void DisplayWindow::restore() {
  SDL_RestoreWindow(window_);
}

void DisplayWindow::setTopMargin(int pixels) {
  if (pixels == topMargin_) return;
  topMargin_ = pixels;
  if (!fullscreen_) SDL_SetWindowSize(window_, kGameWidth, kGameHeight + pixels);
}

bool DisplayWindow::windowToGame(int windowX, int windowY, int& gameX, int& gameY) const {
  const Rect r = gameRect();
  const bool inside = windowX >= r.x && windowY >= r.y && windowX < r.x + r.w && windowY < r.y + r.h;
  const double sx = static_cast<double>(kGameWidth) / r.w, sy = static_cast<double>(kGameHeight) / r.h;
  gameX = std::clamp(static_cast<int>((windowX - r.x) * sx), 0, kGameWidth - 1);
  gameY = std::clamp(static_cast<int>((windowY - r.y) * sy), 0, kGameHeight - 1);
  return inside;
}

void DisplayWindow::setTitle(const std::string& utf8) {
  SDL_SetWindowTitle(window_, utf8.c_str());
}

}  // namespace tavrik
