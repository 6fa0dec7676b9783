// Live MIDI output: the release of what sounds, the MIDI reader, the roll converted in memory,
// and plays to a JACK server of the test's own with a recording client of its own.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <set>
#include <thread>

#include "expression/ExpressionOutput.h"
#include "live/LiveError.h"
#include "live/LivePlayer.h"
#include "live/MidiPorts.h"
#include "live/SoundingNotes.h"
#include "midi/MidiSequence.h"
#include "platform/CException.h"
#include "play/PlayableFile.h"
#include "roll/CRollscribeDoc.h"
#include "roll/RollLoader.h"
#include "support/JackRig.h"
#include "support/ShellRun.h"
#include "support/TestFiles.h"

namespace fs = std::filesystem;
using namespace rollscribe;
using namespace testing_support;
using namespace std::chrono_literals;

namespace {

Bytes MessageBytes(const std::vector<ShortMessage>& messages) {
    Bytes bytes;
    for (const ShortMessage& m : messages) bytes.insert(bytes.end(), m.bytes, m.bytes + m.size);
    return bytes;
}

TEST(SoundingNotes, ReleasesNotesOnThenPedalsThenAllNotesOffOfEveryChannelUsed) {
    struct Case {
        const char* sent;
        const char* release;
    } cases[] = {
        {"", ""},
        {"90 3C 50", "80 3C 00 | B0 40 00 | B0 43 00 | B0 7B 00"},
        {"90 3C 50 90 3C 00", "B0 40 00 | B0 43 00 | B0 7B 00"},
        {"90 3C 50 80 3C 40", "B0 40 00 | B0 43 00 | B0 7B 00"},
        {"B0 40 7F 91 15 01 90 6C 7F",
         "80 6C 00 | 81 15 00 | B0 40 00 | B1 40 00 | B0 43 00 | B1 43 00 | B0 7B 00 | B1 7B 00"},
        {"CF 05", "BF 40 00 | BF 43 00 | BF 7B 00"},
    };
    for (const Case& c : cases) {
        SoundingNotes notes;
        const Bytes sent = Hex(c.sent);
        for (std::size_t i = 0; i < sent.size(); i += (sent[i] & 0xF0) == 0xC0 ? 2 : 3)
            notes.Sent(&sent[i], (sent[i] & 0xF0) == 0xC0 ? 2 : 3);
        EXPECT_EQ(HexOf(MessageBytes(notes.Release())), HexOf(Hex(c.release))) << c.sent;
        EXPECT_TRUE(notes.Release().empty()) << c.sent << ": released twice";
    }
}

std::string Dump(const MidiSequence& sequence) {
    std::string text;
    for (const TimedMessage& m : sequence.messages)
        text +=
            std::to_string(m.microseconds) + ":" + HexOf(Bytes(m.bytes, m.bytes + m.size)) + " ";
    return text + "end " + std::to_string(sequence.lengthMicroseconds);
}

Bytes Smf(std::uint16_t division, std::initializer_list<const char*> tracks) {
    Bytes file = Hex("4D 54 68 64 00 00 00 06 00 01");
    file.push_back(0);
    file.push_back(static_cast<std::uint8_t>(tracks.size()));
    file.push_back(static_cast<std::uint8_t>(division >> 8));
    file.push_back(static_cast<std::uint8_t>(division));
    for (const char* track : tracks) {
        Bytes body = Hex(track);
        Bytes head = Hex("4D 54 72 6B 00 00");
        head.push_back(static_cast<std::uint8_t>(body.size() >> 8));
        head.push_back(static_cast<std::uint8_t>(body.size()));
        file.insert(file.end(), head.begin(), head.end());
        file.insert(file.end(), body.begin(), body.end());
    }
    return file;
}

TEST(MidiSequence, TimesEveryChannelMessageByTheTempoMapOfAllTracks) {
    struct Case {
        Bytes file;
        const char* expected;
    } cases[] = {
        // 480 ticks a quarter at the default 120: 480 ticks are half a second; running status.
        {Smf(480, {"00 90 3C 50 83 60 3C 00 00 FF 2F 00"}),
         "0:90 3C 50 500000:90 3C 00 end 500000"},
        // A tempo change (1 s a quarter) halfway; a later end of track.
        {Smf(480, {"00 FF 51 03 0F 42 40 00 C0 05 83 60 B0 40 7F 83 60 FF 2F 00"}),
         "0:C0 05 1000000:B0 40 7F end 2000000"},
        // Format 1: the tempo in the first track times the second; meta and sysex skipped.
        {Smf(96, {"60 FF 51 03 1E 84 80 00 FF 2F 00",
                  "00 FF 03 01 41 00 F0 02 7E F7 60 90 40 40 60 80 40 00 00 FF 2F 00"}),
         "500000:90 40 40 2500000:80 40 00 end 2500000"},
        // SMPTE: 25 frames of 40 ticks, a millisecond a tick.
        {Smf(0xE728, {"00 90 3C 50 81 74 90 3C 00 00 FF 2F 00"}),
         "0:90 3C 50 244000:90 3C 00 end 244000"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Dump(ParseMidiSequence(c.file.data(), c.file.size(), "f.mid")), c.expected);
}

// A position in ticks (the cursor's) and the time a play starts from: each way by the tempo
// map, a start at a tick's time never past a message at that tick.
TEST(MidiSequence, MapsTicksAndTimesByTheTempoMap) {
    struct Case {
        Bytes file;
        std::int64_t tick;
        std::int64_t microseconds;
    } cases[] = {
        // 480 ticks at 120 a minute: 1041.67 us a tick, the time rounded down.
        {Smf(480, {"00 FF 2F 00"}), 0, 0},
        {Smf(480, {"00 FF 2F 00"}), 1, 1041},
        {Smf(480, {"00 FF 2F 00"}), 960, 1000000},
        // 1 s a quarter from tick 480 on: half a second, then 2083.33 us a tick.
        {Smf(480, {"83 60 FF 51 03 0F 42 40 00 FF 2F 00"}), 480, 500000},
        {Smf(480, {"83 60 FF 51 03 0F 42 40 00 FF 2F 00"}), 481, 502083},
        {Smf(480, {"83 60 FF 51 03 0F 42 40 00 FF 2F 00"}), 960, 1500000},
        // Two tempos at one tick: the later one counts.
        {Smf(480, {"00 FF 51 03 0F 42 40 00 FF 51 03 07 A1 20 00 FF 2F 00"}), 480, 500000},
        // SMPTE: 25 frames of 40 ticks, a millisecond a tick.
        {Smf(0xE728, {"00 FF 2F 00"}), 244, 244000},
    };
    for (const Case& c : cases) {
        const MidiSequence sequence = ParseMidiSequence(c.file.data(), c.file.size(), "f.mid");
        EXPECT_EQ(MicrosecondsAtTick(sequence, c.tick), c.microseconds) << c.tick;
        EXPECT_EQ(TickAtMicroseconds(sequence, c.microseconds), c.tick) << c.microseconds;
        // Just after the tick's time: the next tick.
        EXPECT_EQ(TickAtMicroseconds(sequence, c.microseconds + 1), c.tick + 1) << c.microseconds;
    }
}

TEST(MidiSequence, NamesTheFileAndWhatIsWrong) {
    struct Case {
        Bytes file;
        const char* reason;
    } cases[] = {
        {testing_support::BytesOf("RIFF0000WAVEfmt "), "not a MIDI file"},
        {Smf(480, {"00 90 3C"}), "ends inside a chunk"},
        {Smf(480, {"00 3C 50"}), "a data byte without a status"},
        {Smf(480, {"00 90 3C 80"}), "a data byte of 128 or more"},
        {Smf(480, {"FF FF FF FF 7F 90 3C 50"}), "longer than 4 bytes"},
        {Smf(0, {"00 FF 2F 00"}), "0 ticks"},
    };
    for (const Case& c : cases) {
        try {
            ParseMidiSequence(c.file.data(), c.file.size(), "f.mid");
            ADD_FAILURE() << c.reason << ": read";
        } catch (const CException& e) {
            EXPECT_EQ(e.Path(), "f.mid");
            EXPECT_NE(e.Reason().find(c.reason), std::string::npos) << e.Reason();
        }
    }
    TempDir dir;
    try {
        ReadMidiSequence((dir / "none.mid").string());
        ADD_FAILURE() << "a missing file read";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.Path(), (dir / "none.mid").string());
        EXPECT_NE(e.Reason().find("No such file"), std::string::npos) << e.Reason();
    }
}

// The example roll in a folder of its own.
struct ExampleRoll {
    TempDir dir;
    fs::path bar = dir / "evening_waltz.bar";
    ExampleRoll() {
        for (const char* name : {"evening_waltz.bar", "evening_waltz.ann"})
            fs::copy_file(fs::path(EXAMPLES_DIR) / name, dir / name);
    }
};

TEST(PlayableFile, ARollPlaysAsTheConverterWritesItAndNothingIsWritten) {
    ExampleRoll roll;
    std::vector<std::string> warnings;
    const auto plain = LoadPlayable(roll.bar.string(), false, "", warnings);
    const auto expressive = LoadPlayable(roll.bar.string(), true, "", warnings);
    EXPECT_EQ(ListDir(roll.dir.Path()),
              (std::vector<std::string>{"evening_waltz.ann", "evening_waltz.bar"}));
    EXPECT_TRUE(warnings.empty());

    CRollscribeDoc doc;
    ExpressionOutput expression;
    doc.m_pSideOutput = &expression;
    LoadRollFile(doc, CString(roll.bar.string()));
    ASSERT_TRUE(expression.Written());
    EXPECT_EQ(Dump(*plain), Dump(ReadMidiSequence(doc.MidiFilePath().ToStdString())));
    EXPECT_EQ(Dump(*expressive), Dump(ReadMidiSequence(expression.Path().ToStdString())));
    EXPECT_NE(Dump(*plain), Dump(*expressive));
}

// ---- Plays to JACK --------------------------------------------------------------------------

// What is left sounding after messages: the notes on and the pedals down, as "ch:note" and
// "ch:cc".
std::set<std::string> LeftSounding(const std::vector<Received>& received) {
    std::set<std::string> on;
    for (const Received& r : received) {
        const auto& b = r.bytes;
        if (b.size() != 3) continue;
        const std::string ch = std::to_string(b[0] & 0x0F) + ":";
        const int kind = b[0] & 0xF0;
        if (kind == 0x90 && b[2]) on.insert(ch + "note" + std::to_string(b[1]));
        if (kind == 0x80 || (kind == 0x90 && !b[2])) on.erase(ch + "note" + std::to_string(b[1]));
        if (kind == 0xB0 && (b[1] == 64 || b[1] == 67)) {
            const std::string pedal = ch + "cc" + std::to_string(b[1]);
            if (b[2] >= 64)
                on.insert(pedal);
            else
                on.erase(pedal);
        }
        if (kind == 0xB0 && b[1] == 123)
            std::erase_if(on, [&](const std::string& s) { return s.starts_with(ch + "note"); });
    }
    return on;
}

// A sequence of held chords with the sustain pedal down, on two channels: one chord a tenth of
// a second for ten seconds.
std::shared_ptr<MidiSequence> HeldChords() {
    auto sequence = std::make_shared<MidiSequence>();
    sequence->messages.push_back({0, {0xB0, 64, 127}, 3});
    for (int i = 0; i < 100; ++i) {
        const std::int64_t t = i * 100000;
        sequence->messages.push_back({t, {0x90, static_cast<std::uint8_t>(40 + i % 40), 90}, 3});
        sequence->messages.push_back({t, {0x93, static_cast<std::uint8_t>(50 + i % 30), 60}, 3});
    }
    sequence->lengthMicroseconds = 10000000;
    return sequence;
}

// What the recorder gets until the message lastHex (a release's last) has come, or timeout: a
// loaded machine may pass the release on late, but never leaves it out.
std::vector<Received> TakeThrough(MidiRecorder& recorder, const std::string& lastHex,
                                  std::chrono::milliseconds timeout) {
    std::vector<Received> received;
    const auto until = std::chrono::steady_clock::now() + timeout;
    do {
        recorder.WaitFor(1, 100ms);
        for (Received& r : recorder.Take()) received.push_back(std::move(r));
    } while ((received.empty() || HexOf(received.back().bytes) != lastHex) &&
             std::chrono::steady_clock::now() < until);
    recorder.WaitFor(1000, 100ms);  // and anything after it, which there must not be
    for (Received& r : recorder.Take()) received.push_back(std::move(r));
    return received;
}

class LiveJack : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { s_server = new JackServer; }
    static void TearDownTestSuite() {
        delete s_server;
        s_server = nullptr;
    }
    void SetUp() override {
        ASSERT_TRUE(s_server->Running()) << "jackd did not start:\n" << s_server->Log();
    }
    // The player for the recorder's port, as the ports list names it.
    std::unique_ptr<LivePlayer> PlayerFor(const MidiRecorder& recorder) {
        MidiPort port = FindPort(ListPorts(), recorder.PortName());
        EXPECT_EQ(port.api, MidiApi::jack);
        return std::make_unique<LivePlayer>(OpenPort(port, "rollscribe-test"));
    }
    static JackServer* s_server;
};
JackServer* LiveJack::s_server = nullptr;

