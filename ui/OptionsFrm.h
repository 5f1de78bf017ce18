// The options dialog: a movie's options for its projector and screen saver (icon, title, folder to
// include, full screen, version strings), read from its options file and written back whole.
#pragma once

#include <string>

#include "packaging/GameOptions.h"
#include "ui/Layout.h"
#include "ui/OpenDialog.h"
#include "ui/Window.h"

namespace pravix {

namespace optionsform {
enum ControlId {
  kPreview = 400,
  kMovieName,
  kOptionsFile,
  kGroupProjector,
  kLabelIcon,
  kEditIcon,
  kBrowseIcon,
  kLabelTitle,
  kEditTitle,
  kLabelInclude,
  kEditInclude,
  kBrowseInclude,
  kFullScreen,
  kGroupVersion,
  kLabelFileDescription,
  kEditFileDescription,
  kLabelFileVersion,
  kEditFileVersion,
  kLabelProductName,
  kEditProductName,
  kLabelProductVersion,
  kEditProductVersion,
  kLabelCompanyName,
  kEditCompanyName,
  kLabelLegalCopyright,
  kEditLegalCopyright,
  // The dialog keys' buttons: Enter presses OK, Esc Cancel.
  kBtnOK = IDOK,
  kBtnCancel = IDCANCEL,
};

// Places in pixels of the window's client area, or of the group; labels size themselves to their
// text. The order is the tab order, each label just before its field.
inline constexpr ControlSpec kLayout[] = {
    {ControlKind::Picture, kPreview, "Preview", 0, 17, 10, 36, 36, "", SS_CENTERIMAGE | SS_SUNKEN},
    {ControlKind::Label, kMovieName, "MovieName", 0, 61, 13, 0, 0, "", 0},
    {ControlKind::Label, kOptionsFile, "OptionsFile", 0, 61, 30, 0, 0, "", 0},
    {ControlKind::GroupBox, kGroupProjector, "GroupProjector", 0, 12, 56, 428, 136, "Projector", 0},
    {ControlKind::FieldLabel, kLabelIcon, "LabelIcon", kGroupProjector, 12, 25, 0, 0, "&Icon:", 0},
    {ControlKind::Edit, kEditIcon, "EditIcon", kGroupProjector, 112, 22, 222, 19, "", 0},
    {ControlKind::Button, kBrowseIcon, "BrowseIcon", kGroupProjector, 340, 19, 75, 25, "&Browse...",
     0},
    {ControlKind::FieldLabel, kLabelTitle, "LabelTitle", kGroupProjector, 12, 53, 0, 0,
     "&Title:", 0},
    {ControlKind::Edit, kEditTitle, "EditTitle", kGroupProjector, 112, 50, 303, 19, "", 0},
    {ControlKind::FieldLabel, kLabelInclude, "LabelInclude", kGroupProjector, 12, 81, 0, 0,
     "&Folder to include:", 0},
    {ControlKind::Edit, kEditInclude, "EditInclude", kGroupProjector, 112, 78, 222, 19, "", 0},
    {ControlKind::Button, kBrowseInclude, "BrowseInclude", kGroupProjector, 340, 75, 75, 25,
     "Br&owse...", 0},
    {ControlKind::Button, kFullScreen, "FullScreen", kGroupProjector, 112, 106, 200, 17,
     "Start in full &screen", BS_AUTOCHECKBOX},
    {ControlKind::GroupBox, kGroupVersion, "GroupVersion", 0, 12, 200, 428, 194,
     "Version information", 0},
    {ControlKind::FieldLabel, kLabelFileDescription, "LabelFileDescription", kGroupVersion, 12, 25,
     0, 0, "File &description:", 0},
    {ControlKind::Edit, kEditFileDescription, "EditFileDescription", kGroupVersion, 112, 22, 303,
     19, "", 0},
    {ControlKind::FieldLabel, kLabelFileVersion, "LabelFileVersion", kGroupVersion, 12, 53, 0, 0,
     "File &version:", 0},
    {ControlKind::Edit, kEditFileVersion, "EditFileVersion", kGroupVersion, 112, 50, 303, 19, "",
     0},
    {ControlKind::FieldLabel, kLabelProductName, "LabelProductName", kGroupVersion, 12, 81, 0, 0,
     "&Product name:", 0},
    {ControlKind::Edit, kEditProductName, "EditProductName", kGroupVersion, 112, 78, 303, 19, "",
     0},
    {ControlKind::FieldLabel, kLabelProductVersion, "LabelProductVersion", kGroupVersion, 12, 109,
     0, 0, "Product v&ersion:", 0},
    {ControlKind::Edit, kEditProductVersion, "EditProductVersion", kGroupVersion, 112, 106, 303, 19,
     "", 0},
    {ControlKind::FieldLabel, kLabelCompanyName, "LabelCompanyName", kGroupVersion, 12, 137, 0, 0,
     "&Company name:", 0},
    {ControlKind::Edit, kEditCompanyName, "EditCompanyName", kGroupVersion, 112, 134, 303, 19, "",
     0},
    {ControlKind::FieldLabel, kLabelLegalCopyright, "LabelLegalCopyright", kGroupVersion, 12, 165,
     0, 0, "&Legal copyright:", 0},
    {ControlKind::Edit, kEditLegalCopyright, "EditLegalCopyright", kGroupVersion, 112, 162, 303, 19,
     "", 0},
    {ControlKind::Button, kBtnOK, "BtnOK", 0, 284, 404, 75, 25, "OK", BS_DEFPUSHBUTTON},
    {ControlKind::Button, kBtnCancel, "BtnCancel", 0, 365, 404, 75, 25, "Cancel", 0},
};

// The version strings the dialog shows, each in its field.
inline constexpr struct {
  int edit;
  const char* name;
} kVersionFields[] = {
    {kEditFileDescription, "FileDescription"}, {kEditFileVersion, "FileVersion"},
    {kEditProductName, "ProductName"},         {kEditProductVersion, "ProductVersion"},
    {kEditCompanyName, "CompanyName"},         {kEditLegalCopyright, "LegalCopyright"},
};
}  // namespace optionsform

// `picked`, a path that a Browse button gave, as the options file of `movie` writes it: from the
// movie's folder when it lies inside that folder ("." for the folder itself), whole otherwise.
std::string pathFromMovie(const std::string& movie, const std::string& picked);

class TOptionsForm : public Window {
 public:
  static constexpr int kClientWidth = 452;
  static constexpr int kClientHeight = 441;

  explicit TOptionsForm(Application& application);

  // Titles the window.
  void FormCreate();
  // Shows the options of `movie` as its options file writes them, modally over `owner`, until OK
  // has written them or Cancel (Esc, the close box) has left the file as it was. An options file
  // that cannot be read is shown as the error it is, and the dialog not at all.
  void edit(const std::string& movie, HWND owner);
  // Shows the window centred on its owner, with the focus on the first field.
  void show() override;

 protected:
  HandlerTable handlers() const override;
  LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void BtnOKClick();
  void BtnCancelClick();
  void BrowseIconClick();
  void BrowseIncludeClick();

  // The fields for `options`.
  void showOptions(const GameOptions& options);
  // The options the fields give, over the file's: what the dialog does not show stays.
  GameOptions chosenOptions() const;
  // Shows the icon that the icon field names, or none.
  void showPreview();
  // Puts the focus on a field, its text selected.
  void focusField(int id);
  std::string text(int id) const;
  void setText(int id, const std::string& text);

  GdiObject font_;
  Controls controls_;
  OpenDialog OpenDialogIcon;
  std::string movie_;
  GameOptions written_;  // as the options file writes them
  Icon preview_;
};

}  // namespace pravix
