#include "app/app_frame.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <cstdio>

#include "base/messages.h"
#include "base/terminal_text.h"
#include "platform/clock.h"
#include "platform/desktop.h"
#include "platform/session.h"
#include "platform/window_events.h"
#include "ui/message_box.h"

namespace tavrik {

namespace {

// How long a window in the background sleeps between looks for a termination signal.
constexpr int kSignalCheckMs = 200;

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

// Says on standard error which of a frame's lines for the game a headless box keeps from being done.
void warnOfLinesTheBoxHolds(const EventScript& events, std::int64_t frame) {
  // The player's hands are on the box: what the file asks of the game in these frames is not done, as
  // a key pressed for the game while a box is open is the box's.
  auto warn = [&](const std::string& line) {
    std::fprintf(stderr, "tavrik: %s\n",
                 en(MessageId::WarnLineHeldByBox, {std::to_string(frame), line}).c_str());
  };
  for (const std::filesystem::path& file : events.statesToSaveAt(frame))
    warn("save-state " + terminalText(file.string()));
  for (const PlayerAction& action : events.playerActionsAt(frame)) {
    switch (action.kind) {
      case PlayerAction::Kind::Save:
        warn("save " + std::to_string(action.value));
        break;
      case PlayerAction::Kind::Load:
        warn("load " + std::to_string(action.value));
        break;
      case PlayerAction::Kind::Skip:
        warn(action.value ? "skip on" : "skip off");
        break;
      case PlayerAction::Kind::Auto:
        warn(action.value ? "auto on" : "auto off");
        break;
      case PlayerAction::Kind::Rollback:
        warn("rollback " + std::to_string(action.value));
        break;
      case PlayerAction::Kind::HistoryReturn:
        warn("history-return " + std::to_string(action.value));
        break;
      case PlayerAction::Kind::TextSpeed:
        warn("text-speed " + (action.value == 0
                                  ? std::string("instant")
                                  : std::to_string(action.value / 2) + (action.value % 2 ? ".5" : "")));
        break;
      case PlayerAction::Kind::ClickCompletes:
        warn(action.value ? "click-completes on" : "click-completes off");
        break;
      case PlayerAction::Kind::Speak:
        warn(action.value ? "speak on" : "speak off");
        break;
    }
  }
}

// Opens a page with the desktop's program; a box says so when it cannot.
void openOrSay(AppFrame& frame, const std::string& url) {
  // Opening is left to the desktop: when it has no program for it, the user is told where the page is.
  if (!openUrl(url, frame.haveDisplay()))
    frame.ask(ja(MessageId::HelpCaption), ja(MessageId::HelpCannotOpen, {url}), BoxButtons::Ok);
}

}  // namespace

std::string versionText(const FrameSettings& settings) {
  // The frame's own title, not one a script set.
  return ja(MessageId::VersionText, {settings.titleUtf8, settings.supportUrl});
}

AppFrame::AppFrame(FrameSettings settings, std::unique_ptr<GraphicsDevice> graphics)
    : settings_(std::move(settings)), graphics_(std::move(graphics)), clock_(performanceFrequency()) {
  graphics_->setKeepLastFrame(settings_.keepLastFrame);
  // The frame starts black; the window shows with the first frame drawn.
  graphics_->clear(0xFF000000u);
}

void AppFrame::run(const std::function<bool()>& until) {
  // On a 60 Hz display with vertical sync a presenting frame waits for the retrace; the timer still
  // paces the frames that present nothing (nothing changed), a little early so as not to miss one.
  const DisplayWindow* window = graphics_->window();
  const bool pacedByRetrace = window && window->hasVsync() && window->refreshRate() == 60;
  clock_ = FrameClock(performanceFrequency(), pacedByRetrace ? 0.9 : 1.0);
  const RawEventFilter menuFilter = [this](const void* e) {
    if (menu_) return menu_->processEvent(e);
    if (overlay_) overlay_->processEvent(e);
    return false;
  };
  while (!closing_) {
    // SIGINT or SIGTERM ends the run as its last frame would, without asking.
    if (terminationSignal()) break;
    if (settings_.headless) {
      // Headless frames run back to back; the events file is the only input.
      runFrame();
      if (until && until()) return;
      continue;
    }
    if (!focused_) {
      // In the background no frame runs and the loop sleeps until something happens, waking now and
      // then to see whether a signal asked it to end.
      if (std::optional<WindowEvent> e = nextWindowEvent(kSignalCheckMs, menuFilter)) handleEvent(*e);
      continue;
    }
    if (std::optional<WindowEvent> e = nextWindowEvent(0, menuFilter)) {
      handleEvent(*e);
      continue;
    }
    const bool due = clock_.frameDue(performanceCounter());
    if (due) {
      // While a menu is open, or the bar shows over the fullscreen game, the game stands still.
      bool menuHoldsGame = false;
      if (menu_) {
        const bool fullscreen = window && window->fullscreen();
        menu_->setShown(!fullscreen || menu_->cursorInBand() || menu_->engaged());
        menuHoldsGame = menu_->engaged() || (fullscreen && menu_->shown());
      }
      if (!menuHoldsGame) {
        runFrame();
        if (until && until()) return;
        if (menu_ && menu_->needsRepaint()) graphics_->present();
      } else if (menu_->needsRepaint() || menu_->engaged()) {
        graphics_->present();
      }
      if (menu_)
        for (int id : menu_->takeCommands()) runCommand(id);
      if (closing_) break;
    }
    // Sleep until the next frame is due, straight after the frame: the events that arrive meanwhile
    // are handled first thing after waking, still before the frame, and the thread wakes once a frame
    // rather than for each event.
    sleepMicroseconds(std::max<std::int64_t>(100, clock_.microsecondsUntilDue(performanceCounter())));
  }
  if (firstFrameDrawn_) settleAfterFirstFrame();
  const std::int64_t last = settings_.events.lastFrame();
  if (last > lastFramePlayed_) {
    std::fprintf(
        stderr, "tavrik: %s\n",
        en(MessageId::WarnEventsAfterEnd, {std::to_string(last), std::to_string(lastFramePlayed_)}).c_str());
  }
}

bool AppFrame::knowsCommand(int id) const {
  return id == kCommandExit || id == kCommandToggleFullscreen || id == kCommandHelp ||
         id == kCommandVersion || (client_ && client_->knowsCommand(id));
}

void AppFrame::settleAfterFirstFrame() {
  if (settledAfterFirstFrame_) return;
  settledAfterFirstFrame_ = true;
  // The game controllers are opened once the first picture is up, and the player made known to the
  // desktop.
  if (!settings_.headless) input_.openControllers();
  if (client_) client_->afterFirstFrame();
#if defined(__GLIBC__)
  // Start-up leaves the heap with much freed memory in it (the font configuration's parsing, pictures
  // decoded and put into textures): it goes back to the system rather than staying resident.
  malloc_trim(0);
#endif
}

void AppFrame::runFrame() {
  if (firstFrameDrawn_) settleAfterFirstFrame();
  // A frame's events and update are handled from here to the end, however it ends.
  inFrame_ = true;
  struct InFrame {
    bool& flag;
    ~InFrame() { flag = false; }
  } inFrame{inFrame_};
  // A box opened by one of this frame's lines counts the frames it is open (headless); this frame's
  // other lines are still this frame's, handled once it is answered.
  const std::int64_t frame = framesRun_;
  lastFramePlayed_ = frame;
  for (const std::filesystem::path& file : settings_.events.statesToSaveAt(frame))
    if (client_) client_->saveState(file);
  for (const PlayerAction& action : settings_.events.playerActionsAt(frame)) {
    if (client_) client_->runPlayerAction(action);
    if (closing_) return;
  }
  for (const WindowEvent& e : settings_.events.eventsAt(frame)) {
    if (e.type == WindowEvent::Type::MenuCommand && !knowsCommand(e.command)) {
      std::fprintf(
          stderr, "tavrik: %s\n",
          en(MessageId::WarnNoSuchCommand, {std::to_string(frame), std::to_string(e.command)}).c_str());
    }
    handleEvent(e);
    if (closing_) return;
  }
  if (client_) client_->update();
  // Presses are seen now; releases held back for them take effect.
  bool* states[3] = {&mouse_.left, &mouse_.middle, &mouse_.right};
  for (std::size_t b = 0; b < 3; ++b) {
    if (releasePending_[b]) *states[b] = false;
    pressUnseen_[b] = releasePending_[b] = false;
  }
  mouse_.leftPressed = false;
  draw(false);
  ++framesRun_;
  // (A box before the first frame counts frames of its own: the first frame drawn is told apart.)
  if (!firstFrameDrawn_) {
    firstFrameDrawn_ = true;
    // A window's first picture is up before anything else is done; a headless run, whose frames
    // nobody sees, does it at once, so that a run of one frame does it too.
    if (settings_.headless) settleAfterFirstFrame();
  }
  if (settings_.frameLimit && framesRun_ >= *settings_.frameLimit) closing_ = frameLimitReached_ = true;
}

void AppFrame::setOverlay(std::unique_ptr<Overlay> overlay) {
  overlay_ = std::move(overlay);
  if (overlay_) {
    overlay_->setContent([this] {
      if (menu_) menu_->build();
      if (client_) client_->buildScreens();
      if (box_) box_->build();
    });
  }
}

void AppFrame::draw(bool force) {
  if (client_ && client_->draw(force)) return;
  // A frame without a game: black, with the player's interface over it.
  if (!force) return;
  graphics_->beginScene();
  graphics_->clear(0xFF000000u);
  graphics_->endScene();
  graphics_->present();
}

void AppFrame::requestClose() {
  if (settings_.confirmExit) {
    const BoxAnswer answer =
        ask(ja(MessageId::ExitCaption), ja(MessageId::ExitQuestion), BoxButtons::OkCancel);
    if (answer != BoxAnswer::Ok) return;
  }
  closing_ = true;
}

void AppFrame::runCommand(int id) {
  if (client_ && client_->runCommand(id)) return;
  switch (id) {
    case kCommandExit:
      requestClose();
      break;
    case kCommandToggleFullscreen:
      if (DisplayWindow* window = graphics_->window()) window->setFullscreen(!window->fullscreen());
      draw(true);
      break;
    case kCommandHelp:
      if (!settings_.helpPath.empty()) {
        openOrSay(*this, "file://" + settings_.helpPath);
        break;
      }
      [[fallthrough]];
    case kCommandVersion:
      if (ask(ja(MessageId::VersionCaption), versionText(settings_), BoxButtons::OkCancel) == BoxAnswer::Ok)
        openOrSay(*this, settings_.supportUrl);
      break;
    default:
      break;
  }
}

BoxAnswer AppFrame::ask(const std::string& caption, const std::string& text, BoxButtons buttons,
                        const BoxPicture& picture, bool keepShown, BoxAnswer defaultAnswer) {
  if (settings_.answerBox) return settings_.answerBox(caption, text);
  ModalBox box{caption, text, buttons, defaultAnswer};
  if (!haveDisplay()) printBox(caption, text);
  if (!overlay_) {
    // Nowhere to show it: the words are on standard error, and nothing is taken as agreed.
    if (haveDisplay()) printBox(caption, text);
    return haveDisplay() ? box.cancelAnswer() : box.defaultAnswer();
  }
  if (!picture.argb.empty()) box.setPicture(*overlay_, picture.argb, picture.width, picture.height);
  overlay_->addCharacters(box.characters());
  box_ = &box;
  // A reader hears the box, then each button the keyboard moves to.
  std::string focusSaid = box.focusWords();
  if (say_) say_(box.spokenText() + " " + focusSaid);
  std::optional<BoxAnswer> answer;
  while (!answer) {
    if (say_ && box.focusWords() != focusSaid) say_(focusSaid = box.focusWords());
    if (terminationSignal()) {
      // A signal does not wait for the box: the run ends, and nothing is taken as agreed.
      answer = box.cancelAnswer();
      closing_ = true;
      break;
    }
    answer = haveDisplay() ? answerFromWindow(box) : answerFromEvents(box);
  }
  // A headless box asked between frames (at start-up) read the frame it was answered in: the next
  // frame is the one after it.
  if (!haveDisplay() && !inFrame_ && boxReadFrame_) ++framesRun_;
  boxReadFrame_ = false;
  box_ = nullptr;
  if (!keepShown) draw(true);
  return *answer;
}

// A window's box: its events, and the window presented with the box over the last game frame.
std::optional<BoxAnswer> AppFrame::answerFromWindow(ModalBox& box) {
  graphics_->present();
  const RawEventFilter feed = [this](const void* e) {
    overlay_->processEvent(e);
    return false;
  };
  std::optional<WindowEvent> e = nextWindowEvent(1000 / 60, feed);
  if (!e) return std::nullopt;
  if (std::optional<BoxAnswer> answer = boxInput(box, *e)) return answer;
  switch (e->type) {
    case WindowEvent::Type::ButtonUp:
      if (e->button == MouseButton::Left) return box.click(e->x, e->y);
      return std::nullopt;
    case WindowEvent::Type::Close:
      return box.cancelAnswer();
    case WindowEvent::Type::FocusLost:
      focused_ = false;
      input_.setFocused(false);
      return std::nullopt;
    case WindowEvent::Type::FocusGained:
      focused_ = true;
      input_.setFocused(true);
      return std::nullopt;
    case WindowEvent::Type::DeviceReset:
      graphics_->notifyDeviceReset();
      draw(true);
      return std::nullopt;
    default:
      return std::nullopt;
  }
}

std::optional<BoxAnswer> AppFrame::boxInput(ModalBox& box, const WindowEvent& e) {
  using T = WindowEvent::Type;
  switch (e.type) {
    case T::KeyDown:
      return box.key(e.key);
    case T::PadButtonDown:
      // The box has the press: the game does not see the button held afterwards.
      if (e.device) input_.holdBack(e.padButton);
      if (const std::optional<Key> key = keyForPadButton(e.padButton)) return box.key(*key);
      return std::nullopt;
    case T::PadAxis: {
      if (!e.device) input_.setStick(e.x, e.y);
      std::optional<BoxAnswer> answer;
      for (const WindowEvent& direction : stick_.move(e.x, e.y))
        if (const std::optional<Key> key = keyForPadButton(direction.padButton);
            key && direction.type == T::PadButtonDown && !answer)
          answer = box.key(*key);
      return answer;
    }
    case T::KeyUp:
    case T::PadButtonUp:
      // What is let go while a box is open is let go for the game and the player too (Ctrl or the
      // shoulder held to skip).
      handleEvent(e);
      return std::nullopt;
    default:
      return std::nullopt;
  }
}

// A headless box: the events file answers it. Frames go on counting, so that later events arrive,
// but the game does not update; each is drawn with the box, as a window would show it.
std::optional<BoxAnswer> AppFrame::answerFromEvents(ModalBox& box) {
  // A box opened while a frame's events were handled reads the frames after that one; one opened
  // between frames starts with the frame due.
  if (inFrame_ || boxReadFrame_) ++framesRun_;
  boxReadFrame_ = true;
  lastFramePlayed_ = framesRun_;
  draw(true);
  warnOfLinesTheBoxHolds(settings_.events, framesRun_);
  std::optional<BoxAnswer> answer;
  const std::vector<WindowEvent> events = settings_.events.eventsAt(framesRun_);
  for (std::size_t i = 0; i < events.size(); ++i) {
    if (answer) {
      // The rest of the frame was meant for what came after the box; no frame of the game has them.
      std::fprintf(
          stderr, "tavrik: %s\n",
          en(MessageId::WarnEventsAfterBox, {std::to_string(framesRun_), std::to_string(events.size() - i)})
              .c_str());
      break;
    }
    const WindowEvent& e = events[i];
    answer = boxInput(box, e);
    switch (e.type) {
      case WindowEvent::Type::MouseMove:
        boxPointerX_ = e.x;
        boxPointerY_ = e.y;
        break;
      case WindowEvent::Type::ButtonUp:
        if (e.button == MouseButton::Left) answer = box.click(boxPointerX_, boxPointerY_);
        break;
      case WindowEvent::Type::Close:
        answer = box.cancelAnswer();
        break;
      default:
        break;
    }
  }
  // Nothing more will come: the box takes its default, so that a run never stalls on it.
  if (!answer && !settings_.events.hasEventsAfter(framesRun_)) answer = box.defaultAnswer();
  if (!answer && settings_.frameLimit && framesRun_ + 1 >= *settings_.frameLimit)
    answer = box.defaultAnswer();
  return answer;
}

void AppFrame::handleEvent(const WindowEvent& event) {
  using T = WindowEvent::Type;
  if (client_ && client_->handleEvent(event)) {
    // What the player's interface took of a controller, the game does not see held either.
    if (event.type == T::PadButtonDown && event.device) input_.holdBack(event.padButton);
    return;
  }
  WindowEvent e = event;
  const DisplayWindow* window = graphics_->window();
  if (window && e.windowPixels &&
      (e.type == T::MouseMove || e.type == T::ButtonDown || e.type == T::ButtonUp)) {
    // Over the menu strip the cursor is outside the game's client area, as over a window's frame: the
    // game keeps the last position it saw, and a button released there stays down.
    const bool inside = window->windowToGame(event.x, event.y, e.x, e.y);
    if (!inside && !window->fullscreen()) return;
  }
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
      // The back button is the player's (its client's) alone: a script never sees it.
      if (e.button == MouseButton::Back) {
        if (e.type == T::ButtonDown) altAlone_ = false;
        break;
      }
      if (e.windowPixels) {
        mouse_.x = e.x;
        mouse_.y = e.y;
      }
      const bool down = e.type == T::ButtonDown;
      if (down) altAlone_ = false;
      const auto b = static_cast<std::size_t>(e.button);
      bool* state = e.button == MouseButton::Left
                        ? &mouse_.left
                        : (e.button == MouseButton::Middle ? &mouse_.middle : &mouse_.right);
      if (down) {
        *state = true;
        if (e.button == MouseButton::Left) {
          mouse_.leftPressed = true;
          mouse_.pressX = mouse_.x;
          mouse_.pressY = mouse_.y;
        }
        pressUnseen_[b] = true;
        releasePending_[b] = false;
      } else if (pressUnseen_[b]) {
        // A click shorter than a frame (a tap) would be gone before any frame saw it: the button stays
        // down for the next frame and is released after it.
        releasePending_[b] = true;
      } else {
        *state = false;
      }
      break;
    }
    case T::KeyDown:
    case T::KeyUp: {
      const bool down = e.type == T::KeyDown;
      const bool altKey = e.key == Key::LeftAlt || e.key == Key::RightAlt;
      if (altKey) altHeld_ = down;
      // Alt pressed and released alone gives the keyboard to the menu bar, as F10 does.
      if (altKey && !down && altAlone_ && menu_) menu_->focusWithKeyboard();
      if (down && !e.repeat) altAlone_ = altKey;
      if (e.key == Key::LeftShift || e.key == Key::RightShift) shiftHeld_ = down;
      if ((e.key == Key::LeftCtrl || e.key == Key::RightCtrl) && (!down || !e.repeat)) ctrlHeld_ = down;
      if (std::optional<PadKey> pad = padKeyOf(e.key)) input_.setKeyHeld(*pad, down);
      if (!down || e.repeat) break;
      const unsigned held =
          (e.alt || altHeld_ ? kAlt : 0u) | (e.shift || shiftHeld_ ? kShift : 0u) | (ctrlHeld_ ? kCtrl : 0u);
      if (const PlayerCommand* command = commandForKey(e.key, held); command && knowsCommand(command->id))
        runCommand(command->id);
      if (e.key == Key::F10 && menu_) menu_->focusWithKeyboard();
      break;
    }
    case T::FocusGained:
      focused_ = true;
      input_.setFocused(true);
      break;
    case T::FocusLost:
      focused_ = false;
      input_.setFocused(false);
      altHeld_ = shiftHeld_ = ctrlHeld_ = false;
      break;
    case T::Exposed:
      draw(true);
      break;
    case T::MaximizeRequest:
      // The window is never maximised: the maximise button switches to fullscreen.
      if (DisplayWindow* w = graphics_->window()) w->restore();
      runCommand(kCommandToggleFullscreen);
      break;
    case T::ControllersChanged:
      input_.openControllers();
      break;
    case T::DeviceReset:
      graphics_->notifyDeviceReset();
      draw(true);
      break;
    case T::MenuCommand:
      runCommand(e.command);
      break;
    case T::PadButtonDown:
    case T::PadButtonUp: {
      // An attached controller's buttons are read by the pads at each poll; the events file's are known
      // only from here.
      const bool down = e.type == T::PadButtonDown;
      if (!e.device) input_.setPadButton(e.padButton, down);
      if (const PlayerCommand* command = down ? commandForPad(e.padButton) : nullptr;
          command && knowsCommand(command->id))
        runCommand(command->id);
      break;
    }
    case T::PadAxis:
      if (!e.device) input_.setStick(e.x, e.y);
      for (const WindowEvent& direction : stick_.move(e.x, e.y)) handleEvent(direction);
      break;
    case T::Wheel:
      break;
  }
}

}  // namespace tavrik
