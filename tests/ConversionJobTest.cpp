// The conversion job's one rule for a roll's outputs: written in a fixed order after the MIDI
// file, each failure failing the roll and leaving the other files, nothing after a MIDI file
// that was not written. The writers here are stand-ins that record what they were asked.
#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>

#include "conversion/ConversionJob.h"
#include "conversion/OutputWriter.h"
#include "roll/CRollscribeDoc.h"
#include "roll/OutputNames.h"
#include "support/RollFixture.h"
#include "support/TestFiles.h"

namespace fs = std::filesystem;
using namespace rollscribe;
using namespace testing_support;

namespace {

// Writes an empty file at its path, or throws when told to fail; notes each call in calls.
class StandInWriter final : public OutputWriter {
  public:
    StandInWriter(OutputKind kind, std::string extension, std::vector<OutputKind>& calls)
        : m_kind(kind), m_extension(std::move(extension)), m_calls(calls) {}
    CString PathFor(const ConvertedRoll& roll) const override {
        return OutputPathOf(roll.doc, m_extension);
    }
    void Write(const ConvertedRoll& roll, const CString& path) override {
        (void)roll;
        m_calls.push_back(m_kind);
        if (fail) throw std::runtime_error("disk full");
        WriteFile(path.ToStdString(), "");
    }
    std::string Failure(const std::exception_ptr& error,
                        const std::string& rollPath) const override {
        (void)error;
        return "cannot write for " + fs::path(rollPath).filename().string();
    }
    bool fail = false;

  private:
    OutputKind m_kind;
    std::string m_extension;
    std::vector<OutputKind>& m_calls;
};

class StandInWriters final : public OutputWriters {
  public:
    OutputWriter* WriterOf(OutputKind output) override {
        return output == OutputKind::picture ? &picture
               : output == OutputKind::sound ? &sound
                                             : nullptr;
    }
    std::vector<OutputKind> calls;
    StandInWriter picture{OutputKind::picture, ".png", calls};
    StandInWriter sound{OutputKind::sound, ".wav", calls};
};

struct JobCase {
    const char* name;
    const char* roll;  // the file converted, in a folder that holds a.bar and a.ann
    bool picture, sound;
    bool pictureFails, soundFails;
    bool earlierPicture;  // a.png is there from an earlier run
    ConversionStatus status;
    std::vector<OutputKind> calls;
    std::vector<std::string> written;  // besides the MIDI file
    std::vector<std::string> failures;
};

const JobCase kJobCases[] = {
    {"BothWrittenPictureFirst",
     "a.bar",
     true,
     true,
     false,
     false,
     false,
     ConversionStatus::written,
     {OutputKind::picture, OutputKind::sound},
     {"a_BAR_e.png", "a_BAR_e.wav"},
     {}},
    {"OnlyWhatIsAsked",
     "a.bar",
     false,
     true,
     false,
     false,
     false,
     ConversionStatus::written,
     {OutputKind::sound},
     {"a_BAR_e.wav"},
     {}},
    {"AFailedPictureLeavesTheSound",
     "a.bar",
     true,
     true,
     true,
     false,
     false,
     ConversionStatus::failed,
     {OutputKind::picture, OutputKind::sound},
     {"a_BAR_e.wav"},
     {"cannot write for a.bar"}},
    {"AnEarlierRunsFileIsNamed",
     "a.bar",
     true,
     false,
     true,
     false,
     true,
     ConversionStatus::failed,
     {OutputKind::picture},
     {},
     {"cannot write for a.bar; DIR/a_BAR_e.png is from an earlier run"}},
    {"BothFailEachSaid",
     "a.bar",
     true,
     true,
     true,
     true,
     false,
     ConversionStatus::failed,
     {OutputKind::picture, OutputKind::sound},
     {},
     {"cannot write for a.bar", "cannot write for a.bar"}},
    {"NothingWithoutTheMidiFile",
     "missing.bar",
     true,
     true,
     false,
     false,
     false,
     ConversionStatus::failed,
     {},
     {},
     {}},
    {"NothingForAnotherFileType",
     "a.txt",
     true,
     true,
     false,
     false,
     false,
     ConversionStatus::rejected,
     {},
     {},
     {}},
};

void PrintTo(const JobCase& c, std::ostream* os) {
    *os << c.name;
}

class ConversionJobOrder : public testing::TestWithParam<JobCase> {};

TEST_P(ConversionJobOrder, WritesInOrderWithOneFailureRule) {
    const JobCase& c = GetParam();
    TempDir dir;
    WriteFile(dir / "a.bar", RollBytes("00 30 00 30"));
    WriteFile(dir / "a.txt", RollBytes("00 30 00 30"));
    WriteFile(dir / "a.ann", "/title: A\r\n");
    if (c.earlierPicture) WriteFile(dir / "a_BAR_e.png", "old");
    StandInWriters writers;
    writers.picture.fail = c.pictureFails;
    writers.sound.fail = c.soundFails;
    ConversionSettings settings;
    if (c.picture) settings.picture = PictureFormat::png;
    settings.audio = c.sound;
    ConversionParts parts;
    parts.writers = &writers;
    ConversionJob job(settings, parts);
    CRollscribeDoc doc;

    const ConversionOutcome outcome = job.Convert(doc, (dir / c.roll).string());

    EXPECT_EQ(outcome.status, c.status);
    EXPECT_EQ(writers.calls, c.calls);
    const bool converted = std::string(c.roll) == "a.bar";
    EXPECT_EQ(outcome.midiWritten, converted);
    EXPECT_EQ(fs::exists(dir / "a_BAR_e.mid"), converted);
    EXPECT_EQ(outcome.reason.empty(), converted);
    std::vector<std::string> written;
    for (const auto& file : {outcome.picture, outcome.sound})
        if (file) written.push_back(fs::path(*file).filename().string());
    EXPECT_EQ(written, c.written);
    std::vector<std::string> failures;
    for (const OutputFailure& failure : outcome.failures) {
        std::string text = failure.text;
        if (auto at = text.find(dir.Path().string()); at != std::string::npos)
            text.replace(at, dir.Path().string().size(), "DIR");
        failures.push_back(text);
    }
    EXPECT_EQ(failures, c.failures);
}

INSTANTIATE_TEST_SUITE_P(Cases, ConversionJobOrder, testing::ValuesIn(kJobCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The settings are read for every roll: a change made between two rolls counts for the second.
TEST(ConversionJob, ReadsItsProgramsSettingsForEachRoll) {
    TempDir dir;
    fs::create_directory(dir / "out");
    WriteFile(dir / "a.bar", RollBytes("00 30 00 30"));
    ConversionSettings settings;
    ConversionJob job(settings);
    CRollscribeDoc doc;
    EXPECT_EQ(job.Convert(doc, (dir / "a.bar").string()).midi, (dir / "a_BAR_e.mid").string());
    settings.outputFolder = (dir / "out").string();
    EXPECT_EQ(job.Convert(doc, (dir / "a.bar").string()).midi,
              (dir / "out" / "a_BAR_e.mid").string());
}

}  // namespace
