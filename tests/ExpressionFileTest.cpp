// The expression file beside the MIDI file: its shape, its ticks and header against the MIDI
// file's, what the emulation hands the desktop program and the picture, and independent readers.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "RollGenerator.h"
#include "expression/Emulator.h"
#include "expression/Expression.h"
#include "expression/ExpressionOutput.h"
#include "expression/ProfileLocator.h"
#include "expression/ProfileReader.h"
#include "roll/CRollscribeDoc.h"
#include "roll/MidiConversion.h"
#include "roll/RollLoader.h"
#include "support/HandRoll.h"
#include "support/MidiInvariants.h"
#include "support/MidiTrace.h"
#include "support/ShellRun.h"
#include "support/TestFiles.h"

namespace fs = std::filesystem;
using namespace rollscribe;
using namespace testing_support;

namespace {

std::string Text(const Bytes& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

// A generated roll of realistic density (its control-hole tracks 16 to 19 included), loaded as
// the programs load it; its MIDI file written.
struct LoadedRoll {
    explicit LoadedRoll(std::size_t size, std::uint64_t seed = 3) {
        rollgen::RollShape shape;
        shape.seed = seed;
        shape.size = size;
        rollgen::GeneratedRoll roll = rollgen::GenerateRoll(shape);
        WriteFile(dir / "roll.bar", roll.bar);
        WriteFile(dir / "roll.ann", roll.ann);
        LoadRollFile(doc, CString((dir / "roll.bar").string()));
    }
    fs::path Midi() const { return dir / "roll_BAR_e.mid"; }
    fs::path Expression() const { return dir / "roll_BAR_e_expression.mid"; }

    TempDir dir;
    CRollscribeDoc doc;
};

// The meta events of a file but its tempo changes after tick 0, as "tick type data".
std::vector<std::string> MetaEvents(const std::string& file) {
    std::vector<std::string> metas;
    CheckMidiFile(file, [&](const MidiEvent& e) {
        if (e.status == 0xFF && !(e.metaType == 0x51 && e.tick > 0))
            metas.push_back(std::to_string(e.tick) + " " + std::to_string(e.metaType) + " " +
                            std::string(e.data));
    });
    return metas;
}

// The note events of the profile's range, as "tick note on|off".
std::vector<std::string> NoteEvents(const std::string& file, const RollProfile& profile) {
    std::vector<std::string> notes;
    CheckMidiFile(file, [&](const MidiEvent& e) {
        int note = static_cast<unsigned char>(e.data[0]);
        if (e.status == 0x90 && profile.IsNote(note))
            notes.push_back(std::to_string(e.tick) + " " + std::to_string(note) +
                            (e.data[1] ? " on" : " off"));
    });
    return notes;
}

// The value of a level curve at a position: the last point there, or the line between the
// points around it.
double CurveAt(const std::vector<LevelPoint>& curve, double position) {
    std::size_t i = 0;
    while (i + 1 < curve.size() && curve[i + 1].position <= position) ++i;
    if (i + 1 == curve.size() || curve[i].position == position) return curve[i].velocity;
    const LevelPoint& a = curve[i];
    const LevelPoint& b = curve[i + 1];
    return a.velocity +
           (b.velocity - a.velocity) * (position - a.position) / (b.position - a.position);
}

// For every profile, on a generated roll: the file is well formed, after the MIDI file's
// header events and texts, on channel 1; reading the holes as punched, its notes sit at the
// MIDI file's ticks; the velocities written are those the emulation hands on, and the level
// curves give them.
TEST(ExpressionFile, EveryProfileKeepsTheMidiFilesTicksAndHeader) {
    LoadedRoll roll(48 * 1024);
    const std::string midi = Text(ReadFile(roll.Midi()));
    for (std::string_view name : kProfileNames) {
        for (bool punched : {true, false}) {
            RollProfile profile = LoadProfile(std::string(name));
            if (punched) profile.trackerBar = {kStandardFirstNote, 0, 0, 0, 0};
            ExpressionResult result;
            WriteExpressionFile(roll.doc, profile, ExpressionFilePath(roll.doc), &result);
            const std::string file = Text(ReadFile(roll.Expression()));

            std::vector<std::string> trace = MidiTrace(file, "on off cc status");
            EXPECT_EQ(MetaEvents(file), MetaEvents(midi)) << name;
            if (punched) {
                EXPECT_EQ(NoteEvents(file, profile), NoteEvents(midi, profile)) << name;
            }
            std::size_t index = 0, notes = 0;
            for (const std::string& line : trace) {
                ASSERT_EQ(line.find("status"), std::string::npos) << name << ": " << line;
                if (line.find(" on ") == std::string::npos) continue;
                ++notes;
                while (index < result.velocities.size() && result.velocities[index] == 0) ++index;
                ASSERT_LT(index, result.velocities.size()) << name;
                const RollEvent& event = roll.doc.m_events[static_cast<std::int32_t>(index)];
                std::string expected = " on " + std::to_string(event.note) + " " +
                                       std::to_string(result.velocities[index]);
                EXPECT_NE(line.find(expected), std::string::npos) << name << ": " << line;
                double level = CurveAt(result.levels[static_cast<int>(profile.HalfOf(event.note))],
                                       event.time);
                EXPECT_EQ(result.velocities[index], std::clamp<long>(std::lround(level), 1, 127))
                    << name << " at " << event.time;
                ++index;
            }
            EXPECT_GT(notes, 1000u) << name;
        }
    }
}

// Written beside the MIDI file during the load, the same file; the MIDI file byte for byte as
// without it; each file's failure kept to itself.
TEST(ExpressionFile, WrittenWithTheMidiFileByTheLoad) {
    LoadedRoll roll(16 * 1024);
    const Bytes midi = ReadFile(roll.Midi());
    WriteExpressionFile(roll.doc, LoadProfile("duo-art"), ExpressionFilePath(roll.doc));
    const Bytes expression = ReadFile(roll.Expression());
    EXPECT_EQ(ReadFile(roll.Midi()), midi);

    struct Case {
        const char* situation;
        const char* profile;
        bool midiBlocked, expressionBlocked;  // a folder in the file's place
        bool midiWritten, expressionWritten;
        const char* error;  // the expression's, a part of its text
    };
    const Case cases[] = {
        {"both written", "duo-art", false, false, true, true, ""},
        {"the roll type's profile (88-note)", "", false, false, true, true, ""},
        {"a profile that cannot be read: the MIDI file alone", "aeolian", false, false, true, false,
         "no profile named 'aeolian'"},
        {"the expression file cannot be written: the MIDI file alone", "duo-art", false, true, true,
         false, "roll_BAR_e_expression.mid"},
        {"the MIDI file cannot be written: neither", "duo-art", true, false, false, false, ""},
    };
    for (const Case& c : cases) {
        TempDir dir;
        for (const char* name : {"roll.bar", "roll.ann"})
            fs::copy_file(roll.dir / name, dir / name);
        if (c.midiBlocked) fs::create_directory(dir / "roll_BAR_e.mid");
        if (c.expressionBlocked) fs::create_directory(dir / "roll_BAR_e_expression.mid");
        CRollscribeDoc doc;
        ExpressionOutput output(c.profile, true);
        doc.m_pSideOutput = &output;
        try {
            LoadRollFile(doc, CString((dir / "roll.bar").string()));
            EXPECT_TRUE(c.midiWritten) << c.situation;
        } catch (const CException&) {
            EXPECT_FALSE(c.midiWritten) << c.situation;
        }
        EXPECT_EQ(output.Written(), c.expressionWritten) << c.situation;
        if (c.midiWritten) {
            EXPECT_EQ(ReadFile(dir / "roll_BAR_e.mid"), midi) << c.situation;
        }
        if (c.expressionWritten) {
            Bytes written = ReadFile(dir / "roll_BAR_e_expression.mid");
            if (*c.profile) {
                EXPECT_EQ(written, expression) << c.situation;
            }
            EXPECT_EQ(output.ProfileName(), *c.profile ? c.profile : "88-note");
            EXPECT_EQ(output.Result().velocities,
                      EmulateExpression(doc, LoadProfile(output.ProfileName())).velocities);
        } else if (!c.expressionBlocked) {
            EXPECT_FALSE(fs::exists(dir / "roll_BAR_e_expression.mid")) << c.situation;
        }
        std::string error;
        try {
            if (output.Error()) std::rethrow_exception(output.Error());
        } catch (const std::exception& e) {
            error = e.what();
        }
        EXPECT_NE(error.find(c.error), std::string::npos) << c.situation << ": " << error;
        EXPECT_EQ(error.empty(), !*c.error) << c.situation << ": " << error;
        EXPECT_FALSE(HasTemporaryFile(dir.Path())) << c.situation;
    }
}

// The load follows the MIDI file's pass; a roll whose positions go back (only one made in
// memory can) is walked whole instead, into the same bytes and results as on its own.
TEST(ExpressionFile, ARollOutOfOrderIsWalkedWholeWithTheMidiFile) {
    TempDir dir;
    HandRoll hand("88-note", 60);
    for (std::int32_t k = 0; k < 3 * 4096; ++k) hand.Raw(k % 2, 21 + k / 2 % 80, 10 * k);
    hand.Raw(RollEvent::kTrackOpened, 109, 5).Raw(RollEvent::kTrackClosed, 109, 900);
    CRollscribeDoc& doc = hand.Doc();
    doc.m_strDirectory = CString(dir.Path().string() + "/");
    doc.m_strFileTitle = "roll";
    for (const char* profile : {"88-note", "welte-red"}) {
        std::vector<std::uint8_t> midi, bytes;
        doc.m_pMidiBytes = &midi;
        ExpressionOutput output(profile, true);
        output.KeepInMemory(&bytes);
        doc.m_pSideOutput = &output;
        doc.WriteMidiFile();
        doc.m_pSideOutput = nullptr;
        ASSERT_TRUE(output.Written()) << profile;
        ExpressionResult result;
        WriteExpressionFile(doc, LoadProfile(profile), ExpressionFilePath(doc), &result);
        EXPECT_EQ(bytes, ReadFile(ExpressionFilePath(doc).ToStdString())) << profile;
        EXPECT_EQ(output.Result().velocities, result.velocities) << profile;
        EXPECT_EQ(output.Result().pedals.size(), result.pedals.size()) << profile;
    }
}

TEST(ExpressionFile, IndependentReadersAcceptIt) {
    LoadedRoll roll(16 * 1024);
    for (const char* name : {"88-note", "welte-green", "ampico-b"}) {
        WriteExpressionFile(roll.doc, LoadProfile(name), ExpressionFilePath(roll.doc));
        std::vector<std::string> trace = MidiTrace(Text(ReadFile(roll.Expression())), "cc tempo");
        auto count = [&trace](const char* kind) {
            return std::to_string(std::count_if(trace.begin(), trace.end(), [kind](auto& line) {
                return line.find(kind) != std::string::npos;
            }));
        };
        ShellRun run = RunShell(std::string(MIDI_READER) + " " + Q(roll.Expression()));
        ASSERT_EQ(run.status, 0) << run.err;
        std::map<std::string, std::string> read = KeyValues(LinesOf(run.out));
        EXPECT_EQ(read["type"], "0") << name;
        EXPECT_EQ(read["tracks"], "1") << name;
        EXPECT_EQ(read["ticks_per_beat"], "480") << name;
        EXPECT_EQ(read["channels"], "0") << name;
        EXPECT_NE(count(" cc "), "0") << name;
        EXPECT_EQ(read["count_control_change"], count(" cc ")) << name;
        EXPECT_EQ(read["count_set_tempo"], count(" tempo ")) << name;
        EXPECT_EQ(read["pedals_up_at_end"], "yes") << name;
        EXPECT_EQ(read["last"], "end_of_track") << name;
        EXPECT_EQ(read["track_name"], "Generated Roll No. 3") << name;
        EXPECT_EQ(read["midicsv_tempos"], count(" tempo ")) << name;
    }
}

// Every track 0 to 239 (notes 15 to 254), each struck at its own position before every control
// hole opens there: with every profile the file is accepted by an independent reader, holds the
// notes of the profile's range up to 127 that the MIDI file holds and no other, and is the same
// on every run.
TEST(ExpressionFile, EveryTrackUpTo239KeepsTheFileWellFormed) {
    HandRoll roll("Generic", 50);
    for (std::int32_t note = 15; note <= 254; ++note) {
        const std::int32_t at = 1000 * (note - 14);
        roll.Raw(RollEvent::kTrackOpened, note, at);
        for (std::int32_t other = 15; other <= 127; ++other)
            if (other != note) roll.Raw(RollEvent::kTrackOpened, other, at);
        for (std::int32_t other = 15; other <= 254; ++other)
            if (other == note || other <= 127) roll.Raw(RollEvent::kTrackClosed, other, at + 500);
    }
    const CRollscribeDoc& doc = roll.Doc();
    TempDir dir;
    // As punched, the notes are the roll's own; through the tracker bar (holes merged, ends
    // later) the file must be just as well formed.
    for (const bool punched : {true, false})
        for (std::string_view name : kProfileNames) {
            RollProfile profile = LoadProfile(std::string(name));
            if (punched) profile.trackerBar = {kStandardFirstNote, 0, 0, 0, 0};
            std::vector<std::string> expected;
            for (const RollEvent& e : doc.m_events)
                if (e.note <= 127 && profile.IsNote(e.note))
                    expected.push_back(std::to_string(TickTimeOf(e.time)) + " " +
                                       std::to_string(e.note) + (e.kind ? " on" : " off"));
            const fs::path path = dir / "x.mid";
            WriteExpressionFile(doc, profile, CString(path.string()));
            const Bytes first = ReadFile(path);
            if (punched) {
                EXPECT_EQ(NoteEvents(Text(first), profile), expected) << name;
            }
            ShellRun run = RunShell(std::string(MIDI_READER) + " " + Q(path));
            EXPECT_EQ(run.status, 0) << name << ": " << run.err;
            WriteExpressionFile(doc, profile, CString(path.string()));
            EXPECT_EQ(ReadFile(path), first) << name;
        }
}

// More notes at one position than a piano has keys: a control hole there re-levels them all.
TEST(ExpressionFile, AControlHoleReLevelsEveryNoteStruckAtItsPosition) {
    HandRoll roll("Generic", 50);
    for (int i = 0; i < 300; ++i) roll.Raw(RollEvent::kTrackOpened, 80, 1000);
    roll.Raw(RollEvent::kTrackOpened, 109, 1000).Raw(RollEvent::kTrackClosed, 109, 1100);
    for (int i = 0; i < 300; ++i) roll.Raw(RollEvent::kTrackClosed, 80, 1100);
    RollProfile profile = LoadProfile("88-note");
    profile.trackerBar = {kStandardFirstNote, 0, 0, 0, 0};  // as punched
    TempDir dir;
    WriteExpressionFile(roll.Doc(), profile, CString((dir / "x.mid").string()));
    EXPECT_EQ(MidiTrace(Text(ReadFile(dir / "x.mid")), "on"),
              std::vector<std::string>(300, "400 on 80 85"));
}

// With the spool's tempo map off (its tempo events would break the wait up), a wait longer than
// one delta carries, to a pedal and to a note (the pedal's hole ends 0.043 in later, by the
// tracker bar's aperture; the note's end is the last position a roll can have).
TEST(ExpressionFile, AWaitTooLongForOneDeltaKeepsItsTick) {
    HandRoll roll("Generic", 100);
    roll.Hole(60, 0, 2147483647).Hole(18, 1000, 2147483000);
    RollProfile profile = LoadProfile("88-note");
    profile.spoolAcceleration = 0;
    TempDir dir;
    WriteExpressionFile(roll.Doc(), profile, CString((dir / "x.mid").string()));
    EXPECT_EQ(MidiTrace(Text(ReadFile(dir / "x.mid")), "on off cc tempo"),
              (std::vector<std::string>{"0 tempo 600000", "0 on 60 60", "400 cc 64 127",
                                        "858993217 cc 64 0", "858993458 off 60"}));
}

TEST(ExpressionFile, AnUnwritableTargetThrowsNamingItAndLeavesNothing) {
    HandRoll roll;
    roll.Hole(60, 0, 100);
    TempDir dir;
    std::string path = (dir / "missing" / "x.mid").string();
    try {
        WriteExpressionFile(roll.Doc(), LoadProfile("88-note"), CString(path));
        ADD_FAILURE() << "written";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.Path(), path);
    }
    EXPECT_EQ(ListDir(dir.Path()), std::vector<std::string>{});
}

// What the desktop program and the picture get: pedal times and the level curves with the
// points where a level stops.
TEST(ExpressionResult, PedalTimesAndLevelCurves) {
    HandRoll roll("Welte", 50);
    roll.Hole(110, 0, 50).Hole(80, 4000, 4100).Hole(106, 1000, 1050).Hole(107, 3000, 3050);
    roll.Hole(21, 2000, 2050);
    ExpressionResult result = EmulateExpression(roll.Doc(), LoadProfile("welte-red-linear"));
    ASSERT_EQ(result.pedals.size(), 2u);
    EXPECT_EQ(result.pedals[0].pedal, Pedal::sustain);
    EXPECT_EQ(result.pedals[0].start, 1000);
    EXPECT_EQ(result.pedals[0].end, 3000);
    EXPECT_EQ(result.pedals[0].startTick, 400u);
    EXPECT_EQ(result.pedals[0].endTick, 1200u);
    EXPECT_EQ(result.pedals[1].pedal, Pedal::soft);
    EXPECT_EQ(result.pedals[1].start, 2000);
    // Still down at the end: the note's, 0.043 in later by the tracker bar's aperture.
    EXPECT_EQ(result.pedals[1].end, 4143);
    EXPECT_EQ(result.tempos.size(), 1u);

    // Treble: a slow crescendo from 0 reaches loud (75) at 40 / (25 / 2.38) s = 3.808 s; the
    // bass rests at p less 5 throughout.
    const std::vector<LevelPoint>& treble = result.levels[1];
    ASSERT_GE(treble.size(), 3u);
    EXPECT_EQ(treble.front().position, 0);
    EXPECT_EQ(treble.front().velocity, 35);
    auto top = std::find_if(treble.begin(), treble.end(), [](auto& p) { return p.velocity == 75; });
    ASSERT_NE(top, treble.end());
    EXPECT_NEAR(top->position, 3808, 1e-6);
    EXPECT_NEAR(CurveAt(treble, 2000), 35 + 25 / 2.38 * 2, 1e-9);
    EXPECT_EQ(treble.back().position, 4143);
    EXPECT_EQ(treble.back().velocity, 75);
    ASSERT_EQ(result.levels[0].size(), 2u);
    EXPECT_EQ(result.levels[0].back().position, 4143);
    EXPECT_EQ(result.levels[0].back().velocity, 30);
}

// The velocities by roll event: a note's, and its changed one where a control hole after it at
// its position changes its half's level; 0 for every event that is no note-on of the file.
TEST(ExpressionResult, VelocitiesByRollEvent) {
    HandRoll roll("Duo-Art", 50);
    roll.Hole(21, 0, 1000).Hole(105, 0, 1000).Hole(80, 500, 600).Hole(109, 500, 600);
    ExpressionResult result = EmulateExpression(roll.Doc(), LoadProfile("duo-art"));
    // events: 21 on, 105 on, 80 on, 109 on (500), 80 off, 109 off (600), 21 off, 105 off
    EXPECT_EQ(result.velocities, (std::vector<std::uint8_t>{0, 0, 75, 0, 0, 0, 0, 0}));
}

// The levels are exact between control holes: how the time between them is split changes
// nothing.
TEST(ExpressionEmulation, SplittingTimeChangesNothing) {
    struct Step {
        double seconds;
        std::int32_t note;  // a control hole changing at that time
        bool open;
    };
    const std::pair<const char*, std::vector<Step>> scripts[] = {
        {"welte-red-linear",
         {{0.1, 110, true},
          {0.2, 108, true},
          {0.9, 108, false},
          {1.3, 112, true},
          {2.0, 109, true},
          {2.2, 109, false},
          {3.1, 111, true}}},
        {"welte-green",
         {{0.1, 110, true},
          {0.3, 112, true},
          {2.9, 112, false},
          {3.4, 113, true},
          {3.6, 113, false}}},
        {"ampico-a",
         {{0.1, 16, true},
          {0.2, 20, true},
          {1.1, 20, false},
          {1.5, 21, true},
          {2.0, 16, false},
          {2.1, 20, true},
          {2.6, 19, true},
          {3.0, 22, true},
          {3.1, 113, true},
          {3.2, 109, true}}},
        {"ampico-b",
         {{0.1, 15, true},
          {0.5, 15, false},
          {0.6, 113, true},
          {1.9, 109, true},
          {2.3, 113, false},
          {2.4, 108, true},
          {2.5, 15, true},
          {3.3, 15, false}}},
    };
    for (const auto& [name, steps] : scripts) {
        RollProfile profile = LoadProfile(name);
        std::unique_ptr<Emulator> whole = MakeEmulator(profile);
        std::unique_ptr<Emulator> split = MakeEmulator(profile);
        double now = 0;
        for (const Step& step : steps) {
            whole->AdvanceTo(step.seconds, nullptr);
            for (int k = 1; k <= 997; ++k)
                split->AdvanceTo(now + (step.seconds - now) * k / 997, nullptr);
            for (Half half : {Half::bass, Half::treble})
                EXPECT_NEAR(whole->Level(half), split->Level(half), 1e-9)
                    << name << " " << step.seconds;
            whole->Hole(*profile.HoleOf(step.note), step.open);
            split->Hole(*profile.HoleOf(step.note), step.open);
            now = step.seconds;
        }
    }
}

}  // namespace
