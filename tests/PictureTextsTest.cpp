#include <cairo.h>
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "expression/Expression.h"
#include "expression/RollProfile.h"
#include "picture/DisplayText.h"
#include "picture/MarkerTextRows.h"
#include "picture/NoteNames.h"
#include "picture/RollLayout.h"
#include "picture/RollScene.h"
#include "picture/SceneTexts.h"
#include "picture/TimeScale.h"
#include "platform/TextDecoding.h"
#include "support/HandRoll.h"

using namespace rollscribe;
using namespace testing_support;

namespace {

TEST(NoteNames, LabelsHaveTheNumberAndTheNameWithC4At60) {
    const std::pair<std::int32_t, const char*> cases[] = {
        {60, "60 C4"},  {61, "61 C#4"}, {21, "21 A0"},   {108, "108 C8"}, {59, "59 B3"},
        {15, "15 D#0"}, {0, "0 C-1"},   {127, "127 G9"}, {128, "128"},    {254, "254"},
    };
    for (auto [note, label] : cases) EXPECT_EQ(NoteLabel(note), label) << note;
    EXPECT_EQ(NoteName(-1), "");
    EXPECT_TRUE(IsBlackKey(61));
    EXPECT_TRUE(IsBlackKey(70));
    EXPECT_FALSE(IsBlackKey(60));
    EXPECT_FALSE(IsBlackKey(64));
    EXPECT_FALSE(IsBlackKey(-11));
}

TEST(DisplayText, ShowsUtf8AndWindows1252AndNoControlCharacters) {
    const std::pair<std::string, std::string> cases[] = {
        {"Evening Waltz", "Evening Waltz"},
        {"Caf\xE9", "Caf\u00E9"},
        {"Caf\xC3\xA9", "Caf\u00E9"},
        {"\x93quoted\x94 \x80", "\u201Cquoted\u201D \u20AC"},
        {"tab\there\nline\rend", "tab here line end"},
        {std::string("nul\0!", 5), "nul\uFFFD!"},
        {"\x01\x1F\x7F", "\uFFFD\uFFFD\uFFFD"},
        {"\x81\x8D", "\uFFFD\uFFFD"},                  // unassigned in Windows-1252
        {"\xC2\x85", "\uFFFD"},                        // a C1 control written in UTF-8
        {"\xEF\xBF\xBE\xEF\xBF\xBF", "\uFFFD\uFFFD"},  // non-characters XML forbids
        {"<&>\"'", "<&>\"'"},
    };
    for (const auto& [bytes, shown] : cases) EXPECT_EQ(DisplayText(bytes), shown) << bytes;
}

// Cairo refuses a text holding a noncharacter, and then draws nothing more: what it is handed
// has them replaced, and Cairo takes every result.
TEST(DisplayText, CairoTextReplacesTheNoncharactersCairoRefuses) {
    const std::pair<char32_t, bool> cases[] = {
        {U'A', true},     {0xD7FF, true},   {0xE000, true},    {0xFDCF, true},    {0xFDD0, false},
        {0xFDEF, false},  {0xFDF0, true},   {0xFFFD, true},    {0xFFFE, false},   {0xFFFF, false},
        {0x10000, true},  {0x1FFFD, true},  {0x1FFFE, false},  {0x1FFFF, false},  {0x20000, true},
        {0xEFFFF, false}, {0x10FFFD, true}, {0x10FFFE, false}, {0x10FFFF, false},
    };
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 1, 1);
    for (const auto& [c, kept] : cases) {
        std::string text = "a";
        AppendUtf8(text, c);
        text += "b";
        const std::string shown = CairoText(text);
        EXPECT_EQ(shown, kept ? text : "a\uFFFDb") << std::hex << static_cast<std::uint32_t>(c);
        cairo_t* cr = cairo_create(surface);
        cairo_text_extents_t extents;
        cairo_text_extents(cr, shown.c_str(), &extents);
        EXPECT_EQ(cairo_status(cr), CAIRO_STATUS_SUCCESS)
            << std::hex << static_cast<std::uint32_t>(c);
        cairo_destroy(cr);
    }
    cairo_surface_destroy(surface);
}

TEST(DisplayText, XmlEscapingCoversMarkupCharacters) {
    std::string out = "x";
    AppendXmlEscaped(out, "a<b>&\"c'");
    EXPECT_EQ(out, "xa&lt;b&gt;&amp;&quot;c'");
}

