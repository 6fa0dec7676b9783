#pragma once

#include <wx/aui/aui.h>

namespace rollscribe {

// The main frame's panes: the bands along the top, the view in the middle and the picture in a
// band below it. Beyond the toolkit's pane manager, the picture's band keeps its share of the
// height that it and the view have between them: as the window grows or shrinks, after its edge
// has been dragged, and when it is hidden and shown again. Neither it nor the view gets less than
// its least height: the window is kept at least as large as the bands and both need.
class CFramePanes : public wxAuiManager {
  public:
    CFramePanes(wxWindow& view, wxWindow& picture, int leastWidth, int viewLeast, int pictureLeast);

    // The picture's share, from 0 to 1: as the user left it (the edge dragged since counts).
    double PictureShare();
    void SetPictureShare(double share);
    // Lays the panes out again, as Update does, the picture's band at its share.
    void UpdateLayout();
    // A band right over the view that counts as part of the view's height while it is shown.
    void SetOverView(wxWindow* band) { m_overView = band; }

  private:
    wxAuiDockInfo* PictureDock();
    // The share as the picture's band has it now, when its edge was dragged since it was set.
    void TakeDraggedShare();
    // Sizes the picture's band for a client area of the given height, laying the panes out
    // again when it changed; true then.
    bool ApplyShare(int clientHeight);
    // What the bands and borders take of a client area of the height last laid out.
    void MeasureFixed(int laidOutHeight);
    void OnFrameSize(wxSizeEvent& event);
    // The view's height with the band over it.
    int ViewHeight();

    wxWindow& m_view;
    wxWindow& m_picture;
    wxWindow* m_overView = nullptr;
    int m_leastWidth;
    int m_viewLeast;
    int m_pictureLeast;
    double m_share = 0.53;  // at the window's first size, about the 320 pixels it had before
    int m_applied = -1;     // the band's height as last set here; -1: not since it was shown
    int m_fixed = 0;
    int m_laidOutHeight = 0;
};

}  // namespace rollscribe
