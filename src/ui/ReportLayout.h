#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace rollscribe {

// A stretch of one line drawn the same way.
struct ReportRun {
    std::u32string text;
    bool underlined = false;

    friend bool operator==(const ReportRun&, const ReportRun&) = default;
};

// One line: its runs from left to right; an empty line has none.
using ReportLine = std::vector<ReportRun>;

// Lays the report out as the window draws it, from the top-left corner, never wrapping:
// - a line ends at every line break ("\r\n", "\n" or "\r") and nowhere else;
// - "&" is a mnemonic prefix: a single "&" is not shown and the character after it is
//   underlined; "&&" shows one "&"; a "&" at the end of a line shows nothing;
// - a tab is shown as one space, not expanded to a tab stop;
// - other control characters are shown by their visible symbols (U+2400 to U+2421, and U+FFFD
//   for the C1 controls) so that no character is silently dropped.
std::vector<ReportLine> LayoutReport(std::u32string_view text);

// The text, as written, behind the shown characters from..to (0 the first; to past the end: to
// the line's end) of one line of the report (its characters without the line break): a shown
// character stands for "&" and itself, "&&" for a shown "&", a tab or control character for its
// symbol. What copying a selection of the report puts on the clipboard.
std::u32string LineSource(std::u32string_view line, std::size_t from, std::size_t to);

// The part of the report bytes that a window can show: the first maxLines lines, each cut after
// maxLineBytes bytes, line breaks kept as they are. Laying it out gives the same lines as laying
// out the whole report, as far as they fit; the rest, however long, costs nothing to draw.
std::string ClipReport(std::string_view bytes, std::size_t maxLines, std::size_t maxLineBytes);
// The same for a window scrolled down: maxLines lines from line firstLine (0 the first) on. The
// lines before it cost a search for their line breaks.
std::string ClipReport(std::string_view bytes, std::size_t firstLine, std::size_t maxLines,
                       std::size_t maxLineBytes);

// How large a report is, for a window's scroll bars, found without laying it out: its number of
// lines (as LayoutReport breaks them), and its longest lines by bytes, longest first (as many as
// asked for), each as its bytes without the line break.
struct ReportExtent {
    std::size_t lines = 0;
    std::vector<std::string_view> longest;
};
ReportExtent MeasureReport(std::string_view bytes, std::size_t longestLines);

}  // namespace rollscribe
