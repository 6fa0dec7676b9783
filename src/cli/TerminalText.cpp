#include "cli/TerminalText.h"

namespace rollscribe {

namespace {

void AppendHex(std::string& out, unsigned char byte) {
    static const char kDigits[] = "0123456789ABCDEF";
    out += "\\x";
    out += kDigits[byte >> 4];
    out += kDigits[byte & 0x0F];
}

}  // namespace

std::size_t Utf8SequenceLength(std::string_view text) noexcept {
    if (text.empty()) return 0;
    auto at = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    unsigned char b = at(0);
    if (b < 0x80) return 1;
    std::size_t length;
    unsigned char low = 0x80, high = 0xBF;  // the allowed range of the second byte
    if (b >= 0xC2 && b <= 0xDF) {
        length = 2;
    } else if (b >= 0xE0 && b <= 0xEF) {
        length = 3;
        if (b == 0xE0) low = 0xA0;   // no overlong forms
        if (b == 0xED) high = 0x9F;  // no surrogates
    } else if (b >= 0xF0 && b <= 0xF4) {
        length = 4;
        if (b == 0xF0) low = 0x90;   // no overlong forms
        if (b == 0xF4) high = 0x8F;  // nothing beyond U+10FFFF
    } else {
        return 0;
    }
    if (text.size() < length || at(1) < low || at(1) > high) return 0;
    for (std::size_t i = 2; i < length; ++i)
        if (at(i) < 0x80 || at(i) > 0xBF) return 0;
    return length;
}

std::string EscapeForTerminal(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        unsigned char b = static_cast<unsigned char>(text[i]);
        if (b < 0x80) {
            ++i;
            if (b >= 0x20 && b != 0x7F) {
                out += static_cast<char>(b);
                continue;
            }
            switch (b) {
                case '\n':
                    out += '\n';
                    break;
                case '\t':
                    out += '\t';
                    break;
                case '\a':
                    out += "\\a";
                    break;
                case '\b':
                    out += "\\b";
                    break;
                case '\v':
                    out += "\\v";
                    break;
                case '\f':
                    out += "\\f";
                    break;
                case '\r':
                    out += "\\r";
                    break;
                case 0x1B:
                    out += "\\e";
                    break;
                default:
                    AppendHex(out, b);
                    break;
            }
            continue;
        }
        std::size_t length = Utf8SequenceLength(text.substr(i));
        if (length == 0) {
            // Not UTF-8: a byte that an 8-bit terminal takes for a C1 control is escaped.
            if (b <= 0x9F)
                AppendHex(out, b);
            else
                out += static_cast<char>(b);
            ++i;
        } else if (length == 2 && b == 0xC2 && static_cast<unsigned char>(text[i + 1]) <= 0x9F) {
            AppendHex(out, b);
            AppendHex(out, static_cast<unsigned char>(text[i + 1]));
            i += 2;
        } else {
            out.append(text.substr(i, length));
            i += length;
        }
    }
    return out;
}

}  // namespace rollscribe