TEST(TimeScale, StepsLeaveRoomBetweenLabels) {
    struct Case {
        double pixelsPerUnit, spacing, seconds, inches;
    };
    const Case cases[] = {
        {80, 70, 1, 1},                        // 80 px a unit: every unit
        {40, 70, 2, 2},                        // 2 units are 80 px
        {10, 70, 10, 10},                      // 7 needed: 10
        {1, 70, 120, 100},                     // seconds: 70 needed, 120 is the next clock step
        {5, 70, 15, 20},                       // 14 needed
        {600, 70, 0.2, 0.2},                   // below a unit: fifths
        {300, 70, 0.5, 0.5},                   // 0.23 needed
        {0.00001, 70, 86400 * 100, 10000000},  // beyond a day: whole days
    };
    for (const Case& c : cases) {
        EXPECT_DOUBLE_EQ(SecondsStep(c.pixelsPerUnit, c.spacing), c.seconds) << c.pixelsPerUnit;
        EXPECT_DOUBLE_EQ(InchesStep(c.pixelsPerUnit, c.spacing), c.inches) << c.pixelsPerUnit;
    }
    EXPECT_DOUBLE_EQ(SecondsStep(0, 70), 1);
    EXPECT_DOUBLE_EQ(InchesStep(-3, 70), 1);
}

// Whatever the density, the marks of a row are at least a pixel apart: at one of almost 0 a row
// has none rather than one for every unit of the roll.
TEST(TimeScale, MarksAreBoundedByTheWidthAtEveryDensity) {
    HandRoll roll;
    roll.Hole(60, 0, 20000000);  // 20,000 inches
    RollScene scene(roll.Doc());
    for (double density : {4.9e-324, 1e-310, 1e-300, 0.01, 40.0, 4000.0}) {
        RollView view;
        view.width = 1000;
        view.pixelsPerInch = density;
        const RollLayout layout(scene, view);
        std::vector<ScaleMark> marks;
        CollectScaleMarks(scene, layout, 0, view.width, marks);
        EXPECT_LE(marks.size(), 2 * view.width) << density;
        std::size_t crowded = 0;
        for (std::size_t i = 1; i < marks.size(); ++i)
            crowded += marks[i].seconds == marks[i - 1].seconds && marks[i].x - marks[i - 1].x < 1;
        EXPECT_EQ(crowded, 0u) << density;
    }
}

TEST(TimeScale, ClockAndInchTexts) {
    struct Case {
        double value, step;
        const char* clock;
        const char* inches;
    };
    const Case cases[] = {
        {0, 1, "0:00", "0"},
        {5, 1, "0:05", "5"},
        {90, 30, "1:30", "90"},
        {1.5, 0.5, "0:01.5", "1.5"},
        {59.99, 0.1, "1:00.0", "60.0"},
        {3599, 1, "59:59", "3599"},
        {3600, 60, "1:00:00", "3600"},
        {3725, 60, "1:02:05", "3725"},
        {0.25, 0.05, "0:00.25", "0.25"},
        {36000, 3600, "10:00:00", "36000"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FormatClock(c.value, c.step), c.clock) << c.value;
        EXPECT_EQ(FormatInches(c.value, c.step), c.inches) << c.value;
    }
}

TEST(SceneTexts, HeaderSummaryNamesNumberTypeTempoLengthAndRange) {
    HandRoll roll("Ampico", 100);
    roll.Hole(60, 0, 2400).Hole(61, 100, 200);
    roll.Doc().m_strTempo = "5";  // converted at 100, as the parser settles it
    RollScene scene(roll.Doc());
    EXPECT_EQ(HeaderSummary(scene),
              "Roll H-1  \u00B7  Ampico  \u00B7  Tempo 5 (played at 100)  \u00B7  0:01  \u00B7  "
              "2 holes  \u00B7  notes 23\u201310"
              "5");
}

// A roll read without its annotation file shows no defaults as its own: the header says so.
TEST(SceneTexts, TheHeaderSaysWhenNoAnnotationFileWasRead) {
    const std::pair<bool, std::string> cases[] = {
        {true, ""}, {false, "Permission denied"}, {false, ""}};
    for (const auto& [missing, unreadable] : cases) {
        HandRoll roll;
        roll.Hole(60, 0, 2400);
        roll.Doc().m_annotationMissing = missing;
        roll.Doc().m_annotationUnreadable = unreadable;
        roll.Doc().m_strFileTitle = "CASE";
        RollScene scene(roll.Doc());
        const bool read = !missing && unreadable.empty();
        EXPECT_EQ(scene.Header().note, read      ? ""
                                       : missing ? "no annotation file"
                                                 : "annotation file not read");
        EXPECT_EQ(scene.Header().title, read ? "Hand-made roll" : "CASE");
        EXPECT_EQ(HeaderCredits(scene),
                  read ? "Composer Composer Info  \u00B7  Performer Performer Info" : "");
        EXPECT_EQ(HeaderSummary(scene).rfind("Roll H-1  \u00B7  Generic", 0) == 0, read)
            << HeaderSummary(scene);
        EXPECT_EQ(HeaderSummary(scene).rfind("Generic  \u00B7  Tempo 100", 0) == 0, !read);
    }
}

