#include "resources/ToolBarResource.h"

#include <wx/image.h>

#include "resources/CommandIds.h"
#include "roll_toolbar.xpm"
#include "toolbar.xpm"

namespace rollscribe {

const std::vector<int>& ToolBarCommands() {
    static const std::vector<int> commands = {
        cmd::kNew,   cmd::kOpen, cmd::kSave,  0, cmd::kCut,   cmd::kCopy,
        cmd::kPaste, 0,          cmd::kPrint, 0, cmd::kAbout,
    };
    return commands;
}

namespace {

// The 16 by 15 pixel images of a strip, left to right.
std::vector<wxBitmap> CutStrip(const wxBitmap& strip) {
    constexpr int kWidth = 16;
    constexpr int kHeight = 15;
    std::vector<wxBitmap> images;
    for (int x = 0; x + kWidth <= strip.GetWidth(); x += kWidth) {
        images.push_back(strip.GetSubBitmap(wxRect(x, 0, kWidth, kHeight)));
    }
    return images;
}

// The Roll band's strip: play, stop, zoom in, zoom out, whole roll.
enum RollImage { kPlayImage, kStopImage, kZoomInImage, kZoomOutImage, kWholeRollImage };

}  // namespace

std::vector<wxBitmap> ToolBarImages() {
    return CutStrip(wxBitmap(toolbar_xpm));
}

const std::vector<int>& RollBarCommands() {
    static const std::vector<int> commands = {cmd::kPlay, 0, cmd::kZoomIn, cmd::kZoomOut,
                                              cmd::kZoomAll};
    return commands;
}

std::vector<wxBitmap> RollBarImages() {
    const std::vector<wxBitmap> strip = CutStrip(wxBitmap(roll_toolbar_xpm));
    return {strip[kPlayImage], strip[kZoomInImage], strip[kZoomOutImage], strip[kWholeRollImage]};
}

wxBitmap RollBarStopImage() {
    return CutStrip(wxBitmap(roll_toolbar_xpm))[kStopImage];
}

}  // namespace rollscribe
