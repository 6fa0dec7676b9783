#include "platform/TextDecoding.h"

#include <cstddef>

namespace {

// Windows-1252 for the bytes 0x80 to 0x9F; the unassigned ones keep their own value.
constexpr char32_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char32_t Windows1252(unsigned char byte) {
    return byte >= 0x80 && byte < 0xA0 ? kWindows1252High[byte - 0x80] : char32_t{byte};
}

bool InRange(unsigned char byte, unsigned char low, unsigned char high) {
    return byte >= low && byte <= high;
}

// The length of the well-formed UTF-8 sequence at the start of text, or 0 when there is none.
// Overlong forms, surrogates and values beyond U+10FFFF are not well-formed.
std::size_t Utf8SequenceLength(std::string_view text) {
    auto at = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    unsigned char lead = at(0);
    std::size_t length;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead < 0x80) return 1;
    if (InRange(lead, 0xC2, 0xDF)) {
        length = 2;
    } else if (InRange(lead, 0xE0, 0xEF)) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (InRange(lead, 0xF0, 0xF4)) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (text.size() < length) return 0;
    if (!InRange(at(1), low, high)) return 0;
    for (std::size_t i = 2; i < length; ++i) {
        if (!InRange(at(i), 0x80, 0xBF)) return 0;
    }
    return length;
}

}  // namespace

std::u32string DecodeText(std::string_view bytes) {
    std::u32string text;
    text.reserve(bytes.size());
    while (!bytes.empty()) text += rollscribe::TakeChar(bytes);
    return text;
}

namespace rollscribe {

char32_t TakeChar(std::string_view& bytes) noexcept {
    std::size_t length = Utf8SequenceLength(bytes);
    auto lead = static_cast<unsigned char>(bytes[0]);
    if (length == 0) {
        bytes.remove_prefix(1);
        return Windows1252(lead);
    }
    char32_t c = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        c = (c << 6) | (static_cast<unsigned char>(bytes[i]) & 0x3F);
    }
    bytes.remove_prefix(length);
    return c;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

}  // namespace rollscribe
