#pragma once

#include <string>

#include "ui/ReportLayout.h"

namespace testing_support {

// The characters of a report line as shown, without the underlining.
inline std::u32string ShownText(const rollscribe::ReportLine& line) {
    std::u32string shown;
    for (const rollscribe::ReportRun& run : line) shown += run.text;
    return shown;
}

}  // namespace testing_support