// Every message of the sequence from the first received on, in order, each at its time from
// the first one's (a generous allowance: the machine is shared), then nothing left sounding.
void ExpectPlayed(const std::vector<Received>& received, const MidiSequence& sequence,
                  std::size_t first = 0) {
    const std::size_t count = sequence.messages.size() - first;
    ASSERT_GE(received.size(), count);
    const auto start = received[0].at;
    const std::int64_t startTime = sequence.messages[first].microseconds;
    std::size_t late = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const TimedMessage& m = sequence.messages[first + i];
        ASSERT_EQ(HexOf(received[i].bytes), HexOf(Bytes(m.bytes, m.bytes + m.size)))
            << "message " << i;
        const auto at =
            std::chrono::duration_cast<std::chrono::microseconds>(received[i].at - start);
        late += std::abs(at.count() - (m.microseconds - startTime)) > 150000;
    }
    EXPECT_EQ(late, 0u) << "messages more than 150 ms off their times";
    EXPECT_TRUE(LeftSounding(received).empty());
}

TEST_F(LiveJack, APlayOfTheExampleRollSendsEveryMessageAtItsTime) {
    ExampleRoll roll;
    std::vector<std::string> warnings;
    // The last 8 s of the MIDI file and of the expression file (pedals, velocities, tempos): a
    // whole play of the roll takes more than a minute and a half.
    for (bool expression : {false, true}) {
        auto sequence = LoadPlayable(roll.bar.string(), expression, "", warnings);
        const std::int64_t from = sequence->lengthMicroseconds - 8000000;
        std::size_t first = 0;
        while (sequence->messages[first].microseconds < from) ++first;
        MidiRecorder recorder;
        auto player = PlayerFor(recorder);
        player->Play(sequence, from);
        while (player->WaitFor(100ms)) {
        }
        EXPECT_TRUE(player->Ended());
        EXPECT_FALSE(player->Failure());
        EXPECT_EQ(player->Position(), sequence->lengthMicroseconds);
        player.reset();
        std::vector<Received> received = TakeThrough(recorder, "B0 7B 00", 10s);
        // A play from a time sends the controllers set before it first (the pedals).
        std::size_t chased = 0;
        while (chased < received.size() && (received[chased].bytes[0] & 0xF0) == 0xB0 &&
               received[chased].at == received[0].at)
            ++chased;
        chased = std::min<std::size_t>(chased, 2);
        received.erase(received.begin(), received.begin() + static_cast<long>(chased));
        ExpectPlayed(received, *sequence, first);
        // The end's release: the pedals and All Notes Off on the one channel used.
        EXPECT_EQ(HexOf(received.back().bytes), "B0 7B 00");
    }
}

