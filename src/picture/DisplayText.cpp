#include "picture/DisplayText.h"

#include "platform/TextDecoding.h"

namespace rollscribe {

namespace {

char32_t Showable(char32_t c) {
    if (c == U'\n' || c == U'\r' || c == U'\t') return U' ';
    if (c < 0x20 || (c >= 0x7F && c < 0xA0)) return 0xFFFD;
    if (c == 0xFFFE || c == 0xFFFF) return 0xFFFD;  // not allowed in XML
    return c;
}

}  // namespace

void AppendDisplayText(std::string& out, std::string_view bytes) {
    while (!bytes.empty()) {
        auto byte = static_cast<unsigned char>(bytes.front());
        if (byte >= 0x20 && byte < 0x7F) {  // the common case: printable ASCII
            out += static_cast<char>(byte);
            bytes.remove_prefix(1);
            continue;
        }
        AppendUtf8(out, Showable(TakeChar(bytes)));
    }
}

std::string DisplayText(std::string_view bytes) {
    std::string text;
    text.reserve(bytes.size());
    AppendDisplayText(text, bytes);
    return text;
}

std::string CairoText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    while (!text.empty()) {
        if (static_cast<unsigned char>(text.front()) < 0x80) {
            out += text.front();
            text.remove_prefix(1);
            continue;
        }
        const char32_t c = TakeChar(text);
        AppendUtf8(out, IsNoncharacter(c) ? U'\uFFFD' : c);
    }
    return out;
}

void AppendXmlEscaped(std::string& out, std::string_view text) {
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out += c;
        }
    }
}

}  // namespace rollscribe
