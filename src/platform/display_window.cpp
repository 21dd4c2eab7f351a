#include "platform/display_window.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>

#include "platform/graphics_device.h"
#if defined(__EMSCRIPTEN__)
#include "platform/web/web_page.h"
#endif

namespace tavrik {

namespace {

constexpr int kGameWidth = GraphicsDevice::kWidth;
constexpr int kGameHeight = GraphicsDevice::kHeight;

// The work area of a window's display (the first display's before there is a window) and the frame the
// window manager puts around the window, zero where the window system does not tell it (before the
// window has been framed, or without a manager).
struct WorkArea {
  bool known = false;
  SDL_Rect area{};
  int top = 0, left = 0, bottom = 0, right = 0;
};

WorkArea workArea(SDL_Window* window) {
  WorkArea work;
  const int display = window ? SDL_GetWindowDisplayIndex(window) : 0;
  work.known =
      SDL_GetDisplayUsableBounds(std::max(display, 0), &work.area) == 0 && work.area.w > 0 && work.area.h > 0;
  if (window && SDL_GetWindowBordersSize(window, &work.top, &work.left, &work.bottom, &work.right) != 0)
    work.top = work.left = work.bottom = work.right = 0;
  return work;
}

}  // namespace

std::unique_ptr<DisplayWindow> DisplayWindow::create(const DeviceOptions& options, Renderer kind,
                                                     std::string* error) {
  std::unique_ptr<DisplayWindow> w(new DisplayWindow());
  w->fullscreen_ = options.fullscreen;
  w->topMargin_ = options.topMargin;
  w->scale_ = options.scale;
  w->smooth_ = options.smooth;
  w->showPending_ = options.showWithFirstFrame && !options.hidden && options.scale == 1;
  Uint32 flags = options.hidden || w->showPending_ ? SDL_WINDOW_HIDDEN : SDL_WINDOW_SHOWN;
  if (options.fullscreen) flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
  const Size size = w->windowedSize();
  w->window_ = SDL_CreateWindow(options.titleUtf8.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                size.w, size.h, flags);
  if (!w->window_) {
    if (error) *error = SDL_GetError();
    return nullptr;
  }
  if (!options.fullscreen && w->scale_ != 1) {
    // A size that depends on the screen is put right once the window manager has framed the window,
    // which its first events tell, still before anything is drawn in it.
    SDL_PumpEvents();
    w->sizeWindow(true);
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
  w->canvasInMemory_ = w->framebuffer() != nullptr;
  return w;
}

SDL_Surface* DisplayWindow::framebuffer() const {
  if (!software_) return nullptr;
  SDL_Surface* surface = SDL_GetWindowSurface(window_);
  // The software renderer draws into this same surface; it needs no lock on the displays we know,
  // and one that did, or another layout of its pixels, is left to the renderer.
  if (!surface || SDL_MUSTLOCK(surface) || surface->format->BytesPerPixel != 4 ||
      surface->format->Rmask != 0xFF0000u || surface->format->Gmask != 0xFF00u ||
      surface->format->Bmask != 0xFFu || surface->pitch % 4 != 0)
    return nullptr;
  return surface;
}

bool DisplayWindow::canvas(OverlayCanvas& canvas) {
  if (!canvasInMemory_) return false;
  // What the renderer holds back is drawn first: the canvas comes after it.
  SDL_RenderFlush(renderer_);
  SDL_Surface* surface = framebuffer();
  if (!surface) return false;
  canvas.pixels = static_cast<std::uint32_t*>(surface->pixels);
  canvas.width = surface->w;
  canvas.height = surface->h;
  canvas.pitch = surface->pitch / 4;
  return true;
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
  int w = 0, h = 0;
  SDL_GetWindowSize(window_, &w, &h);
  const int top = fullscreen_ ? 0 : topMargin_;
  w = std::max(w, 1);
  h = std::max(h - top, 1);
  // In whole numbers, so that a window of the game's exact size takes it without a pixel lost.
  const bool widthBound = static_cast<long long>(w) * kGameHeight <= static_cast<long long>(h) * kGameWidth;
  const int sw = widthBound ? w : static_cast<int>(static_cast<long long>(h) * kGameWidth / kGameHeight);
  const int sh = widthBound ? static_cast<int>(static_cast<long long>(w) * kGameHeight / kGameWidth) : h;
  return Rect{(w - sw) / 2, top + (h - sh) / 2, sw, sh};
}

DisplayWindow::Size DisplayWindow::windowedSize() const {
  // The game's own size asks nothing of the screen: a window that has always been 800 x 600 stays so.
  if (scale_ == 1) return Size{kGameWidth, kGameHeight + topMargin_};
  int width = static_cast<int>(std::lround(kGameWidth * scale_));
  const WorkArea work = workArea(window_);
  if (work.known) {
    // The widest 4:3 picture the work area holds below the strip, frame and all, in steps of four
    // pixels so that its height is whole.
    const int room = std::min(work.area.w - work.left - work.right,
                              (work.area.h - work.top - work.bottom - topMargin_) * 4 / 3);
    const int fit = std::max(room / 4 * 4, kGameWidth / 4);
    width = scale_ == kFitScale ? fit : std::max(std::min(width, fit), std::min(width, kGameWidth));
  } else if (scale_ == kFitScale) {
    width = kGameWidth;
  }
  return Size{width, width * 3 / 4 + topMargin_};
}

void DisplayWindow::sizeWindow(bool centred) {
  const Size size = windowedSize();
  int x = 0, y = 0, w = 0, h = 0;
  SDL_GetWindowPosition(window_, &x, &y);
  SDL_GetWindowSize(window_, &w, &h);
  if (!centred && w == size.w && h == size.h) return;
  SDL_SetWindowSize(window_, size.w, size.h);
  const WorkArea work = workArea(window_);
  if (!work.known) {
    if (centred) SDL_SetWindowPosition(window_, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
    return;
  }
  const SDL_Rect& a = work.area;
  if (centred) {
    x = a.x + work.left + (a.w - work.left - work.right - size.w) / 2;
    y = a.y + work.top + (a.h - work.top - work.bottom - size.h) / 2;
  } else {
    x += (w - size.w) / 2;
    y += (h - size.h) / 2;
  }
  // Within the work area, frame and all; where it does not fit, its top left corner is.
  x = std::max(std::min(x, a.x + a.w - work.right - size.w), a.x + work.left);
  y = std::max(std::min(y, a.y + a.h - work.bottom - size.h), a.y + work.top);
  SDL_SetWindowPosition(window_, x, y);
}

void DisplayWindow::present(SDL_Texture* game) {
  if (showPending_) {
    // Mapped now, so that what is drawn next lands (SDL waits for the map).
    showPending_ = false;
    SDL_ShowWindow(window_);
  }
  SDL_SetRenderTarget(renderer_, nullptr);
  SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
  SDL_RenderClear(renderer_);
  if (game) {
    const Rect r = gameRect();
    const SDL_Rect dst{r.x, r.y, r.w, r.h};
    SDL_SetTextureScaleMode(game, smooth_ ? SDL_ScaleModeLinear : SDL_ScaleModeNearest);
    SDL_RenderCopy(renderer_, game, nullptr, &dst);
  }
  if (overlay_) overlay_();
  SDL_RenderPresent(renderer_);
#if defined(__EMSCRIPTEN__)
  if (!presented_) pageShowsFirstFrame();
#endif
  presented_ = true;
}

void DisplayWindow::setFullscreen(bool fullscreen) {
  if (fullscreen == fullscreen_) return;
  fullscreen_ = fullscreen;
  if (fullscreen) {
    SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN_DESKTOP);
  } else {
    SDL_SetWindowFullscreen(window_, 0);
    sizeWindow(true);
  }
}

void DisplayWindow::setScale(double scale) {
  scale_ = scale;
  if (!fullscreen_) sizeWindow(false);
}

void DisplayWindow::restore() {
  SDL_RestoreWindow(window_);
}

void DisplayWindow::setTopMargin(int pixels) {
  if (pixels == topMargin_) return;
  topMargin_ = pixels;
  if (!fullscreen_) sizeWindow(false);
}

bool DisplayWindow::windowToGame(int windowX, int windowY, int& gameX, int& gameY) const {
  const Rect r = gameRect();
  const bool inside = windowX >= r.x && windowY >= r.y && windowX < r.x + r.w && windowY < r.y + r.h;
  // The game pixel under the window pixel's centre, in whole numbers: at 1.5 times a window pixel on a
  // game pixel's edge is that pixel, not the one before it by a rounding.
  const auto toGame = [](int offset, int size, int gameSize) {
    return static_cast<int>((2LL * offset + 1) * gameSize / (2LL * size));
  };
  gameX = std::clamp(toGame(windowX - r.x, r.w, kGameWidth), 0, kGameWidth - 1);
  gameY = std::clamp(toGame(windowY - r.y, r.h, kGameHeight), 0, kGameHeight - 1);
  return inside;
}

void DisplayWindow::setTitle(const std::string& utf8) {
  SDL_SetWindowTitle(window_, utf8.c_str());
}

}  // namespace tavrik