TEST_F(LiveJack, EveryWayAPlayEndsLeavesNothingSounding) {
    enum class End { stop, seek, destroy };
    for (End end : {End::stop, End::seek, End::destroy}) {
        MidiRecorder recorder;
        auto player = PlayerFor(recorder);
        auto sequence = HeldChords();
        player->Play(sequence, 2000000);
        recorder.WaitFor(30, 5s);
        if (end == End::seek) {
            player->Seek(8000000);
            std::this_thread::sleep_for(300ms);
            const std::vector<Received> before = recorder.Take();
            // Released, then the pedal put down again and the play going on from 8 s.
            EXPECT_TRUE(LeftSounding(before).size() > 2);
            player->Stop();
        } else if (end == End::stop) {
            player->Stop();
            EXPECT_GT(player->Position(), 2000000);
            EXPECT_LT(player->Position(), 10000000);
        }
        player.reset();
        const std::vector<Received> received = TakeThrough(recorder, "B3 7B 00", 10s);
        EXPECT_TRUE(LeftSounding(received).empty()) << static_cast<int>(end);
        ASSERT_FALSE(received.empty());
        EXPECT_EQ(HexOf(received.back().bytes), "B3 7B 00") << static_cast<int>(end);
    }
}

TEST_F(LiveJack, APlayFromATimeSendsThePedalDownFirst) {
    MidiRecorder recorder;
    auto player = PlayerFor(recorder);
    auto sequence = HeldChords();
    player->Play(sequence, 9500000);
    while (player->WaitFor(100ms)) {
    }
    player.reset();
    recorder.WaitFor(20, 1s);
    const std::vector<Received> received = recorder.Take();
    ASSERT_FALSE(received.empty());
    EXPECT_EQ(HexOf(received[0].bytes), "B0 40 7F");
    std::vector<Received> played(received.begin() + 1, received.end());
    ExpectPlayed(played, *sequence, 191);
}