// With the expression shown, the status bar names a control hole by what it does; a note's hole
// stays a note.
TEST(SceneTexts, AControlHoleIsNamedByWhatItDoes) {
    HandRoll roll;
    roll.Hole(60, 0, 1000).Hole(121, 2000, 3000);
    RollScene scene(roll.Doc());
    const int control = scene.LaneOfNote(121);
    const int note = scene.LaneOfNote(60);
    ASSERT_GE(control, 0);
    ASSERT_GE(note, 0);
    const std::string plain = DescribeHole(scene, control, scene.Bars(control)[0]);
    EXPECT_EQ(plain.rfind("Note 121", 0), 0u) << plain;
    RollProfile profile;
    profile.lowestNote = 21;
    profile.highestNote = 108;
    profile.holes = {{121, HoleAction::sustainOn, Half::bass, 0, "sustain pedal on"}};
    scene.SetExpression(ExpressionResult{}, profile);
    EXPECT_EQ(DescribeHole(scene, control, scene.Bars(control)[0]),
              "Sustain pedal on, hole 106" + plain.substr(plain.find(':')));
    EXPECT_EQ(DescribeHole(scene, note, scene.Bars(note)[0]).rfind("Note 60 C4: ", 0), 0u);
}

// Away from holes and markers the status bar tells the time there; over the expression strip
// the levels and the pedals at that time.
TEST(SceneTexts, ThePlaceTheLevelsAndThePedalsAtATime) {
    HandRoll roll;
    roll.Hole(60, 0, 10000);
    RollScene scene(roll.Doc());
    ExpressionResult result;
    result.levels[0] = {{0, 40}, {4000, 80}, {4000, 60}, {10000, 60}};
    result.levels[1] = {{0, 70}};
    result.pedals = {{Pedal::sustain, 2000, 3000, 0, 0}, {Pedal::sustain, 5000, 6000, 0, 0}};
    scene.SetExpression(result, RollProfile{});
    const std::size_t lane = static_cast<std::size_t>(scene.LaneOfNote(60));
    const std::pair<std::string, std::string> cases[] = {
        {DescribePlace(scene, 7000, std::nullopt), "At 7.000 in, 0:03.500"},
        {DescribePlace(scene, 7000.4, lane), "At 7.000 in, 0:03.500, lane of note 60 C4"},
        {DescribePlace(scene, -5, std::nullopt), "At 0.000 in, 0:00.000"},  // held to the roll
        {DescribeLevels(scene, 2000), "Bass 60, treble 70 at 2.000 in, 0:01.000"},
        {DescribeLevels(scene, 4000), "Bass 60, treble 70 at 4.000 in, 0:02.000"},
        {DescribeLevels(scene, 3990), "Bass 80, treble 70 at 3.990 in, 0:01.995"},
        {DescribePedal(scene, 0, 2500),
         "Sustain pedal down at 2.500 in, 0:01.250 (2.000 in to 3.000 in)"},
        {DescribePedal(scene, 0, 3000),
         "Sustain pedal down at 3.000 in, 0:01.500 (2.000 in to 3.000 in)"},
        {DescribePedal(scene, 0, 4000), "Sustain pedal up at 4.000 in, 0:02.000"},
        {DescribePedal(scene, 0, 1000), "Sustain pedal up at 1.000 in, 0:00.500"},
        {DescribePedal(scene, 1, 2500), "Soft pedal up at 2.500 in, 0:01.250"},
    };
    for (const auto& [got, expected] : cases) EXPECT_EQ(got, expected);
    EXPECT_EQ(LevelAt({}, 10), std::nullopt);
    EXPECT_DOUBLE_EQ(LevelAt(result.levels[0], -1).value_or(0), 40);
    EXPECT_DOUBLE_EQ(LevelAt(result.levels[0], 20000).value_or(0), 60);
}

TEST(SceneTexts, CountsAreSingularForOneWithThousandsSeparators) {
    const std::pair<std::size_t, const char*> cases[] = {
        {0, "0 holes"},
        {1, "1 hole"},
        {2, "2 holes"},
        {999, "999 holes"},
        {1000, "1,000 holes"},
        {99999, "99,999 holes"},
        {100000, "100,000 holes"},
        {2509929, "2,509,929 holes"},
    };
    for (auto [count, text] : cases) EXPECT_EQ(Counted(count, "hole", "holes"), text);
}

