#pragma once

#include <filesystem>
#include <string>
#include <string_view>

// Checks that run one arbitrary input through a stage of the conversion and compare what comes
// out with a plain model of what should. The fuzz targets run them on generated inputs, and the
// tests replay the seed corpora and every input a fuzzer ever broke through them.
// Each works in the given scratch folder and returns an empty text when everything holds, else
// a description of the first thing that does not. They throw nothing.
namespace testing_support {

// The bytes are an annotation file's contents.
std::string CheckAnnotationInput(std::string_view bytes, const std::filesystem::path& scratch);

// The first 4 bytes are the tempo and the next 4 the sample rate that the annotation file would
// have set (little-endian 32-bit; missing bytes are 0); the rest is a roll file.
std::string CheckRollInput(std::string_view bytes, const std::filesystem::path& scratch);

// The first 2 bytes give the annotation file's length n (little-endian); the next n bytes (or
// what there is) are the annotation file, and the rest is the roll file. A length of FF FF means
// no annotation file; the roll is then all that follows. The whole load runs,
// with an earlier MIDI file in place, and the MIDI file written is checked event by event.
std::string CheckConversionInput(std::string_view bytes, const std::filesystem::path& scratch);

}  // namespace testing_support
