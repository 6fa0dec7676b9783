#include "ui/PictureExport.h"

#include <strings.h>

#include <optional>
#include <string_view>

#include "ui/MidiCopy.h"

namespace rollscribe {

PictureTarget PictureTargetFor(const std::string& chosenPath, PictureFormat chosenType) {
    const std::size_t slash = chosenPath.rfind('/');
    const std::size_t dot = chosenPath.rfind('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) {
        const std::string_view extension = std::string_view(chosenPath).substr(dot + 1);
        const std::optional<PictureFormat> format = PictureFormatNamed(extension);
        // Only a format's extension ("pdf-a4" names a format, no file's extension); ".pdf" is
        // the paged types' too, so a paged type chosen stays.
        if (format &&
            ::strcasecmp(std::string(extension).c_str(), PictureExtension(*format)) == 0) {
            if (PictureExtension(*format) == std::string_view(PictureExtension(chosenType)))
                return {chosenPath, chosenType, false};
            return {chosenPath, *format, false};
        }
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
