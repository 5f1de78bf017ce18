// The About box: product, version from the program's own version block, links, memory lines.
#pragma once

#include <string>

#include "Version.h"
#include "ui/Layout.h"
#include "ui/Window.h"

namespace pravix {

namespace aboutform {
enum ControlId {
  kImage1 = 300,
  kProductName,
  kLabelVersion,
  kCopyright,
  kHttpTo,
  kMailTo,
  kButton1,
  kBevel1,
  kLabel3,
  kPhysMem,
  kLabel4,
  kFreeRes,
};

constexpr COLORREF kLinkColour = RGB(0, 0, 255);

inline constexpr ControlSpec kLayout[] = {
    {ControlKind::Picture, kImage1, "Image1", 0, 19, 12, 32, 32, "", 0},
    {ControlKind::Label, kProductName, "ProductName", 0, 61, 9, 0, 0, PRAVIX_PRODUCT_NAME, 0, 19,
     true},
    {ControlKind::Label, kLabelVersion, "LabelVersion", 0, 61, 33, 0, 0, "Version 1.0", 0},
    {ControlKind::Label, kCopyright, "Copyright", 0, 19, 51, 0, 0, PRAVIX_COPYRIGHT, 0},
    {ControlKind::Label, kHttpTo, "HttpTo", 0, 19, 102, 0, 0, PRAVIX_WEB_HOST, SS_NOTIFY, 0, false,
     kLinkColour},
    {ControlKind::Label, kMailTo, "MailTo", 0, 19, 117, 0, 0, PRAVIX_MAIL, SS_NOTIFY, 0, false,
     kLinkColour},
    {ControlKind::Button, kButton1, "Button1", 0, 202, 103, 75, 25, "&OK", 0},
    {ControlKind::Bevel, kBevel1, "Bevel1", 0, 17, 136, 264, 2, "", 0},
    {ControlKind::Label, kLabel3, "Label3", 0, 19, 147, 0, 0,
     "Physical Memory Available to Windows:", 0},
    {ControlKind::Label, kPhysMem, "PhysMem", 0, 214, 147, 0, 0, "0", 0},
    {ControlKind::Label, kLabel4, "Label4", 0, 19, 163, 0, 0, "Memory in Use:", 0},
    {ControlKind::Label, kFreeRes, "FreeRes", 0, 215, 163, 0, 0, "0", 0},
};
}  // namespace aboutform

// The four parts of a file's version, from the fixed part of its version block; false when the
// file has none.
bool GetExeVersion(const std::string& fileName, unsigned& major, unsigned& minor, unsigned& release,
                   unsigned& build);

class TAboutForm : public Window {
 public:
  static constexpr int kClientWidth = 300;
  static constexpr int kClientHeight = 192;

  explicit TAboutForm(Application& application);

  // The memory lines, once for the life of the object.
  void FormCreate();
  // Shows the version, centred on the active window's monitor, with the focus on OK. The box is
  // shown modally (showModal), and the object stays for the next time.
  void show() override;

 protected:
  HandlerTable handlers() const override;
  LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void FormShow();
  void Button1Click();
  void HttpToClick();
  void MailToClick();
  void HttpToMouseMove();
  void HttpToMouseLeave();
  void MailToMouseMove();
  void MailToMouseLeave();

  // Underlines a link while the mouse is over it.
  void setUnderlined(int id, bool underlined);

  GdiObject font_;
  GdiObject underlinedFont_;
  Controls controls_;
};

}  // namespace pravix
