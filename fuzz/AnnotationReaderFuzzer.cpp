// Fuzzes the annotation reader: arbitrary bytes as an annotation file, checked against a model of
// its lines, entries and known keys.
#include <cstddef>
#include <cstdint>

#include "FuzzScratch.h"
#include "support/InputChecks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    ReportFinding(testing_support::CheckAnnotationInput(bytes, FuzzScratch()));
    return 0;
}
