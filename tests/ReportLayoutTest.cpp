#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "platform/TextDecoding.h"
#include "roll/CRollscribeDoc.h"
#include "roll/RollReport.h"
#include "support/CaseNames.h"
#include "support/ReportText.h"
#include "ui/ReportLayout.h"

using namespace rollscribe;
using testing_support::ShownText;

using namespace rollscribe;

namespace {

// The lines as text, one per line break, with underlined runs in <...>.
std::u32string Describe(const std::vector<ReportLine>& lines) {
    std::u32string out;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i) out += U'\n';
        for (const ReportRun& run : lines[i]) {
            out += run.underlined ? U"<" + run.text + U">" : run.text;
        }
    }
    return out;
}

// Text for failure messages, in the one UTF-8 encoder the program has.
std::string Utf8(const std::u32string& text) {
    std::string out;
    for (char32_t c : text) AppendUtf8(out, c);
    return out;
}

struct LayoutCase {
    const char32_t* text;
    const char32_t* shown;

    friend void PrintTo(const LayoutCase& c, std::ostream* os) {
        *os << testing_support::CaseName(std::u32string_view(c.text));
    }
};

class Layout : public ::testing::TestWithParam<LayoutCase> {};

std::string LayoutCaseName(const ::testing::TestParamInfo<LayoutCase>& info) {
    return testing_support::CaseName(std::u32string_view(info.param.text));
}

TEST_P(Layout, LinesPrefixesAndControls) {
    const LayoutCase& c = GetParam();
    EXPECT_EQ(Utf8(Describe(LayoutReport(c.text))), Utf8(c.shown)) << Utf8(c.text);
}

INSTANTIATE_TEST_SUITE_P(
    LineBreaks, Layout,
    ::testing::Values(LayoutCase{U"", U""}, LayoutCase{U"abc", U"abc"},
                      LayoutCase{U"\nabc", U"\nabc"}, LayoutCase{U"a\n", U"a\n"},
                      LayoutCase{U"a\r\nb", U"a\nb"}, LayoutCase{U"a\rb", U"a\nb"},
                      LayoutCase{U"a\n\rb", U"a\n\nb"}, LayoutCase{U"a\n\nb", U"a\n\nb"},
                      LayoutCase{U"a\r\r\nb", U"a\n\nb"}),
    LayoutCaseName);

INSTANTIATE_TEST_SUITE_P(
    Ampersands, Layout,
    ::testing::Values(LayoutCase{U"Rock & Roll", U"Rock < >Roll"}, LayoutCase{U"&File", U"<F>ile"},
                      LayoutCase{U"A&&B", U"A&B"}, LayoutCase{U"&&&x", U"&<x>"},
                      LayoutCase{U"&&&&", U"&&"}, LayoutCase{U"x&", U"x"}, LayoutCase{U"&", U""},
                      LayoutCase{U"x&\ny", U"x\ny"}, LayoutCase{U"x&\r\ny", U"x\ny"},
                      LayoutCase{U"&a&b", U"<ab>"}, LayoutCase{U"&a&&b", U"<a>&b"},
                      LayoutCase{U"&\u00E9t\u00E9", U"<\u00E9>t\u00E9"},
                      LayoutCase{U"&\U0001D11E", U"<\U0001D11E>"}),
    LayoutCaseName);

INSTANTIATE_TEST_SUITE_P(
    Controls, Layout,
    ::testing::Values(LayoutCase{U"a\tb", U"a b"}, LayoutCase{U"a\t\tb", U"a  b"},
                      LayoutCase{U"&\t", U"< >"}, LayoutCase{U"a\x01z", U"a\u2401z"},
                      LayoutCase{U"\x1B[0m", U"\u241B[0m"}, LayoutCase{U"\x7F", U"\u2421"},
                      LayoutCase{U"\u0085\u009F", U"\uFFFD\uFFFD"},
                      LayoutCase{U"&\x0C", U"<\u240C>"}),
    LayoutCaseName);

TEST(Layout, ZeroCharacterIsShownNotDropped) {
    std::u32string text(U"a\0b", 3);
    EXPECT_EQ(ShownText(LayoutReport(text).at(0)), U"a\u2400b");
}

TEST(Layout, LongLineIsNeverWrapped) {
    std::u32string text(5000, U'x');
    auto lines = LayoutReport(text);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(ShownText(lines[0]).size(), 5000u);
}

TEST(Layout, RunsAlternateAndNeverRepeatAStyle) {
    auto lines = LayoutReport(U"ab&cd&e&&f&g");
    ASSERT_EQ(lines.size(), 1u);
    const ReportLine expected = {{U"ab", false}, {U"c", true},   {U"d", false},
                                 {U"e", true},   {U"&f", false}, {U"g", true}};
    EXPECT_EQ(lines[0], expected);
}

struct ClipCase {
    std::string bytes;
    std::size_t maxLines;
    std::size_t maxLineBytes;
    std::string clipped;
};

