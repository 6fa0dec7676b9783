#pragma once

#include <string>
#include <string_view>

// Turns 8-bit text of unknown origin into characters. Roll texts come in whatever code page their
// maker used, while file names on this system are UTF-8, and one text may hold both. Every
// well-formed UTF-8 sequence is read as UTF-8; every other byte is read as Windows-1252 (its five
// unassigned bytes become the control characters of the same value). No byte is dropped.
std::u32string DecodeText(std::string_view bytes);

namespace rollscribe {

// Decodes the character at the start of bytes (which must not be empty) as DecodeText does, and
// removes its bytes from the front. Lets callers decode without building a whole string.
char32_t TakeChar(std::string_view& bytes) noexcept;

// The length of the valid UTF-8 sequence at the start of text (1 to 4 bytes), or 0 when its
// first byte does not start one: an overlong form, a surrogate, a value beyond U+10FFFF, a cut
// sequence, or a lone continuation byte. An ASCII byte is a sequence of 1.
std::size_t Utf8SequenceLength(std::string_view text) noexcept;

// Appends the UTF-8 form of c (a code point below 0x110000) to out.
void AppendUtf8(std::string& out, char32_t c);

// Whether c is one of the 66 code points Unicode keeps out of interchange: U+FDD0 to U+FDEF and
// the last two of every plane (U+FFFE, U+FFFF, U+1FFFE, ..., U+10FFFF). Valid UTF-8 all the
// same, but Cairo refuses a text that holds one.
constexpr bool IsNoncharacter(char32_t c) noexcept {
    return (c >= 0xFDD0 && c <= 0xFDEF) || (c & 0xFFFE) == 0xFFFE;
}

}  // namespace rollscribe
