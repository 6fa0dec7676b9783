#include "cli/TerminalText.h"

#include "platform/TextDecoding.h"

namespace rollscribe {

namespace {

void AppendHex(std::string& out, unsigned char byte) {
    static const char kDigits[] = "0123456789ABCDEF";
    out += "\\x";
    out += kDigits[byte >> 4];
    out += kDigits[byte & 0x0F];
}

}  // namespace

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
