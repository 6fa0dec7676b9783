#pragma once

#include <functional>
#include <string>
#include <vector>

// What converting one file came to.
struct ConversionResult {
    bool ok = false;     // the MIDI file was written
    std::string report;  // the document's report after the load
    std::string error;   // for a failure or a rejection: the reason, naming the file concerned
};

// Loads one roll file into a fresh document, which writes its MIDI file, and reports.
ConversionResult ConvertRollFile(const std::string& path);

// The MIDI file that converting path may write; files that share one are converted in turn.
std::string OutputKeyOf(const std::string& path);

// Converts every file with up to jobs at a time. onResult is called on the calling thread for
// every file in argument order, as soon as it and all before it are done; onProgress after each
// file with the number done so far. The results are those of converting one file after another:
// files that write the same MIDI file are converted in argument order.
void ConvertRollFiles(const std::vector<std::string>& paths, unsigned jobs,
                      const std::function<void(std::size_t, const ConversionResult&)>& onResult,
                      const std::function<void(std::size_t)>& onProgress);
