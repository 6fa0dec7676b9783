#include "ui/PictureExport.h"

#include "ui/MidiCopy.h"

namespace rollscribe {

PictureTarget PictureTargetFor(const std::string& chosenPath, PictureFormat chosenType) {
    const std::size_t slash = chosenPath.rfind('/');
    const std::size_t dot = chosenPath.rfind('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) {
        if (auto format = PictureFormatNamed(std::string_view(chosenPath).substr(dot + 1)))
            return {chosenPath, *format, false};
    }
    return {chosenPath + "." + PictureExtension(chosenType), chosenType, true};
}

void ExportPicture(const RollScene& scene, const PictureTarget& target,
                   const std::vector<CString>& protectedFiles) {
    const CString path(target.path);
    RefuseProtectedTarget(path, protectedFiles);
    WritePicture(scene, target.format, path);
}

}  // namespace rollscribe
