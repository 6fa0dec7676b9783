#include "support/SvgReading.h"

#include <gtest/gtest.h>

#include "support/ShellRun.h"

namespace testing_support {

std::vector<std::string> SvgShapes(const std::filesystem::path& svg) {
    ShellRun run = RunShell(Q(OUTPUT_READER) + " shapes " + Q(svg));
    EXPECT_EQ(run.status, 0) << svg << " is not well-formed XML: " << run.err;
    return run.status == 0 ? LinesOf(run.out) : std::vector<std::string>();
}

std::vector<std::string> SvgExpression(const std::filesystem::path& svg) {
    ShellRun run = RunShell(Q(OUTPUT_READER) + " expression " + Q(svg));
    EXPECT_EQ(run.status, 0) << svg << " is not well-formed XML: " << run.err;
    return run.status == 0 ? LinesOf(run.out) : std::vector<std::string>();
}

void ExpectWellFormedSvg(const std::filesystem::path& svg) {
    SvgShapes(svg);
}

}  // namespace testing_support
