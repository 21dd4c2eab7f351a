// The player's frame: the window (or the headless buffer), the graphics device, the input devices and
// the mouse state, and the loop that handles window events before frames and runs at most 60 frames
// a second. It knows nothing of scripts: its client (the game player) updates and draws each frame.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/event_script.h"
#include "app/frame_clock.h"
#include "app/pad_input.h"
#include "app/player_commands.h"
#include "base/input_state.h"
#include "platform/display_window.h"
#include "platform/graphics_device.h"
#include "platform/input_devices.h"
#include "platform/overlay.h"
#include "platform/window_events.h"
#include "ui/menu_bar.h"
#include "ui/message_box.h"

namespace tavrik {

struct FrameSettings {
  std::string titleUtf8;
  bool headless = false;
  bool fullscreen = false;
  bool confirmExit = true;
  std::string helpPath;                    // native path of the manual; empty: help shows the version box
  std::string supportUrl;                  // opened from the version box
  std::optional<std::int64_t> frameLimit;  // end normally after this many frames
  bool keepLastFrame = false;
  // Answers the frame's message boxes instead of the user (tests); unset, boxes are shown (headless:
  // printed and answered OK).
  std::function<BoxAnswer(const std::string& caption, const std::string& text)> answerBox;
  EventScript events;
};

// What runs in the frame. Every hook has a default that does nothing.
class FrameClient {
 public:
  virtual ~FrameClient() = default;
  // One frame of logic.
  virtual void update() {}
  // Draws and presents the frame (when something changed, or when forced); false when there is nothing
  // to draw yet and the frame should show black.
  virtual bool draw(bool /*force*/) { return false; }
  // Sees a window event (also those of the events file) before the frame does; true when it took it.
  virtual bool handleEvent(const WindowEvent& /*event*/) { return false; }
  // Runs a command that is the client's; false for one that is not.
  virtual bool runCommand(int /*id*/) { return false; }
  virtual bool knowsCommand(int /*id*/) const { return false; }
  // The events file asks for the game's state, as it stands before this frame's events and update, in
  // a file.
  virtual void saveState(const std::filesystem::path& /*file*/) {}
  // The events file asks for a save, a load, skipping or auto mode, before the frame's other events.
  virtual void runPlayerAction(const PlayerAction& /*action*/) {}
  // Builds the client's own screens in a frame of the overlay, over the menu bar and under a box.
  virtual void buildScreens() {}
  // After the first frame has been drawn: start-up work the first picture need not wait for.
  virtual void afterFirstFrame() {}
};

// What the version box says of a frame: its own title (not one a script set) and the support page.
std::string versionText(const FrameSettings& settings);

class AppFrame {
 public:
  // Fails (nothing, with a reason) when no graphics device can be had.
  AppFrame(FrameSettings settings, std::unique_ptr<GraphicsDevice> graphics);

  // Handles events and runs frames until the window is closed, the frame limit is reached or a
  // termination signal arrives; then warns on standard error of events the file held for later frames.
  // With until (tests and measurements), it also stops after the first frame for which until holds,
  // and may be called again to go on.
  void run(const std::function<bool()>& until = {});

  // Ends the loop after the current frame, as destroying the window does.
  void close() { closing_ = true; }
  bool closing() const { return closing_; }

  // The client runs in the frame from here on; it outlives the loop.
  void setClient(FrameClient* client) { client_ = client; }
  // Handles one window event (also those of the events file): the client's first, then the frame's
  // own, and the keys of the command table.
  void handleEvent(const WindowEvent& event);
  // Runs one command: the client's, or the frame's own (exit, fullscreen, help, version).
  void runCommand(int id);
  // Whether a command has that id (the events file's "command" is told of one that does not).
  bool knowsCommand(int id) const;
  // Draws the frame: the client's, or black with the player's interface over it.
  void draw(bool force);

