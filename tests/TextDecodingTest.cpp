#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/TextDecoding.h"
#include "support/CaseNames.h"

using namespace rollscribe;

namespace {

struct DecodeCase {
    const char* name;
    std::string bytes;
    std::u32string chars;

    friend void PrintTo(const DecodeCase& c, std::ostream* os) { *os << c.name; }
};

class Decoding : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(Decoding, ReadsUtf8WhereWellFormedAndWindows1252Elsewhere) {
    const DecodeCase& c = GetParam();
    EXPECT_EQ(DecodeText(c.bytes), c.chars) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Decoding,
    ::testing::Values(
        DecodeCase{"plain", "Evening Waltz", U"Evening Waltz"}, DecodeCase{"empty", "", U""},
        DecodeCase{"zero byte kept", std::string("a\0b", 3), std::u32string(U"a\0b", 3)},
        DecodeCase{"two-byte", "Caf\xC3\xA9", U"Caf\u00E9"},
        DecodeCase{"three-byte", "\xE2\x82\xAC 5", U"\u20AC 5"},
        DecodeCase{"four-byte", "\xF0\x9D\x84\x9E", U"\U0001D11E"},
        DecodeCase{"highest code point", "\xF4\x8F\xBF\xBF", U"\U0010FFFF"},
        DecodeCase{"latin-1 letter", "Caf\xE9", U"Caf\u00E9"},
        DecodeCase{"windows quotes", "\x93Waltz\x94", U"\u201CWaltz\u201D"},
        DecodeCase{"euro and dash", "\x80\x96", U"\u20AC\u2013"},
        DecodeCase{"unassigned bytes keep their value", "\x81\x8D\x8F\x90\x9D",
                   U"\u0081\u008D\u008F\u0090\u009D"},
        DecodeCase{"mixed in one text", "/tmp/\xC3\xA9t\xC3\xA9/ \xE9t\xE9",
                   U"/tmp/\u00E9t\u00E9/ \u00E9t\u00E9"},
        DecodeCase{"overlong form", "\xC0\xAF", U"\u00C0\u00AF"},
        DecodeCase{"overlong three-byte", "\xE0\x80\xAF", U"\u00E0\u20AC\u00AF"},
        DecodeCase{"surrogate", "\xED\xA0\x80", U"\u00ED\u00A0\u20AC"},
        DecodeCase{"beyond the last code point", "\xF4\x90\x80\x80", U"\u00F4\u0090\u20AC\u20AC"},
        DecodeCase{"cut off at the end", "ab\xE2\x82", U"ab\u00E2\u201A"},
        DecodeCase{"lead byte before ASCII", "\xC3(", U"\u00C3("},
        DecodeCase{"lone continuation", "\xA9x", U"\u00A9x"}),
    [](const ::testing::TestParamInfo<DecodeCase>& info) {
        return testing_support::CaseName(std::string_view(info.param.name));
    });

TEST(Decoding, EveryByteGivesOneCharacterOutsideUtf8) {
    // Bytes that never start a well-formed sequence each give exactly one character.
    std::string bytes;
    for (int b = 0x80; b <= 0xFF; ++b) bytes += static_cast<char>(b);
    std::u32string chars = DecodeText(bytes);
    // C2 A0 .. within the run are two-byte sequences: count what the run decodes to instead.
    std::size_t expected = 0;
    for (std::size_t i = 0; i < bytes.size();) {
        auto lead = static_cast<unsigned char>(bytes[i]);
        bool pair = lead >= 0xC2 && lead <= 0xDF && i + 1 < bytes.size() &&
                    (static_cast<unsigned char>(bytes[i + 1]) & 0xC0) == 0x80;
        i += pair ? 2 : 1;
        ++expected;
    }
    EXPECT_EQ(chars.size(), expected);
    for (char32_t c : chars) EXPECT_NE(c, U'\0');
}

TEST(Decoding, Utf8EncodingDecodesBackAtEveryLengthBoundary) {
    const char32_t chars[] = {0x01,   0x7F,   0x80,    0x7FF,    0x800,
                              0xFFFD, 0xFFFF, 0x10000, 0x10FFFF, 0x20AC};
    const std::size_t lengths[] = {1, 1, 2, 2, 3, 3, 3, 4, 4, 3};
    for (std::size_t i = 0; i < std::size(chars); ++i) {
        std::string bytes;
        rollscribe::AppendUtf8(bytes, chars[i]);
        EXPECT_EQ(bytes.size(), lengths[i]) << std::hex << static_cast<std::uint32_t>(chars[i]);
        EXPECT_EQ(DecodeText(bytes), std::u32string(1, chars[i]))
            << std::hex << static_cast<std::uint32_t>(chars[i]);
    }
}

TEST(Decoding, TakeCharStepsOverOneCharacterAtATime) {
    std::string_view bytes = "a\xC3\xA9\xE9\xE2\x82\xAC";
    std::u32string taken;
    std::vector<std::size_t> left;
    while (!bytes.empty()) {
        taken += rollscribe::TakeChar(bytes);
        left.push_back(bytes.size());
    }
    EXPECT_EQ(taken, U"a\u00E9\u00E9\u20AC");
    EXPECT_EQ(left, (std::vector<std::size_t>{6, 4, 3, 0}));
}

}  // namespace
