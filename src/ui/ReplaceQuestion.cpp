#include "ui/ReplaceQuestion.h"

#include <wx/filename.h>
#include <wx/msgdlg.h>

#include "text/WxText.h"

namespace rollscribe {

bool AllowsReplacing(wxWindow* parent, const wxString& title, const std::string& path) {
    if (!wxFileName::Exists(WxPath(path))) return true;
    return wxMessageBox(WxText(path) + "\nalready exists. Do you want to replace it?", title,
                        wxYES_NO | wxNO_DEFAULT | wxICON_QUESTION, parent) == wxYES;
}

}  // namespace rollscribe
