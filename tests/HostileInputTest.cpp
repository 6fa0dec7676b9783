// Whole conversions of rolls and annotation files with contents at the edges: deltas of many
// bytes, every control code, every byte value in texts, texts of a megabyte. Each MIDI file
// written must be well formed and carry exactly what the roll said.
#include <gtest/gtest.h>

#include <filesystem>

#include "roll/CRollscribeDoc.h"
#include "roll/RollLoader.h"
#include "support/MidiInvariants.h"
#include "support/RollFixture.h"
#include "support/ShellRun.h"

namespace fs = std::filesystem;
using namespace rollscribe;
using namespace testing_support;
using namespace std::string_literals;

namespace {

// A track event in a readable form: its absolute tick, then its bytes after the delta
// (status, meta type or data bytes, and the payload of a meta event).
struct Event {
    std::uint64_t tick;
    std::string bytes;
    bool operator==(const Event&) const = default;
};

void PrintTo(const Event& e, std::ostream* os) {
    Bytes b(e.bytes.begin(), e.bytes.end());
    *os << e.tick << ": "
        << (b.size() > 24 ? HexOf(Bytes(b.begin(), b.begin() + 24)) + " ..." : HexOf(b));
}

std::string Meta(std::uint8_t type, const std::string& text) {
    return std::string("\xFF") + static_cast<char>(type) + text;
}

std::string Note(int note, int velocity) {
    return {'\x90', static_cast<char>(note), static_cast<char>(velocity)};
}

// Converts roll.bar (and roll.ann when given) in a fresh folder; returns the events that follow
// the file-type text and the annotation texts, the end of track left out.
class Hostile : public ::testing::Test {
  protected:
    std::vector<Event> Convert(const Bytes& roll, const std::string* ann = nullptr) {
        WriteFile(dir / "roll.bar", roll);
        if (ann) WriteFile(dir / "roll.ann", *ann);
        EXPECT_EQ(LoadRollFile(doc, CString((dir / "roll.bar").string())), LoadOutcome::converted);
        all.clear();
        std::string problem = CheckMidiFile(Slurp(dir / "roll_BAR_e.mid"), [&](const MidiEvent& e) {
            std::string bytes(1, static_cast<char>(e.status));
            if (e.status == 0xFF) bytes += static_cast<char>(e.metaType);
            bytes += e.data;
            all.push_back({e.tick, bytes});
        });
        EXPECT_EQ(problem, "");
        EXPECT_EQ(ListDir(dir.Path()).size(), ann ? 3u : 2u) << "a file left behind";
        // Two signatures, tempo, three names, the file-type text, one text per annotation.
        std::size_t preamble = 7 + doc.m_annotations.GetCount();
        if (all.size() < preamble + 1) return {};
        return std::vector<Event>(all.begin() + static_cast<std::ptrdiff_t>(preamble),
                                  all.end() - 1);
    }

    TempDir dir;
    CRollscribeDoc doc;
    std::vector<Event> all;
};

TEST_F(Hostile, DeltasOfElevenAndMoreBytesWeighOnlyTheirFirstFive) {
    // 480 steps (1200 thousandths at 400 steps an inch, 480 ticks) in the first two bytes; the
    // three zero groups after them keep the delta going, and every byte from the sixth on has
    // its value bits set but weighs nothing.
    auto delta = [](std::size_t bytes) {
        Bytes d = Hex("E0 83 80 80 80");
        d.insert(d.end(), bytes - 6, 0xFF);
        d.push_back(0x7F);
        return d;
    };
    Bytes roll = RollBytes("");
    const std::size_t lengths[] = {11, 12, 64, 1000, 1 << 20};
    for (std::size_t length : lengths) {
        Bytes d = delta(length);
        roll.insert(roll.end(), d.begin(), d.end());
        roll.push_back(0x10);
    }
    std::vector<Event> expected;
    for (std::uint64_t i = 1; i <= std::size(lengths); ++i)
        expected.push_back({480 * i, Note(31, i % 2 ? 80 : 0)});
    EXPECT_EQ(Convert(roll), expected);
}

TEST_F(Hostile, EveryControlCode) {
    // Codes 240 to 244 bring a text; 245 to 255 bring nothing, so the next byte is a delta.
    Bytes roll = RollBytes("");
    for (int code = 240; code <= 255; ++code) {
        roll.push_back(0x04);  // 10 thousandths: 4 ticks
        roll.push_back(static_cast<std::uint8_t>(code));
        if (code <= 244) {
            std::string text = "text " + std::to_string(code);
            roll.insert(roll.end(), text.begin(), text.end());
            roll.push_back(0);
        }
    }
    std::vector<Event> expected;
    std::uint64_t tick = 0;
    for (int code = 240; code <= 255; ++code) {
        tick += 4;
        expected.push_back({tick, code == 242 ? Meta(0x05, "text 242") : Note(0, 0)});
    }
    EXPECT_EQ(Convert(roll), expected);
    EXPECT_EQ(all[4], (Event{0, Meta(0x02, "text 240")}));  // the copyright
    EXPECT_NE(doc.m_strInfo.Find("\ntext 240\ntext 241\ntext 242\ntext 243\ntext 244\n ***"),
              CString::npos);
}

TEST_F(Hostile, EveryByteValueInRollTexts) {
    std::string every;
    for (int b = 1; b <= 255; ++b) every += static_cast<char>(b);
    Bytes roll = RollBytes("");
    for (std::uint8_t code : {240, 241, 242}) {
        roll.push_back(0x00);
        roll.push_back(code);
        roll.insert(roll.end(), every.begin(), every.end());
        roll.push_back(0x00);
    }
    std::vector<Event> events = Convert(roll);
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[2], (Event{0, Meta(0x05, every)}));
    EXPECT_EQ(all[4], (Event{0, Meta(0x02, every)}));
    EXPECT_EQ(doc.m_strCopyright.View(), every);
    EXPECT_NE(doc.m_strInfo.Find("\n" + every + "\n" + every + "\n" + every + "\n"), CString::npos);
}

