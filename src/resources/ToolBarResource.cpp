#include "resources/ToolBarResource.h"

#include <wx/image.h>

#include "resources/CommandIds.h"
#include "toolbar.xpm"

namespace rollscribe {

const std::vector<int>& ToolBarCommands() {
    static const std::vector<int> commands = {
        cmd::kNew,   cmd::kOpen, cmd::kSave,  0, cmd::kCut,   cmd::kCopy,
        cmd::kPaste, 0,          cmd::kPrint, 0, cmd::kAbout,
    };
    return commands;
}

std::vector<wxBitmap> ToolBarImages() {
    constexpr int kWidth = 16;
    constexpr int kHeight = 15;
    wxBitmap strip(toolbar_xpm);
    std::vector<wxBitmap> images;
    for (int x = 0; x + kWidth <= strip.GetWidth(); x += kWidth) {
        images.push_back(strip.GetSubBitmap(wxRect(x, 0, kWidth, kHeight)));
    }
    return images;
}

}  // namespace rollscribe
