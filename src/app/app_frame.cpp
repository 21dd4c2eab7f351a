#include "app/app_frame.h"

#include "platform/message_box.h"

namespace tavrik {

namespace {

std::optional<PadKey> padKeyOf(Key key) {
  switch (key) {
    case Key::Return:
      return PadKey::Return;
    case Key::Space:
      return PadKey::Space;
    case Key::Z:
      return PadKey::Z;
    case Key::X:
      return PadKey::X;
    case Key::C:
      return PadKey::C;
    case Key::V:
      return PadKey::V;
    case Key::Up:
      return PadKey::Up;
    case Key::Down:
      return PadKey::Down;
    case Key::Left:
      return PadKey::Left;
    case Key::Right:
      return PadKey::Right;
    case Key::E:
      return PadKey::E;
    case Key::D:
      return PadKey::D;
    case Key::S:
      return PadKey::S;
    case Key::F:
      return PadKey::F;
    default:
      return std::nullopt;
  }
}

}  // namespace

AppFrame::AppFrame(FrameSettings settings, std::unique_ptr<GraphicsDevice> graphics)
    : settings_(std::move(settings)), graphics_(std::move(graphics)), clock_(performanceFrequency()) {
  graphics_->setKeepLastFrame(settings_.keepLastFrame);
  if (!settings_.headless) input_.openControllers();
  // The window starts black rather than with whatever the window system leaves in it.
  graphics_->clear(0xFF000000u);
  graphics_->present();
}

AppFrame::~AppFrame() = default;

void AppFrame::run() {
  const bool pacedByRetrace = graphics_->hasVsync() && graphics_->refreshRate() == 60;
  while (!closing_) {
    if (settings_.headless) {
      // Headless frames run back to back; the events file is the only input.
      runFrame();
      continue;
    }
    if (!focused()) {
      // In the background no frame runs and the loop sleeps until something happens.
      if (std::optional<WindowEvent> e = nextWindowEvent(-1)) handleEvent(*e);
      continue;
    }
    if (std::optional<WindowEvent> e = nextWindowEvent(0)) {
      handleEvent(*e);
      continue;
    }
    if (pacedByRetrace || clock_.frameDue(performanceCounter())) {
      runFrame();
      continue;
    }
    // Sleep until the next frame is due, waking early for any event.
    if (std::optional<WindowEvent> e =
            nextWindowEvent(std::max(1, clock_.millisecondsUntilDue(performanceCounter()))))
      handleEvent(*e);
  }
}

void AppFrame::runFrame() {
  for (const WindowEvent& e : settings_.events.eventsAt(framesRun_)) {
    handleEvent(e);
    if (closing_) return;
  }
  update();
  draw(false);
  ++framesRun_;
  if (settings_.frameLimit && framesRun_ >= *settings_.frameLimit) closing_ = true;
}

void AppFrame::requestClose() {
  if (settings_.confirmExit) {
    const BoxAnswer answer = showMessageBox(graphics_->window(), haveDisplay(), "終了確認",
                                            "終了してもよろしいですか？", BoxButtons::OkCancel);
    if (answer != BoxAnswer::Ok) return;
  }
  closing_ = true;
}

void AppFrame::runCommand(int id) {
  switch (id) {
    case kCommandExit:
      requestClose();
      break;
    case kCommandToggleFullscreen:
      graphics_->setFullscreen(!graphics_->fullscreen());
      draw(true);
      break;
    default:
      break;
  }
}

void AppFrame::handleEvent(const WindowEvent& e) {
  using T = WindowEvent::Type;
  switch (e.type) {
    case T::Close:
      requestClose();
      break;
    case T::MouseMove:
      // The position arrives as unsigned 16-bit values, as the window messages carried it.
      mouse_.x = static_cast<std::uint16_t>(e.x);
      mouse_.y = static_cast<std::uint16_t>(e.y);
      break;
    case T::ButtonDown:
    case T::ButtonUp: {
      const bool down = e.type == T::ButtonDown;
      if (e.button == MouseButton::Left) mouse_.left = down;
      if (e.button == MouseButton::Middle) mouse_.middle = down;
      if (e.button == MouseButton::Right) mouse_.right = down;
      break;
    }
    case T::KeyDown:
    case T::KeyUp: {
      const bool down = e.type == T::KeyDown;
      if (e.key == Key::LeftAlt || e.key == Key::RightAlt) altHeld_ = down;
      if (e.key == Key::LeftShift || e.key == Key::RightShift) shiftHeld_ = down;
      if (std::optional<PadKey> pad = padKeyOf(e.key)) input_.setKeyHeld(*pad, down);
      if (!down || e.repeat) break;
      const bool alt = e.alt || altHeld_;
      const bool shift = e.shift || shiftHeld_;
      if (e.key == Key::Escape) runCommand(kCommandExit);
      if (e.key == Key::Return && alt) runCommand(kCommandToggleFullscreen);
      if (e.key == Key::F1) runCommand(shift ? kCommandVersion : kCommandHelp);
      break;
    }
    case T::FocusGained:
      focused_ = true;
      input_.setFocused(true);
      break;
    case T::FocusLost:
      focused_ = false;
      input_.setFocused(false);
      altHeld_ = shiftHeld_ = false;
      break;
    case T::Exposed:
      draw(true);
      break;
    case T::ControllersChanged:
      input_.openControllers();
      break;
    case T::DeviceReset:
      graphics_->notifyDeviceReset();
      draw(true);
      break;
    case T::Command:
      runCommand(e.command);
      break;
  }
}

}  // namespace tavrik
