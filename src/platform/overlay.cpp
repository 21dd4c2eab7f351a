#include "platform/overlay.h"

#include <SDL.h>
#include <fcntl.h>
#include <imgui.h>
#include <imgui_impl_sdl.h>
#include <imgui_impl_sdlrenderer.h>
#include <imgui_internal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "platform/blend_rows.h"
#include "platform/display_window.h"
#include "platform/graphics_device.h"
#include "platform/overlay_painter.h"

namespace tavrik {

namespace {

// The code points of UTF-8 text; malformed bytes are skipped.
std::set<ImWchar> codePoints(std::string_view utf8) {
  std::set<ImWchar> out;
  for (std::size_t i = 0; i < utf8.size();) {
    unsigned int c = 0;
    const int n = ImTextCharFromUtf8(&c, utf8.data() + i, utf8.data() + utf8.size());
    if (n <= 0) break;
    if (c != 0 && c < 0x10000) out.insert(static_cast<ImWchar>(c));
    i += static_cast<std::size_t>(n);
  }
  return out;
}

}  // namespace

struct Overlay::Impl {
  GraphicsDevice& device;
  std::string fontFile;
  int fontIndex = 0;
  bool windowed = false;
  // The interface is painted into the device's pixels in memory, its pictures kept here; otherwise it
  // is drawn with the device's renderer and its pictures are that renderer's textures.
  bool inMemory = false;
  PaintTexture atlas;
  std::vector<std::unique_ptr<PaintTexture>> pictures;
  ImGuiContext* context = nullptr;
  std::set<ImWchar> characters;
  ImVector<ImWchar> ranges;     // the atlas refers to these while it is built
  std::set<int> pressedUnseen;  // keys pressed since the last frame
  std::vector<int> releases;    // keys let go before a frame saw them pressed

  explicit Impl(GraphicsDevice& target) : device(target) {}

  // The face the game's text is shown in, for the history: a second font of the atlas.
  std::string textFontFile;
  int textFontIndex = 0;
  ImFont* textFont = nullptr;
  // Characters or a face were added since the atlas was built: it is built again before it is next used,
  // once for all that came meanwhile (the menus add theirs label by label).
  bool atlasStale = false;
  bool drawing = false;  // between a frame's start and its end, when the atlas must stay as it is

  void refreshAtlas() {
    if (!atlasStale || drawing) return;
    atlasStale = false;
    ImGui::SetCurrentContext(context);
    if (inMemory) {
      buildAtlas();
      bindAtlas();
    } else {
      ImGui_ImplSDLRenderer_DestroyFontsTexture();
      buildAtlas();
      ImGui_ImplSDLRenderer_CreateFontsTexture();
    }
  }

  // The atlas as the painter reads it: its coverage, straight from Dear ImGui.
  void bindAtlas() {
    ImGuiIO& io = ImGui::GetIO();
    unsigned char* pixels = nullptr;
    io.Fonts->GetTexDataAsAlpha8(&pixels, &atlas.width, &atlas.height);
    atlas.alpha = pixels;
    io.Fonts->SetTexID(&atlas);
  }

  // Builds the atlas from the characters asked for: the interface's font and, when one is set, the
  // game's text face.
  bool buildAtlas() {
    ImGuiIO& io = ImGui::GetIO();
    io.Fonts->Clear();
    textFont = nullptr;
    ImFontGlyphRangesBuilder builder;
    for (ImWchar c : characters) builder.AddChar(c);
    ranges.clear();
    builder.BuildRanges(&ranges);
    std::vector<std::pair<void*, std::size_t>> mappings;
    const bool added = addFont(fontFile, fontIndex, kFontSize, mappings, false) != nullptr;
    if (added && !textFontFile.empty()) {
      textFont = addFont(textFontFile, textFontIndex, kTextFontSize, mappings, false);
      // What the game's face lacks (many Japanese faces have no Latin letters) comes from the default
      // face, as it does in the game's own text.
      if (textFont) addFont(fontFile, fontIndex, kTextFontSize, mappings, true);
    }
    const bool built = added && io.Fonts->Build();
    for (ImFontConfig& font : io.Fonts->ConfigData) font.FontDataOwnedByAtlas = false;
    io.Fonts->ClearInputData();
    for (const auto& [data, size] : mappings) ::munmap(data, size);
    return built;
  }

