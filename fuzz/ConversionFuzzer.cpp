// Fuzzes the whole load: an annotation file and a roll file from one input, loaded and converted
// with an earlier MIDI file in place; the MIDI file written is checked for well-formedness and
// against the document event by event, and the inputs and the earlier output for being intact.
#include <cstddef>
#include <cstdint>

#include "FuzzScratch.h"
#include "support/InputChecks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    ReportFinding(testing_support::CheckConversionInput(bytes, FuzzScratch()));
    return 0;
}
