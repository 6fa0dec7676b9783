#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "roll/CRollscribeDoc.h"
#include "support/TestFiles.h"

namespace testing_support {

// A roll file with the given header and record bytes (the three header bytes come first).
Bytes RollBytes(std::string_view recordsHex);

// Runs ParseBarFile over bytes in a temporary file.
void ParseBytes(CRollscribeDoc& doc, const Bytes& bytes);

// Reads annotation text as the companion of a roll named "roll.bar" in a temporary folder.
void ReadAnnotations(CRollscribeDoc& doc, std::string_view annText);

}  // namespace testing_support
