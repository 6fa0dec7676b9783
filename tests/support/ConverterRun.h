#pragma once

// The built converter run from the command line, and its JSON Lines read back by an independent
// reader. For the test programs given their paths as CONVERTER_PATH and JSON_READER.

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <string_view>

#include "support/ShellRun.h"
#include "support/TestFiles.h"

namespace testing_support {

// Runs the converter with a command line's arguments.
inline ShellRun Convert(const std::string& args) {
    return RunShell(std::string(CONVERTER_PATH) + " " + args);
}

// A text as the JSON reader prints it: "hex:" and its bytes in lower-case hexadecimal.
inline std::string JsonHex(std::string_view text) {
    static const char kDigits[] = "0123456789abcdef";
    std::string out = "hex:";
    for (char c : text) {
        out += kDigits[static_cast<unsigned char>(c) >> 4];
        out += kDigits[static_cast<unsigned char>(c) & 15];
    }
    return out;
}

// The fields of JSON Lines, by "INDEX KEY" (the record's index from 0), as the JSON reader
// prints them.
inline std::map<std::string, std::string> ReadJsonLines(const std::string& jsonLines) {
    TempDir io;
    WriteFile(io / "json", jsonLines);
    ShellRun read = RunShell(Q(JSON_READER) + " <" + Q(io / "json"));
    EXPECT_EQ(read.status, 0) << read.err;
    std::map<std::string, std::string> fields;
    for (const std::string& line : LinesOf(read.out)) {
        std::size_t first = line.find(' '), second = line.find(' ', first + 1);
        fields[line.substr(0, second)] = line.substr(second + 1);
    }
    return fields;
}

}  // namespace testing_support