  // Adds a font to the atlas from its file. The file is mapped, not read: the atlas needs a few of its
  // tables and glyphs, not all of its megabytes, and is built at once so the mapping can go.
  ImFont* addFont(const std::string& file, int index, float size,
                  std::vector<std::pair<void*, std::size_t>>& mappings, bool merge) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat info {};
    void* mapped = MAP_FAILED;
    if (fd >= 0 && ::fstat(fd, &info) == 0 && info.st_size > 0)
      mapped = ::mmap(nullptr, static_cast<std::size_t>(info.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
    if (fd >= 0) ::close(fd);
    if (mapped == MAP_FAILED) return nullptr;
    mappings.emplace_back(mapped, static_cast<std::size_t>(info.st_size));
    ImFontConfig config;
    config.FontNo = index;
    config.MergeMode = merge;  // into the font added last, where it has no glyph of its own
    config.OversampleH = 1;
    config.PixelSnapH = true;
    // An atlas that does not own its font data copies all of it first (megabytes of a Japanese font,
    // most of the menu's start-up time); one that owns it uses it where it is. It is handed back before
    // the atlas could free it: the mapping is ours.
    config.FontDataOwnedByAtlas = true;
    return ImGui::GetIO().Fonts->AddFontFromMemoryTTF(mapped, static_cast<int>(info.st_size), size, &config,
                                                      ranges.Data);
  }
};

Overlay::Overlay(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

std::unique_ptr<Overlay> Overlay::create(GraphicsDevice& device, const std::string& fontFile, int fontIndex) {
  const bool inMemory = device.overlayInMemory();
  SDL_Renderer* renderer = inMemory ? nullptr : device.overlayRenderer();
  if (fontFile.empty() || (!inMemory && !renderer)) return nullptr;
  auto impl = std::make_unique<Impl>(device);
  impl->fontFile = fontFile;
  impl->fontIndex = fontIndex;
  impl->windowed = device.window() != nullptr;
  impl->inMemory = inMemory;
  IMGUI_CHECKVERSION();
  impl->context = ImGui::CreateContext();
  // (A new context becomes the current one only when there is none: two players in one process each
  // set up their own.)
  ImGui::SetCurrentContext(impl->context);
  ImGuiIO& io = ImGui::GetIO();
  io.IniFilename = nullptr;  // nothing of the interface's state is kept on disk
  io.LogFilename = nullptr;
  ImGui::StyleColorsLight();
  ImGuiStyle& style = ImGui::GetStyle();
  style.WindowRounding = 0;
  style.PopupRounding = 0;
  style.DisplaySafeAreaPadding = ImVec2(0, 0);
  // Lines one pixel wide and square: the renderers draw them as quads, which a texture-smoothed line
  // turns into a smear on the software renderer.
  style.AntiAliasedLines = false;
  for (ImWchar c : codePoints(" ?.0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz()&/-"))
    impl->characters.insert(c);
  if (!impl->buildAtlas()) {
    ImGui::DestroyContext(impl->context);
    return nullptr;
  }
  if (DisplayWindow* window = device.window()) {
    // The keyboard reaches the menus through Dear ImGui's navigation; a headless run has no keyboard.
    io.ConfigFlags |= ImGuiConfigFlags_NavEnableKeyboard;
    ImGui_ImplSDL2_InitForSDLRenderer(window->sdlWindow());
  } else {
    io.DisplaySize = ImVec2(GraphicsDevice::kWidth, GraphicsDevice::kHeight);
    io.DeltaTime = 1.0f / 60.0f;
  }
  if (inMemory) {
    io.BackendRendererName = "tavrik_painter";
    io.BackendFlags |= ImGuiBackendFlags_RendererHasVtxOffset;  // the painter follows each list's offsets
    impl->bindAtlas();
  } else {
    ImGui_ImplSDLRenderer_Init(renderer);
  }
  std::unique_ptr<Overlay> overlay(new Overlay(std::move(impl)));
  Overlay* raw = overlay.get();
  device.setOverlay([raw] { raw->draw(); });
  return overlay;
}

Overlay::~Overlay() {
  impl_->device.setOverlay(nullptr);
  ImGui::SetCurrentContext(impl_->context);
  if (!impl_->inMemory) ImGui_ImplSDLRenderer_Shutdown();
  if (impl_->windowed) ImGui_ImplSDL2_Shutdown();
  ImGui::DestroyContext(impl_->context);
}

void Overlay::addCharacters(std::string_view utf8) {
  bool missing = false;
  for (ImWchar c : codePoints(utf8)) missing |= impl_->characters.insert(c).second;
  impl_->atlasStale |= missing;
}

void Overlay::setTextFace(const std::string& fontFile, int fontIndex) {
  if (fontFile == impl_->textFontFile && fontIndex == impl_->textFontIndex) return;
  impl_->textFontFile = fontFile;
  impl_->textFontIndex = fontIndex;
  impl_->atlasStale = true;
}

ImFont* Overlay::textFont() const {
  impl_->refreshAtlas();
  return impl_->textFont;
}

OverlayImage Overlay::createImage(const std::uint32_t* argb, int width, int height) {
  if (width <= 0 || height <= 0) return nullptr;
  if (impl_->inMemory) {
    auto picture = std::make_unique<PaintTexture>();
    picture->width = width;
    picture->height = height;
    picture->argb.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    std::transform(argb, argb + picture->argb.size(), picture->argb.begin(), blend::premultiplied);
    return impl_->pictures.emplace_back(std::move(picture)).get();
  }
  SDL_Renderer* renderer = impl_->device.overlayRenderer();
  if (!renderer) return nullptr;
  SDL_Texture* texture =
      SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STATIC, width, height);
  if (texture) SDL_UpdateTexture(texture, nullptr, argb, width * 4);
  return texture;
}

void Overlay::destroyImage(OverlayImage image) {
  if (impl_->inMemory) {
    std::erase_if(impl_->pictures, [image](const auto& picture) { return picture.get() == image; });
    return;
  }
  if (image) SDL_DestroyTexture(static_cast<SDL_Texture*>(image));
}

OverlayEvent describeOverlayEvent(const void* sdlEvent) {
  const auto& e = *static_cast<const SDL_Event*>(sdlEvent);
  OverlayEvent out;
  switch (e.type) {
    case SDL_MOUSEMOTION:
      out.kind = OverlayEvent::Kind::Motion;
      out.x = e.motion.x;
      out.y = e.motion.y;
      break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      out.kind =
          e.type == SDL_MOUSEBUTTONDOWN ? OverlayEvent::Kind::ButtonDown : OverlayEvent::Kind::ButtonUp;
      out.x = e.button.x;
      out.y = e.button.y;
      break;
    case SDL_MOUSEWHEEL:
      out.kind = OverlayEvent::Kind::Wheel;
      out.x = e.wheel.mouseX;
      out.y = e.wheel.mouseY;
      break;
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
      out.kind = e.type == SDL_KEYDOWN ? OverlayEvent::Kind::KeyDown : OverlayEvent::Kind::KeyUp;
      out.scancode = e.key.keysym.scancode;
      const SDL_Scancode code = e.key.keysym.scancode;
      if (code == SDL_SCANCODE_ESCAPE)
        out.key = OverlayEvent::Key::Escape;
      else if (code == SDL_SCANCODE_DOWN)
        out.key = OverlayEvent::Key::Down;
      else if (code == SDL_SCANCODE_RETURN || code == SDL_SCANCODE_KP_ENTER)
        out.key = OverlayEvent::Key::Return;
      else if (e.key.keysym.sym == SDLK_LALT || e.key.keysym.sym == SDLK_RALT)
        out.key = OverlayEvent::Key::Alt;
      break;
    }
    case SDL_TEXTINPUT:
      out.kind = OverlayEvent::Kind::Text;
      break;
    default:
      break;
  }
  return out;
}

void Overlay::setSpace(bool down) {
  setKey(SDL_SCANCODE_SPACE, down);
}

void Overlay::processEvent(const void* sdlEvent) {
  ImGui::SetCurrentContext(impl_->context);
  if (!impl_->windowed) return;
  const auto& e = *static_cast<const SDL_Event*>(sdlEvent);
  ImGui_ImplSDL2_ProcessEvent(&e);
  if (e.type == SDL_KEYDOWN || e.type == SDL_KEYUP) setKey(e.key.keysym.scancode, e.type == SDL_KEYDOWN);
}

void Overlay::setKey(int scancode, bool down) {
  ImGui::SetCurrentContext(impl_->context);
  ImGuiIO& io = ImGui::GetIO();
  if (scancode < 0 || scancode >= IM_ARRAYSIZE(io.KeysDown)) return;
  if (down) {
    io.KeysDown[scancode] = true;
    impl_->pressedUnseen.insert(scancode);
  } else if (impl_->pressedUnseen.count(scancode)) {
    io.KeysDown[scancode] = true;
    impl_->releases.push_back(scancode);
  } else {
    io.KeysDown[scancode] = false;
  }
}

namespace {

bool anyWindowLayingOut() {
  for (const ImGuiWindow* window : ImGui::GetCurrentContext()->Windows)
    if (window->Active && (window->HiddenFramesCannotSkipItems > 0 || window->HiddenFramesCanSkipItems > 0))
      return true;
  return false;
}

}  // namespace

bool Overlay::windowAt(int x, int y) const {
  const ImVec2 point(static_cast<float>(x), static_cast<float>(y));
  for (const ImGuiWindow* window : impl_->context->Windows) {
    if (window->Active && !window->Hidden && !(window->Flags & ImGuiWindowFlags_NoMouseInputs) &&
        window->Rect().Contains(point))
      return true;
  }
  return false;
}

void Overlay::draw() {
  impl_->refreshAtlas();
  ImGui::SetCurrentContext(impl_->context);
  if (!impl_->inMemory) ImGui_ImplSDLRenderer_NewFrame();
  if (impl_->windowed) ImGui_ImplSDL2_NewFrame();
  // Dear ImGui would give its menu layer the keyboard on an Alt press and release of its own reckoning,
  // which a quick Alt+Return within one frame looks like. The player tells a lone Alt itself, from the
  // order of the key events, and gives the bar the keyboard then; Alt is nothing else to the interface.
  ImGui::GetIO().KeyAlt = false;
  ImGui::NewFrame();
  impl_->drawing = true;
  // This frame saw the keys pressed since the last: those let go meanwhile go up for the next.
  ImGuiIO& io = ImGui::GetIO();
  for (int key : impl_->releases) io.KeysDown[key] = false;
  impl_->releases.clear();
  impl_->pressedUnseen.clear();
  if (content_) content_();
  // A window new this frame is laid out unseen and shows from the next. A window shows it a sixtieth
  // of a second later; a headless frame may be the only one drawn (a screenshot of a box), so it is
  // laid out again at once.
  if (!impl_->windowed && anyWindowLayingOut()) {
    ImGui::EndFrame();
    ImGui::NewFrame();
    if (content_) content_();
  }
  ImGui::Render();
  impl_->drawing = false;
  if (!impl_->inMemory) {
    ImGui_ImplSDLRenderer_RenderDrawData(ImGui::GetDrawData());
  } else if (OverlayCanvas canvas; impl_->device.overlayCanvas(canvas)) {
    paintDrawData(*ImGui::GetDrawData(), canvas);
  }
}

}  // namespace tavrik
