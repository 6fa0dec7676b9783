#include <gtest/gtest.h>

#include <filesystem>

#include "platform/CException.h"
#include "roll/CRollscribeDoc.h"
#include "roll/OutputNames.h"
#include "roll/RollLoader.h"
#include "roll/RollReport.h"
#include "support/CaseNames.h"
#include "support/RollFixture.h"

namespace fs = std::filesystem;
using namespace rollscribe;
using namespace testing_support;

namespace {

const char* kAnn =
    "/title: Nocturne in E flat\r\n/composer: A. Composer\r\n/pianist: A. Pianist\r\n"
    "/roll_number: 215\r\n/roll_type: 88-note\r\n/roll_tempo: 80\r\n/sample_rate: 300\r\n";

struct NameCase {
    const char* fileName;
    bool accepted;
    const char* title;
    const char* annName;  // companion file that the roll's texts come from
    const char* output;

    friend void PrintTo(const NameCase& c, std::ostream* os) { *os << c.fileName; }
};

class RollNames : public ::testing::TestWithParam<NameCase> {};

TEST_P(RollNames, DeriveTitleCompanionAndOutput) {
    const NameCase& c = GetParam();
    TempDir dir;
    WriteFile(dir / c.fileName, RollBytes("00 30"));
    WriteFile(dir / c.annName, kAnn);
    CRollscribeDoc doc;
    LoadOutcome outcome = LoadRollFile(doc, CString((dir / c.fileName).string()));
    EXPECT_EQ(outcome == LoadOutcome::converted, c.accepted);
    EXPECT_EQ(doc.m_strFileTitle, c.title);
    EXPECT_EQ(doc.m_strDirectory, CString(dir.Path().string() + "/"));
    EXPECT_EQ(doc.m_strFilePath, CString((dir / c.fileName).string()));
    // The one output-name rule, from the roll's path, agrees with the document's own names.
    EXPECT_EQ(OutputPathOfRoll(CString((dir / c.fileName).string()), kMidiExtension),
              doc.MidiFilePath());
    EXPECT_EQ(OutputPathOfRoll(CString((dir / c.fileName).string()), ".png"),
              CString(dir.Path().string() + "/" + c.title + "_BAR_e.png"));
    if (c.accepted) {
        EXPECT_EQ(doc.m_strTitle, "Nocturne in E flat");
        EXPECT_TRUE(fs::exists(dir / c.output)) << c.output;
        EXPECT_EQ(doc.m_events.GetSize(), 1);
    } else {
        EXPECT_EQ(doc.m_strInfo, CRollscribeDoc::kInvalidFileType);
        EXPECT_EQ(ListDir(dir.Path()).size(), 2u);  // nothing written
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RollNames,
    ::testing::Values(NameCase{"x123.bar", true, "x123", "x123.ann", "x123_BAR_e.mid"},
                      NameCase{"ROLL.BAR", true, "ROLL", "ROLL.ann", "ROLL_BAR_e.mid"},
                      NameCase{"nocturne.op9.bar", true, "nocturne", "nocturne.ann",
                               "nocturne_BAR_e.mid"},
                      NameCase{"sidebar", true, "sidebar", "sidebar.ann", "sidebar_BAR_e.mid"},
                      NameCase{"roll.xbar", true, "roll", "roll.ann", "roll_BAR_e.mid"},
                      NameCase{"roll.WeB", true, "roll", "roll.ann", "roll_BAR_e.mid"},
                      NameCase{"roll.mid", false, "roll", "roll.ann", ""},
                      NameCase{"roll.ba", false, "roll", "roll.ann", ""},
                      NameCase{"ab", false, "ab", "ab.ann", ""}),
    [](const ::testing::TestParamInfo<NameCase>& info) {
        return CaseName(std::string_view(info.param.fileName));
    });

// Every output of a loaded roll is named in one place: beside the roll, TITLE_BAR_e and the
// output's extension.
TEST(OutputNames, EveryOutputOfALoadedRollIsNamedInOnePlace) {
    CRollscribeDoc doc;
    doc.m_strDirectory = "/rolls/";
    doc.m_strFileTitle = "x123";
    struct Case {
        std::string_view extension;
        const char* path;
    } cases[] = {
        {kMidiExtension, "/rolls/x123_BAR_e.mid"}, {kWavExtension, "/rolls/x123_BAR_e.wav"},
        {kPngExtension, "/rolls/x123_BAR_e.png"},  {kSvgExtension, "/rolls/x123_BAR_e.svg"},
        {kPdfExtension, "/rolls/x123_BAR_e.pdf"},
    };
    for (const Case& c : cases) EXPECT_EQ(OutputPathOf(doc, c.extension), c.path);
    EXPECT_EQ(doc.MidiFilePath(), "/rolls/x123_BAR_e.mid");
}

TEST(RollDocument, ResetValuesAndNewDocument) {
    CRollscribeDoc doc;
    doc.m_strTitle = "changed";
    doc.m_events.Add(RollEvent{1, 20, 0, {}});
    doc.m_annotations[CString("k")] = "v";
    ASSERT_TRUE(doc.OnNewDocument());
    EXPECT_EQ(doc.m_strInfo, "Select BAR file to convert.");
    EXPECT_EQ(doc.m_strTitle, "Roll Title Info");
    EXPECT_EQ(doc.m_strCopyright, "Roll Copyright Info");
    EXPECT_EQ(doc.m_strPerformer, "Performer Info");
    EXPECT_EQ(doc.m_strComposer, "Composer Info");
    EXPECT_EQ(doc.m_strRollType, "Generic");
    EXPECT_EQ(doc.m_strManufacturer, "Roll MFGR - Generic");
    EXPECT_EQ(doc.m_strRollNumber, "Roll Number Info");
    EXPECT_EQ(doc.m_strTempo, "100");
    EXPECT_EQ(doc.m_tempo, 100);
    EXPECT_EQ(doc.m_stepsPerInch, 400);
    EXPECT_EQ(doc.m_sampleRate, 800);
    EXPECT_EQ(doc.m_events.GetSize(), 0);
    EXPECT_EQ(doc.m_events.GetGrowBy(), 16000);
    EXPECT_EQ(doc.m_annotations.GetCount(), 0u);
}

TEST(RollDocument, SecondLoadKeepsNothingOfTheFirst) {
    TempDir dir;
    WriteFile(dir / "a.bar", RollBytes("00 30 00 F0 41 00 00 31"));
    WriteFile(dir / "a.ann", kAnn);
    WriteFile(dir / "b.bar", RollBytes("00 32"));
    CRollscribeDoc doc;
    LoadRollFile(doc, CString((dir / "a.bar").string()));
    LoadRollFile(doc, CString((dir / "b.bar").string()));
    EXPECT_EQ(doc.m_events.GetSize(), 1);
    EXPECT_EQ(doc.m_annotations.GetCount(), 0u);
    EXPECT_EQ(doc.m_strTitle, "Roll Title Info");
    EXPECT_EQ(doc.m_strCopyright, "Roll Copyright Info");
    EXPECT_EQ(doc.m_strInfo.Find("\nA"), CString::npos);
}

TEST(RollDocument, RejectedFileKeepsThePreviousRollExceptNamesAndInfo) {
    TempDir dir;
    WriteFile(dir / "a.bar", RollBytes("00 30"));
    WriteFile(dir / "a.ann", kAnn);
    WriteFile(dir / "z.mid", "whatever");
    CRollscribeDoc doc;
    LoadRollFile(doc, CString((dir / "a.bar").string()));
    EXPECT_EQ(LoadRollFile(doc, CString((dir / "z.mid").string())), LoadOutcome::rejected);
    EXPECT_EQ(doc.m_strTitle, "Nocturne in E flat");
    EXPECT_EQ(doc.m_events.GetSize(), 1);
    EXPECT_EQ(doc.m_strFilePath, CString((dir / "z.mid").string()));
    EXPECT_EQ(doc.m_strInfo, CRollscribeDoc::kInvalidFileType);
}

TEST(RollDocument, StoringWritesNothing) {
    TempDir dir;
    WriteFile(dir / "a.bar", RollBytes("00 30"));
    CFile file;
    file.OpenOrThrow(CString((dir / "a.bar").string()));
    CArchive ar(&file, CArchive::store);
    CRollscribeDoc doc;
    doc.Serialize(ar);
    EXPECT_EQ(ReadFile(dir / "a.bar"), RollBytes("00 30"));
    EXPECT_EQ(ListDir(dir.Path()), std::vector<std::string>{"a.bar"});
    EXPECT_EQ(doc.m_strInfo, "Select BAR file to convert.");
}

TEST(RollDocument, FailedLoadLeavesTheEarlierOutputUntouched) {
    TempDir dir;
    WriteFile(dir / "x.bar", Hex("01 02"));
    WriteFile(dir / "x_BAR_e.mid", "earlier output");
    CRollscribeDoc doc;
    EXPECT_THROW(LoadRollFile(doc, CString((dir / "x.bar").string())), CArchiveException);
    EXPECT_EQ(ReadFile(dir / "x_BAR_e.mid"), BytesOf("earlier output"));
    EXPECT_EQ(ListDir(dir.Path()), (std::vector<std::string>{"x.bar", "x_BAR_e.mid"}));
}

TEST(RollDocument, UncreatableOutputThrowsNamingItAndAddsNoNotice) {
    TempDir dir;
    WriteFile(dir / "x.bar", RollBytes("00 30"));
    fs::create_directory(dir / "x_BAR_e.mid");
    CRollscribeDoc doc;
    try {
        LoadRollFile(doc, CString((dir / "x.bar").string()));
        FAIL();
    } catch (const CFileException& e) {
        EXPECT_EQ(e.Path(), (dir / "x_BAR_e.mid").string());
    }
    EXPECT_EQ(doc.m_strInfo.Find("Output File Created"), CString::npos);
    EXPECT_TRUE(fs::is_directory(dir / "x_BAR_e.mid"));
    EXPECT_EQ(ListDir(dir.Path()), (std::vector<std::string>{"x.bar", "x_BAR_e.mid"}));
}

// Track 112 is note 127, the highest a MIDI file can hold: written; track 113 (note 128) is not.
TEST(RollDocument, HighestTrackThatFitsMidiIsConvertedTheNextIsLeftOut) {
    TempDir dir;
    WriteFile(dir / "h.bar", RollBytes("00 70 00 71 01 70"));
    CRollscribeDoc doc;
    ASSERT_EQ(LoadRollFile(doc, CString((dir / "h.bar").string())), LoadOutcome::converted);
    Bytes midi = ReadFile(dir / "h_BAR_e.mid");
    Bytes tail(midi.end() - 12, midi.end());
    EXPECT_EQ(HexOf(tail), "00 90 7F 01 00 90 7F 00 00 FF 2F 00");
}

TEST(RollReport, DefaultsAndLayout) {
    CRollscribeDoc doc;
    EXPECT_EQ(BuildRollReport(doc),
              "\n File Info : Select BAR file to convert.\n \n This File : "
              "\n Roll MFR : Roll MFGR - Generic\n Roll Number : Roll Number Info"
              "\n Title : Roll Title Info\n Composer : Composer Info\n Performer : Performer Info"
              "\n Tempo : 100\n BAR file Steps per Inch : 400");
}

TEST(RollReport, StepsPerInchInDecimal) {
    const std::pair<std::int32_t, const char*> cases[] = {
        {0, "0"}, {-7, "-7"}, {1234567, "1234567"}, {-2147483647 - 1, "-2147483648"}};
    for (auto [value, text] : cases) {
        CRollscribeDoc doc;
        doc.m_stepsPerInch = value;
        EXPECT_TRUE(BuildRollReport(doc).View().ends_with(std::string(" : ") + text)) << value;
    }
}

}  // namespace
