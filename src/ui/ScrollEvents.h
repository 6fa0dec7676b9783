#pragma once

#include <wx/event.h>

#include "ui/RollViewport.h"

namespace rollscribe {

// The position a scroll bar's thumb is moved to by an event of it (a click on an arrow or the
// trough, a drag of the thumb, Home or End), within the bar; line is the length of a step.
int ScrolledPosition(const wxScrollWinEvent& event, const ScrollBarState& bar, int line);

// The steps a wheel event turns (positive for up, or right on a horizontal wheel), fractions
// included for the fine steps of touch pads.
double WheelSteps(const wxMouseEvent& event);

}  // namespace rollscribe
