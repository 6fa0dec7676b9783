#pragma once

#include <cctype>
#include <optional>
#include <string>
#include <string_view>

#include "roll/OutputNames.h"

namespace rollscribe {

// The picture file formats. Here alone, without the drawing, so that the converter can name them
// without loading the picture library.
// pdf is the whole roll as one strip (pages only where it is wider than PDF readers take);
// pdfA4 and pdfLetter are paged for printing, the roll cut into rows that fit the page.
enum class PictureFormat { png, svg, pdf, pdfA4, pdfLetter };

// The format a user names: "png", "svg", "pdf", "pdf-a4" or "pdf-letter", in any case;
// nothing for other names.
inline std::optional<PictureFormat> PictureFormatNamed(std::string_view name) {
    std::string lower(name);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower == "png") return PictureFormat::png;
    if (lower == "svg") return PictureFormat::svg;
    if (lower == "pdf") return PictureFormat::pdf;
    if (lower == "pdf-a4") return PictureFormat::pdfA4;
    if (lower == "pdf-letter") return PictureFormat::pdfLetter;
    return std::nullopt;
}

// The extension of a roll's picture file in a format (OutputNames.h): ".png", ".svg", ".pdf"
// (for the paged PDF files too).
inline std::string_view PictureOutputExtension(PictureFormat format) {
    switch (format) {
        case PictureFormat::png:
            return kPngExtension;
        case PictureFormat::svg:
            return kSvgExtension;
        case PictureFormat::pdf:
        case PictureFormat::pdfA4:
        case PictureFormat::pdfLetter:
            return kPdfExtension;
    }
    return kPngExtension;
}

// The file name extension of a format, without the dot: "png", "svg", "pdf".
inline const char* PictureExtension(PictureFormat format) {
    return PictureOutputExtension(format).data() + 1;
}

}  // namespace rollscribe
