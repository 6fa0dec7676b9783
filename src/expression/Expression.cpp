// The expression of a roll: the emulation's results for the picture and the desktop program,
// and the expression file.
#include "expression/Expression.h"

#include "expression/ExpressionWalk.h"
#include "midi/CMidiFile.h"
#include "roll/OutputNames.h"

namespace rollscribe {

namespace {

// Collects what the desktop program and the picture show.
class ResultSink {
  public:
    static constexpr bool kWantsLevels = true;

    ResultSink(ExpressionResult& result, const CRollscribeDoc& doc, const RollProfile& profile)
        : m_result(result) {
        m_result = ExpressionResult{};
        m_result.profileName = profile.name;
        m_result.velocities.assign(static_cast<std::size_t>(doc.m_events.GetSize()), 0);
        m_result.tempos.push_back({0, MidiTempoFor(doc.m_tempo)});
    }

    void Tempo(std::uint64_t tick, std::int32_t tempo) { m_result.tempos.push_back({tick, tempo}); }
    void Controller(std::uint64_t, std::int32_t, std::int32_t) {}
    void NoteOn(std::uint64_t, std::int32_t, std::int32_t velocity, std::int32_t index) {
        m_result.velocities[static_cast<std::size_t>(index)] = static_cast<std::uint8_t>(velocity);
    }
    void NoteOff(std::uint64_t, std::int32_t) {}
    void Lyric(std::uint64_t, const CString&) {}
    void PedalUp(const PedalInterval& interval) { m_result.pedals.push_back(interval); }
    // A point that continues a level's flat run moves the run's end instead.
    void Level(Half half, double position, double velocity) {
        std::vector<LevelPoint>& curve = m_result.levels[static_cast<int>(half)];
        std::size_t n = curve.size();
        if (n >= 1 && curve[n - 1].velocity == velocity &&
            (curve[n - 1].position == position || (n >= 2 && curve[n - 2].velocity == velocity))) {
            curve[n - 1].position = position;
            return;
        }
        curve.push_back({position, velocity});
    }
    void End(std::uint64_t) {}

  private:
    ExpressionResult& m_result;
};

// Writes the expression file through CMidiFile, as the MIDI file is written.
class FileSink {
  public:
    static constexpr bool kWantsLevels = false;

    FileSink(const CRollscribeDoc& doc, const CString& path) {
        m_midi.PlanTrackSize(PlannedTrackBytes(doc));
        m_midi.Open(path);
        m_midi.WriteHeader();
        WriteRollHeaderEvents(doc, m_midi);
    }

    void Tempo(std::uint64_t tick, std::int32_t tempo) { m_midi.WriteTempo(WaitFor(tick), tempo); }
    void Controller(std::uint64_t tick, std::int32_t controller, std::int32_t value) {
        m_midi.WriteVarLen(WaitFor(tick));
        m_midi.ControlChange(controller, value);
    }
    void NoteOn(std::uint64_t tick, std::int32_t note, std::int32_t velocity, std::int32_t) {
        m_midi.WriteVarLen(WaitFor(tick));
        m_midi.NoteOn(note, velocity);
    }
    void NoteOff(std::uint64_t tick, std::int32_t note) {
        m_midi.WriteVarLen(WaitFor(tick));
        m_midi.NoteOff(note);
    }
    void Lyric(std::uint64_t tick, const CString& text) {
        m_midi.WriteVarLen(WaitFor(tick));
        m_midi.WriteLyric(text);
    }
    void PedalUp(const PedalInterval&) {}
    void Level(Half, double, double) {}
    void End(std::uint64_t tick) {
        m_midi.WriteTrack(WaitFor(tick));
        m_midi.Close();
    }

  private:
    // The delta to an event at tick; a wait too long for one delta is carried by empty texts
    // first, as in the MIDI file.
    std::int32_t WaitFor(std::uint64_t tick) {
        std::uint64_t delta = tick - m_last;
        m_last = tick;
        while (delta > kMaxMidiDelta) {
            m_midi.WriteVarLen(static_cast<std::int32_t>(kMaxMidiDelta));
            m_midi.WriteEmptyText();
            delta -= kMaxMidiDelta;
        }
        return static_cast<std::int32_t>(delta);
    }

    CMidiFile m_midi;
    std::uint64_t m_last = 0;
};

// Both at once.
class BothSinks {
  public:
    static constexpr bool kWantsLevels = true;

    BothSinks(FileSink& file, ResultSink& result) : m_file(file), m_result(result) {}

    void Tempo(std::uint64_t tick, std::int32_t tempo) {
        m_file.Tempo(tick, tempo);
        m_result.Tempo(tick, tempo);
    }
    void Controller(std::uint64_t tick, std::int32_t controller, std::int32_t value) {
        m_file.Controller(tick, controller, value);
    }
    void NoteOn(std::uint64_t tick, std::int32_t note, std::int32_t velocity, std::int32_t index) {
        m_file.NoteOn(tick, note, velocity, index);
        m_result.NoteOn(tick, note, velocity, index);
    }
    void NoteOff(std::uint64_t tick, std::int32_t note) { m_file.NoteOff(tick, note); }
    void Lyric(std::uint64_t tick, const CString& text) { m_file.Lyric(tick, text); }
    void PedalUp(const PedalInterval& interval) { m_result.PedalUp(interval); }
    void Level(Half half, double position, double velocity) {
        m_result.Level(half, position, velocity);
    }
    void End(std::uint64_t tick) { m_file.End(tick); }

  private:
    FileSink& m_file;
    ResultSink& m_result;
};

}  // namespace

ExpressionResult EmulateExpression(const CRollscribeDoc& doc, const RollProfile& profile) {
    ExpressionResult result;
    ResultSink sink(result, doc, profile);
    ExpressionWalk<ResultSink>(doc, profile, sink).Run();
    return result;
}

void WriteExpressionFile(const CRollscribeDoc& doc, const RollProfile& profile, const CString& path,
                         ExpressionResult* result) {
    FileSink file(doc, path);
    if (!result) {
        ExpressionWalk<FileSink>(doc, profile, file).Run();
        return;
    }
    ResultSink collect(*result, doc, profile);
    BothSinks both(file, collect);
    ExpressionWalk<BothSinks>(doc, profile, both).Run();
}

CString ExpressionFilePath(const CRollscribeDoc& doc) {
    return OutputPath(doc.m_strDirectory, doc.m_strFileTitle, kExpressionExtension);
}

}  // namespace rollscribe
