#pragma once

// The sinks of the expression walk (ExpressionWalk.h): the results that the desktop program and the
// picture show, the expression file, and both at once. For the expression library's own use.

#include <cstdint>
#include <vector>

#include "expression/Expression.h"
#include "midi/CMidiFile.h"
#include "roll/CRollscribeDoc.h"
#include "roll/MidiConversion.h"

namespace rollscribe {

// Collects what the desktop program and the picture show; the track's bytes go to a scratch
// block and are dropped.
class ResultSink {
  public:
    static constexpr bool kWantsLevels = true;
    static constexpr bool kRecordsVelocities = true;

    ResultSink(ExpressionResult& result, const CRollscribeDoc& doc, const RollProfile& profile)
        : m_result(result) {
        m_result = ExpressionResult{};
        m_result.profileName = profile.name;
        m_result.velocities.assign(static_cast<std::size_t>(doc.m_events.GetSize()), 0);
        m_result.tempos.push_back({0, MidiTempoFor(doc.m_tempo)});
    }

    std::uint8_t* Reserve(std::size_t bytes) {
        if (m_scratch.size() < bytes) m_scratch.resize(bytes);
        return m_scratch.data();
    }
    void Commit(const std::uint8_t*, std::uint64_t lastTick) { m_last = lastTick; }
    std::size_t PendingBytes() const { return 0; }
    std::uint64_t LastTick() const { return m_last; }

    void Tempo(std::uint64_t tick, std::int32_t tempo) {
        m_last = tick;
        m_result.tempos.push_back({tick, tempo});
    }
    void Controller(std::uint64_t tick, std::int32_t, std::int32_t) { m_last = tick; }
    std::size_t Note(std::uint64_t tick, std::int32_t, std::int32_t) {
        m_last = tick;
        return 0;
    }
    void Lyric(std::uint64_t tick, const CString&) { m_last = tick; }
    void Patch(std::size_t, std::int32_t) {}
    bool WantsCheckpoint() const { return false; }
    void Checkpoint() {}
    void RecordVelocity(std::size_t index, std::int32_t velocity) {
        m_result.velocities[index] = static_cast<std::uint8_t>(velocity);
    }
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
    std::vector<std::uint8_t> m_scratch;
    std::uint64_t m_last = 0;
};

// Writes the expression file through CMidiFile, atomically as the MIDI file is written; the
// track goes to the file in pieces, so that it never lies in memory whole.
class FileSink {
  public:
    static constexpr bool kWantsLevels = false;
    static constexpr bool kRecordsVelocities = false;

    // memory: where the bytes go instead of the file, or null.
    FileSink(const CRollscribeDoc& doc, const CString& path, std::vector<std::uint8_t>* memory) {
        m_midi.PlanTrackSize(2 * kFlushBytes);
        if (memory)
            m_midi.OpenInMemory(*memory);
        else
            m_midi.Open(path);
        m_midi.WriteHeader();
        m_midi.StreamTrack();
        WriteRollHeaderEvents(doc, m_midi);
    }

    std::uint8_t* Reserve(std::size_t bytes) { return m_midi.ReserveTrack(bytes); }
    void Commit(const std::uint8_t* end, std::uint64_t lastTick) {
        m_midi.CommitTrack(end);
        m_last = lastTick;
    }
    std::size_t PendingBytes() const { return m_midi.PendingTrackBytes(); }
    std::uint64_t LastTick() const { return m_last; }

    void Tempo(std::uint64_t tick, std::int32_t tempo) { m_midi.WriteTempo(WaitFor(tick), tempo); }
    void Controller(std::uint64_t tick, std::int32_t controller, std::int32_t value) {
        m_midi.WriteVarLen(WaitFor(tick));
        m_midi.ControlChange(controller, value);
    }
    std::size_t Note(std::uint64_t tick, std::int32_t note, std::int32_t velocity) {
        return m_midi.WriteNoteAfter(static_cast<std::uint32_t>(WaitFor(tick)), note, velocity);
    }
    void Lyric(std::uint64_t tick, const CString& text) {
        m_midi.WriteVarLen(WaitFor(tick));
        m_midi.WriteLyric(text);
    }
    void Patch(std::size_t place, std::int32_t velocity) { m_midi.PatchVelocity(place, velocity); }
    bool WantsCheckpoint() const { return m_midi.PendingTrackBytes() >= kFlushBytes; }
    void Checkpoint() { m_midi.FlushTrack(); }
    void RecordVelocity(std::size_t, std::int32_t) {}
    void PedalUp(const PedalInterval&) {}
    void Level(Half, double, double) {}
    void End(std::uint64_t tick) { m_midi.WriteTrack(WaitFor(tick)); }
    // Puts the file in place (else it is dropped when the sink goes).
    void Commit() { m_midi.Close(); }

  private:
    static constexpr std::size_t kFlushBytes = 256 * 1024;

    // The delta to an event at tick; a wait too long for one delta is carried by empty texts
    // first, as in the MIDI file.
    std::int32_t WaitFor(std::uint64_t tick) {
        std::uint64_t delta = tick - m_last;
        m_last = tick;
        return static_cast<std::int32_t>(m_midi.CarryWait(delta));
    }

    CMidiFile m_midi;
    std::uint64_t m_last = 0;
};

// Both at once: the file's bytes, the result's records.
class BothSinks {
  public:
    static constexpr bool kWantsLevels = true;
    static constexpr bool kRecordsVelocities = true;

    BothSinks(FileSink& file, ResultSink& result) : m_file(file), m_result(result) {}

    std::uint8_t* Reserve(std::size_t bytes) { return m_file.Reserve(bytes); }
    void Commit(const std::uint8_t* end, std::uint64_t lastTick) { m_file.Commit(end, lastTick); }
    std::size_t PendingBytes() const { return m_file.PendingBytes(); }
    std::uint64_t LastTick() const { return m_file.LastTick(); }
    void Tempo(std::uint64_t tick, std::int32_t tempo) {
        m_file.Tempo(tick, tempo);
        m_result.Tempo(tick, tempo);
    }
    void Controller(std::uint64_t tick, std::int32_t controller, std::int32_t value) {
        m_file.Controller(tick, controller, value);
    }
    std::size_t Note(std::uint64_t tick, std::int32_t note, std::int32_t velocity) {
        return m_file.Note(tick, note, velocity);
    }
    void Lyric(std::uint64_t tick, const CString& text) { m_file.Lyric(tick, text); }
    void Patch(std::size_t place, std::int32_t velocity) { m_file.Patch(place, velocity); }
    bool WantsCheckpoint() const { return m_file.WantsCheckpoint(); }
    void Checkpoint() { m_file.Checkpoint(); }
    void RecordVelocity(std::size_t index, std::int32_t velocity) {
        m_result.RecordVelocity(index, velocity);
    }
    void PedalUp(const PedalInterval& interval) { m_result.PedalUp(interval); }
    void Level(Half half, double position, double velocity) {
        m_result.Level(half, position, velocity);
    }
    void End(std::uint64_t tick) { m_file.End(tick); }

  private:
    FileSink& m_file;
    ResultSink& m_result;
};

}  // namespace rollscribe
