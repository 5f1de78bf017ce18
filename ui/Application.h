// The application object: owns the windows, holds the title, runs the message loop, takes the quit
// request and shows the exceptions that leave event handlers.
#pragma once

#include <windows.h>

#include <exception>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "packaging/Conversion.h"

namespace pravix {

class Window;

class Application {
 public:
  explicit Application(HINSTANCE instance);
  ~Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  HINSTANCE instance() const { return instance_; }
  const std::string& title() const { return title_; }
  void setTitle(std::string title) { title_ = std::move(title); }

  // Makes a window that lives as long as the application; the first one made is the main window.
  // Gives nullptr when it could not be made: the error has been shown, and when that was the main
  // window, run() ends at once with kExitFailed.
  template <typename Form, typename... Args>
  Form* createForm(Args&&... args) {
    Form* created = nullptr;
    guarded([&] {
      windows_.push_back(std::make_unique<Form>(*this, std::forward<Args>(args)...));
      created = static_cast<Form*>(windows_.back().get());
      created->connectControls();
    });
    if (created == nullptr) {
      if (mainWindow_ == nullptr) setExitCode(kExitFailed);
      return nullptr;
    }
    if (mainWindow_ == nullptr) mainWindow_ = created;
    guarded([&] { created->FormCreate(); });
    return created;
  }

  // The one form of that type, made the first time it is asked for; nullptr as createForm.
  template <typename Form>
  Form* formOnce() {
    for (const auto& window : windows_) {
      if (auto* form = dynamic_cast<Form*>(window.get())) return form;
    }
    return createForm<Form>();
  }

  Window* mainWindow() const { return mainWindow_; }

  // Shows the main window and dispatches messages until the quit request; gives the exit code.
  int run();
  // Dispatches messages, `window` taking each first, while `running` holds. The quit request ends
  // it too, and is asked again for the loop around.
  void dispatchMessages(Window& window, const bool& running);
  // Asks the message loop to end.
  void terminate();
  // What the program's exit code will be, unless set again.
  void setExitCode(int code) { exitCode_ = code; }

  // Runs `handler`, showing any exception that leaves it; the program then goes on.
  template <typename Handler>
  void guarded(Handler&& handler) noexcept {
    try {
      handler();
    } catch (...) {
      showException(std::current_exception());
    }
  }

  // The plain message box: title as caption, no icon, OK (Enter and Esc press it).
  void showMessage(const std::string& text) const;

  // The exception message box: title as caption, error icon, OK.
  void showException(std::exception_ptr error) noexcept;

 private:
  HINSTANCE instance_;
  std::string title_;
  std::vector<std::unique_ptr<Window>> windows_;
  Window* mainWindow_ = nullptr;
  int exitCode_ = 0;
};

}  // namespace pravix
