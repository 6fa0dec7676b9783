#include <cairo.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <filesystem>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "expression/Expression.h"
#include "expression/ProfileLocator.h"
#include "picture/PictureFiles.h"
#include "picture/RollPalette.h"
#include "platform/CException.h"
#include "roll/CRollscribeDoc.h"
#include "roll/OutputNames.h"
#include "roll/RollLoader.h"
#include "support/EventHoles.h"
#include "support/FileFaultPlan.h"
#include "support/HandRoll.h"
#include "support/ShellRun.h"
#include "support/SvgReading.h"
#include "support/TestFiles.h"

using namespace rollscribe;
using namespace testing_support;
namespace fs = std::filesystem;

namespace {

std::vector<EventHole> HolesOfSvg(const std::string& svg, int* open = nullptr) {
    std::vector<EventHole> holes;
    static const std::regex rect(
        "<rect class=\"hole\" data-note=\"(\\d+)\" data-start=\"(-?\\d+)\""
        " data-end=\"(-?\\d+)\"( data-open=\"true\")?");
    for (auto it = std::sregex_iterator(svg.begin(), svg.end(), rect); it != std::sregex_iterator();
         ++it) {
        holes.push_back(
            {std::stoi((*it)[1]), std::stoi((*it)[2]), std::stoi((*it)[3]), (*it)[4].matched});
        if (open && (*it)[4].matched) ++*open;
    }
    std::sort(holes.begin(), holes.end());
    return holes;
}

HandRoll SampleRoll() {
    HandRoll roll("Duo-Art", 90);
    roll.Doc().m_strTitle = "Caf\xE9 <Night> & \"Day\"\x01";
    roll.Hole(60, 1000, 3000)
        .Hole(60, 3000, 3100)
        .Hole(24, 0, 400)
        .Hole(130, 100, 200)
        .Open(40, 2500)
        .Open(90, 2600)
        .Marker(240, 0,
                "(c) <1925> & \x93"
                "Co\x94")
        .Marker(242, 10, "\x02lyric\x7F")
        .Marker(251, 3500);
    return roll;
}

TEST(PictureFiles, FormatNamesAndPaths) {
    EXPECT_EQ(PictureFormatNamed("png"), PictureFormat::png);
    EXPECT_EQ(PictureFormatNamed("SVG"), PictureFormat::svg);
    EXPECT_EQ(PictureFormatNamed("Pdf"), PictureFormat::pdf);
    EXPECT_EQ(PictureFormatNamed("PDF-A4"), PictureFormat::pdfA4);
    EXPECT_EQ(PictureFormatNamed("pdf-letter"), PictureFormat::pdfLetter);
    EXPECT_EQ(PictureOutputExtension(PictureFormat::pdfA4), ".pdf");
    EXPECT_EQ(PictureFormatNamed("jpg"), std::nullopt);
    EXPECT_EQ(PictureFormatNamed(""), std::nullopt);
    CRollscribeDoc doc;
    doc.m_strDirectory = "/rolls/";
    doc.m_strFileTitle = "x123";
    EXPECT_EQ(OutputPathOf(doc, PictureOutputExtension(PictureFormat::png)),
              "/rolls/x123_BAR_e.png");
    EXPECT_EQ(OutputPathOf(doc, PictureOutputExtension(PictureFormat::svg)),
              "/rolls/x123_BAR_e.svg");
    EXPECT_EQ(OutputPathOf(doc, PictureOutputExtension(PictureFormat::pdf)),
              "/rolls/x123_BAR_e.pdf");
}

TEST(PictureFiles, PngDecodesToThePicturesSize) {
    TempDir dir;
    HandRoll roll = SampleRoll();
    RollScene scene(roll.Doc());
    for (PictureOptions options : {PictureOptions{}, PictureOptions{100, 6}}) {
        const fs::path path = dir / "roll.png";
        WritePng(scene, CString(path.string()), options);
        const RollView view = WholeRollView(scene, options);
        cairo_surface_t* png = cairo_image_surface_create_from_png(path.c_str());
        ASSERT_EQ(cairo_surface_status(png), CAIRO_STATUS_SUCCESS);
        EXPECT_EQ(cairo_image_surface_get_width(png), static_cast<int>(view.width));
        EXPECT_EQ(cairo_image_surface_get_height(png), static_cast<int>(view.height));
        // A note's hole is where the layout puts it.
        const RollLayout layout(scene, view);
        const auto lane = static_cast<std::size_t>(scene.LaneOfNote(60));
        const int x = static_cast<int>(layout.XOfTime(2000));
        const int y = static_cast<int>(layout.LaneTop(lane) + view.laneHeight / 2);
        const auto* row = reinterpret_cast<const std::uint32_t*>(
            cairo_image_surface_get_data(png) + y * cairo_image_surface_get_stride(png));
        EXPECT_EQ(row[x] & 0xFFFFFF, palette::kNote.rgb);
        cairo_surface_destroy(png);
    }
}

TEST(PictureFiles, VeryLongRollMakesAPngCairoCanHold) {
    TempDir dir;
    HandRoll roll;
    roll.Hole(60, 0, 1000).Hole(61, 500000000, 500001000);  // half a million inches
    RollScene scene(roll.Doc());
    const fs::path path = dir / "long.png";
    WritePng(scene, CString(path.string()));
    cairo_surface_t* png = cairo_image_surface_create_from_png(path.c_str());
    ASSERT_EQ(cairo_surface_status(png), CAIRO_STATUS_SUCCESS);
    EXPECT_EQ(cairo_image_surface_get_width(png), 32767);
    cairo_surface_destroy(png);
}

TEST(PictureFiles, SvgHasEveryHoleOfTheEventsOnItsNote) {
    HandRoll roll = SampleRoll();
    RollScene scene(roll.Doc());
    TempDir dir;
    WriteSvg(scene, CString((dir / "roll.svg").string()));
    ExpectWellFormedSvg(dir / "roll.svg");
    const std::string svg = Slurp(dir / "roll.svg");
    int open = 0;
    EXPECT_EQ(HolesOfSvg(svg, &open), HolesOfEvents(roll.Doc()));
    EXPECT_EQ(open, 2);
    EXPECT_EQ(HolesOfEvents(roll.Doc()).size(), 6u);
}

// The SVG of a roll shown with its expression has a band for each time a pedal was down, with
// the pedal and its roll positions, and a level curve for each half, for pedals worked by
// holes held open and by holes that latch, and for a pedal still down at the roll's end.
TEST(PictureFiles, SvgPedalBandsCarryTheirPedalAndPositions) {
    struct H {
        std::int32_t note, start, end;
    };
    struct Row {
        const char* profile;
        std::vector<H> holes;
        std::vector<std::string> pedals;
    };
    const Row rows[] = {
        {"duo-art",
         {{18, 1000, 2500}, {18, 4000, 4200}, {113, 2000, 6000}, {60, 500, 7000}},
         // held while open: up 0.043 in after the hole's end, by the tracker bar's aperture
         {"pedal sustain 1000 2543", "pedal sustain 4000 4243", "pedal soft 2000 6043"}},
        {"welte-red",
         {{106, 1000, 1050},
          {107, 3000, 3050},
          {21, 2000, 2040},
          {20, 5000, 5040},
          {60, 500, 7000}},
         {"pedal sustain 1000 3000", "pedal soft 2000 5000"}},
        {"duo-art",
         {{60, 0, 3000}, {18, 2000, 2500}, {113, 2500, 9000}},
         {"pedal sustain 2000 2543", "pedal soft 2500 9043"}},
    };
    for (const Row& row : rows) {
        HandRoll roll("Hand-made", 50);
        for (const H& h : row.holes) roll.Hole(h.note, h.start, h.end);
        const RollProfile profile = LoadProfile(row.profile);
        RollScene scene(roll.Doc());
        scene.SetExpression(EmulateExpression(roll.Doc(), profile), profile);
        TempDir dir;
        WriteSvg(scene, CString((dir / "roll.svg").string()));
        std::vector<std::string> pedals, levels;
        for (const std::string& line : SvgExpression(dir / "roll.svg")) {
            if (line.starts_with("pedal "))
                pedals.push_back(line);
            else  // without its count of points
                levels.push_back(line.substr(0, line.rfind(' ')));
        }
        EXPECT_EQ(pedals, row.pedals) << row.profile;
        EXPECT_EQ(levels, (std::vector<std::string>{"level bass", "level treble"})) << row.profile;
    }
}

TEST(PictureFiles, SvgOfAParsedRollMatchesItsEvents) {
    TempDir dir;
    for (const char* name : {"evening_waltz.bar", "evening_waltz.ann"})
        fs::copy_file(fs::path(EXAMPLES_DIR) / name, dir / name);
    CRollscribeDoc doc;
    LoadRollFile(doc, CString((dir / "evening_waltz.bar").string()));
    RollScene scene(doc);
    const CString path = OutputPathOf(doc, kSvgExtension);
    WriteSvg(scene, path);
    ExpectWellFormedSvg(path.ToStdString());
    const auto holes = HolesOfSvg(Slurp(path.ToStdString()));
    EXPECT_EQ(holes, HolesOfEvents(doc));
    EXPECT_GT(holes.size(), 100u);
}

TEST(PictureFiles, SvgTextIsEscapedAndFreeOfControlBytes) {
    HandRoll roll = SampleRoll();
    RollScene scene(roll.Doc());
    TempDir dir;
    WriteSvg(scene, CString((dir / "roll.svg").string()));
    const std::string svg = Slurp(dir / "roll.svg");
    for (char c : svg) {
        const auto byte = static_cast<unsigned char>(c);
        ASSERT_TRUE(byte >= 0x20 || byte == '\n') << "control byte " << int{byte};
    }
    EXPECT_NE(svg.find("<title>Caf\u00E9 &lt;Night&gt; &amp; &quot;Day&quot;\uFFFD</title>"),
              std::string::npos);
    EXPECT_NE(svg.find("(c) &lt;1925&gt; &amp; \u201CCo\u201D"), std::string::npos);
    EXPECT_NE(svg.find("\uFFFDlyric\uFFFD"), std::string::npos);
    EXPECT_EQ(svg.find("<Night>"), std::string::npos);
    ExpectWellFormedSvg(dir / "roll.svg");
    EXPECT_EQ(svg.substr(svg.size() - 7), "</svg>\n");
}

// Marker texts are never cut: each one shown is its whole text (the title of its marker), and
// in the example roll, whose texts are close together and three of them at its start, every
// text record is shown (a fourth marker there, a bare code, finds no row), "The End" at the
// roll's very end too.
TEST(PictureFiles, MarkerTextsAreShownWhole) {
    TempDir dir;
    for (const char* name : {"evening_waltz.bar", "evening_waltz.ann"})
        fs::copy_file(fs::path(EXAMPLES_DIR) / name, dir / name);
    CRollscribeDoc doc;
    LoadRollFile(doc, CString((dir / "evening_waltz.bar").string()));
    RollScene scene(doc);
    const CString path = OutputPathOf(doc, kSvgExtension);
    WriteSvg(scene, path);
    ExpectWellFormedSvg(path.ToStdString());
    const std::string svg = Slurp(path.ToStdString());
    static const std::regex group(
        "<g class=\"marker\"[^\\n]*?<title>([^<]*)</title>[^\\n]*?<text [^>]*>([^<]*)</text>");
    std::size_t shown = 0;
    for (auto it = std::sregex_iterator(svg.begin(), svg.end(), group);
         it != std::sregex_iterator(); ++it, ++shown)
        EXPECT_EQ((*it)[2], (*it)[1]);
    const auto markers = scene.Markers();
    EXPECT_EQ(shown, markers.size() - 1);
    EXPECT_EQ(svg.find(">245</text>"), std::string::npos);
    // "The End" stands left of its line, at the roll's end.
    static const std::regex end("data-time=\"(\\d+)\"[^\\n]*<text x=\"([0-9.]+)\"[^>]*>The End<");
    std::smatch found;
    ASSERT_TRUE(std::regex_search(svg, found, end));
    const RollLayout layout(scene, WholeRollView(scene, {}));
    EXPECT_LT(std::stod(found[2]), layout.XOfTime(std::stoi(found[1])) - 20);
}

// Noncharacters in a title or a text record: Cairo's pictures show U+FFFD, the SVG keeps them.
TEST(PictureFiles, TextsCairoRefusesAreDrawnAndTheSvgKeepsThem) {
    HandRoll roll;
    roll.Doc().m_strTitle =
        "Night\xEF\xB7\x90"
        "Day\xF4\x8F\xBF\xBF";  // U+FDD0, U+10FFFF
    roll.Hole(60, 0, 1000)
        .Marker(242, 10,
                "la\xF0\x9F\xBF\xBE"
                "la");  // U+1FFFE
    RollScene scene(roll.Doc());
    TempDir dir;
    for (PictureFormat format : {PictureFormat::png, PictureFormat::pdf, PictureFormat::svg}) {
        const fs::path path = dir / (std::string("roll.") + PictureExtension(format));
        EXPECT_NO_THROW(WritePicture(scene, format, CString(path.string()))) << path;
        EXPECT_GT(fs::file_size(path), 100u) << path;
    }
    cairo_surface_t* png = cairo_image_surface_create_from_png((dir / "roll.png").c_str());
    EXPECT_EQ(cairo_surface_status(png), CAIRO_STATUS_SUCCESS);
    cairo_surface_destroy(png);
    ExpectWellFormedSvg(dir / "roll.svg");
    const std::string svg = Slurp(dir / "roll.svg");
    EXPECT_NE(svg.find(">Night\uFDD0"
                       "Day\U0010FFFF</text>"),
              std::string::npos);
    EXPECT_NE(svg.find("<title>la\U0001FFFE"
                       "la</title>"),
              std::string::npos);
}

TEST(PictureFiles, PdfPagesCarryALongRollAtMost14400PointsWide) {
    struct Case {
        std::int32_t end;
        std::size_t pages;
    };
    // At 40 points an inch: 300 inches are one page, 800 inches three.
    for (const Case& c : {Case{300000, 1}, Case{800000, 3}}) {
        HandRoll roll;
        roll.Hole(60, 0, c.end);
        RollScene scene(roll.Doc());
        TempDir dir;
        WritePdf(scene, CString((dir / "roll.pdf").string()));
        const std::string pdf = Slurp(dir / "roll.pdf");
        EXPECT_EQ(pdf.substr(0, 5), "%PDF-");
        EXPECT_NE(pdf.find("%%EOF", pdf.size() - 16), std::string::npos);
        static const std::regex box("/MediaBox \\[ 0 0 ([0-9.]+) ([0-9.]+) \\]");
        std::vector<double> widths;
        for (auto it = std::sregex_iterator(pdf.begin(), pdf.end(), box);
             it != std::sregex_iterator(); ++it)
            widths.push_back(std::stod((*it)[1]));
        EXPECT_EQ(widths.size(), c.pages) << c.end;
        for (double w : widths) EXPECT_LE(w, 14400) << c.end;
    }
}

// The paged PDF files: rows that fit the paper, as many a page as fit, every page of the
// paper's size, as poppler's pdftoppm renders them (poppler-utils, scripts/install-deps.sh).
TEST(PictureFiles, PagedPdfCutsTheRollIntoRowsOnPagesOfThePaper) {
    struct Case {
        const char* name;
        PictureFormat format;
        PaperSize paper;
        int lanes;         // notes from 30 up, each with a hole
        std::int32_t end;  // the roll's length
        int rows, pages;
    };
    // A4 rows show 455 points of roll (11.4 inches at 40 points an inch), Letter rows 472 (11.8);
    // a row of one 10-point lane is 96 points high, 6 to a page; 220 lanes are lower, a row a
    // page.
    const Case cases[] = {
        {"a4", PictureFormat::pdfA4, kA4Paper, 1, 100000, 9, 2},
        {"letter", PictureFormat::pdfLetter, kLetterPaper, 1, 100000, 9, 2},
        {"short", PictureFormat::pdfA4, kA4Paper, 1, 5000, 1, 1},
        {"many_lanes", PictureFormat::pdfA4, kA4Paper, 220, 20000, 2, 2},
    };
    for (const Case& c : cases) {
        HandRoll roll;
        for (int lane = 0; lane < c.lanes; ++lane) roll.Hole(30 + lane, lane * 10, c.end);
        RollScene scene(roll.Doc());
        const PagedLayout layout = LayOutPages(scene, c.paper, {});
        EXPECT_EQ(layout.rows, c.rows) << c.name;
        EXPECT_EQ(layout.pages, c.pages) << c.name;
        const double usable =
            c.paper.height - 2 * PagedLayout::kMargin - PagedLayout::kFooterHeight;
        const int onFirst = std::min(layout.rows, layout.rowsPerPage);
        EXPECT_LE((layout.row.height + (onFirst - 1) * (layout.rowHeight + PagedLayout::kRowGap)) *
                      layout.scale,
                  usable + 1e-6)
            << c.name;
        EXPECT_NEAR(layout.row.width * layout.scale, c.paper.width - 2 * PagedLayout::kMargin,
                    1e-6);
        EXPECT_GE(layout.rows * layout.rowTime, scene.EndTime()) << c.name;
        EXPECT_EQ(layout.row.laneHeight<10, c.lanes> 100) << c.name;

        TempDir dir;
        const fs::path pdf = dir / "roll.pdf";
        WritePicture(scene, c.format, CString(pdf.string()));
        const ShellRun run = RunShell("pdftoppm -r 18 -png " + Q(pdf) + " " + Q(dir / "page"));
        ASSERT_EQ(run.status, 0) << "pdftoppm (poppler-utils) is needed: " << run.err;
        std::vector<fs::path> pages;
        for (const auto& entry : fs::directory_iterator(dir.Path()))
            if (entry.path().filename().string().rfind("page", 0) == 0) pages.push_back(entry);
        EXPECT_EQ(pages.size(), static_cast<std::size_t>(c.pages)) << c.name;
        for (const fs::path& page : pages) {
            cairo_surface_t* png = cairo_image_surface_create_from_png(page.c_str());
            ASSERT_EQ(cairo_surface_status(png), CAIRO_STATUS_SUCCESS) << page;
            EXPECT_NEAR(cairo_image_surface_get_width(png), c.paper.width / 4, 1) << page;
            EXPECT_NEAR(cairo_image_surface_get_height(png), c.paper.height / 4, 1) << page;
            cairo_surface_destroy(png);
        }
    }
}

class PictureFileWriting : public ::testing::TestWithParam<PictureFormat> {};

// A new picture gets the permissions of any file the user creates; a replaced one keeps its own.
TEST_P(PictureFileWriting, NewFilesGetTheUsersPermissionsReplacedOnesKeepTheirs) {
    TempDir dir;
    HandRoll roll = SampleRoll();
    RollScene scene(roll.Doc());
    const fs::path path = dir / (std::string("roll.") + PictureExtension(GetParam()));
    const mode_t old = ::umask(027);
    WritePicture(scene, GetParam(), CString(path.string()));
    if (GetParam() == PictureFormat::svg) ExpectWellFormedSvg(path);
    EXPECT_EQ(fs::status(path).permissions(), fs::perms(0640));
    WriteFile(path, "old");
    ::chmod(path.c_str(), 0600);
    WritePicture(scene, GetParam(), CString(path.string()));
    ::umask(old);
    EXPECT_GT(fs::file_size(path), 100u);
    EXPECT_EQ(fs::status(path).permissions(), fs::perms(0600));
    EXPECT_EQ(ListDir(dir.Path()), std::vector<std::string>{path.filename().string()});
}

TEST_P(PictureFileWriting, AFailedWriteLeavesTheOldFileAndNoTemporaryOne) {
    TempDir dir;
    HandRoll roll = SampleRoll();
    RollScene scene(roll.Doc());
    const fs::path path = dir / (std::string("roll.") + PictureExtension(GetParam()));
    WriteFile(path, "old");
    for (FileOperation operation :
         {FileOperation::create, FileOperation::write, FileOperation::rename}) {
        FileFaultPlan plan({{operation, path.filename().string(), ENOSPC}});
        try {
            WritePicture(scene, GetParam(), CString(path.string()));
            ADD_FAILURE() << "no error for operation " << static_cast<int>(operation);
        } catch (const CFileException& e) {
            EXPECT_EQ(e.Path(), path.string());
            EXPECT_EQ(e.m_lOsError, ENOSPC);
        }
        EXPECT_EQ(ReadFile(path), BytesOf("old"));
        EXPECT_EQ(ListDir(dir.Path()), std::vector<std::string>{path.filename().string()});
    }
}

TEST_P(PictureFileWriting, AMissingFolderIsAnErrorNamingTheFile) {
    TempDir dir;
    HandRoll roll = SampleRoll();
    RollScene scene(roll.Doc());
    const fs::path path = dir / "missing" / "roll.out";
    try {
        WritePicture(scene, GetParam(), CString(path.string()));
        ADD_FAILURE() << "no error";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.Path(), path.string());
        EXPECT_EQ(e.m_lOsError, ENOENT);
    }
}

TEST_P(PictureFileWriting, AnEmptyRollStillMakesAPicture) {
    TempDir dir;
    HandRoll roll;
    RollScene scene(roll.Doc());
    const fs::path path = dir / "empty.out";
    WritePicture(scene, GetParam(), CString(path.string()));
    EXPECT_GT(fs::file_size(path), 100u);
    if (GetParam() == PictureFormat::svg) ExpectWellFormedSvg(path);
}

INSTANTIATE_TEST_SUITE_P(Formats, PictureFileWriting,
                         ::testing::Values(PictureFormat::png, PictureFormat::svg,
                                           PictureFormat::pdf),
                         [](const ::testing::TestParamInfo<PictureFormat>& info) {
                             return std::string(PictureExtension(info.param));
                         });

}  // namespace
