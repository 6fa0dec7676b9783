#include "ui/ReportLayout.h"

#include <algorithm>

namespace rollscribe {

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

bool IsContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Where to cut bytes[from, cut) so that no UTF-8 sequence is split: a byte that is not a
// continuation byte always starts a character, and a sequence has at most three continuation
// bytes, so cut moves back to the start of a sequence that it would split, or stays.
std::size_t SequenceStartAtOrBefore(std::string_view bytes, std::size_t from, std::size_t cut) {
    std::size_t start = cut;
    for (int k = 0; k < 3 && start > from && IsContinuationByte(bytes[start]); ++k) --start;
    return IsContinuationByte(bytes[start]) ? cut : start;
}

// Where line number `line` (0 the first) starts; npos when the report has fewer lines.
std::size_t StartOfLine(std::string_view bytes, std::size_t line) {
    std::size_t i = 0;
    for (; line > 0; --line) {
        std::size_t end = bytes.find_first_of("\r\n", i);
        if (end == std::string_view::npos) return std::string_view::npos;
        i = end + (bytes.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    return i;
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

std::u32string LineSource(std::u32string_view line, std::size_t from, std::size_t to) {
    std::u32string source;
    std::size_t shown = 0;
    std::size_t i = 0;
    for (; i < line.size(); ++shown) {
        // A "&" at the end of the line shows nothing.
        if (line[i] == U'&' && i + 1 == line.size()) break;
        const std::size_t length = line[i] == U'&' ? 2 : 1;
        if (shown >= from && shown < to) source.append(line.substr(i, length));
        i += length;
    }
    // A selection that reaches the line's end takes that "&" too.
    if (i < line.size() && from <= shown && to >= shown) source += line.substr(i);
    return source;
}

std::string ClipReport(std::string_view bytes, std::size_t maxLines, std::size_t maxLineBytes) {
    return ClipReport(bytes, 0, maxLines, maxLineBytes);
}

std::string ClipReport(std::string_view bytes, std::size_t firstLine, std::size_t maxLines,
                       std::size_t maxLineBytes) {
    std::string clipped;
    std::size_t lines = 0;
    std::size_t i = StartOfLine(bytes, firstLine);
    if (i == std::string_view::npos) return clipped;
    while (i < bytes.size() && lines < maxLines) {
        std::size_t end = bytes.find_first_of("\r\n", i);
        if (end == std::string_view::npos) end = bytes.size();
        std::size_t cut = end - i > maxLineBytes ? i + maxLineBytes : end;
        if (cut < end) cut = SequenceStartAtOrBefore(bytes, i, cut);
        clipped.append(bytes.substr(i, cut - i));
        ++lines;
        if (end == bytes.size() || lines == maxLines) break;
        // Every break becomes "\n": a line cut to nothing must not join its neighbours' "\r" and
        // "\n" into one break.
        clipped += '\n';
        i = end + (bytes.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    return clipped;
}

ReportExtent MeasureReport(std::string_view bytes, std::size_t longestLines) {
    ReportExtent extent;
    auto longer = [](std::string_view a, std::string_view b) { return a.size() > b.size(); };
    // The longest lines so far, as a heap whose top is the shortest of them.
    std::vector<std::string_view>& heap = extent.longest;
    std::size_t i = 0;
    while (true) {
        std::size_t end = bytes.find_first_of("\r\n", i);
        if (end == std::string_view::npos) end = bytes.size();
        const std::string_view line = bytes.substr(i, end - i);
        ++extent.lines;
        if (heap.size() < longestLines) {
            heap.push_back(line);
            std::push_heap(heap.begin(), heap.end(), longer);
        } else if (longestLines > 0 && line.size() > heap.front().size()) {
            std::pop_heap(heap.begin(), heap.end(), longer);
            heap.back() = line;
            std::push_heap(heap.begin(), heap.end(), longer);
        }
        if (end == bytes.size()) break;
        i = end + (bytes.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    std::sort_heap(heap.begin(), heap.end(), longer);
    return extent;
}

}  // namespace rollscribe