TEST(SceneTexts, HeaderCreditsNameComposerAndPerformer) {
    const std::array<const char*, 3> cases[] = {
        {"", "", ""},
        {"Hanna Lindqvist", "", "Composer Hanna Lindqvist"},
        {"", "Ann \xE9", "Performer Ann \u00E9"},
        {"A", "B", "Composer A  \u00B7  Performer B"},
    };
    for (const auto& [composer, performer, credits] : cases) {
        HandRoll roll;
        roll.Doc().m_strComposer = composer;
        roll.Doc().m_strPerformer = performer;
        EXPECT_EQ(HeaderCredits(RollScene(roll.Doc())), credits);
    }
}

// Texts go whole into the lowest row they clear by 6 pixels, right of their line, or left of it
// where they would pass the roll's end (here at 200, 24 pixels of margin); a text that finds no
// row is not shown, and one wider than 480 pixels ends in an ellipsis. 10 pixels a byte here.
TEST(MarkerTextRows, StaggerWholeTextsInRows) {
    struct Case {
        std::int32_t time;
        std::string text;
        int row;  // -1 for none
        double offset, width;
        std::string shown;
    };
    const std::string longText(60, 'x');
    const Case cases[] = {
        {0, "aaaa", 0, 3, 40, "aaaa"},
        {20, "bb", 1, 3, 20, "bb"},
        {30, "c", 2, 3, 10, "c"},
        {35, "d", -1, 0, 0, ""},
        {46, "g", 0, 3, 10, "g"},        // 49 clears the first row's 43 by 6 exactly
        {60, "eeee", 1, 3, 40, "eeee"},  // 63 is 4 after the first row's 59
        {110, longText, 0, 3, 480, std::string(45, 'x') + "\u2026"},
        {195, "ffff", 1, -43, 40, "ffff"},  // 198 + 40 would pass 222
    };
    HandRoll roll;
    roll.Hole(60, 0, 200);
    for (const Case& c : cases) roll.Marker(242, c.time, c.text.c_str());
    RollScene scene(roll.Doc());
    const MarkerTextRows rows(
        scene, 1.0, [](std::string_view text) { return 10.0 * static_cast<double>(text.size()); });
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        const auto placed = rows.Of(i);
        ASSERT_EQ(placed.has_value(), c.row >= 0) << c.time;
        if (!placed) continue;
        EXPECT_EQ(placed->row, c.row) << c.time;
        EXPECT_EQ(placed->offset, c.offset) << c.time;
        EXPECT_EQ(placed->width, c.width) << c.time;
        EXPECT_EQ(rows.Shown(i), c.shown) << c.time;
    }
}

TEST(SceneTexts, HoleDescriptions) {
    HandRoll roll("Generic", 100);
    roll.Hole(60, 1200, 2400).Hole(20, 0, 3).Hole(128, 5, 6).Open(62, 100);
    RollScene scene(roll.Doc());
    auto describe = [&](std::int32_t note, std::size_t index) {
        const auto lane = static_cast<std::size_t>(scene.LaneOfNote(note));
        return DescribeHole(scene, lane, scene.Bars(lane)[index]);
    };
    EXPECT_EQ(describe(60, 0), "Note 60 C4: 1.200 in to 2.400 in, 0:00.600 to 0:01.200");
    EXPECT_EQ(describe(20, 0),
              "Note 20 G#0 (track 5, played silently): 0.000 in to 0.003 in, 0:00.000 to "
              "0:00.001");
    EXPECT_EQ(describe(128, 0),
              "Note 128 (track 113, not in the MIDI file): 0.005 in to 0.006 in, 0:00.003 to "
              "0:00.003");
    EXPECT_EQ(describe(62, 0),
              "Note 62 D4: 0.100 in to 2.400 in, 0:00.050 to 0:01.200, still open at the end");
}

TEST(SceneTexts, MarkerLabelsAreTextsOrCodes) {
    HandRoll roll;
    roll.Marker(242, 0, "la").Marker(250, 1).Marker(241, 2);
    RollScene scene(roll.Doc());
    EXPECT_EQ(MarkerLabel(scene, scene.Markers()[0]), "la");
    EXPECT_EQ(MarkerLabel(scene, scene.Markers()[1]), "250");
    EXPECT_EQ(MarkerLabel(scene, scene.Markers()[2]), "");
}

}  // namespace
