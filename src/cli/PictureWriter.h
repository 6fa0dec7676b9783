#pragma once

#include "conversion/OutputWriter.h"
#include "picture/PictureFormat.h"

namespace rollscribe {

// Draws a converted roll's picture, TITLE_BAR_e.FORMAT beside its MIDI file; with the roll's
// expression file written, the picture shows the expression too.
class PictureWriter final : public OutputWriter {
  public:
    PictureWriter(PictureFormat format, double pixelsPerInch)
        : m_format(format), m_pixelsPerInch(pixelsPerInch) {}

    CString PathFor(const ConvertedRoll& roll) const override;
    void Write(const ConvertedRoll& roll, const CString& path) override;
    std::string Failure(const std::exception_ptr& error,
                        const std::string& rollPath) const override;

  private:
    PictureFormat m_format;
    double m_pixelsPerInch;
};

}  // namespace rollscribe
