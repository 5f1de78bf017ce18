// The application object and its message loop.
#include "ui/Application.h"

#include "ui/Window.h"

namespace pravix {
namespace {

// The text the exception box shows: a "." ends a message whose last character sorts after ".".
std::string exceptionText(const std::string& message) {
  if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') return message + ".";
  return message;
}

}  // namespace

Application::Application(HINSTANCE instance) : instance_(instance) {}

// Windows go before the application that owns them, the main window last.
Application::~Application() {
  while (!windows_.empty()) windows_.pop_back();
}

int Application::run() {
  if (mainWindow_ == nullptr) return exitCode_;
  mainWindow_->show();
  const bool always = true;
  dispatchMessages(*mainWindow_, always);
  return exitCode_;
}

void Application::dispatchMessages(Window& window, const bool& running) {
  MSG message{};
  while (running) {
    if (GetMessageA(&message, nullptr, 0, 0) <= 0) {
      if (message.message == WM_QUIT) PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    if (window.preTranslateMessage(message)) continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

void Application::terminate() {
  PostQuitMessage(0);
}

void Application::showMessage(const std::string& text) const {
  MessageBoxA(GetActiveWindow(), text.c_str(), title_.c_str(), MB_OK);
}

void Application::showException(std::exception_ptr error) noexcept {
  std::string message;
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    message = e.what();
  } catch (...) {
    message = "Unknown error";
  }
  MessageBoxA(GetActiveWindow(), exceptionText(message).c_str(), title_.c_str(),
              MB_OK | MB_ICONERROR);
}

}  // namespace pravix