// Copying shown characters gives the text as written behind them.
TEST(LineSource, GivesTheTextBehindTheShownCharacters) {
    struct Case {
        const char32_t* line;
        std::size_t from;
        std::size_t to;
        const char32_t* source;
    };
    const Case cases[] = {
        {U"/rolls/a b.bar", 0, 99, U"/rolls/a b.bar"},
        {U"/rolls/a b.bar", 7, 10, U"a b"},
        {U"Tom & Jerry", 0, 99, U"Tom & Jerry"},  // the shown " " after "&" is "& "
        {U"Tom & Jerry", 4, 5, U"& "},
        {U"Tom && Jerry", 0, 99, U"Tom && Jerry"},
        {U"Tom && Jerry", 4, 5, U"&&"},
        {U"Tom && Jerry", 5, 6, U" "},
        {U"a&bc", 1, 2, U"&b"},
        {U"a&bc", 2, 3, U"c"},
        {U"a\tb\x01", 0, 99, U"a\tb\x01"},
        {U"a\tb\x01", 1, 3, U"\tb"},
        {U"ends&", 0, 3, U"end"},
        {U"ends&", 0, 4, U"ends&"},  // to the line's end: the "&" that shows nothing too
        {U"ends&", 4, 99, U"&"},
        {U"&", 0, 0, U"&"},
        {U"", 0, 99, U""},
        {U"abc", 2, 2, U""},
        {U"abc", 3, 99, U""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Utf8(LineSource(c.line, c.from, c.to)), Utf8(c.source))
            << Utf8(c.line) << " " << c.from << ".." << c.to;
    }
}

TEST(ClipReport, KeepsTheFirstLinesAndTheirStarts) {
    const ClipCase cases[] = {
        {"", 5, 5, ""},
        {"abc\ndef\nghi", 2, 10, "abc\ndef"},
        {"abc\ndef\nghi", 3, 2, "ab\nde\ngh"},
        {"abc\r\ndef\rghi\n", 10, 10, "abc\ndef\nghi\n"},
        {"abc\r\ndef", 1, 10, "abc"},
        {"ab\rcd\nef", 3, 0, "\n\n"},
        {"a\xC3\xA9"
         "b",
         1, 2, "a"},
        {"a\xC3\xA9"
         "b",
         1, 3, "a\xC3\xA9"},
        {"a\xF0\x9F\x8E\xB9"
         "b",
         1, 4, "a"},
        {"\xA9\xA9\xA9\xA9\xA9", 1, 4, "\xA9\xA9\xA9\xA9"},
        {"\n\n\nx", 2, 10, "\n"},
        {"a&&b&c\nx", 1, 3, "a&&"},
        {"abcdef", 0, 10, ""},
    };
    for (const ClipCase& c : cases) {
        EXPECT_EQ(ClipReport(c.bytes, c.maxLines, c.maxLineBytes), c.clipped)
            << c.bytes << " " << c.maxLines << " " << c.maxLineBytes;
    }
}

// Whatever the window's size, the lines it can show are laid out exactly as in the whole report.
TEST(ClipReport, ShowsTheSameLinesAsTheWholeReport) {
    std::string report = " File Info : a&&b &c\r\n\xC3\xA9t\xC3\xA9\rx\x01y\n\n";
    report += std::string(100000, 'l') + "&\n\t tail\n";
    const auto whole = LayoutReport(DecodeText(report));
    for (std::size_t maxLines : {1, 2, 3, 5, 7, 100}) {
        for (std::size_t maxLineBytes : {0, 1, 7, 30, 200000}) {
            const auto clipped =
                LayoutReport(DecodeText(ClipReport(report, maxLines, maxLineBytes)));
            ASSERT_EQ(clipped.size(), std::min(maxLines, whole.size()));
            for (std::size_t i = 0; i < clipped.size(); ++i) {
                const std::u32string full = ShownText(whole[i]);
                const std::u32string shown = ShownText(clipped[i]);
                // A cut line shows a start of the whole line, never anything else.
                EXPECT_EQ(full.substr(0, shown.size()), shown) << i;
                if (maxLineBytes >= 200000) {
                    EXPECT_EQ(clipped[i], whole[i]) << i;
                }
            }
        }
    }
}

// Scrolled down, the window's lines are the whole report's lines from the first one shown on.
TEST(ClipReport, FromAnyLineShowsTheSameLinesAsTheWholeReport) {
    const std::string report = "\nab\r\n\rcd&&e\n\xC3\xA9\r\nlast\n";
    const auto whole = LayoutReport(DecodeText(report));
    ASSERT_EQ(whole.size(), 7u);
    for (std::size_t first = 0; first <= whole.size() + 2; ++first) {
        for (std::size_t maxLines : {1, 2, 10}) {
            const auto window = LayoutReport(DecodeText(ClipReport(report, first, maxLines, 100)));
            if (first >= whole.size()) {
                // Past the last line nothing shows (the layout of nothing is one empty line).
                EXPECT_EQ(window, std::vector<ReportLine>(1)) << first;
                continue;
            }
            ASSERT_EQ(window.size(), std::min(maxLines, whole.size() - first)) << first;
            for (std::size_t i = 0; i < window.size(); ++i)
                EXPECT_EQ(window[i], whole[first + i]) << first << " " << i;
        }
    }
    EXPECT_EQ(ClipReport(report, 2, 5, 100), ClipReport(report, 0, 7, 100).substr(4));
    EXPECT_EQ(ClipReport("abc\ndefgh", 1, 1, 3), "def");
}

