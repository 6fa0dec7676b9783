#include "app/CAboutDialog.h"

#include <wx/button.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

#include <algorithm>
#include <string_view>

#include "app_icon.xpm"
#include "resources/StringTable.h"
#include "text/WxText.h"

using namespace rollscribe;

CAboutDialog::CAboutDialog(wxWindow* parent)
    : wxDialog(parent, wxID_ANY, WxAscii(about_text::kCaption)) {
    // The controls sit where the dialog template places them, in dialog units (which follow the
    // dialog's font); a text that needs more room than its box gets it.
    auto place = [this](wxWindow* control, int x, int y, int width, int height) {
        wxPoint at = ConvertDialogToPixels(wxPoint(x, y));
        wxSize size = ConvertDialogToPixels(wxSize(width, height));
        wxSize best = control->GetBestSize();
        control->SetSize(at.x, at.y, std::max(size.x, best.x), std::max(size.y, best.y));
    };
    auto text = [this, &place](std::string_view label, int x, int y, int width, int height) {
        auto* control = new wxStaticText(this, wxID_ANY, wxEmptyString);
        control->SetLabelText(WxAscii(label));  // shown as written, "&" included
        place(control, x, y, width, height);
        return control;
    };

    place(new wxStaticBitmap(this, wxID_ANY, wxIcon(app_icon_xpm)), 11, 17, 21, 20);
    text(about_text::kVersion, 40, 10, 119, 8);
    text(about_text::kDate, 40, 20, 127, 8);
    wxStaticText* legal = text(about_text::kLegalNotice, 39, 30, 177, 8);
    text(about_text::kWebAddress, 39, 44, 143, 8);
    // Below the texts of old, the release that this program is.
    text("Release " ROLLSCRIBE_VERSION, 39, 56, 143, 8);
    auto* ok = new wxButton(this, wxID_OK, "OK");
    ok->SetDefault();
    ok->SetFocus();

    // The box is 251 by 73 units; the OK button stays at its right edge beside the texts.
    wxSize box = ConvertDialogToPixels(wxSize(251, 73));
    int textRight = legal->GetRect().GetRight();
    wxPoint okAt = ConvertDialogToPixels(wxPoint(194, 7));
    wxSize okSize = ConvertDialogToPixels(wxSize(50, 14));
    okSize.IncTo(ok->GetBestSize());
    okAt.x = std::max(okAt.x, textRight + ConvertDialogToPixels(wxSize(7, 0)).x);
    ok->SetSize(okAt.x, okAt.y, okSize.x, okSize.y);
    box.x = std::max(box.x, okAt.x + okSize.x + ConvertDialogToPixels(wxSize(7, 0)).x);
    SetClientSize(box);
    CentreOnParent();
}
