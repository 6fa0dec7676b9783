#include "app/CRollDocTemplate.h"

#include "resources/StringTable.h"
#include "text/WxText.h"
#include "ui/CMainFrame.h"
#include "ui/CRollController.h"
#include "ui/CRollWxDocument.h"
#include "ui/CRollscribeView.h"

namespace rollscribe {

CRollDocTemplate::CRollDocTemplate(wxDocManager* manager, CMainFrame& frame)
    : wxDocTemplate(manager, WxAscii(TemplateString(TemplateField::filterName)),
                    "*" + WxAscii(TemplateString(TemplateField::filterExt)), wxEmptyString,
                    WxAscii(TemplateString(TemplateField::filterExt)).Mid(1),
                    WxAscii(TemplateString(TemplateField::regFileTypeId)), "CRollscribeView",
                    wxCLASSINFO(CRollWxDocument), wxCLASSINFO(CRollscribeView)),
      m_frame(&frame) {}

bool CRollDocTemplate::InitDocument(wxDocument* doc, const wxString& path, long flags) {
    auto* roll = dynamic_cast<CRollWxDocument*>(doc);
    if (CMainFrame* frame = m_frame.get(); roll && frame)
        roll->ConvertBy(frame->RollController().Conversion());
    return wxDocTemplate::InitDocument(doc, path, flags);
}

wxView* CRollDocTemplate::DoCreateView() {
    CMainFrame* frame = m_frame.get();
    return frame ? new CRollscribeView(*frame, *frame->ViewWindow()) : nullptr;
}

}  // namespace rollscribe