TEST(MeasureReport, CountsLinesAsTheLayoutDoesAndFindsTheLongest) {
    struct Case {
        std::string bytes;
        std::size_t keep;
        std::size_t lines;
        std::vector<std::string> longest;
    };
    const Case cases[] = {
        {"", 3, 1, {""}},
        {"abc", 3, 1, {"abc"}},
        {"a\nbbb\r\ncc\rdddd\n", 2, 5, {"dddd", "bbb"}},
        {"a\nbbb\r\ncc\rdddd\n", 10, 5, {"dddd", "bbb", "cc", "a", ""}},
        {"\r\n\r\n", 1, 3, {""}},
        {"x\n\ny", 0, 3, {}},
    };
    for (const Case& c : cases) {
        const ReportExtent extent = MeasureReport(c.bytes, c.keep);
        EXPECT_EQ(extent.lines, c.lines) << c.bytes;
        EXPECT_EQ(extent.lines, LayoutReport(DecodeText(c.bytes)).size()) << c.bytes;
        EXPECT_EQ(std::vector<std::string>(extent.longest.begin(), extent.longest.end()), c.longest)
            << c.bytes;
    }
    // Many lines, few kept: the longest of all, longest first.
    std::string many;
    for (int i = 0; i < 1000; ++i)
        many += std::string(static_cast<std::size_t>((i * 37) % 101), 'x') + "\n";
    const ReportExtent extent = MeasureReport(many, 3);
    EXPECT_EQ(extent.lines, 1001u);
    ASSERT_EQ(extent.longest.size(), 3u);
    EXPECT_EQ(extent.longest[0].size(), 100u);
    EXPECT_EQ(extent.longest[1].size(), 100u);
    EXPECT_EQ(extent.longest[2].size(), 100u);
}

// The report as the window lays it out: the document's fields, decoded and split.
std::vector<std::u32string> ShownReport(const CRollscribeDoc& doc) {
    std::vector<std::u32string> shown;
    for (const ReportLine& line : LayoutReport(DecodeText(BuildRollReport(doc).View()))) {
        shown.push_back(ShownText(line));
    }
    return shown;
}

TEST(ShownReport, DefaultsOneFieldPerLine) {
    CRollscribeDoc doc;
    const std::vector<std::u32string> expected = {
        U"",
        U" File Info : Select BAR file to convert.",
        U" ",
        U" This File : ",
        U" Roll MFR : Roll MFGR - Generic",
        U" Roll Number : Roll Number Info",
        U" Title : Roll Title Info",
        U" Composer : Composer Info",
        U" Performer : Performer Info",
        U" Tempo : 100",
        U" BAR file Steps per Inch : 400",
    };
    EXPECT_EQ(ShownReport(doc), expected);
}

TEST(ShownReport, MessagesContinueUnindentedAndTextsDecode) {
    CRollscribeDoc doc;
    doc.m_strInfo =
        "Select BAR file to convert.\n ** Reading ANN file : /rolls/\xC3\xA9t\xC3\xA9.ann\n"
        "Salut d'Amour\r\n";
    doc.m_strFilePath = "/rolls/\xC3\xA9t\xC3\xA9.bar";
    doc.m_strTitle = "Rock & Roll";
    doc.m_strComposer = "Dvo\xF8\xE1k";  // Windows-1250 bytes shown as Windows-1252: not lost
    doc.m_strPerformer = "Tab\there";
    doc.m_stepsPerInch = -12;
    const std::vector<std::u32string> expected = {
        U"",
        U" File Info : Select BAR file to convert.",
        U" ** Reading ANN file : /rolls/\u00E9t\u00E9.ann",
        U"Salut d'Amour",
        U"",
        U" ",
        U" This File : /rolls/\u00E9t\u00E9.bar",
        U" Roll MFR : Roll MFGR - Generic",
        U" Roll Number : Roll Number Info",
        U" Title : Rock  Roll",
        U" Composer : Dvo\u00F8\u00E1k",
        U" Performer : Tab here",
        U" Tempo : 100",
        U" BAR file Steps per Inch : -12",
    };
    EXPECT_EQ(ShownReport(doc), expected);
    // The space after the title's "&" is the underlined character.
    auto lines = LayoutReport(DecodeText(BuildRollReport(doc).View()));
    const ReportLine title = {{U" Title : Rock ", false}, {U" ", true}, {U"Roll", false}};
    EXPECT_EQ(lines.at(9), title);
}

}  // namespace
