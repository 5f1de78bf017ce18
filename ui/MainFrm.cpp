// The main window: frame, controls, commands, and the command-line start.
#include "ui/MainFrm.h"

#include "Version.h"
#include "packaging/Conversion.h"
#include "platform/CodePage.h"
#include "platform/File.h"
#include "platform/Shell.h"
#include "platform/System.h"
#include "resources/ResourceIds.h"
#include "ui/AboutFrm.h"
#include "ui/Application.h"
#include "ui/OptionsFrm.h"
#include "ui/ScreenSaverTarget.h"

namespace pravix {
namespace {

using namespace mainform;

constexpr DWORD kFrameStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr DWORD kFrameExStyle = 0;

constexpr char kConverted[] = "File has been converted successfully!";
constexpr char kScreenSaverName[] = "Quendel.scr";

// What the window says when a conversion wrote nothing. A damaged trailer is a read error, shown
// in the exception box as every read error is.
constexpr struct {
  Outcome outcome;
  const char* message;
} kRefusals[] = {
    {Outcome::NoStub, "Something error!"},
    {Outcome::NotProjector, "Unknown type of executable flash file!"},
};

}  // namespace

TMainForm::TMainForm(Application& application)
    : Window(application),
      font_(createFormFont(8)),
      accelerators_(LoadAcceleratorsA(application.instance(), MAKEINTRESOURCEA(IDR_ACCELERATORS))),
      OpenDialogSwf("SWF file (*.swf)|*.swf"),
      OpenDialogExe("EXE file (*.exe)|*.exe") {
  HINSTANCE instance = application.instance();
  HICON icon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_MAIN));
  create(
      "TMainForm", icon, kFrameStyle, kFrameExStyle,
      centredWindow(desktopArea(), {kClientWidth, kClientHeight}, kFrameStyle, kFrameExStyle, true),
      LoadMenuA(instance, MAKEINTRESOURCEA(IDR_MAINMENU)));
  SendMessageA(handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
  SendMessageA(handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
  SendMessageA(handle(), WM_SETICON, ICON_SMALL,
               reinterpret_cast<LPARAM>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_MAIN), IMAGE_ICON,
                                                   GetSystemMetrics(SM_CXSMICON),
                                                   GetSystemMetrics(SM_CYSMICON), LR_SHARED)));
  controls_ = buildLayout(handle(), kLayout, static_cast<HFONT>(font_.get()));
}

void TMainForm::FormCreate() {
  application().setTitle(PRAVIX_TITLE);
  SetWindowTextA(handle(), application().title().c_str());

  const Narrowed line = toCodePage(GetCommandLineW(), CP_ACP);
  const std::string source = commandLineArgument(line.text, 1);
  if (const std::optional<Task> task =
          chooseConversion(source, commandLineArgument(line.text, 2))) {
    // An error leaves the window open for the user; the exit code tells a script about it even
    // when the window is closed much later.
    application().setExitCode(kExitFailed);
    // "?" cannot be part of a file name: here it stands for a character the code page lacks.
    if (!line.exact && source.find('?') != std::string::npos) refuseUnrepresentable(source);
    application().setExitCode(exitCode(convertAndTell(*task, source, std::string())));
    application().terminate();
  }
}

void TMainForm::show() {
  Window::show();
  SetFocus(controls_[kButton1]);
}

bool TMainForm::preTranslateMessage(MSG& message) {
  return TranslateAcceleratorA(handle(), accelerators_, &message) ||
         Window::preTranslateMessage(message);
}

HandlerTable TMainForm::handlers() const {
  // The conversion buttons share their handlers with the File menu's items.
  static const Handler kHandlers[] = {
      on(Event::Click, kButton1, &TMainForm::ConvertSWFtoEXEClick),
      on(Event::Menu, IDM_CONVERTSWFTOEXE, &TMainForm::ConvertSWFtoEXEClick),
      on(Event::Click, kButton2, &TMainForm::ConvertEXEtoSWFClick),
      on(Event::Menu, IDM_CONVERTEXETOSWF, &TMainForm::ConvertEXEtoSWFClick),
      on(Event::Click, kButton3, &TMainForm::SetasScreenSaver1Click),
      on(Event::Menu, IDM_SETASSCREENSAVER, &TMainForm::SetasScreenSaver1Click),
      on(Event::Menu, IDM_PROJECTOROPTIONS, &TMainForm::ProjectorOptions1Click),
      on(Event::Click, kBtnGo, &TMainForm::BtnGoClick),
      on(Event::Menu, IDM_EXIT, &TMainForm::Exit1Click),
      on(Event::Menu, IDM_CONTENTS, &TMainForm::Contents1Click),
      on(Event::Menu, IDM_HELPVISIT, &TMainForm::HelpVisitClick),
      on(Event::Menu, IDM_ABOUT, &TMainForm::About1Click),
  };
  return kHandlers;
}

