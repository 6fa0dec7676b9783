#include "ui/ReportLayout.h"

namespace {

// The character shown for c.
char32_t Shown(char32_t c) {
    if (c == U'\t') return U' ';
    if (c < 0x20) return 0x2400 + c;
    if (c == 0x7F) return 0x2421;
    if (c >= 0x80 && c < 0xA0) return 0xFFFD;
    return c;
}

bool IsLineBreak(char32_t c) {
    return c == U'\n' || c == U'\r';
}

void AddCharacter(ReportLine& line, char32_t c, bool underlined) {
    if (line.empty() || line.back().underlined != underlined) line.push_back({{}, underlined});
    line.back().text += Shown(c);
}

}  // namespace

std::vector<ReportLine> LayoutReport(std::u32string_view text) {
    std::vector<ReportLine> lines(1);
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c == U'\r' && i + 1 < text.size() && text[i + 1] == U'\n') ++i;
        if (IsLineBreak(c)) {
            lines.emplace_back();
            continue;
        }
        if (c != U'&') {
            AddCharacter(lines.back(), c, false);
            continue;
        }
        // A prefix: the next character decides. Nothing follows, or a line break: nothing shown.
        if (i + 1 >= text.size() || IsLineBreak(text[i + 1])) continue;
        ++i;
        AddCharacter(lines.back(), text[i], text[i] != U'&');
    }
    return lines;
}

std::u32string ShownText(const ReportLine& line) {
    std::u32string shown;
    for (const ReportRun& run : line) shown += run.text;
    return shown;
}
