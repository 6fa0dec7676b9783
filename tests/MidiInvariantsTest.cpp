// The MIDI checker that the fuzz targets and the tests rely on must catch what it claims to.
#include <gtest/gtest.h>

#include "support/MidiInvariants.h"
#include "support/TestFiles.h"

using namespace testing_support;

namespace {

const char* kHeader = "4D 54 68 64 00 00 00 06 00 00 00 01 01 E0 4D 54 72 6B";

// A file with the given track body and a track length that matches it (or the one given).
std::string File(const std::string& bodyHex, long length = -1) {
    Bytes body = Hex(bodyHex);
    if (length < 0) length = static_cast<long>(body.size());
    Bytes file = Hex(kHeader);
    for (int shift = 24; shift >= 0; shift -= 8)
        file.push_back(static_cast<std::uint8_t>(length >> shift));
    file.insert(file.end(), body.begin(), body.end());
    return std::string(file.begin(), file.end());
}

struct BadCase {
    const char* name;
    std::string file;
    const char* complaint;
};

TEST(MidiInvariants, AcceptsAWellFormedTrackAndReportsItsEvents) {
    std::vector<std::string> seen;
    std::string problem =
        CheckMidiFile(File("00 FF 58 04 04 02 18 08 83 60 90 3C 50 00 FF 05 02 6C 61 "
                           "FF FF FF 7F FF 01 00 00 90 3C 00 00 FF 2F 00"),
                      [&](const MidiEvent& e) {
                          seen.push_back(std::to_string(e.tick) + ":" + std::to_string(e.status));
                      });
    EXPECT_EQ(problem, "");
    EXPECT_EQ(seen, (std::vector<std::string>{"0:255", "480:144", "480:255", "268435935:255",
                                              "268435935:144", "268435935:255"}));
}

TEST(MidiInvariants, CatchesEveryKindOfMalformedFile) {
    const BadCase cases[] = {
        {"short file", "MThd", "shorter"},
        {"wrong header id", "MThx" + File("00 FF 2F 00").substr(4), "MThd"},
        {"track length too small", File("00 FF 2F 00", 3), "track length 3 differs"},
        {"track length too large", File("00 FF 2F 00", 5), "track length 5 differs"},
        {"five-byte delta", File("80 80 80 80 00 90 3C 50 00 FF 2F 00"), "longer than 4 bytes"},
        {"five-byte text length", File("00 FF 01 80 80 80 80 00 00 FF 2F 00"),
         "longer than 4 bytes"},
        {"text past the end", File("00 FF 01 09 61 00 FF 2F 00"), "past the track's end"},
        {"running status", File("00 90 3C 50 00 3C 00 00 FF 2F 00"), "without its status byte"},
        {"data byte with top bit", File("00 90 BC 50 00 FF 2F 00"), "0x80 or more"},
        {"no end of track", File("00 90 3C 50"), "no end of track"},
        {"two ends of track", File("00 FF 2F 00 00 FF 2F 00"), "after the end of track"},
        {"end of track not last", File("00 FF 2F 00 00 90 3C 00"), "after the end of track"},
        {"end of track with data", File("00 FF 2F 01 00"), "not empty"},
        {"delta cut off", File("00 FF 2F 00 81"), "after the end of track"},
        {"delta without event", File("00 90 3C 50 81"), "runs past"},
        {"undefined status", File("00 F4 00 FF 2F 00"), "no track event has"},
    };
    for (const auto& c : cases) {
        std::string problem = CheckMidiFile(c.file);
        EXPECT_NE(problem.find(c.complaint), std::string::npos)
            << c.name << ": \"" << problem << "\"";
    }
}

}  // namespace
