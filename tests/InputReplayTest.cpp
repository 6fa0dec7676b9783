// Replays the fuzz targets' seed corpora and every input that a fuzzer ever broke (kept in
// tests/regressions/<target>/) through the same checks the fuzz targets make, in the normal and
// the sanitizer builds.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "support/InputChecks.h"
#include "support/TestFiles.h"

namespace fs = std::filesystem;
using namespace testing_support;

namespace {

using Check = std::function<std::string(std::string_view, const fs::path&)>;

struct Target {
    const char* name;
    Check check;
};

void PrintTo(const Target& target, std::ostream* os) {
    *os << target.name;
}

class InputReplay : public ::testing::TestWithParam<Target> {};

// Replays every file of a folder; returns how many there were.
int ReplayFolder(const fs::path& folder, const Check& check) {
    if (!fs::is_directory(folder)) return 0;
    int count = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (!entry.is_regular_file() || entry.path().filename().string().starts_with(".")) continue;
        if (entry.path().extension() == ".md") continue;
        Bytes bytes = ReadFile(entry.path());
        TempDir scratch;
        std::string problem =
            check(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                  scratch.Path());
        EXPECT_EQ(problem, "") << entry.path();
        ++count;
    }
    return count;
}

TEST_P(InputReplay, SeedsAndRegressionsPassTheChecks) {
    const Target& target = GetParam();
    int seeds = ReplayFolder(fs::path(SOURCE_DIR) / "fuzz" / "corpus" / target.name, target.check);
    EXPECT_GT(seeds, 5) << "the seed corpus of " << target.name << " is missing";
    ReplayFolder(fs::path(SOURCE_DIR) / "tests" / "regressions" / target.name, target.check);
}

INSTANTIATE_TEST_SUITE_P(Targets, InputReplay,
                         ::testing::Values(Target{"annotation_reader", CheckAnnotationInput},
                                           Target{"roll_parser", CheckRollInput},
                                           Target{"conversion", CheckConversionInput}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