TEST_F(LiveJack, APortThatGoesAwayEndsThePlayWithAnError) {
    MidiRecorder recorder;
    auto player = PlayerFor(recorder);
    player->Play(HeldChords());
    recorder.WaitFor(10, 5s);
    recorder.RemovePort();
    const auto removed = std::chrono::steady_clock::now();
    while (player->WaitFor(100ms) && std::chrono::steady_clock::now() - removed < 5s) {
    }
    EXPECT_FALSE(player->IsPlaying());
    ASSERT_TRUE(player->Failure());
    try {
        std::rethrow_exception(player->Failure());
    } catch (const LiveError& e) {
        EXPECT_EQ(std::string(e.what()), "the MIDI port " + recorder.PortName() + " is gone");
    }
}

// ---- The command line ------------------------------------------------------------------------

int WaitForExit(pid_t pid) {
    int raw = 0;
    ::waitpid(pid, &raw, 0);
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
}

TEST_F(LiveJack, TheCommandLineReleasesEverythingOnEachEndingSignal) {
    ExampleRoll roll;
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        MidiRecorder recorder;
        const fs::path err = roll.dir / "err";
        pid_t pid = StartProgram(
            PLAYER_PATH, {"--port", recorder.PortName(), "--expression", roll.bar.string()}, err);
        recorder.WaitFor(20, 10s);
        ::kill(pid, signal);
        EXPECT_EQ(WaitForExit(pid), 128 + signal) << Slurp(err);
        const std::vector<Received> received = TakeThrough(recorder, "B0 7B 00", 10s);
        EXPECT_TRUE(LeftSounding(received).empty()) << signal;
        ASSERT_FALSE(received.empty());
        EXPECT_EQ(HexOf(received.back().bytes), "B0 7B 00") << signal;
        EXPECT_EQ(Slurp(err), "") << signal;
    }
}

