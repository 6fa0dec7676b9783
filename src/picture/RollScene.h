#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "expression/Expression.h"
#include "expression/RollProfile.h"
#include "roll/MidiConversion.h"

class CRollscribeDoc;

namespace rollscribe {

// One hole of the roll: from its opening event to its closing event, in roll positions
// (thousandths of an inch). A hole still open at the end runs to the roll's end.
struct HoleBar {
    std::int32_t start;
    std::int32_t end;
};

// One track that the roll uses, or (with the tracker bar laid out) one place of the roll
// system's tracker bar. Its holes are the scene's bars firstBar to firstBar + barCount - 1, in
// order: a track's holes never overlap, so they are sorted by start and by end alike.
struct SceneLane {
    std::int32_t note;       // track + 15
    bool playable;           // inside the roll type's playable range: a note, not expression
    bool openAtEnd;          // its last hole is still open at the roll's end
    std::uint32_t firstBar;  // index into RollScene::AllBars()
    std::uint32_t barCount;
    // A place where the tracker bar has no hole and the roll none: drawn as a gap, unlabelled.
    bool gap = false;
};

// A control record of the roll (codes 240 to 255), at its roll position.
struct SceneMarker {
    std::int32_t time;
    std::int32_t code;  // 240 copyright, 242 lyric, 241, 243, 244 other texts, 245 to 255 codes
    std::uint32_t textOffset;
    std::uint32_t textLength;
};

// What the picture's header says, as UTF-8 for showing.
struct SceneHeader {
    // The annotation file's title; the roll file's name when none was read.
    std::string title;
    // Shown in place of the title and the credits when no annotation file was read ("no
    // annotation file", "annotation file not read"), so that the defaults are not shown as the
    // roll's own; empty otherwise. The roll number, composer and performer are empty then.
    std::string note;
    std::string rollNumber;
    std::string rollType;
    std::string composer;
    std::string performer;
    std::string tempoText;                // the tempo as the annotation file wrote it
    std::int32_t tempo = 100;             // the tempo the roll is converted at
    std::int32_t microsecondsPerQuarter;  // the MIDI file's tempo
    PlayableRange range{21, 108};
};

// The expression of a roll as its picture shows it (RollScene::SetExpression): what each control
// hole's lane does, the times each pedal was down and the level of each half over the roll.
struct SceneExpression {
    std::string profileName;
    // By lane: the words of the profile's control hole, empty for a lane that is none.
    std::vector<std::string> laneLabels;
    // By Pedal (sustain, soft): the times down, in order, none overlapping another.
    std::array<std::vector<HoleBar>, 2> pedals;
    // By Half (bass, treble): the level curves, as ExpressionResult::levels.
    std::array<std::vector<LevelPoint>, 2> levels;
};

// The roll as a picture sees it, built once from a loaded document: one lane per track that the
// roll uses (lowest note first), the holes of each lane, the control records as markers, and the
// header. Plain data that renderers draw; the queries find what lies in a stretch of the roll
// without walking the whole roll, so that drawing a window costs what the window shows.
class RollScene {
  public:
    // An empty scene: no lanes, no markers, the default header.
    RollScene();
    explicit RollScene(const CRollscribeDoc& doc);

    const SceneHeader& Header() const noexcept { return m_header; }
    const std::vector<SceneLane>& Lanes() const noexcept { return m_lanes; }
    // The lane of a note, or -1 when the roll has no such track.
    int LaneOfNote(std::int32_t note) const noexcept;

    std::span<const HoleBar> AllBars() const noexcept { return m_bars; }
    std::span<const HoleBar> Bars(std::size_t lane) const noexcept;
    // The bars of a lane that reach into the stretch from..to (both included).
    std::span<const HoleBar> BarsBetween(std::size_t lane, double from, double to) const noexcept;

    std::span<const SceneMarker> Markers() const noexcept { return m_markers; }
    // The markers at from..to (both included).
    std::span<const SceneMarker> MarkersBetween(double from, double to) const noexcept;
    std::string_view MarkerText(const SceneMarker& marker) const noexcept;

    // Lays the lanes out as the roll system's tracker bar (the profile's notes and control holes,
    // numbered from its first note) has its holes: a lane for every note from the bar's lowest
    // hole to its highest, and to any track the roll uses beyond them, lowest first, so that
    // lanes lie as far apart as their holes; a place of neither is a gap lane. Without it the
    // scene has a lane for each track the roll uses only. The lanes' numbers change; the
    // expression's words for them go with them.
    void SetTrackerBar(const RollProfile& profile);
    // The note numbers (track + 15) of the tracker bar's holes, as SetTrackerBar takes them.
    static std::vector<std::int32_t> TrackerBarNotes(const RollProfile& profile);

    // Shows the roll's expression, as the profile's emulation gave it, in every picture drawn of
    // the scene from now on: the picture gains a strip with the levels and the pedals, and the
    // control holes' lanes are labelled with what they do (RollLayout, DrawRoll). Without it
    // the picture is the plain one. The converter and the desktop program call it with what
    // EmulateExpression, WriteExpressionFile or ExpressionOutput (keepResult) gave:
    //
    //     RollScene scene(doc);
    //     scene.SetExpression(output.Result(), output.Profile());
    //     WritePicture(scene, format, path, options);
    void SetExpression(const ExpressionResult& result, const RollProfile& profile);
    // The expression shown, or null for none.
    const SceneExpression* Expression() const noexcept { return m_expression.get(); }

    // The roll's end: the position of its last event (0 for a roll without events).
    std::int32_t EndTime() const noexcept { return m_end; }

    // The time into the MIDI file of a roll position, as the MIDI file times its event (whole
    // ticks, 480 a quarter note, at the roll's tempo).
    double SecondsAt(std::int32_t time) const noexcept;
    // Seconds for one inch of roll, for scales (no rounding to ticks).
    double SecondsPerInch() const noexcept;
    // The roll position of a MIDI tick (a player's position).
    static double TimeOfTick(double tick) noexcept { return tick * 1200.0 / 480.0; }
    // The MIDI tick of a roll position (a click's), truncated as the conversion times its events,
    // so that a position at or before a note's start never comes after the note's tick.
    static std::int64_t TickOfTime(double time) noexcept;

  private:
    SceneHeader m_header;
    std::vector<SceneLane> m_lanes;
    std::vector<HoleBar> m_bars;
    std::vector<SceneMarker> m_markers;
    std::string m_markerTexts;
    std::shared_ptr<const SceneExpression> m_expression;
    std::int32_t m_laneOfNote[256];
    std::int32_t m_end = 0;
};

}  // namespace rollscribe
