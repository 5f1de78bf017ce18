// The main window: three conversion commands, the result pane with Go, the menus, and the
// creation handler that runs a command-line conversion.
#pragma once

#include <string>

#include "ui/CommandLine.h"
#include "ui/Layout.h"
#include "ui/OpenDialog.h"
#include "ui/Window.h"

namespace pravix {

namespace mainform {
enum ControlId {
  kPanel1 = 100,
  kButton1,
  kButton2,
  kButton3,
  kGroupBox1,
  kLabel1,
  kEdit1,
  kLabel2,
  kEdit2,
  kBtnGo,
};

// Places in pixels of the parent's client area; labels size themselves to their text. The order
// is the tab order.
inline constexpr ControlSpec kLayout[] = {
    {ControlKind::Panel, kPanel1, "Panel1", 0, 0, 0, 486, 157, "", 0},
    {ControlKind::Button, kButton1, "Button1", kPanel1, 18, 20, 128, 25, "Convert SWF to EXE", 0},
    {ControlKind::Button, kButton2, "Button2", kPanel1, 160, 20, 129, 25, "Convert EXE To SWF", 0},
    {ControlKind::Button, kButton3, "Button3", kPanel1, 302, 20, 169, 25,
     "Convert SWF to Screen Saver", 0},
    {ControlKind::GroupBox, kGroupBox1, "GroupBox1", kPanel1, 18, 59, 454, 79,
     "Convert Result:", 0},
    {ControlKind::Label, kLabel1, "Label1", kGroupBox1, 10, 22, 0, 0, "Source file:", 0},
    {ControlKind::Edit, kEdit1, "Edit1", kGroupBox1, 68, 19, 325, 19, "", 0},
    {ControlKind::Label, kLabel2, "Label2", kGroupBox1, 16, 50, 0, 0, "Taget file:", 0},
    {ControlKind::Edit, kEdit2, "Edit2", kGroupBox1, 68, 47, 325, 19, "", 0},
    {ControlKind::Button, kBtnGo, "BtnGo", kGroupBox1, 399, 44, 29, 25, "Go", WS_DISABLED},
};
}  // namespace mainform

class TMainForm : public Window {
 public:
  static constexpr int kClientWidth = 486;
  static constexpr int kClientHeight = 157;

  explicit TMainForm(Application& application);

  // Titles the window and runs the conversion that the command line asks for, if any.
  void FormCreate();

  void show() override;
  bool preTranslateMessage(MSG& message) override;

 protected:
  HandlerTable handlers() const override;
  LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void ConvertSWFtoEXEClick();
  void ConvertEXEtoSWFClick();
  void SetasScreenSaver1Click();
  void ProjectorOptions1Click();
  void BtnGoClick();
  void Exit1Click();
  void Contents1Click();
  void HelpVisitClick();
  void About1Click();

  // The steps the two conversions beside the movie share.
  void convertBeside(OpenDialog& dialog, Task task);
  // Runs a conversion and tells the user when it wrote nothing.
  Outcome convertAndTell(Task task, const std::string& source, const std::string& target);
  // Starts a result: the source shown, no target yet.
  void showSource(const std::string& source);
  // Ends a result with its target, which Go then opens.
  void showTarget(const std::string& target);
  std::string text(int id) const;
  void setText(int id, const std::string& text);

  GdiObject font_;
  Controls controls_;
  HACCEL accelerators_;
  OpenDialog OpenDialogSwf;
  OpenDialog OpenDialogExe;
};

}  // namespace pravix
