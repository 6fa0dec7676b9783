#pragma once

#include "conversion/OutputWriter.h"
#include "expression/ProfileShelf.h"
#include "picture/PictureFormat.h"

namespace rollscribe {

// Draws a converted roll's picture, TITLE_BAR_e.FORMAT beside its MIDI file; with the roll's
// expression file written, the picture shows the expression too. Its lanes follow the tracker
// bar of the roll's system: the expression's profile, else the one its roll type names (one lane
// a track the roll uses when that profile cannot be read).
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
    ProfileShelf m_profiles;  // the roll types' profiles, read once a run
};

}  // namespace rollscribe