TEST_F(LiveJack, AServerThatEndsEndsThePlayWithAnError) {
    ExampleRoll roll;
    auto server = std::make_unique<JackServer>("-b");
    ASSERT_TRUE(server->Running()) << server->Log();
    MidiRecorder recorder;
    const fs::path err = roll.dir / "err";
    pid_t pid = StartProgram(PLAYER_PATH, {roll.bar.string()}, err);
    recorder.WaitFor(10, 10s);
    server.reset();
    EXPECT_EQ(WaitForExit(pid), 1);
    EXPECT_EQ(Slurp(err), "rollscribe-play: the MIDI port " + recorder.PortName() + " is gone\n");
}

TEST_F(LiveJack, TheCommandLineSaysWhatIsWrong) {
    MidiRecorder recorder;
    TempDir dir;
    WriteFile(dir / "text.mid", "not MIDI");
    struct Case {
        std::string command;
        int status;
        std::string err;
    } cases[] = {
        {"--port nowhere x.mid", 1,
         "rollscribe-play: no MIDI port \"nowhere\"; the ports are:\n  " + recorder.PortName() +
             " (JACK)\n"},
        {Q(dir / "none.mid"), 1,
         "rollscribe-play: " + (dir / "none.mid").string() +
             ": cannot open: No such file or directory\n"},
        {Q(dir / "text.mid"), 1,
         "rollscribe-play: " + (dir / "text.mid").string() +
             ": not a MIDI file (it does not begin with an MThd header)\n"},
        {"--profile duo-art x.bar", 2, "option '--profile' needs '--expression'"},
        {"--from 1:75 x.bar", 2, "invalid time '1:75'"},
        {"--list-ports", 0, ""},
    };
    for (const Case& c : cases) {
        ShellRun run = RunShell(std::string(PLAYER_PATH) + " " + c.command);
        EXPECT_EQ(run.status, c.status) << c.command << "\n" << run.err;
        if (c.status == 2) {
            EXPECT_NE(run.err.find(c.err), std::string::npos) << run.err;
        } else {
            EXPECT_EQ(run.err, c.err) << c.command;
        }
    }
    EXPECT_EQ(RunShell(std::string(PLAYER_PATH) + " --list-ports").out,
              recorder.PortName() + "\tJACK\n");
}

