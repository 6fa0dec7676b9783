#pragma once

#include <cctype>
#include <optional>
#include <string>
#include <string_view>

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

// The file name extension of a format, without the dot: "png", "svg", "pdf".
inline const char* PictureExtension(PictureFormat format) {
    switch (format) {
        case PictureFormat::png:
            return "png";
        case PictureFormat::svg:
            return "svg";
        case PictureFormat::pdf:
            return "pdf";
    }
    return "png";
}

}  // namespace rollscribe
