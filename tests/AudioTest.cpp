#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "audio/AudioError.h"
#include "audio/MidiPlayback.h"
#include "audio/SynthSession.h"
#include "audio/WavRenderer.h"
#include "platform/CException.h"
#include "support/FileFaultPlan.h"
#include "support/HandRoll.h"
#include "support/TestFiles.h"

using namespace rollscribe;
using namespace testing_support;
namespace fs = std::filesystem;

namespace {

// Rendering with the tests' own sound font.
RenderOptions WithTestFont() {
    RenderOptions options;
    options.soundFont = TEST_SOUND_FONT;
    return options;
}

// A WAV file read back: its format and samples.
struct Wav {
    int channels = 0;
    int sampleRate = 0;
    int bits = 0;
    std::vector<std::int16_t> samples;  // interleaved
    double Seconds() const { return samples.size() / 2.0 / sampleRate; }
    // The loudness (RMS) of the frames from..to seconds, both channels.
    double Loudness(double from, double to) const {
        const auto first = static_cast<std::size_t>(from * sampleRate) * 2;
        const auto last = std::min(samples.size(), static_cast<std::size_t>(to * sampleRate) * 2);
        double sum = 0;
        for (std::size_t i = first; i < last; ++i) sum += double(samples[i]) * samples[i];
        return last > first ? std::sqrt(sum / static_cast<double>(last - first)) : 0;
    }
};

std::uint32_t U32(const Bytes& b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}
std::uint16_t U16(const Bytes& b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}

// Reads a PCM WAV file, checking that its sizes agree with the file.
Wav ReadWav(const fs::path& path) {
    const Bytes b = ReadFile(path);
    Wav wav;
    EXPECT_GE(b.size(), 44u);
    if (b.size() < 44) return wav;
    EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "RIFF");
    EXPECT_EQ(U32(b, 4), b.size() - 8);
    EXPECT_EQ(std::string(b.begin() + 8, b.begin() + 16), "WAVEfmt ");
    EXPECT_EQ(U32(b, 16), 16u);
    EXPECT_EQ(U16(b, 20), 1u);  // PCM
    wav.channels = U16(b, 22);
    wav.sampleRate = static_cast<int>(U32(b, 24));
    EXPECT_EQ(U32(b, 28), static_cast<std::uint32_t>(wav.sampleRate * wav.channels * 2));
    EXPECT_EQ(U16(b, 32), wav.channels * 2);
    wav.bits = U16(b, 34);
    EXPECT_EQ(std::string(b.begin() + 36, b.begin() + 40), "data");
    const std::uint32_t size = U32(b, 40);
    EXPECT_EQ(size, b.size() - 44);
    for (std::size_t i = 44; i + 1 < b.size(); i += 2)
        wav.samples.push_back(static_cast<std::int16_t>(U16(b, i)));
    return wav;
}

// A MIDI file converted from a hand-made roll at tempo 100 (2 inches a second): a note from
// 1.0 s to 3.0 s, another from 2.0 s to 2.5 s, and a lyric at 4.0 s, which ends the file.
fs::path WriteSampleMidi(const TempDir& dir) {
    HandRoll roll("Generic", 100);
    roll.Hole(60, 2000, 6000).Hole(67, 4000, 5000).Marker(242, 8000, "end");
    CRollscribeDoc& doc = roll.Doc();
    doc.m_strDirectory = CString(dir.Path().string() + "/");
    doc.m_strFileTitle = "sample";
    doc.WriteMidiFile();
    return dir / "sample_BAR_e.mid";
}

constexpr double kMidiSeconds = 4.0;