TEST_F(Hostile, EveryByteValueInAnnotationTexts) {
    // Every byte but CR and LF, which end lines, and 0, which ends a MIDI text (see below).
    std::string middle;
    for (int b = 1; b <= 255; ++b)
        if (b != '\r' && b != '\n') middle += static_cast<char>(b);
    std::string value = "<" + middle + ">";
    std::string key = "/" + middle;  // holds a ':' at 0x3A: the key ends there
    std::string ann = "/title: " + value + "\r\n" + key + ": v\r\n/composer: a\0b\r\n"s;
    Convert(RollBytes(""), &ann);
    std::size_t colon = key.find(':');
    EXPECT_EQ(doc.m_strTitle.View(), value);
    ASSERT_EQ(all.size(), 7u + 3u + 1u);
    EXPECT_EQ(all[3], (Event{0, Meta(0x03, value)}));  // the track name
    EXPECT_EQ(all[7], (Event{0, Meta(0x01, "/title: " + value)}));
    EXPECT_EQ(all[8],
              (Event{0, Meta(0x01, key.substr(0, colon) + ": " + key.substr(colon + 1) + ": v")}));
    // A 0 byte ends the text in the MIDI file; the document keeps the whole value.
    EXPECT_EQ(all[9], (Event{0, Meta(0x01, "/composer: a")}));
    EXPECT_EQ(doc.m_strComposer.View(), std::string_view("a\0b", 3));
}

TEST_F(Hostile, TextRecordsOfAMegabyte) {
    const std::size_t size = 1 << 20;
    std::string text(size, 'x');
    for (std::size_t i = 0; i < size; ++i) text[i] = static_cast<char>('a' + i % 26);
    Bytes roll = RollBytes("");
    for (std::uint8_t code : {240, 242, 243}) {
        roll.push_back(0x00);
        roll.push_back(code);
        roll.insert(roll.end(), text.begin(), text.end());
        roll.push_back(0x00);
    }
    roll.push_back(0x04);
    roll.push_back(0x10);
    std::string ann = "/title: " + text + "\r\n";
    std::vector<Event> events = Convert(roll, &ann);
    std::vector<Event> expected = {
        {0, Note(0, 0)}, {0, Meta(0x05, text)}, {0, Note(0, 0)}, {4, Note(31, 80)}};
    EXPECT_EQ(events, expected);
    EXPECT_EQ(all[3], (Event{0, Meta(0x03, text)}));
    EXPECT_EQ(all[4], (Event{0, Meta(0x02, text)}));
    // The lengths are variable-length quantities: 2^20 is C0 80 00.
    std::string lyricHead = "\xFF\x05\xC0\x80\x00"s + text.substr(0, 8);
    EXPECT_NE(Slurp(dir / "roll_BAR_e.mid").find(lyricHead), std::string::npos);
    EXPECT_EQ(doc.m_strInfo.GetLength(),
              std::string(CRollscribeDoc::kSelectFile).size() + 3 * (size + 1) +
                  std::string("\n ** Reading ANN file : \n").size() +
                  (dir / "roll.ann").string().size() +
                  std::string("\n ***** Vellum MIDI Output File Created ***** \n").size() +
                  (dir / "roll_BAR_e.mid").string().size() +
                  std::string("\n ************************************** \n").size());
}

}  // namespace