  bool haveDisplay() const { return !settings_.headless; }
  // The player's own interface over the game (boxes, and in a window the menu bar); the frame owns it
  // from here on. Without one, boxes are shown on standard error alone.
  void setOverlay(std::unique_ptr<Overlay> overlay);
  Overlay* overlay() { return overlay_.get(); }
  // The menu bar, drawn by the overlay; the frame owns it from here on.
  void setMenuBar(std::unique_ptr<MenuBar> menu) { menu_ = std::move(menu); }
  MenuBar* menuBar() { return menu_.get(); }
  // Asks with a box drawn over the game, which stands still until it is answered (headless: by the
  // events file, or its default when the file holds no later event). keepShown leaves the box in the
  // last frame (an error report that ends the player, for its screenshot). A box that cannot be shown
  // is never taken as "yes": OK/Cancel then answers Cancel.
  BoxAnswer ask(const std::string& caption, const std::string& text, BoxButtons buttons,
                bool keepShown = false, BoxAnswer defaultAnswer = BoxAnswer::Ok) {
    return ask(caption, text, buttons, BoxPicture{}, keepShown, defaultAnswer);
  }
  // The same, with a picture above the text (none when it is empty). Where the box is printed, the
  // picture is left out.
  BoxAnswer ask(const std::string& caption, const std::string& text, BoxButtons buttons,
                const BoxPicture& picture, bool keepShown = false, BoxAnswer defaultAnswer = BoxAnswer::Ok);
  // Says what a box holds and the button its keyboard is on, for a player who cannot see it.
  void setSpeaker(std::function<void(const std::string&)> say) { say_ = std::move(say); }
  std::int64_t framesRun() const { return framesRun_; }
  GraphicsDevice& graphics() { return *graphics_; }
  InputDevices& input() { return input_; }
  // The mouse as the engine holds it: a restored game puts its position back.
  MouseState& mouse() { return mouse_; }
  // The run ended because it reached --frames, not because the player was closed.
  bool frameLimitReached() const { return frameLimitReached_; }

 private:
  void runFrame();
  // What waits for the first frame to be up: the controllers and the desktop's registration.
  void settleAfterFirstFrame();
  void requestClose();
  // The answer to a box, read from the window or the events file.
  std::optional<BoxAnswer> answerFromWindow(ModalBox& box);
  std::optional<BoxAnswer> answerFromEvents(ModalBox& box);
  // What keys, a controller and releases do to an open box, from a window or the events file.
  std::optional<BoxAnswer> boxInput(ModalBox& box, const WindowEvent& e);

  FrameSettings settings_;
  FrameClient* client_ = nullptr;
  std::unique_ptr<GraphicsDevice> graphics_;
  // After the device, which they draw with; the bar draws with the overlay.
  std::unique_ptr<Overlay> overlay_;
  std::unique_ptr<MenuBar> menu_;
  ModalBox* box_ = nullptr;  // the box that is open
  std::function<void(const std::string&)> say_;
  InputDevices input_;
  StickDirections stick_;  // the left stick as the pad's directions, for the player's interface
  MouseState mouse_;
  FrameClock clock_;
  bool closing_ = false;
  bool frameLimitReached_ = false;
  bool firstFrameDrawn_ = false;
  bool settledAfterFirstFrame_ = false;
  bool inFrame_ = false;       // a frame's events or update are being handled
  bool boxReadFrame_ = false;  // the open headless box has read a frame's events
  bool focused_ = true;
  bool altHeld_ = false;
  bool altAlone_ = false;                 // Alt went down and nothing else has been pressed since
  std::array<bool, 3> pressUnseen_{};     // a button went down since the last frame (left, middle, right)
  std::array<bool, 3> releasePending_{};  // and came up again before that frame saw it
  std::int32_t boxPointerX_ = 0;          // where the events file last put the pointer, for a box
  std::int32_t boxPointerY_ = 0;
  bool shiftHeld_ = false;
  bool ctrlHeld_ = false;
  std::int64_t framesRun_ = 0;
  std::int64_t lastFramePlayed_ = -1;  // the frame whose events were handled last
};

}  // namespace tavrik
