#pragma once

#include "conversion/OutputWriter.h"

namespace rollscribe {

// The expression file's place among a roll's outputs. The file itself is written in the roll's
// load, beside the MIDI file (ExpressionOutput, the document's side output); this step says,
// after the load, whether it was, and why not, so that it fails the roll as any other output.
class ExpressionStep final : public OutputWriter {
  public:
    CString PathFor(const ConvertedRoll& roll) const override;
    // Throws what kept the file from being written; nothing when it was.
    void Write(const ConvertedRoll& roll, const CString& path) override;
    std::string Failure(const std::exception_ptr& error,
                        const std::string& rollPath) const override;
};

}  // namespace rollscribe
