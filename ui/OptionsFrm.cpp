// The options dialog.
#include "ui/OptionsFrm.h"

#include <algorithm>
#include <exception>
#include <functional>
#include <utility>
#include <vector>

#include "packaging/IconFile.h"
#include "platform/File.h"
#include "platform/Gui.h"
#include "platform/Path.h"
#include "ui/Application.h"
#include "ui/FolderDialog.h"

namespace pravix {
namespace {

using namespace optionsform;

constexpr DWORD kFrameStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kFrameExStyle = WS_EX_DLGMODALFRAME;

// The preview's size: the icon of a program in Explorer's lists and on the desktop.
constexpr int kPreviewSize = 32;

// The frame's outer bounds, centred on `owner` and moved, where they would reach outside it, into
// the work area of the owner's monitor.
RECT centredOn(HWND owner) {
  RECT ownerBounds{};
  GetWindowRect(owner, &ownerBounds);
  RECT bounds =
      centredWindow(ownerBounds, {TOptionsForm::kClientWidth, TOptionsForm::kClientHeight},
                    kFrameStyle, kFrameExStyle, false);
  const RECT area = monitorWorkArea(owner);
  const auto into = [](LONG start, LONG end, LONG areaStart, LONG areaEnd) {
    return std::max(areaStart - start, std::min(0L, areaEnd - end));
  };
  OffsetRect(&bounds, into(bounds.left, bounds.right, area.left, area.right),
             into(bounds.top, bounds.bottom, area.top, area.bottom));
  return bounds;
}

// The value of a field: nothing for an empty one, which the options file then leaves out.
std::optional<std::string> valueOf(std::string text) {
  if (text.empty()) return std::nullopt;
  return text;
}

}  // namespace

std::string pathFromMovie(const std::string& movie, const std::string& picked) {
  const std::string folder = containingFolder(movie);
  if (isInsideFolder(picked, folder)) return picked.substr(folder.size());
  // The movie's folder itself, which is the path picked with a separator after it.
  if (isInsideFolder(folder, picked) && folder.size() == picked.size() + 1) return ".";
  return picked;
}

TOptionsForm::TOptionsForm(Application& application)
    : Window(application), font_(createFormFont(8)), OpenDialogIcon("Icon file (*.ico)|*.ico") {
  Window* owner = application.mainWindow();
  create("TOptionsForm", nullptr, kFrameStyle, kFrameExStyle,
         centredWindow(desktopArea(), {kClientWidth, kClientHeight}, kFrameStyle, kFrameExStyle,
                       false),
         nullptr, owner != nullptr ? owner->handle() : nullptr);
  SendMessageA(handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
  controls_ = buildLayout(handle(), kLayout, static_cast<HFONT>(font_.get()));
}

void TOptionsForm::FormCreate() {
  SetWindowTextA(handle(), "Projector options");
}

void TOptionsForm::edit(const std::string& movie, HWND owner) {
  written_ = readWrittenOptions(movie, FileRules::Windows).value_or(GameOptions{});
  movie_ = movie;
  setLabelText(controls_[kMovieName], fileName(movie).c_str());
  setLabelText(controls_[kOptionsFile],
               ("Options file: " + fileName(optionsFileOf(movie))).c_str());
  showOptions(written_);
  showModal(owner);
}

void TOptionsForm::show() {
  const RECT bounds = centredOn(GetWindow(handle(), GW_OWNER));
  SetWindowPos(handle(), nullptr, bounds.left, bounds.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  Window::show();
  focusField(kEditIcon);
}

HandlerTable TOptionsForm::handlers() const {
  static const Handler kHandlers[] = {
      on(Event::Click, kBtnOK, &TOptionsForm::BtnOKClick),
      on(Event::Click, kBtnCancel, &TOptionsForm::BtnCancelClick),
      on(Event::Click, kBrowseIcon, &TOptionsForm::BrowseIconClick),
      on(Event::Click, kBrowseInclude, &TOptionsForm::BrowseIncludeClick),
  };
  return kHandlers;
}

LRESULT TOptionsForm::onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (LOWORD(wParam) == kEditIcon && HIWORD(wParam) == EN_CHANGE) {
        showPreview();
        return 0;
      }
      break;
    case WM_ACTIVATE:
      // Back from a Browse dialog or a message, the focus is where it was.
      keepFocus(wParam, controls_[kEditIcon]);
      return 0;
    case DM_GETDEFID:
      // OK stays the default button once the focus has left a Browse button, which took its place.
      return MAKELRESULT(kBtnOK, DC_HASDEFID);
  }
  return Window::onMessage(message, wParam, lParam);
}

void TOptionsForm::BtnOKClick() {
  const GameOptions options = chosenOptions();
  // Each field on its own, in the order they are read, so that the focus goes to the first one
  // that is wrong: the files that the paths name, then the texts a stub takes.
  std::vector<std::pair<int, std::function<void()>>> checks;
  if (options.icon) {
    checks.emplace_back(kEditIcon, [&] {
      readIconFile(optionPathFrom(movie_, *options.icon), FileRules::Windows);
    });
  }
  checks.emplace_back(kEditTitle, [&] {
    GameOptions title;
    title.title = options.title;
    checkOptions(title);
  });
  if (options.include) {
    checks.emplace_back(kEditInclude,
                        [&] { resolvedFolder(optionPathFrom(movie_, *options.include)); });
  }
  for (const auto& field : kVersionFields) {
    checks.emplace_back(field.edit, [&options, field] {
      GameOptions version;
      for (const VersionString& each : options.version) {
        if (each.name == field.name) version.version.push_back(each);
      }
      checkOptions(version);
    });
  }
  for (const auto& [field, check] : checks) {
    try {
      check();
    } catch (...) {
      application().showException(std::current_exception());
      focusField(field);
      return;
    }
  }
  writeOptionsFile(movie_, options, FileRules::Windows);
  endModal();
}

void TOptionsForm::BtnCancelClick() {
  endModal();
}

void TOptionsForm::BrowseIconClick() {
  if (const auto icon = OpenDialogIcon.execute(handle())) {
    setText(kEditIcon, pathFromMovie(movie_, *icon));
  }
}

void TOptionsForm::BrowseIncludeClick() {
  const std::string shown = text(kEditInclude);
  const std::string initial =
      shown.empty() ? containingFolder(movie_) : optionPathFrom(movie_, shown);
  if (const auto folder = pickFolder(handle(), initial)) {
    setText(kEditInclude, pathFromMovie(movie_, *folder));
  }
}

void TOptionsForm::showOptions(const GameOptions& options) {
  setText(kEditIcon, options.icon.value_or(""));
  setText(kEditTitle, options.title.value_or(""));
  setText(kEditInclude, options.include.value_or(""));
  SendMessageA(controls_[kFullScreen], BM_SETCHECK,
               options.fullScreen.value_or(false) ? BST_CHECKED : BST_UNCHECKED, 0);
  for (const auto& field : kVersionFields) {
    const auto found =
        std::find_if(options.version.begin(), options.version.end(),
                     [&](const VersionString& each) { return each.name == field.name; });
    setText(field.edit, found != options.version.end() ? found->value : "");
  }
}

GameOptions TOptionsForm::chosenOptions() const {
  GameOptions options = written_;
  options.icon = valueOf(text(kEditIcon));
  options.title = valueOf(text(kEditTitle));
  options.include = valueOf(text(kEditInclude));
  // An unchecked box writes "no" where the file said either, and nothing where it said neither.
  const bool fullScreen = SendMessageA(controls_[kFullScreen], BM_GETCHECK, 0, 0) == BST_CHECKED;
  options.fullScreen =
      fullScreen || written_.fullScreen ? std::optional<bool>(fullScreen) : std::nullopt;
  for (const auto& field : kVersionFields) {
    auto& version = options.version;
    version.erase(
        std::remove_if(version.begin(), version.end(),
                       [&](const VersionString& each) { return each.name == field.name; }),
        version.end());
    if (const auto value = valueOf(text(field.edit))) {
      setVersionString(options, field.name, *value);
    }
  }
  return options;
}

void TOptionsForm::showPreview() {
  const std::string path = text(kEditIcon);
  Icon icon;
  if (!path.empty()) {
    icon.reset(
        static_cast<HICON>(LoadImageA(nullptr, optionPathFrom(movie_, path).c_str(), IMAGE_ICON,
                                      kPreviewSize, kPreviewSize, LR_LOADFROMFILE)));
  }
  SendMessageA(controls_[kPreview], STM_SETICON, reinterpret_cast<WPARAM>(icon.get()), 0);
  // The icon shown until now goes once the control has let go of it.
  preview_ = std::move(icon);
}

void TOptionsForm::focusField(int id) {
  SendMessageA(controls_[id], EM_SETSEL, 0, -1);
  SetFocus(controls_[id]);
}

std::string TOptionsForm::text(int id) const {
  return controlText(controls_[id]);
}

void TOptionsForm::setText(int id, const std::string& text) {
  SetWindowTextA(controls_[id], text.c_str());
}

}  // namespace pravix
