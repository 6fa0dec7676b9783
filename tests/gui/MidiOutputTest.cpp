// Roll > MIDI Output: live play to a port of a JACK server of the test's own (dummy back end),
// heard by a recording client of the test's own.
#include <algorithm>
#include <map>
#include <thread>

#include "GuiHarness.h"
#include "midi/MidiSequence.h"
#include "resources/CommandIds.h"
#include "resources/MenuResource.h"
#include "support/JackRig.h"
#include "support/ShellRun.h"
#include "support/TestFiles.h"
#include "ui/CRollController.h"

namespace fs = std::filesystem;
using namespace rollscribe;
using namespace rollscribe::gui_test;
using testing_support::JackServer;
using testing_support::MidiRecorder;
using testing_support::Received;

namespace {

constexpr const char* kPortPrompt = "Play the roll live to this MIDI port: a piano or synthesizer";

class MidiOutput_ : public GuiTest {
  protected:
    CRollController& Roll() { return Frame().RollController(); }
    void Choose(int id) {
        Frame().DoMenuUpdates();
        Frame().ProcessCommand(id);
    }
    // The Roll menu opened, as the user opens it: MIDI Output then lists the ports found now.
    wxMenu& OpenOutputs() {
        wxMenuBar* bar = Frame().GetMenuBar();
        wxMenuEvent open(wxEVT_MENU_OPEN, 0, bar->GetMenu(kRollMenuIndex));
        Frame().GetEventHandler()->ProcessEvent(open);
        Frame().DoMenuUpdates();
        return *bar->FindItem(cmd::kMidiSoundFont)->GetMenu();
    }
    // The submenu's labels, and the id of the item whose label starts with a port's name.
    static std::vector<std::string> Labels(const wxMenu& menu) {
        std::vector<std::string> labels;
        for (const wxMenuItem* item : menu.GetMenuItems())
            labels.push_back(Utf8(item->GetItemLabel()));
        return labels;
    }
    static int ItemOf(const wxMenu& menu, const std::string& port) {
        for (const wxMenuItem* item : menu.GetMenuItems())
            if (Utf8(item->GetItemLabel()).rfind(port + " (", 0) == 0) return item->GetId();
        return wxID_NONE;
    }
    bool Checked(int id) {
        Frame().DoMenuUpdates();
        return Frame().GetMenuBar()->IsChecked(id);
    }
    void WriteSettings(const std::string& lines) {
        fs::create_directories(m_config.Path() / "Quorvel_Software");
        testing_support::WriteFile(m_config.Path() / "Quorvel_Software" / "rollscribe.conf",
                                   "[BAR/ANN\\ to\\ Vellum\\ file\\ converter/Playback]\n" + lines);
    }
};

// What still sounds after messages: notes on and pedals down, each channel's, as text.
std::string LeftSounding(const std::vector<Received>& received) {
    std::map<std::pair<int, int>, bool> on;
    std::map<std::pair<int, int>, int> pedal;
    for (const Received& r : received) {
        const int kind = r.bytes[0] & 0xF0;
        const int channel = r.bytes[0] & 0x0F;
        if (kind == 0x90 || kind == 0x80) on[{channel, r.bytes[1]}] = kind == 0x90 && r.bytes[2];
        if (kind == 0xB0 && (r.bytes[1] == 64 || r.bytes[1] == 67))
            pedal[{channel, r.bytes[1]}] = r.bytes[2];
        if (kind == 0xB0 && r.bytes[1] == 123)
            for (auto& [key, sounding] : on)
                if (key.first == channel) sounding = false;
    }
    std::string left;
    for (const auto& [key, sounding] : on)
        if (sounding) left += "note " + std::to_string(key.second) + " ";
    for (const auto& [key, value] : pedal)
        if (value) left += "pedal " + std::to_string(key.second) + " ";
    return left;
}

// What came, up to the All Notes Off that ends a release (it leaves in the server's next cycles,
// later on a busy machine).
std::vector<Received> TakeUpToRelease(MidiRecorder& recorder) {
    std::vector<Received> received;
    const auto end = std::chrono::steady_clock::now() + 10s;
    while (std::chrono::steady_clock::now() < end &&
           (received.empty() || received.back().bytes != std::vector<std::uint8_t>{0xB0, 123, 0})) {
        std::vector<Received> more = recorder.Take();
        received.insert(received.end(), more.begin(), more.end());
        std::this_thread::sleep_for(20ms);
    }
    return received;
}

// Plays the roll from the start to the chosen port for a while, then stops: what came is the
// played file's first messages as they stand, then the release, which leaves nothing sounding
// and ends with All Notes Off.
void ExpectPlayedThenReleased(const std::vector<Received>& received, const std::string& file) {
    const MidiSequence sequence = ReadMidiSequence(file);
    std::size_t same = 0;
    while (same < received.size() && same < sequence.messages.size() &&
           received[same].bytes == std::vector<std::uint8_t>(sequence.messages[same].bytes,
                                                             sequence.messages[same].bytes +
                                                                 sequence.messages[same].size))
        ++same;
    EXPECT_GE(same, 10u) << file << ": the play's first messages differ from the file's";
    for (std::size_t i = same; i < received.size(); ++i)
        EXPECT_FALSE((received[i].bytes[0] & 0xF0) == 0x90 && received[i].bytes[2])
            << "a note struck after the stop: message " << i;
    EXPECT_EQ(LeftSounding(received), "") << file;
    ASSERT_FALSE(received.empty());
    EXPECT_EQ(received.back().bytes, (std::vector<std::uint8_t>{0xB0, 123, 0}));
}

TEST_F(MidiOutput_, PlaysToAPortChosenInTheSubmenuAndKeepsTheChoice) {
    JackServer server("-midi-output");
    ASSERT_TRUE(server.Running()) << server.Log();
    MidiRecorder piano("piano");
    ASSERT_TRUE(Start(m_rolls.AddRoll("evening_waltz")));

    // The sound font, then each port found, with its system; the sound font chosen at first.
    wxMenu& outputs = OpenOutputs();
    const std::vector<std::string> labels = Labels(outputs);
    ASSERT_FALSE(labels.empty());
    EXPECT_EQ(labels.front(), kSoundFontLabel);
    const int port = ItemOf(outputs, piano.PortName());
    ASSERT_NE(port, wxID_NONE) << ::testing::PrintToString(labels);
    EXPECT_EQ(Utf8(outputs.FindChildItem(port)->GetItemLabel()), piano.PortName() + " (JACK)");
    EXPECT_EQ(outputs.FindChildItem(port)->GetKind(), wxITEM_RADIO);
    EXPECT_TRUE(Checked(cmd::kMidiSoundFont));
    wxMenuEvent highlight(wxEVT_MENU_HIGHLIGHT, port);
    Frame().GetEventHandler()->ProcessEvent(highlight);
    EXPECT_EQ(StatusText(0), kPortPrompt);
    wxMenuEvent close(wxEVT_MENU_CLOSE, 0, Frame().GetMenuBar()->GetMenu(kRollMenuIndex));
    Frame().GetEventHandler()->ProcessEvent(close);

    Choose(port);
    EXPECT_EQ(Roll().MidiOutput(), piano.PortName());
    EXPECT_TRUE(Checked(port));
    EXPECT_FALSE(Checked(cmd::kMidiSoundFont));

    // The MIDI file, then with Expression on the expression file; each way of stopping (Stop,
    // closing the roll by File New, closing the program) releases everything.
    enum class Ending { stop, fileNew, quit };
    const struct {
        bool expression;
        Ending ending;
    } plays[] = {{false, Ending::stop},
                 {true, Ending::stop},
                 {true, Ending::fileNew},
                 {false, Ending::quit}};
    for (const auto& play : plays) {
        SCOPED_TRACE(static_cast<int>(play.ending));
        if (play.expression != Roll().Conversion().expression) Choose(cmd::kExpression);
        // Opened afresh, the roll plays from its start.
        ASSERT_TRUE(Manager().OpenRollFile(m_rolls.Path("evening_waltz.bar").string()));
        ASSERT_TRUE(PumpUntil([&] {
            return (Doc().PlayedMidiFile().find("_expression.mid") != std::string::npos) ==
                   play.expression;
        }));
        const std::string played = Doc().PlayedMidiFile();
        piano.Take();
        Choose(cmd::kPlay);
        ASSERT_TRUE(Roll().IsPlaying());
        EXPECT_TRUE(PumpUntil([&] { return StatusText(4).rfind("Playing 0:02 of", 0) == 0; }, 10s))
            << StatusText(4);
        switch (play.ending) {
            case Ending::stop:
                Choose(cmd::kPlay);
                EXPECT_FALSE(Roll().IsPlaying());
                break;
            case Ending::fileNew:
                Choose(cmd::kNew);
                EXPECT_FALSE(Roll().IsPlaying());
                break;
            case Ending::quit:
                Stop();
                break;
        }
        ExpectPlayedThenReleased(TakeUpToRelease(piano), played);
    }

    // Kept by the port's name across a restart.
    ASSERT_TRUE(Start());
    EXPECT_EQ(Roll().MidiOutput(), piano.PortName());
    EXPECT_TRUE(Checked(ItemOf(OpenOutputs(), piano.PortName())));
    Choose(cmd::kMidiSoundFont);
    Stop();
    ASSERT_TRUE(Start());
    EXPECT_EQ(Roll().MidiOutput(), "");
}

TEST_F(MidiOutput_, APortGoneAtStartFallsBackToTheSoundFont) {
    JackServer server("-port-gone");
    ASSERT_TRUE(server.Running()) << server.Log();
    WriteSettings("MidiOutput=unplugged:in\n");
    ASSERT_TRUE(Start());
    EXPECT_EQ(StatusText(0), "MIDI port unplugged:in not found: playing through the sound font");
    EXPECT_EQ(Roll().MidiOutput(), "");
    // The menu shows the sound font chosen; the kept choice waits for the port's return.
    wxMenu& outputs = OpenOutputs();
    EXPECT_EQ(ItemOf(outputs, "unplugged:in"), wxID_NONE);
    EXPECT_TRUE(Checked(cmd::kMidiSoundFont));
    Stop();
    EXPECT_NE(testing_support::Slurp(m_config.Path() / "Quorvel_Software" / "rollscribe.conf")
                  .find("MidiOutput=unplugged:in"),
              std::string::npos);
}

TEST_F(MidiOutput_, APortThatGoesAwayMidPlayIsReported) {
    JackServer server("-port-away");
    ASSERT_TRUE(server.Running()) << server.Log();
    MidiRecorder piano("piano");
    WriteSettings("MidiOutput=" + piano.PortName() + "\n");
    ASSERT_TRUE(Start(m_rolls.AddRoll("evening_waltz")));
    ASSERT_EQ(Roll().MidiOutput(), piano.PortName());
    Choose(cmd::kPlay);
    ASSERT_TRUE(Roll().IsPlaying());
    ASSERT_GT(piano.WaitFor(5, 5s), 4u);
    piano.RemovePort();
    ExpectMessageBox box;
    wxTEST_DIALOG(EXPECT_TRUE(PumpUntil([&] { return !Roll().IsPlaying(); }, 5s)), box);
    EXPECT_NE(Utf8(*box.Text()).find("The MIDI port " + piano.PortName() + " is gone."),
              std::string::npos)
        << Utf8(*box.Text());
    EXPECT_EQ(Utf8(Frame().GetMenuBar()->FindItem(cmd::kPlay)->GetItemLabel()), kPlayLabel);
}

}  // namespace
