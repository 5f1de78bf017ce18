// The main window: its frame, and the creation handler that runs a command-line conversion.
#pragma once

#include "ui/Window.h"

namespace pravix {

class TMainForm : public Window {
 public:
  static constexpr int kClientWidth = 486;
  static constexpr int kClientHeight = 157;

  explicit TMainForm(Application& application);

  // Titles the window and runs the conversion that the command line asks for, if any.
  void FormCreate();

 protected:
  LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  GdiObject font_;
};

}  // namespace pravix
