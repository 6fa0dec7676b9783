#pragma once

#include <cctype>
#include <optional>
#include <string>
#include <string_view>

#include "roll/OutputNames.h"

namespace rollscribe {

// The picture file formats. Here alone, without the drawing, so that the converter can name them
// without loading the picture library.
enum class PictureFormat { png, svg, pdf };

// The format a user names: "png", "svg" or "pdf", in any case; nothing for other names.
inline std::optional<PictureFormat> PictureFormatNamed(std::string_view name) {
    std::string lower(name);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower == "png") return PictureFormat::png;
    if (lower == "svg") return PictureFormat::svg;
    if (lower == "pdf") return PictureFormat::pdf;
    return std::nullopt;
}

// The extension of a roll's picture file in a format (OutputNames.h): ".png", ".svg", ".pdf".
inline std::string_view PictureOutputExtension(PictureFormat format) {
    switch (format) {
        case PictureFormat::png:
            return kPngExtension;
        case PictureFormat::svg:
            return kSvgExtension;
        case PictureFormat::pdf:
            return kPdfExtension;
    }
    return kPngExtension;
}

// The file name extension of a format, without the dot: "png", "svg", "pdf".
inline const char* PictureExtension(PictureFormat format) {
    return PictureOutputExtension(format).data() + 1;
}

}  // namespace rollscribe