TEST(WavRendering, LastsAsLongAsTheMidiFileAndSoundsWhileNotesHold) {
    TempDir dir;
    const fs::path midi = WriteSampleMidi(dir);
    const fs::path wavPath = dir / "sample_BAR_e.wav";
    RenderOptions options;
    options.soundFont = TEST_SOUND_FONT;
    options.releaseSeconds = 1.5;
    std::vector<double> progress;
    options.progress = [&](double done) { progress.push_back(done); };
    const RenderResult result =
        WavRenderer(options).Render(CString(midi.string()), CString(wavPath.string()));
    const Wav wav = ReadWav(wavPath);
    EXPECT_EQ(wav.channels, 2);
    EXPECT_EQ(wav.sampleRate, 44100);
    EXPECT_EQ(wav.bits, 16);
    // The MIDI file's length (to a block of rendering), then the release.
    EXPECT_NEAR(static_cast<double>(result.midiFrames) / 44100, kMidiSeconds, 0.1);
    EXPECT_NEAR(wav.Seconds(), kMidiSeconds + 1.5, 0.1);
    EXPECT_EQ(result.frames * 2, wav.samples.size());
    // Silent before the first note, sounding while the notes hold.
    EXPECT_NEAR(static_cast<double>(result.firstSoundFrame) / 44100, 1.0, 0.03);
    EXPECT_EQ(wav.Loudness(0, 0.95), 0);
    for (double t = 1.05; t < 2.95; t += 0.1) EXPECT_GT(wav.Loudness(t, t + 0.1), 10) << t;
    EXPECT_GT(wav.Loudness(2.05, 2.35), wav.Loudness(1.65, 1.95)) << "two notes are louder";
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.back(), 1.0);
    for (std::size_t i = 1; i < progress.size(); ++i) EXPECT_GE(progress[i], progress[i - 1]);
}

// A new WAV file gets the permissions of any file the user creates; a replaced one keeps its own.
TEST(WavRendering, NewFilesGetTheUsersPermissionsReplacedOnesKeepTheirs) {
    TempDir dir;
    const fs::path midi = WriteSampleMidi(dir);
    const fs::path wav = dir / "out.wav";
    const mode_t old = ::umask(027);
    WavRenderer(WithTestFont()).Render(CString(midi.string()), CString(wav.string()));
    EXPECT_EQ(fs::status(wav).permissions(), fs::perms(0640));
    WriteFile(wav, "old");
    ::chmod(wav.c_str(), 0600);
    WavRenderer(WithTestFont()).Render(CString(midi.string()), CString(wav.string()));
    ::umask(old);
    EXPECT_GT(fs::file_size(wav), 44u * 1000);
    EXPECT_EQ(fs::status(wav).permissions(), fs::perms(0600));
    EXPECT_EQ(ListDir(dir.Path()), (std::vector<std::string>{"out.wav", "sample_BAR_e.mid"}));
}

// A little-endian RIFF chunk: its id, size and data, padded to an even size.
Bytes Chunk(const char* id, const Bytes& data) {
    Bytes out(id, id + 4);
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(data.size() >> 8 * i));
    out.insert(out.end(), data.begin(), data.end());
    if (data.size() % 2) out.push_back(0);
    return out;
}
Bytes List(const char* type, const std::vector<Bytes>& chunks) {
    Bytes data(type, type + 4);
    for (const Bytes& chunk : chunks) data.insert(data.end(), chunk.begin(), chunk.end());
    return Chunk("LIST", data);
}
Bytes Words(std::initializer_list<std::pair<std::uint32_t, int>> values) {  // value, bytes
    Bytes out;
    for (auto [value, size] : values)
        for (int i = 0; i < size; ++i) out.push_back(static_cast<std::uint8_t>(value >> 8 * i));
    return out;
}

// A DLS file of one instrument (bank 0, program 0) on every key: a second of a 440 Hz sine.
Bytes SineDls() {
    Bytes pcm;
    for (int i = 0; i < 44100; ++i) {
        const auto v = static_cast<std::int16_t>(12000 * std::sin(2 * M_PI * 440 * i / 44100.0));
        pcm.push_back(static_cast<std::uint8_t>(v));
        pcm.push_back(static_cast<std::uint8_t>(static_cast<std::uint16_t>(v) >> 8));
    }
    const Bytes region =
        List("rgn ", {Chunk("rgnh", Words({{0, 2}, {127, 2}, {0, 2}, {127, 2}, {0, 2}, {0, 2}})),
                      Chunk("wsmp", Words({{20, 4}, {69, 2}, {0, 2}, {0, 4}, {0, 4}, {0, 4}})),
                      Chunk("wlnk", Words({{0, 2}, {0, 2}, {1, 4}, {0, 4}}))});
    const Bytes instrument =
        List("ins ", {Chunk("insh", Words({{1, 4}, {0, 4}, {0, 4}})), List("lrgn", {region})});
    const Bytes wave = List(
        "wave", {Chunk("fmt ", Words({{1, 2}, {1, 2}, {44100, 4}, {88200, 4}, {2, 2}, {16, 2}})),
                 Chunk("data", pcm)});
    Bytes body = BytesOf("DLS ");
    for (const Bytes& part : {Chunk("colh", Words({{1, 4}})), List("lins", {instrument}),
                              Chunk("ptbl", Words({{8, 4}, {1, 4}, {0, 4}})), List("wvpl", {wave})})
        body.insert(body.end(), part.begin(), part.end());
    return Chunk("RIFF", body);
}

