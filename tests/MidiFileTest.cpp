#include <gtest/gtest.h>

#include <filesystem>

#include "midi/CMidiFile.h"
#include "platform/CException.h"
#include "support/TestFiles.h"

using namespace testing_support;

namespace {

// The track body of the file written with these calls between the header and the track.
template <typename F>
Bytes BodyOf(F&& calls) {
    TempDir dir;
    CMidiFile midi;
    midi.Open(CString((dir / "t.mid").string()));
    midi.WriteHeader();
    calls(midi);
    midi.WriteTrack();
    midi.Close();
    Bytes file = ReadFile(dir / "t.mid");
    return Bytes(file.begin() + 22, file.end());
}

// The body bytes that the calls in between append, after the two initial events and before the
// end of track.
template <typename F>
std::string Appended(F&& calls) {
    Bytes body = BodyOf(calls);
    return HexOf(Bytes(body.begin() + 14, body.end() - 4));
}

struct VarLenCase {
    std::int32_t value;
    const char* hex;
};

TEST(CMidiFile, VariableLengthQuantities) {
    const VarLenCase cases[] = {
        {0, "00"},
        {127, "7F"},
        {128, "81 00"},
        {480, "83 60"},
        {16383, "FF 7F"},
        {16384, "81 80 00"},
        {2097151, "FF FF 7F"},
        {2097152, "81 80 80 00"},
        {268435455, "FF FF FF 7F"},
        {268435456, "80 80 80 00"},
        {2147483647, "FF FF FF 7F"},
        {-1, "7F"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Appended([&](CMidiFile& m) { m.WriteVarLen(c.value); }), c.hex) << c.value;
}

// A wait longer than one delta carries: empty text events (00 FF 01 00) of the longest delta,
// then the rest.
TEST(CMidiFile, LongWaitsAreCarriedByEmptyTexts) {
    const struct {
        std::uint64_t wait;
        const char* hex;
    } cases[] = {
        {0, "00"},
        {CMidiFile::kMaxDelta, "FF FF FF 7F"},
        {CMidiFile::kMaxDelta + 1, "FF FF FF 7F FF 01 00 01"},
        {2 * CMidiFile::kMaxDelta, "FF FF FF 7F FF 01 00 FF FF FF 7F"},
        {2 * CMidiFile::kMaxDelta + 5, "FF FF FF 7F FF 01 00 FF FF FF 7F FF 01 00 05"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Appended([&](CMidiFile& m) { m.WriteWait(c.wait); }), c.hex) << c.wait;
}

struct NoteCase {
    std::int32_t note, velocity;
    const char* hex;
};

TEST(CMidiFile, NoteOnVelocityOutsideOneTo127Becomes70) {
    const NoteCase cases[] = {{60, 0, "90 3C 46"},    {60, 128, "90 3C 46"}, {60, -5, "90 3C 46"},
                              {60, 1, "90 3C 01"},    {60, 127, "90 3C 7F"}, {60, 80, "90 3C 50"},
                              {0x17F, 80, "90 7F 50"}};
    for (const auto& c : cases)
        EXPECT_EQ(Appended([&](CMidiFile& m) { m.NoteOn(c.note, c.velocity); }), c.hex);
    EXPECT_EQ(Appended([](CMidiFile& m) { m.NoteOff(60); }), "90 3C 00");
}

TEST(CMidiFile, MetaEvents) {
    EXPECT_EQ(Appended([](CMidiFile& m) { m.WriteTempo(0, 600000); }), "00 FF 51 03 09 27 C0");
    EXPECT_EQ(Appended([](CMidiFile& m) { m.WriteTempo(128, 0x1ABCDEF); }),
              "81 00 FF 51 03 AB CD EF");
    EXPECT_EQ(Appended([](CMidiFile& m) { m.WriteTrackName(""); }), "00 FF 03 00");
    EXPECT_EQ(Appended([](CMidiFile& m) { m.WriteCopyright("(c)"); }), "00 FF 02 03 28 63 29");
    EXPECT_EQ(Appended([](CMidiFile& m) { m.WriteInstrumentName("P"); }), "00 FF 04 01 50");
    EXPECT_EQ(Appended([](CMidiFile& m) { m.WriteText("ab"); }), "00 FF 01 02 61 62");
    EXPECT_EQ(Appended([](CMidiFile& m) { m.WriteLyric("abc"); }), "FF 05 03 61 62 63");
    EXPECT_EQ(Appended([](CMidiFile& m) { m.WriteEmptyText(); }), "FF 01 00");
}

TEST(CMidiFile, TextsEndAtTheirFirstZeroByte) {
    CString text(std::string_view("ab\0cd", 5));
    EXPECT_EQ(Appended([&](CMidiFile& m) { m.WriteText(text); }), "00 FF 01 02 61 62");
}

struct LengthCase {
    std::size_t length;
    const char* lengthHex;
};

TEST(CMidiFile, TextLengthsOf128AndMoreAreVariableLengthQuantities) {
    const LengthCase cases[] = {
        {127, "7F"}, {128, "81 00"}, {16383, "FF 7F"}, {16384, "81 80 00"}, {1 << 20, "C0 80 00"}};
    for (const auto& c : cases) {
        Bytes body =
            BodyOf([&](CMidiFile& midi) { midi.WriteText(CString(std::string(c.length, 'x'))); });
        Bytes length = Hex(c.lengthHex);
        ASSERT_EQ(body.size(), 14 + 3 + length.size() + c.length + 4) << c.length;
        Bytes got(body.begin() + 17,
                  body.begin() + 17 + static_cast<std::ptrdiff_t>(length.size()));
        EXPECT_EQ(HexOf(got), HexOf(length)) << c.length;
        EXPECT_EQ(body[body.size() - 5], 'x');
    }
}

TEST(CMidiFile, MinimalFileIs40Bytes) {
    TempDir dir;
    auto path = dir / "x.mid";
    CMidiFile midi;
    midi.Open(CString(path.string()));
    midi.WriteHeader();
    midi.WriteTrack();
    midi.Close();
    EXPECT_EQ(HexOf(ReadFile(path)),
              "4D 54 68 64 00 00 00 06 00 00 00 01 01 E0 4D 54 72 6B 00 00 00 12 "
              "00 FF 58 04 04 02 18 08 00 FF 59 02 00 00 00 FF 2F 00");
}

TEST(CMidiFile, TrackLengthCountsEveryBodyByte) {
    TempDir dir;
    auto path = dir / "x.mid";
    CMidiFile midi;
    midi.Open(CString(path.string()));
    midi.WriteHeader();
    for (int i = 0; i < 100000; ++i) {
        midi.WriteVarLen(i % 300);
        midi.NoteOff(60);
    }
    midi.WriteTrack();
    midi.Close();
    Bytes file = ReadFile(path);
    std::uint32_t length =
        (std::uint32_t{file[18]} << 24) | (file[19] << 16) | (file[20] << 8) | file[21];
    EXPECT_EQ(file.size(), 22u + length);
    EXPECT_EQ(HexOf(Bytes(file.end() - 4, file.end())), "00 FF 2F 00");
}

TEST(CMidiFile, NothingReplacesTheTargetUntilClose) {
    TempDir dir;
    auto path = dir / "x.mid";
    WriteFile(path, "previous");
    {
        CMidiFile midi;
        midi.Open(CString(path.string()));
        midi.WriteHeader();
        midi.WriteTrack();
        // destroyed without Close: as when a later step fails
    }
    EXPECT_EQ(ReadFile(path), BytesOf("previous"));
    EXPECT_EQ(ListDir(dir.Path()), std::vector<std::string>{"x.mid"});
}

TEST(CMidiFile, OpenFailureNamesTheOutputPath) {
    TempDir dir;
    auto path = dir / "missing" / "x.mid";
    CMidiFile midi;
    try {
        midi.Open(CString(path.string()));
        FAIL();
    } catch (const CFileException& e) {
        EXPECT_EQ(e.Path(), path.string());
        EXPECT_EQ(e.m_cause, CFileException::fileNotFound);
    }
}

}  // namespace
