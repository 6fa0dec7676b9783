#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/StartupArguments.h"

using namespace rollscribe;

namespace {

struct ArgsCase {
    const char* name;
    std::vector<std::string> argv;
    std::optional<std::string> file;
    std::vector<std::string> toolkit;
    std::vector<std::string> extra;

    friend void PrintTo(const ArgsCase& c, std::ostream* os) { *os << c.name; }
};

StartupArguments Parse(const std::vector<std::string>& args) {
    std::vector<const char*> argv;
    for (const std::string& a : args) argv.push_back(a.c_str());
    argv.push_back(nullptr);
    return ParseStartupArguments(static_cast<int>(args.size()), argv.data());
}

class Startup : public ::testing::TestWithParam<ArgsCase> {};

TEST_P(Startup, SplitsTheFileFromTheToolkitOptions) {
    const ArgsCase& c = GetParam();
    StartupArguments args = Parse(c.argv);
    EXPECT_EQ(args.file, c.file);
    EXPECT_EQ(args.toolkitArgs, c.toolkit);
    EXPECT_EQ(args.extraFiles, c.extra);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Startup,
    ::testing::Values(ArgsCase{"no_arguments", {"rollscribe"}, std::nullopt, {"rollscribe"}, {}},
                      ArgsCase{
                          "one_file", {"rollscribe", "x123.bar"}, "x123.bar", {"rollscribe"}, {}},
                      ArgsCase{"further_files_are_not_opened",
                               {"rollscribe", "a.bar", "b.bar", "c.bar"},
                               "a.bar",
                               {"rollscribe"},
                               {"b.bar", "c.bar"}},
                      ArgsCase{"display_option_with_separate_value",
                               {"rollscribe", "--display", ":3", "x.bar"},
                               "x.bar",
                               {"rollscribe", "--display", ":3"},
                               {}},
                      ArgsCase{"display_option_with_value_attached",
                               {"rollscribe", "--display=:3", "x.bar"},
                               "x.bar",
                               {"rollscribe", "--display=:3"},
                               {}},
                      ArgsCase{"option_without_value",
                               {"rollscribe", "--sync", "x.bar"},
                               "x.bar",
                               {"rollscribe", "--sync"},
                               {}},
                      ArgsCase{"double_dash_ends_the_options",
                               {"rollscribe", "--", "-odd name.bar"},
                               "-odd name.bar",
                               {"rollscribe"},
                               {}},
                      ArgsCase{"lone_dash_is_a_file", {"rollscribe", "-"}, "-", {"rollscribe"}, {}},
                      ArgsCase{"option_value_after_the_file",
                               {"rollscribe", "x.bar", "--name", "Roll"},
                               "x.bar",
                               {"rollscribe", "--name", "Roll"},
                               {}},
                      ArgsCase{"bytes_of_the_name_kept",
                               {"rollscribe", "\xE9t\xE9.bar"},
                               "\xE9t\xE9.bar",
                               {"rollscribe"},
                               {}},
                      ArgsCase{"no_program_name", {}, std::nullopt, {"rollscribe"}, {}}),
    [](const ::testing::TestParamInfo<ArgsCase>& info) { return std::string(info.param.name); });

TEST(Startup, HelpAndVersion) {
    EXPECT_TRUE(Parse({"rollscribe", "--help"}).help);
    EXPECT_TRUE(Parse({"rollscribe", "-h"}).help);
    EXPECT_TRUE(Parse({"rollscribe", "--version"}).version);
    EXPECT_FALSE(Parse({"rollscribe", "--", "--help"}).help);
    EXPECT_NE(StartupUsage("rollscribe").find("Usage: rollscribe [ROLL-FILE]"), std::string::npos);
}

}  // namespace
