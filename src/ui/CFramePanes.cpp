#include "ui/CFramePanes.h"

#include <algorithm>
#include <cmath>

namespace rollscribe {

CFramePanes::CFramePanes(wxWindow& view, wxWindow& picture, int leastWidth, int viewLeast,
                         int pictureLeast)
    : m_view(view),
      m_picture(picture),
      m_leastWidth(leastWidth),
      m_viewLeast(viewLeast),
      m_pictureLeast(pictureLeast) {
    // Before the manager's own handling of the frame's size, which lays out the panes as sized.
    Bind(wxEVT_SIZE, &CFramePanes::OnFrameSize, this);
}

wxAuiDockInfo* CFramePanes::PictureDock() {
    for (size_t i = 0; i < m_docks.GetCount(); ++i) {
        wxAuiDockInfo& dock = m_docks.Item(i);
        for (size_t j = 0; j < dock.panes.GetCount(); ++j)
            if (dock.panes.Item(j)->window == &m_picture) return &dock;
    }
    return nullptr;
}

void CFramePanes::TakeDraggedShare() {
    wxAuiDockInfo* dock = PictureDock();
    if (!dock || m_applied < 0 || dock->size == m_applied) return;
    // The view's height is still that of the layout with the dragged edge.
    const int view = ViewHeight();
    if (view > 0) m_share = static_cast<double>(dock->size) / (dock->size + view);
    m_applied = dock->size;
}

double CFramePanes::PictureShare() {
    TakeDraggedShare();
    return m_share;
}

void CFramePanes::SetPictureShare(double share) {
    if (!(share > 0 && share < 1)) return;
    m_share = share;
    m_applied = -1;
}

bool CFramePanes::ApplyShare(int clientHeight) {
    wxAuiDockInfo* dock = PictureDock();
    if (!dock || m_fixed <= 0) return false;
    const int both = clientHeight - m_fixed;
    if (both <= 0) return false;  // as the toolkit sizes a window while it first shows it
    // Each keeps its least height; a window smaller than that (a window manager need not keep
    // to the least size) is shared in the proportion of the least heights.
    const int least = m_viewLeast + m_pictureLeast;
    const int height =
        both >= least ? std::clamp(static_cast<int>(std::lround(m_share * both)), m_pictureLeast,
                                   both - m_viewLeast)
                      : std::max(1, both * m_pictureLeast / least);
    GetPane(&m_picture).MinSize(-1, std::min(height, m_pictureLeast));
    m_applied = height;
    if (dock->size == height) return false;
    dock->size = height;
    Update();
    // As the manager has laid it out, so that its own limits do not count as a drag.
    if (wxAuiDockInfo* laidOut = PictureDock()) m_applied = laidOut->size;
    return true;
}

void CFramePanes::UpdateLayout() {
    TakeDraggedShare();
    Update();
    wxAuiDockInfo* dock = PictureDock();
    if (!dock) {
        // Shown again later, the band is sized from the share, not from its last height.
        m_applied = -1;
        return;
    }
    const int clientHeight = GetManagedWindow()->GetClientSize().y;
    MeasureFixed(clientHeight);
    ApplyShare(clientHeight);
    m_laidOutHeight = clientHeight;
}

void CFramePanes::MeasureFixed(int laidOutHeight) {
    wxAuiDockInfo* dock = PictureDock();
    const int view = ViewHeight();
    if (!dock || laidOutHeight <= 0 || view <= 0) return;
    m_fixed = laidOutHeight - view - dock->size;
    // No smaller than the bands, the report's and the picture's least heights need, with what
    // the window has outside its client area (its menu bar and status bar among them).
    wxWindow* frame = GetManagedWindow();
    const wxSize least = frame->GetSize() - frame->GetClientSize() +
                         wxSize(m_leastWidth, m_fixed + m_viewLeast + m_pictureLeast);
    if (frame->GetMinSize() != least) frame->SetMinSize(least);
}

int CFramePanes::ViewHeight() {
    int height = m_view.GetSize().y;
    if (m_overView && GetPane(m_overView).IsShown()) height += m_overView->GetSize().y;
    return height;
}

void CFramePanes::OnFrameSize(wxSizeEvent& event) {
    event.Skip();
    TakeDraggedShare();
    // What the bands and borders take, from the layout that the panes still have.
    MeasureFixed(m_laidOutHeight);
    const int clientHeight = GetManagedWindow()->GetClientSize().y;
    ApplyShare(clientHeight);
    m_laidOutHeight = clientHeight;
}

}  // namespace rollscribe
