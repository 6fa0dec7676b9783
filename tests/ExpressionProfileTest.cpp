// Roll system profiles: which one a roll gets, where the programs find them, and every way a
// profile file is refused, each error naming the file and the field.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <new>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>

#include "expression/ProfileLocator.h"
#include "expression/ProfileReader.h"
#include "expression/ProfileShelf.h"
#include "support/ShellRun.h"
#include "support/TestFiles.h"

namespace fs = std::filesystem;
using namespace rollscribe;
using namespace testing_support;

namespace {

// The working folder changed for a scope, and changed back whatever happens in it.
class InFolder {
  public:
    explicit InFolder(const fs::path& folder) : m_before(fs::current_path()) {
        fs::current_path(folder);
    }
    ~InFolder() { fs::current_path(m_before); }
    InFolder(const InFolder&) = delete;
    InFolder& operator=(const InFolder&) = delete;

  private:
    fs::path m_before;
};

TEST(ExpressionProfiles, ChosenFromTheRollType) {
    const std::pair<const char*, const char*> cases[] = {
        {"Welte Licensee", "welte-licensee"},
        {"licensee", "welte-licensee"},
        {"Welte-Mignon", "welte-red"},
        {"WELTE T-100", "welte-red"},
        {"Welte green", "welte-green"},
        {"Welte T-98", "welte-green"},
        {"welte t98", "welte-green"},
        {"Duo-Art", "duo-art"},
        {"DUOART", "duo-art"},
        {"Ampico", "ampico-a"},
        {"Ampico B", "ampico-b"},
        {"ampico-b", "ampico-b"},
        {"b ampico", "ampico-b"},
        {"Ampico Bb", "ampico-a"},
        {"AmpicoB", "ampico-a"},
        {"88-note", "88-note"},
        {"Generic", "88-note"},
        {"", "88-note"},
        {"duo art", "88-note"},
    };
    for (auto [type, name] : cases) EXPECT_EQ(ChooseProfileName(type), name) << type;
}

// Every shipped profile, found by name from the program's folder whatever the working folder.
TEST(ExpressionProfiles, ShippedProfilesLoadByNameFromAnyWorkingFolder) {
    struct Case {
        const char* name;
        ExpressionModel model;
        std::int32_t lowest, highest, bassHighest;
        std::size_t holes;
        double acceleration;
        std::int32_t labelled;  // a hole and its label
        const char* label;
    };
    const Case cases[] = {
        {"88-note", ExpressionModel::plain, 21, 108, 64, 7, 0.2, 113, "soft"},
        {"welte-red", ExpressionModel::weltePneumatic, 24, 103, 66, 20, 0.3147, 14, "bass MF off"},
        {"welte-red-linear", ExpressionModel::welte, 24, 103, 66, 20, 0.3147, 14, "bass MF off"},
        {"welte-green", ExpressionModel::welte, 21, 108, 66, 10, 0.2, 19, "bass cresc."},
        {"welte-licensee", ExpressionModel::welte, 24, 103, 66, 18, 0.2, 23, "soft on"},
        {"duo-art", ExpressionModel::duoArt, 25, 104, 63, 15, 0.2, 106, "theme 4"},
        {"ampico-a", ExpressionModel::ampicoA, 23, 105, 64, 15, 0.2, 22, "bass cancel"},
        {"ampico-b", ExpressionModel::ampicoB, 23, 105, 64, 17, 0.2, 15, "amplifier"},
    };
    TempDir elsewhere;
    InFolder inElsewhere(elsewhere.Path());
    for (const Case& c : cases) {
        RollProfile p = LoadProfile(c.name);
        EXPECT_EQ(p.name, c.name);
        EXPECT_EQ(p.model, c.model) << c.name;
        EXPECT_EQ(p.lowestNote, c.lowest) << c.name;
        EXPECT_EQ(p.highestNote, c.highest) << c.name;
        EXPECT_EQ(p.bassHighestNote, c.bassHighest) << c.name;
        EXPECT_EQ(p.holes.size(), c.holes) << c.name;
        EXPECT_EQ(p.spoolAcceleration, c.acceleration) << c.name;
        ASSERT_NE(p.HoleOf(c.labelled), nullptr) << c.name;
        EXPECT_EQ(p.HoleOf(c.labelled)->label, c.label) << c.name;
    }
    EXPECT_EQ(fs::canonical(ProfileFolder()), fs::canonical(BUILD_PROFILES));
    EXPECT_EQ(std::size(kProfileNames), std::size(cases));
}

TEST(ExpressionProfiles, NamesAndFiles) {
    EXPECT_TRUE(IsProfileFile("my.json"));
    EXPECT_TRUE(IsProfileFile("dir/welte-red"));
    EXPECT_FALSE(IsProfileFile("welte-red"));
    // A name is looked for in the programs' folder only, never in the working folder.
    TempDir dir;
    {
        InFolder inDir(dir.Path());
        fs::copy_file(fs::path(ProfileFolder()) / "88-note.json", dir / "mine.json");
        EXPECT_THROW(LoadProfile("mine"), ProfileError);
        EXPECT_EQ(LoadProfile("mine.json").name, "88-note");
        EXPECT_EQ(LoadProfile("./mine.json").source, "./mine.json");
    }
    EXPECT_EQ(LoadProfile("Welte-Red").name, "welte-red");
}

// What goes wrong, and what the message says: the file, then the field and the fault.
TEST(ExpressionProfiles, WrongFilesAreRefusedNamingTheFileAndTheReason) {
    TempDir dir;
    auto reasonOf = [](const std::string& nameOrFile) -> std::string {
        try {
            LoadProfile(nameOrFile);
        } catch (const CException& e) {
            return e.Path() + " | " + e.Reason();
        }
        return "loaded";
    };
    std::string missing = (dir / "missing.json").string();
    EXPECT_EQ(reasonOf(missing), missing + " | cannot open the file: No such file or directory");
    fs::create_directory(dir / "folder.json");
    EXPECT_NE(reasonOf((dir / "folder.json").string()).find("folder.json | "), std::string::npos);
    std::string large = (dir / "large.json").string();
    WriteFile(large, std::string(kMaxProfileBytes + 1, ' '));
    EXPECT_EQ(reasonOf(large), large + " | is larger than a profile can be (1024 KB)");
    std::string unknown = (fs::path(ProfileFolder()) / "aeolian.json").string();
    EXPECT_EQ(reasonOf("aeolian"),
              unknown +
                  " | there is no profile named 'aeolian'; the profiles are: 88-note, "
                  "ampico-a, ampico-b, duo-art, welte-green, welte-licensee, welte-red, "
                  "welte-red-linear");
    EXPECT_EQ(reasonOf("-x y"),
              "-x y | is not a profile name (letters, digits, '-', '_' and "
              "'.'), nor a file (a path with '/' or ending in .json)");
}

// A shipped profile with one change, and the reason it is refused for.
TEST(ExpressionProfiles, EveryWrongFieldIsNamed) {
    struct Case {
        const char* base;
        const char* pointer;  // the field changed (removed when value is null)
        nlohmann::json value;
        const char* reason;
    };
    const Case cases[] = {
        {"welte-red", "/name", nullptr, "name: is missing"},
        {"welte-red", "/format", 2,
         "format: must be 1, the profile format that this version reads"},
        {"welte-red", "/model", "aeolian",
         "model: 'aeolian' is not a model (88-note, welte, welte-pneumatic, duo-art, ampico-a, "
         "ampico-b)"},
        {"welte-red", "/notes/lowest", "24", "notes.lowest: must be a whole number"},
        {"welte-red", "/notes/lowest", 24.5, "notes.lowest: must be a whole number"},
        {"welte-red", "/notes/highest", 130, "notes.highest: must be from 0 to 127, not 130"},
        {"welte-red", "/notes/highest", 20, "notes.highest: must not be below lowest (24)"},
        {"welte-red", "/notes/bass_highest", 110,
         "notes.bass_highest: must lie within the note range 24 to 103"},
        {"welte-red", "/holes/3/note", 60,
         "holes[3].note: 60 lies inside the note range 24 to 103"},
        {"welte-red", "/holes/3/note", 16, "holes[3].note: 16 is also the note of holes[2]"},
        {"welte-red", "/holes/3/note", -1, "holes[3].note: must be from 0 to 127, not -1"},
        {"welte-red", "/holes/0/action", "louder", "holes[0].action: 'louder' is not an action"},
        {"welte-red", "/holes/0/action", "theme",
         "holes[0].action: 'theme' has no place in the welte-pneumatic model"},
        {"welte-red", "/holes/0/side", nullptr, "holes[0].side: is missing"},
        {"welte-red", "/holes/0/side", "middle", "holes[0].side: must be \"bass\" or \"treble\""},
        {"welte-red", "/holes/6/side", "bass", "holes[6].side: has no meaning for a soft_off hole"},
        {"welte-red", "/holes/6/value", 1, "holes[6].value: has no meaning for a soft_off hole"},
        {"welte-red", "/holes/0/label", "", "holes[0].label: must not be empty"},
        {"welte-red", "/holes/0/label", "a\tb", "holes[0].label: must not hold control characters"},
        {"welte-red", "/holes/0/colour", "red",
         "holes[0].colour: is not a field of a profile here"},
        {"welte-red", "/holes", "none", "holes: must be a list ([ ... ])"},
        {"welte-red", "/holes/0", 14, "holes[0]: must be an object ({ ... })"},
        {"welte-red-linear", "/parameters/loudness", 3,
         "parameters.loudness: is not a field of a profile here"},
        {"welte-red-linear", "/parameters/mf", 30, "parameters.mf: must be above p (35)"},
        {"welte-red-linear", "/parameters/loud", 95,
         "parameters.loud: must lie from mf (60) to f (90)"},
        {"welte-red-linear", "/parameters/slow_crescendo_ms", 0,
         "parameters.slow_crescendo_ms: must be from 1 to 600000, not 0"},
        {"welte-red-linear", "/parameters/fast_decrescendo_span", "f",
         "parameters.fast_decrescendo_span: must be \"f-p\" or \"mf-p\""},
        {"welte-red", "/spool/acceleration", -1,
         "spool.acceleration: must be from 0 to 10, not -1"},
        {"welte-red", "/spool", nullptr, "spool: is missing"},
        {"welte-red", "/parameters/treble/alpha", 0,
         "parameters.treble.alpha: must be from 0.1 to 10, not 0"},
        {"welte-red", "/parameters/velocity_map/1/0", 0,
         "parameters.velocity_map[1][0]: must be above the travel before it (0)"},
        {"welte-red", "/tracker_bar/aperture", 2,
         "tracker_bar.aperture: must be from 0 to 1, not 2"},
        {"welte-red", "/tracker_bar/gap", 2, "tracker_bar.gap: is not a field of a profile here"},
        {"88-note", "/pedal_travel/sustain_ms", 1500,
         "pedal_travel.sustain_ms: must be from 0 to 1000, not 1500"},
        {"88-note", "/pedal_travel/lift_ms", 2,
         "pedal_travel.lift_ms: is not a field of a profile here"},
        {"duo-art", "/parameters/accompaniment_pressures", nlohmann::json::array({4, 5}),
         "parameters.accompaniment_pressures: has 2 entries (steps 0 to 1), but the "
         "accompaniment holes' values add up to 15"},
        {"duo-art", "/parameters/theme_pressures/3", 1,
         "parameters.theme_pressures[3]: 1 must not be below the entry before it (8)"},
        {"duo-art", "/parameters/velocity/2/up_to", 40,
         "parameters.velocity[2].up_to: the last piece has no end: leave it out"},
        {"duo-art", "/parameters/velocity/1/up_to", 5,
         "parameters.velocity[1].up_to: must be above the piece before it (10)"},
        {"duo-art", "/parameters/hold_last_step", 1,
         "parameters.hold_last_step: must be true or false"},
        {"duo-art", "/holes/4/value", nullptr, "holes[4].value: is missing"},
        {"88-note", "/parameters/accent_velocity", 128,
         "parameters.accent_velocity: must be from 1 to 127, not 128"},
        {"ampico-a", "/holes/1/value", 3, "holes[1].value: must be 2, 4 or 6"},
        {"ampico-a", "/parameters/vacuum/2+4", nullptr, "parameters.vacuum.2+4: is missing"},
        {"ampico-a", "/parameters/vacuum/6", nlohmann::json::array({13, 10.5}),
         "parameters.vacuum.6[1]: must be at least the low end (13)"},
        {"ampico-a", "/parameters/crescendo_range", nlohmann::json::array({6}),
         "parameters.crescendo_range: must be a pair of numbers [low, high]"},
        {"ampico-a", "/parameters/velocity_table/2/0", 5,
         "parameters.velocity_table[2][0]: must be above the vacuum before it (5.7)"},
        {"ampico-a", "/parameters/vacuum/none", nlohmann::json::array({6, 30}),
         "parameters.vacuum.none: its range (24) must be below amplifier_span (15) where the "
         "amplifier follows the vacuum, or it runs away"},
        {"ampico-a", "/parameters/amplifier_targets/7", 0.5,
         "parameters.amplifier_targets.7: is not a field of a profile here"},
        {"ampico-b", "/holes/0/action", "crescendo_on",
         "holes[0].action: 'crescendo_on' has no place in the ampico-b model"},
        {"ampico-b", "/parameters/stage_tops", nlohmann::json::array({0.3, 0.2, 1}),
         "parameters.stage_tops[1]: 0.2 must be above the entry before it (0.3)"},
    };
    TempDir dir;
    std::string path = (dir / "wrong.json").string();
    for (const Case& c : cases) {
        nlohmann::json profile = nlohmann::json::parse(
            Slurp(fs::path(ProfileFolder()) / (std::string(c.base) + ".json")));
        nlohmann::json::json_pointer pointer(c.pointer);
        if (c.value.is_null())
            profile[pointer.parent_pointer()].erase(pointer.back());
        else
            profile[pointer] = c.value;
        WriteFile(path, profile.dump(2));
        try {
            LoadProfile(path);
            ADD_FAILURE() << c.pointer << ": accepted";
        } catch (const ProfileError& e) {
            EXPECT_EQ(e.Path(), path);
            EXPECT_EQ(e.Reason(), c.reason) << c.base << " " << c.pointer;
        }
    }
}

TEST(ExpressionProfiles, WrongTextIsRefused) {
    const std::string deep = std::string(100000, '[') + std::string(100000, ']');
    const std::pair<std::string, std::string> cases[] = {
        {"",
         "not valid JSON: parse error at line 1, column 1: syntax error while parsing value - "
         "unexpected end of input; "
         "expected '[', '{', or a literal"},
        {"[1]", "the profile: must be an object ({ ... })"},
        {"{\"format\": 1, \"format\": 1}", "format: appears twice in one object"},
        {"{\"holes\": [{}, {\"note\": 1, \"note\": 2}]}",
         "holes[1].note: appears twice in one object"},
        {"{\"format\": 1}", "name: is missing"},
        {"{\"format\": -1e400}", "not valid JSON: number overflow parsing '-1e400'"},
        {"{\"name\": \"a\xff\"}",
         "not valid JSON: parse error at line 1, column 12: syntax error while parsing value - "
         "invalid string: ill-formed UTF-8 byte; last read: '\"a?'"},
        {"{\"format\": NaN}",
         "not valid JSON: parse error at line 1, column 12: syntax error while parsing value - "
         "invalid literal; last read: '\"format\": N'"},
        {"{\"format\": " + deep + "}",
         "format: must be 1, the profile format that this version reads"},
        {"{\"x\": {\"y\": " + deep + "}, \"format\": 1}", "name: is missing"},
    };
    for (const auto& [text, reason] : cases) {
        try {
            ParseProfile(text, "p.json");
            ADD_FAILURE() << text.substr(0, 80) << ": accepted";
        } catch (const ProfileError& e) {
            EXPECT_EQ(e.Reason(), reason) << text.substr(0, 80);
        }
    }
}

// A shelf reads a profile the first time it is asked for and hands out that one after; a profile
// that cannot be read fails again without a second read, but running out of memory is tried again.
TEST(ExpressionProfiles, AShelfReadsEachProfileOnce) {
    struct ShelfCase {
        const char* name;
        std::vector<std::string> asked;
        int reads;
        int failures;
    };
    const ShelfCase cases[] = {
        {"one profile", {"welte-red", "welte-red", "welte-red"}, 1, 0},
        {"alternating", {"welte-red", "ampico-a", "welte-red", "ampico-a"}, 2, 0},
        {"a wrong one stays wrong", {"wrong", "welte-red", "wrong", "wrong"}, 2, 3},
        {"out of memory is tried again", {"memory", "memory"}, 2, 2},
    };
    for (const ShelfCase& c : cases) {
        int reads = 0;
        ProfileShelf shelf([&](const std::string& name) {
            ++reads;
            if (name == "memory") throw std::bad_alloc();
            if (name == "wrong") throw ProfileError("wrong.json", "name: missing");
            RollProfile profile;
            profile.name = name;
            return profile;
        });
        int failures = 0;
        std::shared_ptr<const RollProfile> first;
        for (const std::string& name : c.asked) {
            try {
                std::shared_ptr<const RollProfile> got = shelf.Get(name);
                EXPECT_EQ(got->name, name) << c.name;
                if (name == c.asked.front() && first) {
                    EXPECT_EQ(got, first) << c.name;
                }
                if (!first) first = got;
            } catch (const ProfileError& e) {
                EXPECT_EQ(e.Path(), "wrong.json") << c.name;
                ++failures;
            } catch (const std::bad_alloc&) {
                ++failures;
            }
        }
        EXPECT_EQ(reads, c.reads) << c.name;
        EXPECT_EQ(failures, c.failures) << c.name;
    }
}

TEST(ExpressionProfiles, WorkersAskingAtOnceShareOneRead) {
    std::atomic<int> reads{0};
    ProfileShelf shelf([&](const std::string& name) {
        ++reads;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        RollProfile profile;
        profile.name = name;
        return profile;
    });
    std::vector<std::thread> workers;
    std::vector<std::shared_ptr<const RollProfile>> got(4);
    for (std::size_t i = 0; i < got.size(); ++i)
        workers.emplace_back([&, i] { got[i] = shelf.Get("duo-art"); });
    for (std::thread& worker : workers) worker.join();
    EXPECT_EQ(reads, 1);
    for (const auto& profile : got) EXPECT_EQ(profile, got[0]);
}

}  // namespace
