#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <limits>
#include <vector>

#include "roll/AnnotationReader.h"
#include "roll/CRollscribeDoc.h"
#include "support/RollFixture.h"

using namespace rollscribe;
using namespace testing_support;

namespace {

using Entries = std::vector<std::pair<std::string, std::string>>;

Entries EntriesOf(const CRollscribeDoc& doc) {
    Entries out;
    CString key, value;
    for (auto pos = doc.m_annotations.GetStartPosition(); pos;) {
        doc.m_annotations.GetNextAssoc(pos, key, value);
        out.emplace_back(key.ToStdString(), value.ToStdString());
    }
    return out;
}

struct LinesCase {
    const char* name;
    std::string_view file;
    Entries entries;

    friend void PrintTo(const LinesCase& c, std::ostream* os) { *os << c.name; }
};

class AnnotationLines : public ::testing::TestWithParam<LinesCase> {};

TEST_P(AnnotationLines, BecomeEntriesInFirstAppearanceOrder) {
    CRollscribeDoc doc;
    ReadAnnotations(doc, GetParam().file);
    EXPECT_EQ(EntriesOf(doc), GetParam().entries);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AnnotationLines,
    ::testing::Values(
        LinesCase{"crlf", "/a: 1\r\n/b: 2\r\n", {{"/a", "1"}, {"/b", "2"}}},
        LinesCase{"lone_cr_and_last_line_without_end", "/a: 1\r/b: 2", {{"/a", "1"}, {"/b", "2"}}},
        LinesCase{
            "lf_only_is_one_line", "/title: X\n/composer: Y\n", {{"/title", "X/composer: Y"}}},
        LinesCase{"blanks_trimmed_around_key_and_value",
                  "  /title :  X  \r\n\t/b\t:\tv\v\f\r\n",
                  {{"/title", "X"}, {"/b", "v"}}},
        LinesCase{"further_colons_belong_to_value",
                  "/title: Op. 2: Allegro\r\n",
                  {{"/title", "Op. 2: Allegro"}}},
        LinesCase{"no_colon_gives_empty_key", "remark here\r\n", {{"", "remark here"}}},
        LinesCase{"colon_first_gives_empty_key", ": v\r\n", {{"", "v"}}},
        LinesCase{"short_lines_ignored", "a\r\n:\r\nab\r\n\r\n", {{"", "ab"}}},
        LinesCase{"empty_value", "/title:\r\n", {{"/title", ""}}},
        LinesCase{"later_value_wins_first_position_kept",
                  "/b: 1\r\n/a: 2\r\n/b: 3\r\n",
                  {{"/b", "3"}, {"/a", "2"}}},
        LinesCase{"keys_are_case_sensitive",
                  "/Title: X\r\n/title: Y\r\n",
                  {{"/Title", "X"}, {"/title", "Y"}}},
        LinesCase{"single_trailing_character_ignored", "/a: 1\r\nx", {{"/a", "1"}}},
        // A one-character line with nothing after it that could replace its entry.
        LinesCase{"lone_one_character_line_ignored", ":\r\n", {}},
        LinesCase{"one_character_line_before_other_keys_ignored", "x\r\n/a: 1\r\n", {{"/a", "1"}}},
        LinesCase{"high_bytes_kept", "/title: Caf\xE9 \xFF\r\n", {{"/title", "Caf\xE9 \xFF"}}},
        LinesCase{"empty_file", "", {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AnnotationReader, KnownKeysSetTheFields) {
    CRollscribeDoc doc;
    ReadAnnotations(
        doc,
        "/title: Nocturne in E flat\r\n/composer:   A. Composer\r\n/pianist: A. Pianist\r\n"
        "/roll_number: 215\r\n/roll_type: 88-note\r\n/roll_tempo: 80\r\n"
        "/sample_rate: 300\r\n/recorded: 1925: in the studio\r\n\r\nremark without colon\r\n");
    EXPECT_EQ(doc.m_tempo, 80);
    EXPECT_EQ(doc.m_strTempo, "80");
    EXPECT_EQ(doc.m_sampleRate, 300);
    EXPECT_EQ(doc.m_strTitle, "Nocturne in E flat");
    EXPECT_EQ(doc.m_strComposer, "A. Composer");
    EXPECT_EQ(doc.m_strPerformer, "A. Pianist");
    EXPECT_EQ(doc.m_strRollNumber, "215");
    EXPECT_EQ(doc.m_strRollType, "88-note");
    EXPECT_EQ(doc.m_strManufacturer, "88-note");
    EXPECT_EQ(doc.m_annotations.GetCount(), 9u);
    EXPECT_TRUE(doc.m_strInfo.View().ends_with("roll.ann\n"));
}

TEST(AnnotationReader, EmptyFileKeepsDefaultsButManufacturerBecomesRollType) {
    CRollscribeDoc doc;
    ReadAnnotations(doc, "");
    EXPECT_EQ(doc.m_strManufacturer, "Generic");
    EXPECT_EQ(doc.m_strTitle, "Roll Title Info");
    EXPECT_EQ(doc.m_tempo, 100);
    EXPECT_EQ(doc.m_sampleRate, 800);
    EXPECT_EQ(doc.m_annotations.GetCount(), 0u);
}

TEST(AnnotationReader, MissingFileOnlyAddsAMessage) {
    TempDir dir;
    CRollscribeDoc doc;
    doc.m_strDirectory = CString(dir.Path().string() + "/");
    doc.m_strFileTitle = "roll";
    doc.ReadAnnotationFile();
    EXPECT_EQ(doc.m_strInfo, CString("Select BAR file to convert.\n ** Unable to open ANN file : " +
                                     dir.Path().string() + "/roll.ann"));
    EXPECT_EQ(doc.m_strManufacturer, "Roll MFGR - Generic");
    EXPECT_EQ(doc.m_sampleRate, 800);
}

TEST(AnnotationReader, TempoTextKeptAsWrittenNumberByAtoi) {
    CRollscribeDoc doc;
    ReadAnnotations(doc, "/roll_tempo: 80 fpm\r\n/sample_rate: fast\r\n");
    EXPECT_EQ(doc.m_strTempo, "80 fpm");
    EXPECT_EQ(doc.m_tempo, 80);
    EXPECT_EQ(doc.m_sampleRate, 0);
}

struct LineWithWorkingTexts {
    const char* line;
    const char* key;
    const char* value;
};

// The key and value given to the line parser are only its working texts: whatever they hold,
// the entry comes from the line alone.
TEST(AnnotationReader, LineParserIgnoresWhatItsWorkingTextsHeld) {
    const LineWithWorkingTexts cases[] = {
        {"remark without colon", "", "remark without colon"},
        {": v", "", "v"},
        {"/title: X", "/title", "X"},
        {"/title:", "/title", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        CRollscribeDoc doc;
        doc.ParseAnnotationLine(c.line, "stale key", "stale value");
        CString value = "absent";
        ASSERT_TRUE(doc.m_annotations.Lookup(c.key, value));
        EXPECT_EQ(value, c.value);
        EXPECT_EQ(doc.m_annotations.GetCount(), 1u);
    }
}
// A file eight times as long takes about eight times as long, not sixty-four: the best of a few
// runs of each, with room for a loaded machine and a sanitizer build.
double ThreadSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

TEST(AnnotationReader, LongFileOfManyLinesReadsInLinearTime) {
    auto fileOf = [](int lines) {
        std::string text;
        for (int i = 0; i < lines; ++i) text += "/k" + std::to_string(i % 1000) + ": v\r\n";
        return text;
    };
    auto bestSeconds = [](const std::string& text) {
        double best = std::numeric_limits<double>::max();
        // The thread's processor time, best of five: other work on a loaded machine moves
        // wall time, not this.
        for (int run = 0; run < 5; ++run) {
            CRollscribeDoc doc;
            const double start = ThreadSeconds();
            ReadAnnotations(doc, text);
            best = std::min(best, ThreadSeconds() - start);
            EXPECT_EQ(doc.m_annotations.GetCount(), 1000u);
        }
        return best;
    };
    const double small = bestSeconds(fileOf(25000));
    const double large = bestSeconds(fileOf(200000));
    EXPECT_LT(large, 24 * small) << small << " s for 25,000 lines, " << large << " s for 200,000";
}

struct AtoiCase {
    const char* text;
    std::int32_t value;
};

TEST(Atoi, BehavesLikeTheCLibraryAndSaturates) {
    const AtoiCase cases[] = {
        {"80", 80},
        {"80 fpm", 80},
        {"80.5", 80},
        {"fast", 0},
        {"", 0},
        {"  -12x", -12},
        {"+7", 7},
        {"\t\n 9", 9},
        {"- 5", 0},
        {"2147483647", 2147483647},
        {"2147483648", std::numeric_limits<std::int32_t>::max()},
        {"99999999999999999999", std::numeric_limits<std::int32_t>::max()},
        {"-2147483648", std::numeric_limits<std::int32_t>::min()},
        {"-99999999999999999999", std::numeric_limits<std::int32_t>::min()},
        {"007", 7},
    };
    for (const auto& c : cases) EXPECT_EQ(Atoi(c.text), c.value) << '"' << c.text << '"';
}

}  // namespace