LRESULT TMainForm::onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ACTIVATE:
      // Coming back to the window gives the focus back to the control that had it.
      keepFocus(wParam, controls_[kButton1]);
      return 0;
    case WM_DESTROY:
      application().terminate();
      return 0;
  }
  return Window::onMessage(message, wParam, lParam);
}

void TMainForm::ConvertSWFtoEXEClick() {
  convertBeside(OpenDialogSwf, Task::PackProjector);
}

void TMainForm::ConvertEXEtoSWFClick() {
  convertBeside(OpenDialogExe, Task::Extract);
}

void TMainForm::convertBeside(OpenDialog& dialog, Task task) {
  const auto source = dialog.execute(handle());
  if (!source) return;
  const std::string target = defaultTarget(task, *source);
  showSource(*source);
  if (convertAndTell(task, *source, target) != Outcome::Written) return;
  showTarget(target);
  application().showMessage(kConverted);
}

void TMainForm::SetasScreenSaver1Click() {
  const auto source = OpenDialogSwf.execute(handle());
  if (!source) return;
  showSource(*source);
  const bool wow64 = isWow64Process();
  const auto packAndInstall = [&](bool systemFolderDenied) {
    const bool own = screenSaverFolder(wow64, systemFolderDenied) == ScreenSaverFolder::User;
    const std::string target =
        (own ? userDataDirectory() : systemDirectory()) + "\\" + kScreenSaverName;
    if (convertAndTell(Task::PackScreenSaver, *source, target) != Outcome::Written) return;
    installScreenSaver(target);
    showTarget(target);
  };
  try {
    packAndInstall(false);
  } catch (const FileCreateError& error) {
    // A standard user may not write the system folder; the user's own folder serves as well.
    if (!error.accessDenied() || screenSaverFolder(wow64, false) == ScreenSaverFolder::User) throw;
    packAndInstall(true);
  }
}

void TMainForm::ProjectorOptions1Click() {
  const auto movie = OpenDialogSwf.execute(handle());
  if (!movie) return;
  if (TOptionsForm* options = application().formOnce<TOptionsForm>()) {
    options->edit(*movie, handle());
  }
}

Outcome TMainForm::convertAndTell(Task task, const std::string& source, const std::string& target) {
  const Outcome outcome = convert(Job{task, source, {}, target, nullptr, nullptr}).outcome;
  if (outcome == Outcome::DamagedTrailer) throw StreamReadError();
  for (const auto& refusal : kRefusals) {
    if (refusal.outcome == outcome) application().showMessage(refusal.message);
  }
  return outcome;
}

void TMainForm::BtnGoClick() {
  const std::string target = text(kEdit2);
  if (!target.empty()) openWithShell(handle(), target);
}

void TMainForm::Exit1Click() {
  SendMessageA(handle(), WM_CLOSE, 0, 0);
}

void TMainForm::Contents1Click() {
  openWithShell(handle(), programDirectory() + "Pravix.chm");
}

void TMainForm::HelpVisitClick() {
  openWebAddress(handle(), PRAVIX_WEB_URL);
}

void TMainForm::About1Click() {
  if (TAboutForm* about = application().formOnce<TAboutForm>()) about->showModal(handle());
}

void TMainForm::showSource(const std::string& source) {
  setText(kEdit2, "");
  setText(kEdit1, source);
}

void TMainForm::showTarget(const std::string& target) {
  setText(kEdit2, target);
  EnableWindow(controls_[kBtnGo], TRUE);
}

std::string TMainForm::text(int id) const {
  return controlText(controls_[id]);
}

void TMainForm::setText(int id, const std::string& text) {
  SetWindowTextA(controls_[id], text.c_str());
}

}  // namespace pravix
