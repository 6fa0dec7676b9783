#include "ui/ScrollEvents.h"

#include <algorithm>

namespace rollscribe {

int ScrolledPosition(const wxScrollWinEvent& event, const ScrollBarState& bar, int line) {
    const wxEventType type = event.GetEventType();
    const int last = std::max(0, bar.range - bar.thumb);
    const int page = std::max(1, bar.thumb - line);
    int position = bar.position;
    if (type == wxEVT_SCROLLWIN_TOP) {
        position = 0;
    } else if (type == wxEVT_SCROLLWIN_BOTTOM) {
        position = last;
    } else if (type == wxEVT_SCROLLWIN_LINEUP) {
        position -= line;
    } else if (type == wxEVT_SCROLLWIN_LINEDOWN) {
        position += line;
    } else if (type == wxEVT_SCROLLWIN_PAGEUP) {
        position -= page;
    } else if (type == wxEVT_SCROLLWIN_PAGEDOWN) {
        position += page;
    } else if (type == wxEVT_SCROLLWIN_THUMBTRACK || type == wxEVT_SCROLLWIN_THUMBRELEASE) {
        position = event.GetPosition();
    }
    return std::clamp(position, 0, last);
}

double WheelSteps(const wxMouseEvent& event) {
    const int delta = event.GetWheelDelta() > 0 ? event.GetWheelDelta() : 120;
    return static_cast<double>(event.GetWheelRotation()) / delta;
}

}  // namespace rollscribe
