#pragma once

#include <wx/dialog.h>

// The About box: the application icon, the program's name and version, its date, the legal
// notice and the web address, and an OK button. Modal to the main window.
class CAboutDialog : public wxDialog {
  public:
    explicit CAboutDialog(wxWindow* parent);
};