TEST_F(LiveJack, OnATerminalOneProgressLineShowsTheTimeOfTheTotal) {
    MidiRecorder recorder;
    const std::string out = RunOnTerminal(
        PLAYER_PATH, {"--from", "1:46", (fs::path(EXAMPLES_DIR) / "evening_waltz.bar").string()});
    EXPECT_TRUE(out.starts_with("\r1:46 of 1:48\r1:47 of 1:48")) << out;
    EXPECT_TRUE(out.ends_with("\r1:48 of 1:48\n")) << out;
}

TEST(LiveCommandLine, WithoutAServerSaysWhichWereTriedAndHowToStartOne) {
    ShellRun run =
        RunShell("JACK_DEFAULT_SERVER=rollscribe-none-" + std::to_string(::getpid()) + " " +
                 PLAYER_PATH + " " + Q(fs::path(EXAMPLES_DIR) / "evening_waltz.bar"));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("no MIDI ports found"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("JACK: no server \"rollscribe-none-"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("start one"), std::string::npos) << run.err;
    if (::access("/dev/snd/seq", F_OK) != 0) {
        EXPECT_NE(run.err.find("ALSA: no sequencer"), std::string::npos) << run.err;
    }
}

TEST(LiveAlsa, TheSequencersPortsAreListedWhereThereIsOne) {
    if (::access("/dev/snd/seq", R_OK | W_OK) != 0)
        GTEST_SKIP() << "no ALSA sequencer here (/dev/snd/seq): the ALSA path is not run";
    PortList list = ListPorts();
    for (const std::string& why : list.unavailable) EXPECT_FALSE(why.starts_with("ALSA")) << why;
    for (const MidiPort& port : list.ports) {
        if (port.api != MidiApi::alsa) continue;
        LivePlayer player(OpenPort(port, "rollscribe-test"));
        auto sequence = std::make_shared<MidiSequence>();
        sequence->lengthMicroseconds = 1000;
        player.Play(sequence);
        EXPECT_FALSE(player.WaitFor(2s));
        EXPECT_FALSE(player.Failure()) << port.name;
        break;
    }
}

}  // namespace
