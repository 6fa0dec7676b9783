#include "resources/ProgramName.h"

#include "resources/StringTable.h"
#include "text/WxText.h"

namespace rollscribe {

wxString ProgramName() {
    return WxAscii(TemplateString(TemplateField::windowTitle));
}

}  // namespace rollscribe
