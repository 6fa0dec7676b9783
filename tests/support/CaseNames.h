#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace testing_support {

// A name for a parameterized case made of its text, so that test lists show what each case is:
// letters and digits stay, spaces and punctuation separate words, and other characters appear
// by short names ("LF", "CR", "TAB", "AMP", "U00E9"), joined by "_". Empty text is "empty".
inline std::string CaseName(std::u32string_view text) {
    std::string name;
    auto word = [&name](std::string_view part) {
        if (!name.empty() && name.back() != '_') name += '_';
        name += part;
        name += '_';
    };
    for (char32_t c : text) {
        if ((c >= U'a' && c <= U'z') || (c >= U'A' && c <= U'Z') || (c >= U'0' && c <= U'9')) {
            name += static_cast<char>(c);
        } else if (c == U' ' || c == U'.' || c == U'-' || c == U'_' || c == U'/' || c == U',' ||
                   c == U':') {
            if (!name.empty() && name.back() != '_') name += '_';
        } else if (c == U'\n') {
            word("LF");
        } else if (c == U'\r') {
            word("CR");
        } else if (c == U'\t') {
            word("TAB");
        } else if (c == U'&') {
            word("AMP");
        } else {
            char code[16];
            std::snprintf(code, sizeof code, "U%04X", static_cast<unsigned>(c));
            word(code);
        }
    }
    while (!name.empty() && name.back() == '_') name.pop_back();
    return name.empty() ? "empty" : name;
}

// The same for 8-bit text, each byte taken as the character of its value.
inline std::string CaseName(std::string_view bytes) {
    std::u32string text;
    for (char c : bytes) text += static_cast<char32_t>(static_cast<unsigned char>(c));
    return CaseName(std::u32string_view(text));
}

}  // namespace testing_support
