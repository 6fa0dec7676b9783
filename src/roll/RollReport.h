#pragma once

#include <cstdint>

#include "platform/CString.h"

class CRollscribeDoc;

namespace rollscribe {

// The report that the window shows and the converter prints: the information text, the file's
// path, the roll's texts, its tempo text and the steps per inch. It ends without a line break.
CString BuildRollReport(const CRollscribeDoc& doc);

// A number in base 10 with a leading "-" when negative.
CString DecimalText(std::int32_t value);

}  // namespace rollscribe
