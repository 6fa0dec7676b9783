#include "support/MidiTrace.h"

#include <gtest/gtest.h>

#include "support/MidiInvariants.h"

namespace testing_support {

std::vector<std::string> MidiTrace(std::string_view file) {
    std::vector<std::string> lines;
    std::string problem = CheckMidiFile(file, [&lines](const MidiEvent& e) {
        std::string at = std::to_string(e.tick) + " ";
        auto byte = [&e](std::size_t i) {
            return std::to_string(static_cast<unsigned char>(e.data[i]));
        };
        if (e.status == 0x90) {
            lines.push_back(at +
                            (e.data[1] == 0 ? "off " + byte(0) : "on " + byte(0) + " " + byte(1)));
        } else if (e.status == 0xB0) {
            lines.push_back(at + "cc " + byte(0) + " " + byte(1));
        } else if (e.status == 0xFF && e.metaType == 0x51) {
            unsigned tempo = (static_cast<unsigned char>(e.data[0]) << 16) |
                             (static_cast<unsigned char>(e.data[1]) << 8) |
                             static_cast<unsigned char>(e.data[2]);
            lines.push_back(at + "tempo " + std::to_string(tempo));
        } else if (e.status == 0xFF && e.metaType == 0x05) {
            lines.push_back(at + "lyric " + std::string(e.data));
        } else if (e.status != 0xFF) {
            lines.push_back(at + "status " + std::to_string(e.status));
        }
    });
    EXPECT_EQ(problem, "");
    return lines;
}

std::vector<std::string> MidiTrace(std::string_view file, std::string_view kinds) {
    std::vector<std::string> kept;
    for (const std::string& line : MidiTrace(file)) {
        std::size_t space = line.find(' ');
        std::string kind = line.substr(space + 1, line.find(' ', space + 1) - space - 1);
        std::string padded = " " + std::string(kinds) + " ";
        if (padded.find(" " + kind + " ") != std::string::npos) kept.push_back(line);
    }
    return kept;
}

}  // namespace testing_support