// The forms a sound font may have: SoundFont 2 and DLS files render, each with its own sound;
// other files, and RIFF headers without a body, are refused with a reason naming the file.
TEST(WavRendering, SoundFont2AndDlsFilesRenderOtherFilesAreRefused) {
    TempDir dir;
    const fs::path midi = WriteSampleMidi(dir);
    WriteFile(dir / "sine.dls", SineDls());
    WriteFile(dir / "not.sf2", "RIFF....WAVEfmt this is a sound, not a sound font");
    WriteFile(dir / "short.sf2", "RIF");
    // A sound font's header and nothing of its body: FluidSynth's loaders are tried on it.
    WriteFile(dir / "broken.sf2", Hex("52 49 46 46 10 00 00 00 73 66 62 6B 4C 49 53 54 04 00"));
    WriteFile(dir / "broken.dls", Hex("52 49 46 46 04 00 00 00 44 4C 53 20"));
    struct Case {
        std::string font;
        bool renders;
    } cases[] = {
        {TEST_SOUND_FONT, true},
        {(dir / "sine.dls").string(), true},
        {(dir / "not.sf2").string(), false},
        {(dir / "short.sf2").string(), false},
        {(dir / "broken.sf2").string(), false},
        {(dir / "broken.dls").string(), false},
    };
    std::vector<Bytes> sounds;
    testing::internal::CaptureStderr();
    for (const Case& c : cases) {
        const fs::path wav = dir / "out.wav";
        RenderOptions options;
        options.soundFont = c.font;
        try {
            WavRenderer(options).Render(CString(midi.string()), CString(wav.string()));
            EXPECT_TRUE(c.renders) << c.font;
            const Wav sound = ReadWav(wav);
            EXPECT_GT(sound.Loudness(1.05, 2.95), 100) << c.font;
            EXPECT_EQ(sound.Loudness(0, 0.95), 0) << c.font;
            sounds.push_back(ReadFile(wav));
            fs::remove(wav);
        } catch (const CException& e) {
            EXPECT_FALSE(c.renders) << e.what();
            EXPECT_EQ(e.Path(), c.font);
            EXPECT_FALSE(e.Reason().empty());
            EXPECT_FALSE(fs::exists(wav)) << c.font;
        }
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    ASSERT_EQ(sounds.size(), 2u);
    EXPECT_NE(sounds[0], sounds[1]) << "the DLS file's own sound";
}

// A WAV file lasts the MIDI file's length and the release, also when the file has no ticks
// (a roll whose hole opens at its start and never closes: the note sounds on after the end).
TEST(WavRendering, LastsTheFilesLengthAndTheReleaseAlsoForNoTicks) {
    TempDir dir;
    auto midiOf = [&](HandRoll roll) {
        CRollscribeDoc& doc = roll.Doc();
        doc.m_strDirectory = CString(dir.Path().string() + "/");
        doc.m_strFileTitle = "roll";
        doc.WriteMidiFile();
        return ReadFile(dir / "roll_BAR_e.mid");
    };
    // A file of other writers: a program change (one data byte), running status, a SysEx
    // message, two tracks; the note held from tick 0.
    const Bytes others =
        Hex("4D 54 68 64 00 00 00 06 00 01 00 02 01 E0"
            "4D 54 72 6B 00 00 00 04 00 FF 2F 00"
            "4D 54 72 6B 00 00 00 13 00 C0 00 00 F0 02 7E 7F 00 90 3C 40 00 40 40 00 FF 2F 00");
    struct Case {
        Bytes midi;
        double seconds;  // the MIDI file's length
    } cases[] = {
        {midiOf(std::move(HandRoll("Generic", 100).Open(60, 0))), 0},
        {midiOf(HandRoll("Generic", 100)), 0},
        {others, 0},
        {midiOf(std::move(HandRoll("Generic", 100).Hole(60, 0, 1000))), 0.5},
    };
    for (const Case& c : cases) {
        const fs::path midi = dir / "case.mid";
        WriteFile(midi, c.midi);
        RenderOptions options;
        options.soundFont = TEST_SOUND_FONT;
        options.releaseSeconds = 2;
        const RenderResult result = WavRenderer(options).Render(
            CString(midi.string()), CString((dir / "roll.wav").string()));
        // To a block of rendering (4096 frames, 0.09 s).
        EXPECT_NEAR(static_cast<double>(result.frames) / 44100, c.seconds + 2, 0.1)
            << HexOf(c.midi);
        SynthSession session{SoundOptions{TEST_SOUND_FONT}};
        session.StartPlayer(CString(midi.string()));
        EXPECT_EQ(session.PlayerPlaying(), c.seconds > 0);
    }
}

TEST(WavRendering, UnusableInputsAreErrorsNamingTheFileAndWriteNothing) {
    TempDir dir;
    const fs::path midi = WriteSampleMidi(dir);
    WriteFile(dir / "text.mid", "MThd is not enough");
    WriteFile(dir / "notes.txt", "hello");
    struct Case {
        std::string soundFont, midi;
        std::string path;  // the file the error must name
        bool fileError;    // CFileException (the system's reason), else CException
    };
    const std::string missing = (dir / "missing.sf2").string();
    const Case cases[] = {
        {missing, midi.string(), missing, true},
        {dir.Path().string(), midi.string(), dir.Path().string(), true},
        {TEST_SOUND_FONT, (dir / "missing.mid").string(), (dir / "missing.mid").string(), true},
        {TEST_SOUND_FONT, (dir / "notes.txt").string(), (dir / "notes.txt").string(), false},
        {TEST_SOUND_FONT, (dir / "text.mid").string(), (dir / "text.mid").string(), false},
    };
    const auto before = ListDir(dir.Path());
    // Nothing on standard error: the errors are in the exceptions.
    testing::internal::CaptureStderr();
    for (const Case& c : cases) {
        RenderOptions options;
        options.soundFont = c.soundFont;
        try {
            WavRenderer(options).Render(CString(c.midi), CString((dir / "out.wav").string()));
            ADD_FAILURE() << "no error for " << c.path;
        } catch (const CFileException& e) {
            EXPECT_TRUE(c.fileError) << e.what();
            EXPECT_EQ(e.Path(), c.path);
        } catch (const CException& e) {
            EXPECT_FALSE(c.fileError) << e.what();
            EXPECT_EQ(e.Path(), c.path);
            EXPECT_FALSE(e.Reason().empty());
        }
        EXPECT_EQ(ListDir(dir.Path()), before) << c.path;
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(WavRendering, AFailedWriteLeavesTheOldWavAndNoTemporaryFile) {
    TempDir dir;
    const fs::path midi = WriteSampleMidi(dir);
    const fs::path wav = dir / "out.wav";
    WriteFile(wav, "old");
    for (FileOperation operation :
         {FileOperation::create, FileOperation::write, FileOperation::close}) {
        FileFaultPlan plan({{operation, "out.wav", ENOSPC}});
        EXPECT_THROW(
            WavRenderer(WithTestFont()).Render(CString(midi.string()), CString(wav.string())),
            CFileException);
        EXPECT_EQ(ReadFile(wav), BytesOf("old"));
        EXPECT_EQ(ListDir(dir.Path()), (std::vector<std::string>{"out.wav", "sample_BAR_e.mid"}));
    }
}

TEST(WavRendering, ARendererGivesEveryFileTheSameSoundWhateverCameBefore) {
    TempDir dir;
    const fs::path first = WriteSampleMidi(dir);
    HandRoll roll("Generic", 120);
    roll.Hole(48, 0, 500).Hole(72, 200, 1400).Marker(245, 1500);
    roll.Doc().m_strDirectory = CString(dir.Path().string() + "/");
    roll.Doc().m_strFileTitle = "second";
    roll.Doc().WriteMidiFile();
    const fs::path second = dir / "second_BAR_e.mid";

    WavRenderer renderer(WithTestFont());
    renderer.Render(CString(first.string()), CString((dir / "a.wav").string()));
    {
        // A render that fails half-way leaves nothing behind in the synthesizer either.
        FileFaultPlan plan({{FileOperation::write, "broken.wav", ENOSPC, 2}});
        EXPECT_THROW(
            renderer.Render(CString(first.string()), CString((dir / "broken.wav").string())),
            CFileException);
    }
    renderer.Render(CString(second.string()), CString((dir / "b.wav").string()));
    WavRenderer(WithTestFont())
        .Render(CString(second.string()), CString((dir / "alone.wav").string()));
    EXPECT_EQ(ReadFile(dir / "b.wav"), ReadFile(dir / "alone.wav"));
    EXPECT_NE(ReadFile(dir / "a.wav"), ReadFile(dir / "alone.wav"));
}

// A session makes its playing synthesizer when a file starts, and is silent before.
TEST(SynthSessionTest, MakesItsSynthesizerForAFileAndIsSilentBefore) {
    TempDir dir;
    const fs::path midi = WriteSampleMidi(dir);
    SynthSession session{SoundOptions{TEST_SOUND_FONT}};
    EXPECT_EQ(session.Synth(), nullptr);
    std::vector<std::int16_t> block(2 * 256, 1234);
    session.Render(block.data(), 256);
    EXPECT_EQ(block, std::vector<std::int16_t>(2 * 256, 0));
    session.StartPlayer(CString(midi.string()));
    EXPECT_NE(session.Synth(), nullptr);
    EXPECT_EQ(session.Division(), 480);
}

// Waits until the condition holds, at most a few seconds.
template <typename Condition>
bool Eventually(Condition condition) {
    for (int i = 0; i < 500; ++i) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return condition();
}

TEST(Playback, SilentOutputMovesThePositionAndStops) {
    TempDir dir;
    const fs::path midi = WriteSampleMidi(dir);
    PlaybackOptions options;
    options.soundFont = TEST_SOUND_FONT;
    options.output = AudioOutput::none;
    options.silentSpeed = 2;
    MidiPlayback playback(options);
    EXPECT_FALSE(playback.IsPlaying());
    EXPECT_EQ(playback.CurrentTick(), 0);
    playback.Play(CString(midi.string()));
    EXPECT_TRUE(playback.IsPlaying());
    EXPECT_TRUE(Eventually([&] { return playback.CurrentTick() > 400; }));
    EXPECT_EQ(playback.TotalTicks(), 3200);  // 8000 thousandths of an inch
    playback.Stop();
    EXPECT_FALSE(playback.IsPlaying());
    const std::int64_t stopped = playback.CurrentTick();
    EXPECT_GT(stopped, 400);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(playback.CurrentTick(), stopped) << "the position stays where it stopped";
}

TEST(Playback, PlaysFromAPositionAndEndsAtTheEnd) {
    TempDir dir;
    const fs::path midi = WriteSampleMidi(dir);
    PlaybackOptions options;
    options.soundFont = TEST_SOUND_FONT;
    options.output = AudioOutput::none;
    options.silentSpeed = 8;
    MidiPlayback playback(options);
    playback.Play(CString(midi.string()), 2400);
    EXPECT_GE(playback.CurrentTick(), 2400);
    EXPECT_TRUE(Eventually([&] { return !playback.IsPlaying(); }));
    EXPECT_EQ(playback.CurrentTick(), 3200);
    // Again from the start, after the end.
    playback.Play(CString(midi.string()));
    EXPECT_TRUE(playback.IsPlaying());
    EXPECT_LT(playback.CurrentTick(), 2400);
}

TEST(Playback, ProblemsAreErrorsNotCrashes) {
    TempDir dir;
    const fs::path midi = WriteSampleMidi(dir);
    {
        PlaybackOptions options;
        options.soundFont = TEST_SOUND_FONT;
        options.audioDriver = "no-such-driver";
        MidiPlayback playback(options);
        try {
            playback.Play(CString(midi.string()));
            ADD_FAILURE() << "no error";
        } catch (const AudioError& e) {
            EXPECT_NE(std::string(e.what()).find("no audio output could be opened"),
                      std::string::npos)
                << e.what();
        }
        EXPECT_FALSE(playback.IsPlaying());
    }
    {
        PlaybackOptions options;
        options.output = AudioOutput::none;
        options.soundFont = (dir / "missing.sf2").string();
        MidiPlayback playback(options);
        EXPECT_THROW(playback.Play(CString(midi.string())), CFileException);
        EXPECT_FALSE(playback.IsPlaying());
    }
    {
        // The system's own output: it plays where there is one and says why not where there
        // is none.
        PlaybackOptions options;
        options.soundFont = TEST_SOUND_FONT;
        MidiPlayback playback(options);
        try {
            playback.Play(CString(midi.string()));
            EXPECT_TRUE(playback.IsPlaying());
            playback.Stop();
        } catch (const AudioError& e) {
            EXPECT_NE(std::string(e.what()).find("no audio output could be opened"),
                      std::string::npos);
        }
        EXPECT_FALSE(playback.IsPlaying());
    }
}

}  // namespace
