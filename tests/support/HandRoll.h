#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "roll/CRollscribeDoc.h"

namespace testing_support {

// A roll made by hand for a test: holes and control records at chosen positions, put into a
// document in the order of their positions, as the parser delivers them.
class HandRoll {
  public:
    explicit HandRoll(const char* rollType = "Generic", std::int32_t tempo = 100);

    // A hole of a note (track + 15) from start to end.
    HandRoll& Hole(std::int32_t note, std::int32_t start, std::int32_t end);
    // A hole that opens and never closes.
    HandRoll& Open(std::int32_t note, std::int32_t start);
    // A control record (240 to 255) with its text.
    HandRoll& Marker(std::int32_t code, std::int32_t time, std::string text = {});
    // Any event, added as it is, after the ones above.
    HandRoll& Raw(std::int32_t kind, std::int32_t note, std::int32_t time, std::string text = {});

    // The document, with the events given since the last call added to it.
    CRollscribeDoc& Doc();

  private:
    struct Pending {
        std::int32_t kind, note, time;
        std::string text;
    };
    std::unique_ptr<CRollscribeDoc> m_doc;
    std::vector<Pending> m_sorted;
    std::vector<Pending> m_raw;
};

}  // namespace testing_support
