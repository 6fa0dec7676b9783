#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "picture/FontCaches.h"
#include "platform/CException.h"
#include "support/HandRoll.h"
#include "support/SvgReading.h"
#include "support/TestFiles.h"
#include "ui/PictureExport.h"

using namespace rollscribe;
using namespace testing_support;
namespace fs = std::filesystem;

namespace {

// The font caches that drawing texts filled go at the end, so that the leak checker finds none.
class FontCacheRelease : public ::testing::Environment {
  public:
    void TearDown() override { ReleaseFontCaches(); }
};
const auto* const kFontCacheRelease = ::testing::AddGlobalTestEnvironment(new FontCacheRelease);

struct TargetCase {
    const char* name;
    std::string chosen;
    PictureFormat type;
    std::string path;
    PictureFormat format;
    bool added;

    friend void PrintTo(const TargetCase& c, std::ostream* os) { *os << c.name; }
};

class ExportTarget : public ::testing::TestWithParam<TargetCase> {};

TEST_P(ExportTarget, TheNamesExtensionOrTheChosenType) {
    const TargetCase& c = GetParam();
    const PictureTarget target = PictureTargetFor(c.chosen, c.type);
    EXPECT_EQ(target.path, c.path);
    EXPECT_EQ(target.format, c.format);
    EXPECT_EQ(target.extensionAdded, c.added);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ExportTarget,
    ::testing::Values(TargetCase{"png_as_chosen", "/p/roll.png", PictureFormat::png, "/p/roll.png",
                                 PictureFormat::png, false},
                      TargetCase{"extension_wins_over_type", "/p/roll.svg", PictureFormat::png,
                                 "/p/roll.svg", PictureFormat::svg, false},
                      TargetCase{"any_letter_case", "/p/roll.PDF", PictureFormat::svg,
                                 "/p/roll.PDF", PictureFormat::pdf, false},
                      TargetCase{"no_extension_gets_the_types", "/p/roll", PictureFormat::pdf,
                                 "/p/roll.pdf", PictureFormat::pdf, true},
                      TargetCase{"other_extension_is_kept", "/p/roll.v2", PictureFormat::svg,
                                 "/p/roll.v2.svg", PictureFormat::svg, true},
                      TargetCase{"dot_in_a_folder_only", "/p.png/roll", PictureFormat::png,
                                 "/p.png/roll.png", PictureFormat::png, true},
                      TargetCase{"hidden_file_named_like_a_type", "/p/.svg", PictureFormat::png,
                                 "/p/.svg", PictureFormat::svg, false},
                      TargetCase{"paged_pdf_type_kept", "/p/roll.Pdf", PictureFormat::pdfLetter,
                                 "/p/roll.Pdf", PictureFormat::pdfLetter, false},
                      TargetCase{"strip_pdf_from_png_type", "/p/roll.pdf", PictureFormat::png,
                                 "/p/roll.pdf", PictureFormat::pdf, false},
                      TargetCase{"format_name_is_no_extension", "/p/roll.pdf-a4",
                                 PictureFormat::pdfA4, "/p/roll.pdf-a4.pdf", PictureFormat::pdfA4,
                                 true},
                      TargetCase{"bytes_that_are_not_utf8", "/p/caf\xE9", PictureFormat::png,
                                 "/p/caf\xE9.png", PictureFormat::png, true}),
    [](const ::testing::TestParamInfo<TargetCase>& info) { return std::string(info.param.name); });

class Export : public ::testing::Test {
  protected:
    void SetUp() override {
        m_roll.Hole(60, 0, 1000).Hole(64, 500, 2000).Marker(242, 800, "la");
        m_scene = std::make_unique<RollScene>(m_roll.Doc());
        WriteFile(m_dir / "roll.bar", "BAR roll bytes");
        WriteFile(m_dir / "roll.ann", "/title: x\r\n");
        WriteFile(m_dir / "roll_BAR_e.mid", "MThd");
    }
    std::vector<CString> Protected() const {
        return {CString((m_dir / "roll.bar").string()), CString((m_dir / "roll.ann").string()),
                CString((m_dir / "roll_BAR_e.mid").string())};
    }

    HandRoll m_roll;
    std::unique_ptr<RollScene> m_scene;
    TempDir m_dir;
};

TEST_F(Export, WritesEachFormatWholeWithTheModeOfANewFile) {
    const mode_t old = ::umask(022);
    struct Case {
        const char* name;
        PictureFormat format;
        std::string start;
    };
    for (const Case& c :
         {Case{"a.png", PictureFormat::png, "\x89PNG\r\n"},
          Case{"a.svg", PictureFormat::svg, "<?xml"}, Case{"a.pdf", PictureFormat::pdf, "%PDF-"}}) {
        ExportPicture(*m_scene, PictureTargetFor((m_dir / c.name).string(), PictureFormat::png),
                      Protected());
        const Bytes bytes = ReadFile(m_dir / c.name);
        ASSERT_GE(bytes.size(), c.start.size()) << c.name;
        EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + c.start.size()), c.start) << c.name;
        EXPECT_EQ(fs::status(m_dir / c.name).permissions(), fs::perms(0644)) << c.name;
        if (c.format == PictureFormat::svg) ExpectWellFormedSvg(m_dir / c.name);
    }
    ::umask(old);
    // Nothing else: no temporary file is left beside them.
    EXPECT_EQ(ListDir(m_dir.Path()),
              (std::vector<std::string>{"a.pdf", "a.png", "a.svg", "roll.ann", "roll.bar",
                                        "roll_BAR_e.mid"}));
}

TEST_F(Export, NeverOverTheRollsOwnFiles) {
    fs::create_hard_link(m_dir / "roll.bar", m_dir / "link.png");
    for (const char* name : {"roll.bar", "roll.ann", "roll_BAR_e.mid", "link.png"}) {
        const PictureTarget target{(m_dir / name).string(), PictureFormat::png, false};
        EXPECT_THROW(ExportPicture(*m_scene, target, Protected()), CFileException) << name;
    }
    EXPECT_EQ(ReadFile(m_dir / "roll.bar"), BytesOf("BAR roll bytes"));
    EXPECT_EQ(ReadFile(m_dir / "roll.ann"), BytesOf("/title: x\r\n"));
    EXPECT_EQ(ReadFile(m_dir / "roll_BAR_e.mid"), BytesOf("MThd"));
}

}  // namespace
