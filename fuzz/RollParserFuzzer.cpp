// Fuzzes the roll parser: a tempo and a sample rate from the first 8 bytes, the rest as a roll
// file, checked against a model of the records and of the tempo and divisor correction.
#include <cstddef>
#include <cstdint>

#include "FuzzScratch.h"
#include "support/InputChecks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    ReportFinding(testing_support::CheckRollInput(bytes, FuzzScratch()));
    return 0;
}
