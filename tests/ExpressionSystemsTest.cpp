// Each roll system's expression on hand-made rolls: one table per system, one row per control
// hole or situation, with the velocities and controller events worked out by hand from the
// models in docs/expression.md.
//
// The rolls play at tempo 50: a thousandth of an inch is a millisecond and 400 ticks a second.
// Within the first 6 seconds the take-up spool has not yet changed the tempo.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <nlohmann/json.hpp>
#include <string>
#include <variant>
#include <vector>

#include "expression/Emulator.h"
#include "expression/Expression.h"
#include "expression/ProfileLocator.h"
#include "expression/ProfileReader.h"
#include "support/HandRoll.h"
#include "support/MidiTrace.h"
#include "support/ShellRun.h"
#include "support/TestFiles.h"

using namespace rollscribe;
using namespace testing_support;

namespace {

struct H {
    std::int32_t note, start, end;
};

struct Row {
    const char* situation;
    std::vector<H> holes;
    std::vector<std::string>
        played;  // note-ons and controllers: "TICK on NOTE VELOCITY", "TICK cc N V"
    const char* kinds = "on cc";
};

// The trace of the expression file that profile makes of a roll of holes.
std::vector<std::string> Played(const RollProfile& profile, const std::vector<H>& holes,
                                const char* kinds, std::int32_t tempo = 50) {
    HandRoll roll("Hand-made", tempo);
    for (const H& h : holes) roll.Hole(h.note, h.start, h.end);
    TempDir dir;
    WriteExpressionFile(roll.Doc(), profile, CString((dir / "x.mid").string()));
    Bytes file = ReadFile(dir / "x.mid");
    return MidiTrace(std::string_view(reinterpret_cast<const char*>(file.data()), file.size()),
                     kinds);
}

void CheckRows(const RollProfile& profile, const std::vector<Row>& rows) {
    for (const Row& row : rows)
        EXPECT_EQ(Played(profile, row.holes, row.kinds), row.played)
            << profile.name << ": " << row.situation;
}

// A shipped profile with one field changed, read from a file.
RollProfile Changed(const char* name, const char* pointer, const nlohmann::json& value,
                    const TempDir& dir) {
    nlohmann::json profile = nlohmann::json::parse(
        Slurp(std::filesystem::path(ProfileFolder()) / (std::string(name) + ".json")));
    profile[nlohmann::json::json_pointer(pointer)] = value;
    std::string path = (dir / "changed.json").string();
    WriteFile(path, profile.dump());
    RollProfile changed = LoadProfile(path);
    changed.trackerBar = {kStandardFirstNote, 0, 0, 0, 0};  // as punched, as Punched below
    return changed;
}

// A shipped profile reading the holes as punched: the models' rules on their own (the tracker
// bar's are HoleShaping's, tested in ExpressionShapingTest).
RollProfile Punched(const char* name) {
    RollProfile profile = LoadProfile(name);
    profile.trackerBar = {kStandardFirstNote, 0, 0, 0, 0};
    return profile;
}

// Treble note 80 and bass note 40 on the Welte rolls.
TEST(ExpressionSystems, WelteRed) {
    CheckRows(
        Punched("welte-red-linear"),
        {
            {"at rest: p, the bass 5 below",
             {{80, 500, 600}, {40, 500, 600}},
             {"200 on 80 35", "200 on 40 30"}},
            {"slow crescendo latched on: rises, stops at loud",
             {{110, 0, 50}, {80, 1000, 1100}, {80, 4000, 4100}},
             {"400 on 80 46", "1600 on 80 75"}},
            {"slow crescendo latched off: the resting decrescendo",
             {{110, 0, 50}, {111, 2000, 2050}, {80, 3000, 3100}},
             {"1200 on 80 46"}},
            {"sforzando on while open; its closing at the note's position counts",
             {{108, 0, 200}, {80, 200, 300}, {80, 700, 800}},
             {"80 on 80 52", "280 on 80 46"}},
            {"sforzando reaches f within the stretch",
             {{108, 0, 1000}, {80, 900, 950}},
             {"360 on 80 90"}},
            {"sforzando off: fast decrescendo from f",
             {{108, 0, 700}, {109, 700, 800}, {80, 800, 900}},
             {"320 on 80 76"}},
            {"mezzo-forte hook stops a crescendo at mf",
             {{112, 0, 50}, {110, 0, 50}, {80, 3000, 3100}},
             {"1200 on 80 60"}},
            {"mezzo-forte hook stops a falling level at mf",
             {{108, 0, 700}, {112, 700, 750}, {80, 4000, 4100}},
             {"1600 on 80 60"}},
            {"without the hook the same level falls past mf",
             {{108, 0, 700}, {80, 4000, 4100}},
             {"1600 on 80 55"}},
            {"the hook keeps a level fallen onto mf above it: a sforzando raises it",
             {{108, 0, 700},
              {112, 700, 750},
              {108, 4000, 4300},
              {80, 4300, 4400},
              {80, 5300, 5400}},
             {"1720 on 80 85", "2120 on 80 74"}},
            {"the hook keeps a level below mf below it, free to fall",
             {{112, 0, 50}, {110, 0, 50}, {111, 3000, 3050}, {80, 4000, 4100}},
             {"1600 on 80 49"}},
            {"engaged at mf after falling onto it: above, a sforzando raises it",
             {{108, 0, 700},
              {112, 700, 750},
              {113, 4000, 4050},
              {112, 4000, 4050},
              {108, 4500, 4800},
              {80, 4800, 4900}},
             {"1920 on 80 85"}},
            {"engaged at mf after rising onto it: below, a crescendo stays at mf",
             {{112, 0, 50}, {110, 0, 50}, {113, 3000, 3050}, {112, 3000, 3050}, {80, 4000, 4100}},
             {"1600 on 80 60"}},
            {"mezzo-forte off releases the hook",
             {{112, 0, 50}, {110, 0, 50}, {113, 3000, 3050}, {80, 4000, 4100}},
             {"1600 on 80 71"}},
            {"the halves apart: a bass crescendo",
             {{17, 0, 50}, {40, 2000, 2100}, {80, 2000, 2100}},
             {"800 on 40 51", "800 on 80 35"}},
            {"a slow crescendo alone holds a level above loud",
             {{108, 0, 700}, {110, 0, 50}, {80, 2000, 2100}},
             {"800 on 80 90"}},
            {"sustain latched on and off",
             {{80, 0, 100}, {106, 1000, 1050}, {107, 3000, 3050}},
             {"0 on 80 35", "400 cc 64 127", "1200 cc 64 0"}},
            {"soft pedal on 21, off 20; the blower holes 22 and 23 do nothing",
             {{22, 0, 50}, {23, 0, 50}, {21, 1000, 1050}, {20, 2000, 2050}},
             {"400 cc 67 127", "800 cc 67 0"}},
            {"a pedal still down comes up at the roll's end",
             {{106, 1000, 1050}, {80, 2000, 2100}},
             {"400 cc 64 127", "800 on 80 35", "840 cc 64 0"}},
            {"control holes and holes outside the note range are no notes",
             {{104, 0, 100}, {105, 0, 100}, {16, 0, 100}, {114, 0, 100}, {23, 0, 100}},
             {}},
        });
}

TEST(ExpressionSystems, WelteGreen) {
    CheckRows(
        Punched("welte-green"),
        {
            {"crescendo while its hole is open",
             {{110, 0, 2000}, {80, 1000, 1100}},
             {"400 on 80 45"}},
            {"the mezzo-forte hook is released when its hole closes",
             {{112, 0, 3000}, {110, 0, 5000}, {80, 4000, 4100}},
             {"1600 on 80 70"}},
            {"the hook holds while its hole is open",
             {{112, 0, 5000}, {110, 0, 5000}, {80, 4000, 4100}},
             {"1600 on 80 60"}},
            {"bass sforzando-forte", {{20, 0, 300}, {40, 300, 400}}, {"120 on 40 61"}},
            {"bass sforzando-piano from f",
             {{20, 0, 1000}, {16, 1000, 1100}, {40, 1100, 1200}},
             {"440 on 40 65"}},
            {"sustain 18 and soft 111 down while open",
             {{18, 1000, 2000}, {111, 1500, 2500}, {80, 3000, 3100}},
             {"400 cc 64 127", "600 cc 67 127", "800 cc 64 0", "1000 cc 67 0", "1200 on 80 35"}},
        });
}

TEST(ExpressionSystems, WelteLicensee) {
    CheckRows(Punched("welte-licensee"),
              {
                  {"soft pedal on 23, off 22",
                   {{23, 1000, 1050}, {22, 2000, 2050}},
                   {"400 cc 67 127", "800 cc 67 0"}},
                  {"the sforzando holes 21 and 20 move the level (decrescendo over mf to p), "
                   "never the soft pedal",
                   {{21, 0, 1000}, {20, 1000, 1100}, {40, 1100, 1200}},
                   {"440 on 40 72"}},
                  {"slow crescendo on 19, off 18, in the bass",
                   {{19, 0, 50}, {18, 1000, 1050}, {40, 1000, 1100}},
                   {"400 on 40 42"}},
              });
}

// Treble note 80 and bass note 40 (the bass half ends at 64).
TEST(ExpressionSystems, EightyEightNote) {
    CheckRows(
        Punched("88-note"),
        {
            {"a plain note", {{60, 0, 100}}, {"0 on 60 60"}},
            {"treble snakebite accents the treble only",
             {{109, 1000, 1100}, {80, 1000, 1100}, {40, 1000, 1100}},
             {"400 on 80 85", "400 on 40 60"}},
            {"bass snakebite accents the bass only",
             {{20, 1000, 1100}, {80, 1000, 1100}, {40, 1000, 1100}},
             {"400 on 80 60", "400 on 40 85"}},
            {"a note struck as the snakebite closes is not accented",
             {{110, 1000, 1100}, {80, 1100, 1200}},
             {"440 on 80 60"}},
            {"sustain 18 and soft 113 down while open: soft before the notes of its tick, "
             "sustain after",
             {{18, 1000, 2000}, {113, 1000, 2000}, {60, 1000, 1100}},
             {"400 cc 67 127", "400 on 60 60", "400 cc 64 127", "800 cc 64 0", "800 cc 67 0"}},
            {"a pedal down and up within one tick is left out",
             {{18, 1000, 1001}, {60, 2000, 2100}},
             {"800 on 60 60"}},
            {"pedalling again within one tick: up where its hole closes, down after the tick's "
             "notes",
             {{60, 0, 1000}, {18, 0, 1000}, {18, 1001, 2000}, {61, 1001, 1100}},
             {"0 on 60 60", "0 cc 64 127", "400 off 60", "400 cc 64 0", "400 on 61 60",
              "400 cc 64 127", "440 off 61", "800 cc 64 0"},
             "on off cc"},
            {"the rewind hole is no note", {{16, 0, 100}, {60, 0, 100}}, {"0 on 60 60"}},
        });
}

// Treble note 80 and bass note 50 (the bass half ends at 63).
TEST(ExpressionSystems, DuoArt) {
    CheckRows(
        Punched("duo-art"),
        {
            {"no power holes yet: step 0", {{50, 0, 100}}, {"0 on 50 29"}},
            {"accompaniment holes 2 and 4: step 6",
             {{22, 0, 1000}, {23, 0, 1000}, {50, 500, 600}},
             {"200 on 50 68"}},
            {"the step holds its last value", {{21, 0, 200}, {50, 500, 600}}, {"200 on 50 35"}},
            {"all four: step 15, past the velocity's knee",
             {{21, 0, 1000}, {22, 0, 1000}, {23, 0, 1000}, {24, 0, 1000}, {50, 500, 600}},
             {"200 on 50 90"}},
            {"a theme under the accompaniment changes nothing",
             {{24, 0, 1000}, {108, 0, 1000}, {109, 500, 600}, {80, 500, 600}},
             {"200 on 80 71"}},
            {"a theme over the accompaniment, in the half of the open snakebite only",
             {{21, 0, 1000}, {105, 0, 1000}, {109, 500, 600}, {80, 500, 600}, {50, 500, 600}},
             {"200 on 80 75", "200 on 50 35"}},
            {"a snakebite after its note in the roll's order, at the note's position",
             {{21, 0, 1000}, {105, 0, 1000}, {80, 500, 600}, {50, 500, 600}, {109, 500, 600}},
             {"200 on 80 75", "200 on 50 35"}},
            {"the theme only while the snakebite is open",
             {{21, 0, 1000}, {105, 0, 1000}, {109, 500, 600}, {80, 700, 800}},
             {"280 on 80 35"}},
            {"the bass snakebite gives the bass the theme",
             {{21, 0, 1000}, {105, 0, 1000}, {19, 500, 600}, {50, 500, 600}, {80, 500, 600}},
             {"200 on 50 75", "200 on 80 35"}},
            {"the theme step holds its last value too",
             {{105, 0, 200}, {21, 0, 1000}, {110, 500, 600}, {80, 500, 600}},
             {"200 on 80 75"}},
            {"sustain 18 and soft 113 down while open",
             {{18, 1000, 2000}, {113, 1500, 2500}},
             {"400 cc 64 127", "600 cc 67 127", "800 cc 64 0", "1000 cc 67 0"}},
        });
}

TEST(ExpressionSystems, DuoArtStepsThatFallToZero) {
    TempDir dir;
    CheckRows(Changed("duo-art", "/parameters/hold_last_step", false, dir),
              {
                  {"no accompaniment hole open: step 0",
                   {{21, 0, 200}, {50, 500, 600}},
                   {"200 on 50 29"}},
                  {"while open: its step", {{21, 0, 1000}, {50, 500, 600}}, {"200 on 50 35"}},
              });
}

// Treble note 80 and bass note 40 (the bass half ends at 64).
TEST(ExpressionSystems, AmpicoA) {
    CheckRows(
        Punched("ampico-a"),
        {
            {"at rest: 6 inches", {{40, 0, 100}}, {"0 on 40 42"}},
            {"intensity 6 latches; the amplifier goes to 0.2",
             {{21, 0, 50}, {40, 1000, 1100}},
             {"400 on 40 53"}},
            {"cancel clears the intensities of its own half only",
             {{21, 0, 50}, {108, 0, 50}, {22, 1000, 1050}, {40, 2000, 2100}, {80, 2000, 2100}},
             {"800 on 40 42", "800 on 80 53"}},
            {"the amplifier moves at 2 a second: half way to 4+6's 1.0 after 0.25 s",
             {{19, 0, 50}, {21, 0, 50}, {40, 250, 350}},
             {"100 on 40 72"}},
            {"slow crescendo while open", {{16, 0, 2000}, {40, 2000, 2100}}, {"800 on 40 56"}},
            {"fast with slow crescendo: the amplifier follows the vacuum",
             {{16, 0, 1000}, {20, 0, 1000}, {40, 1000, 1100}},
             {"400 on 40 70"}},
            {"the fast hole alone: a fast decrescendo",
             {{16, 0, 1000}, {20, 0, 1500}, {40, 1500, 1600}},
             {"600 on 40 56"}},
            {"the crescendo reaches its top, the amplifier its full travel",
             {{16, 0, 4000}, {20, 0, 4000}, {40, 4000, 4100}},
             {"1600 on 40 83"}},
            {"intensities 4 and 6: the amplifier at full",
             {{19, 0, 50}, {21, 0, 50}, {40, 1000, 1100}},
             {"400 on 40 76"}},
            {"the halves apart: treble intensity 6",
             {{108, 0, 50}, {80, 1000, 1100}, {40, 1000, 1100}},
             {"400 on 80 53", "400 on 40 42"}},
            {"sustain 18 and soft 111 down while open",
             {{18, 1000, 2000}, {111, 1000, 2000}},
             {"400 cc 67 127", "400 cc 64 127", "800 cc 64 0", "800 cc 67 0"}},
        });
}

TEST(ExpressionSystems, AmpicoB) {
    CheckRows(Punched("ampico-b"),
              {
                  {"at rest", {{40, 0, 100}}, {"0 on 40 41"}},
                  {"slow crescendo stops at the top of the stage without amplifier",
                   {{113, 0, 2000}, {80, 2000, 2100}},
                   {"800 on 80 45"}},
                  {"the amplifier lifts the position into the first stage, which holds it",
                   {{15, 0, 500}, {80, 1000, 1100}},
                   {"400 on 80 47"}},
                  {"then a slow crescendo rises to the first stage's top",
                   {{15, 0, 500}, {113, 500, 3000}, {80, 2000, 2100}},
                   {"800 on 80 52"}},
                  {"the second stage; one position for both halves, each its own intensities",
                   {{15, 0, 1000},
                    {108, 0, 50},
                    {110, 0, 50},
                    {112, 0, 50},
                    {80, 1000, 1100},
                    {40, 1000, 1100},
                    {80, 1400, 1500}},
                   {"400 on 80 88", "400 on 40 54", "560 on 80 87"}},
                  {"the shut-off and blank holes do nothing",
                   {{20, 0, 500}, {16, 0, 500}, {40, 500, 600}},
                   {"200 on 40 41"}},
              });
}

// The take-up spool: tempo events every 0.1 minute of playing (ticks and tempos worked out from
// v = v0 + a t), and the emulation's clock runs by them.
TEST(ExpressionSystems, SpoolTempoMap) {
    TempDir dir;
    struct Case {
        const char* situation;
        RollProfile profile;
        std::int32_t tempo;
        std::vector<H> holes;
        std::vector<std::string> played;
    };
    const Case cases[] = {
        {"welte-red, a = 0.3147 ft/min^2, tempo 80 (v0 = 8 ft/min)",
         LoadProfile("welte-red-linear"),
         80,
         {{60, 0, 30000}},
         {"0 tempo 750000", "0 on 60 30", "3840 tempo 747061", "7695 tempo 744145",
          "11565 tempo 741252"}},
        {"88-note, a = 0.2, tempo 100; a tempo event falls between the notes",
         LoadProfile("88-note"),
         100,
         {{60, 0, 1000}, {60, 25000, 26000}},
         {"0 tempo 600000", "0 on 60 60", "4800 tempo 598802", "9610 tempo 597610",
          "10000 on 60 60"}},
        {"acceleration 0: the MIDI file's tempo alone",
         Changed("88-note", "/spool/acceleration", 0, dir),
         100,
         {{60, 0, 30000}},
         {"0 tempo 600000", "0 on 60 60"}},
        {"a = 10 at tempo 50: after 6 s a tick lasts 1/480 s, so a sforzando of 200 ticks "
         "lasts 0.417 s",
         Changed("welte-red-linear", "/spool/acceleration", 10, dir),
         50,
         {{108, 6000, 6500}, {80, 6500, 6600}},
         {"0 tempo 1200000", "2400 tempo 1000000", "2600 on 80 70"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Played(c.profile, c.holes, "tempo on", c.tempo), c.played) << c.situation;
}

}  // namespace

namespace {

// The pneumatic red Welte model on its own, with the shipped (the study's consensus)
// parameters, against the travel times the study counted for them (1 ms steps, ports open or
// shut, no hook): the travel read through a map of travel t to 1 + 100 t.
TEST(ExpressionSystems, WelteRedPneumaticTravelTimes) {
    RollProfile profile = LoadProfile("welte-red");
    ASSERT_EQ(profile.model, ExpressionModel::weltePneumatic);
    PneumaticParameters p = std::get<PneumaticParameters>(profile.parameters);
    p.velocityMap = {{0, 1}, {1, 101}};
    p.bassOffset = 0;
    auto hole = [](HoleAction action, Half side) {
        ControlHole h;
        h.action = action;
        h.side = side;
        return h;
    };
    struct Row {
        const char* situation;
        HoleAction first, then;  // opened at 0, and at 2 s (with `first` closed); none: nothing
        double from, to;         // the travel crossed, after 2 s when `then` is given
        double bass, treble;     // seconds to cross it
    };
    const Row rows[] = {
        {"held sforzando 0 -> 0.9", HoleAction::fastCrescendo, HoleAction::none, 0, 0.9, 0.338,
         0.376},
        {"slow crescendo 0 -> 0.5", HoleAction::crescendoOn, HoleAction::none, 0, 0.5, 0.74, 1.31},
        // (bass left out: let go from the rail, its sforzando valve's 75 ms tail still works
        // against the cancel, where the study's count starts from a resting valve)
        {"held cancel 1 -> 0.1", HoleAction::fastCrescendo, HoleAction::fastDecrescendo, 1, 0.1, -1,
         0.066},
        {"slow decrescendo 1 -> 0.1", HoleAction::fastCrescendo, HoleAction::none, 1, 0.1, 1.59,
         2.17},
    };
    for (const Row& row : rows) {
        for (Half side : {Half::bass, Half::treble}) {
            std::unique_ptr<Emulator> e = MakePneumaticEmulator(p);
            e->Hole(hole(row.first, side), true);
            double start = 0;
            if (row.from > 0) {  // to the loud rail first, then let go (opening `then`)
                e->AdvanceTo(2, nullptr);
                EXPECT_NEAR(e->Level(side), 101, 1e-9) << row.situation;
                e->Hole(hole(row.first, side), false);
                if (row.then != HoleAction::none) e->Hole(hole(row.then, side), true);
                start = 2;
            }
            double t = start;
            // Counted from the moment the travel leaves the rail (the valve's tail holds it
            // there for a while).
            while (row.from > 0 && e->Level(side) >= 101 - 1e-9 && t < start + 1) {
                t += 0.001;
                e->AdvanceTo(t, nullptr);
            }
            start = row.from > 0 ? t : start;
            const bool rising = row.to > row.from;
            while (t < start + 10 && (rising ? e->Level(side) < 1 + 100 * row.to
                                             : e->Level(side) > 1 + 100 * row.to)) {
                t += 0.001;
                e->AdvanceTo(t, nullptr);
            }
            const double expected = side == Half::bass ? row.bass : row.treble;
            if (expected < 0) continue;
            EXPECT_NEAR(t - start, expected, 0.03 * expected + 0.002)
                << row.situation << (side == Half::bass ? " (bass)" : " (treble)");
        }
    }
}

// The stop keeps the travel on its side of mezzo-forte: a level that falls onto it from above
// rests just above it and rises again on a sforzando; one below rises no higher.
TEST(ExpressionSystems, WelteRedPneumaticHookSide) {
    RollProfile profile = LoadProfile("welte-red");
    PneumaticParameters p = std::get<PneumaticParameters>(profile.parameters);
    p.velocityMap = {{0, 1}, {1, 101}};
    p.bassOffset = 0;
    const double mf = p.halves[1].mezzoForte;
    auto hole = [](HoleAction action) {
        ControlHole h;
        h.action = action;
        h.side = Half::treble;
        return h;
    };
    std::unique_ptr<Emulator> e = MakePneumaticEmulator(p);
    e->Hole(hole(HoleAction::fastCrescendo), true);
    e->AdvanceTo(2, nullptr);
    e->Hole(hole(HoleAction::fastCrescendo), false);
    e->Hole(hole(HoleAction::mezzoForteOn), true);  // engaged from above
    e->AdvanceTo(10, nullptr);
    EXPECT_NEAR(e->Level(Half::treble), 1 + 100 * (mf - 0.03), 1e-6) << "resting on the stop";
    e->Hole(hole(HoleAction::fastCrescendo), true);
    e->AdvanceTo(10.3, nullptr);
    EXPECT_GT(e->Level(Half::treble), 1 + 100 * (mf + 0.05)) << "a sforzando raises it";

    std::unique_ptr<Emulator> below = MakePneumaticEmulator(p);
    below->Hole(hole(HoleAction::mezzoForteOn), true);  // engaged from below, at 0
    below->Hole(hole(HoleAction::crescendoOn), true);
    below->AdvanceTo(20, nullptr);
    EXPECT_NEAR(below->Level(Half::treble), 1 + 100 * (mf + 0.03), 1e-6) << "held below";
}

}  // namespace

namespace {

// A half whose level can move by less than the rest level is left at rest, no longer stepped:
// its level stays within the rest level of the model stepped every millisecond throughout.
TEST(ExpressionSystems, WelteRedPneumaticRestsWithinItsLevel) {
    const PneumaticParameters shipped =
        std::get<PneumaticParameters>(LoadProfile("welte-red").parameters);
    PneumaticParameters stepped = shipped;
    stepped.restLevel = 0;
    struct Row {
        const char* situation;
        std::vector<std::pair<double, HoleAction>> holes;  // opened at a time, closed 0.1 s on
        double restsBy;                                    // seconds: both halves at rest
    };
    const Row rows[] = {
        {"slow crescendo latched", {{0, HoleAction::crescendoOn}}, 29},
        {"sforzando, then the crescendo",
         {{0, HoleAction::fastCrescendo}, {1, HoleAction::crescendoOn}},
         29},
        {"crescendo, then let go",
         {{0, HoleAction::crescendoOn}, {3, HoleAction::crescendoOff}},
         20},
        {"hook engaged from below",
         {{0, HoleAction::mezzoForteOn}, {0, HoleAction::crescendoOn}},
         20},
    };
    for (const Row& row : rows) {
        std::unique_ptr<Emulator> rests = MakePneumaticEmulator(shipped);
        std::unique_ptr<Emulator> reference = MakePneumaticEmulator(stepped);
        std::vector<std::pair<double, std::pair<HoleAction, bool>>> changes;
        for (const auto& [at, action] : row.holes) {
            changes.push_back({at, {action, true}});
            changes.push_back({at + 0.1, {action, false}});
        }
        std::stable_sort(changes.begin(), changes.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        std::size_t next = 0;
        for (double t = 0; t <= 30; t += 0.0137) {
            for (; next < changes.size() && changes[next].first <= t; ++next) {
                for (Emulator* e : {rests.get(), reference.get()}) {
                    e->AdvanceTo(changes[next].first, nullptr);
                    for (Half side : {Half::bass, Half::treble}) {
                        ControlHole h;
                        h.action = changes[next].second.first;
                        h.side = side;
                        e->Hole(h, changes[next].second.second);
                    }
                }
            }
            rests->AdvanceTo(t, nullptr);
            reference->AdvanceTo(t, nullptr);
            for (Half side : {Half::bass, Half::treble})
                ASSERT_NEAR(rests->Level(side), reference->Level(side), shipped.restLevel)
                    << row.situation << " at " << t << " s";
            if (t >= row.restsBy) {
                EXPECT_EQ(rests->Piece().until, INFINITY) << row.situation << " at " << t << " s";
            }
        }
    }
}

}  // namespace
