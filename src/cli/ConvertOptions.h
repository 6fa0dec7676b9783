#pragma once

#include <stdexcept>
#include <string>
#include <vector>

// What the converter was asked to do.
struct ConvertOptions {
    bool quiet = false;
    bool help = false;
    bool version = false;
    unsigned jobs = 0;  // 0: one per processor
    std::vector<std::string> files;
};

// A command line that cannot be understood; what() says why.
class UsageError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Reads the arguments after the program name. Throws UsageError.
ConvertOptions ParseConvertOptions(const std::vector<std::string>& args);

// The text that --help prints.
std::string ConvertUsageText();
