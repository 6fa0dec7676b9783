#include "picture/RollScene.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "picture/DisplayText.h"
#include "roll/CRollscribeDoc.h"

namespace rollscribe {

namespace {

constexpr std::size_t kNotes = 256;  // track + 15 for the tracks 0 to 239, with room to spare
constexpr std::uint32_t kNone = std::numeric_limits<std::uint32_t>::max();

bool IsHole(const RollEvent& event) noexcept {
    return (event.kind == RollEvent::kTrackClosed || event.kind == RollEvent::kTrackOpened) &&
           event.note >= 0 && event.note < static_cast<std::int32_t>(kNotes);
}

bool IsControl(const RollEvent& event) noexcept {
    return event.kind >= RollEvent::kFirstControl && event.kind <= RollEvent::kLastControl;
}

}  // namespace

RollScene::RollScene() {
    m_header.microsecondsPerQuarter = MidiTempoFor(m_header.tempo);
    std::fill(std::begin(m_laneOfNote), std::end(m_laneOfNote), -1);
}

RollScene::RollScene(const CRollscribeDoc& doc) : RollScene() {
    m_header.title = DisplayText(doc.m_strTitle.View());
    m_header.rollNumber = DisplayText(doc.m_strRollNumber.View());
    m_header.rollType = DisplayText(doc.m_strRollType.View());
    m_header.composer = DisplayText(doc.m_strComposer.View());
    m_header.performer = DisplayText(doc.m_strPerformer.View());
    m_header.tempoText = DisplayText(doc.m_strTempo.View());
    m_header.tempo = doc.m_tempo;
    m_header.microsecondsPerQuarter = MidiTempoFor(doc.m_tempo);
    m_header.range = PlayableRangeFor(doc.m_strRollType);
    if (doc.m_annotationMissing || !doc.m_annotationUnreadable.empty()) {
        m_header.note = doc.m_annotationMissing ? "no annotation file" : "annotation file not read";
        m_header.title = DisplayText(doc.m_strFileTitle.View());
        m_header.rollNumber.clear();
        m_header.composer.clear();
        m_header.performer.clear();
    }

    // First pass: the holes of each track and the number of markers, so that everything is
    // stored once, in place. Times are taken as never going backwards (and never below 0), as
    // the MIDI file takes them: the parser gives them so, and the lanes' order relies on it.
    std::array<std::uint32_t, kNotes> holes{};
    std::size_t markers = 0;
    for (const RollEvent& event : doc.m_events) {
        if (IsHole(event)) {
            if (event.kind == RollEvent::kTrackOpened)
                ++holes[static_cast<std::size_t>(event.note)];
        } else if (IsControl(event)) {
            ++markers;
        }
    }

    std::array<std::uint32_t, kNotes> next{};
    std::uint32_t total = 0;
    for (std::size_t note = 0; note < kNotes; ++note) {
        if (holes[note] == 0) continue;
        m_laneOfNote[note] = static_cast<std::int32_t>(m_lanes.size());
        const auto n = static_cast<std::int32_t>(note);
        m_lanes.push_back({n, n >= m_header.range.lowest && n <= m_header.range.highest, false,
                           total, holes[note]});
        next[note] = total;
        total += holes[note];
    }
    m_bars.resize(total);
    m_markers.reserve(markers);

    // Second pass: the bars and markers. A hole that opens while its track is already open
    // (which the parser never gives) ends the earlier hole there, so every opening event is
    // one bar; a closing event of a closed track adds nothing.
    std::array<std::uint32_t, kNotes> open;
    open.fill(kNone);
    std::int32_t now = 0;
    for (const RollEvent& event : doc.m_events) {
        now = std::max(now, event.time);
        if (IsHole(event)) {
            const auto note = static_cast<std::size_t>(event.note);
            if (open[note] != kNone) {
                m_bars[open[note]].end = now;
                open[note] = kNone;
            }
            if (event.kind == RollEvent::kTrackOpened) {
                open[note] = next[note]++;
                m_bars[open[note]] = {now, now};
            }
        } else if (IsControl(event)) {
            const std::size_t offset = m_markerTexts.size();
            if (offset < std::numeric_limits<std::uint32_t>::max() - event.text.GetLength())
                AppendDisplayText(m_markerTexts, event.text.View());
            const std::size_t length = std::min<std::size_t>(
                m_markerTexts.size() - offset, std::numeric_limits<std::uint32_t>::max() - offset);
            m_markers.push_back({now, event.kind, static_cast<std::uint32_t>(offset),
                                 static_cast<std::uint32_t>(length)});
        }
    }
    m_end = now;
    for (std::size_t note = 0; note < kNotes; ++note) {
        if (open[note] == kNone) continue;
        m_bars[open[note]].end = m_end;
        m_lanes[static_cast<std::size_t>(m_laneOfNote[note])].openAtEnd = true;
    }
}

std::vector<std::int32_t> RollScene::TrackerBarNotes(const RollProfile& profile) {
    // The profile numbers its holes from its first note; the scene from track 0 as note 15.
    const std::int32_t shift = kStandardFirstNote - profile.trackerBar.firstNote;
    std::vector<std::int32_t> notes;
    auto add = [&](std::int32_t note) {
        const std::int32_t n = note + shift;
        if (n >= 0 && n < static_cast<std::int32_t>(kNotes)) notes.push_back(n);
    };
    for (std::int32_t note = std::max(profile.lowestNote, -1000);
         note <= std::min(profile.highestNote, 1000); ++note)
        add(note);
    for (const ControlHole& hole : profile.holes) add(hole.note);
    std::sort(notes.begin(), notes.end());
    notes.erase(std::unique(notes.begin(), notes.end()), notes.end());
    return notes;
}

void RollScene::SetTrackerBar(const RollProfile& profile) {
    std::array<bool, kNotes> bar{};
    for (const std::int32_t note : TrackerBarNotes(profile))
        bar[static_cast<std::size_t>(note)] = true;
    std::int32_t low = static_cast<std::int32_t>(kNotes), high = -1;
    // The tracks the roll uses (an earlier layout's empty lanes are none).
    auto used = [this](std::int32_t note) {
        return m_laneOfNote[note] >= 0 &&
               m_lanes[static_cast<std::size_t>(m_laneOfNote[note])].barCount > 0;
    };
    for (std::int32_t note = 0; note < static_cast<std::int32_t>(kNotes); ++note) {
        if (!bar[static_cast<std::size_t>(note)] && !used(note)) continue;
        low = std::min(low, note);
        high = std::max(high, note);
    }
    std::vector<SceneLane> lanes;
    std::vector<std::string> labels;
    std::int32_t laneOfNote[kNotes];
    std::fill(std::begin(laneOfNote), std::end(laneOfNote), -1);
    for (std::int32_t note = low; note <= high; ++note) {
        const auto at = static_cast<std::size_t>(note);
        const std::int32_t old = used(note) || bar[at] ? m_laneOfNote[note] : -1;
        laneOfNote[note] = static_cast<std::int32_t>(lanes.size());
        if (old >= 0) {
            lanes.push_back(m_lanes[static_cast<std::size_t>(old)]);
        } else {
            const bool playable = note >= m_header.range.lowest && note <= m_header.range.highest;
            lanes.push_back({note, playable, false, 0, 0});
        }
        lanes.back().gap = !bar[at] && lanes.back().barCount == 0;
        if (!m_expression) continue;
        labels.emplace_back();
        if (old >= 0 && static_cast<std::size_t>(old) < m_expression->laneLabels.size())
            labels.back() = m_expression->laneLabels[static_cast<std::size_t>(old)];
    }
    if (m_expression) {
        auto expression = std::make_shared<SceneExpression>(*m_expression);
        expression->laneLabels = std::move(labels);
        m_expression = std::move(expression);
    }
    m_lanes = std::move(lanes);
    std::copy(std::begin(laneOfNote), std::end(laneOfNote), std::begin(m_laneOfNote));
}

void RollScene::SetExpression(const ExpressionResult& result, const RollProfile& profile) {
    auto expression = std::make_shared<SceneExpression>();
    expression->profileName = DisplayText(result.profileName);
    expression->laneLabels.resize(m_lanes.size());
    // The profile numbers its holes from the tracker bar's first note.
    const std::int32_t shift = profile.trackerBar.firstNote - kStandardFirstNote;
    for (std::size_t lane = 0; lane < m_lanes.size(); ++lane) {
        const std::int32_t note = m_lanes[lane].note + shift;
        const ControlHole* hole = profile.IsNote(note) ? nullptr : profile.HoleOf(note);
        if (hole) expression->laneLabels[lane] = DisplayText(hole->label);
    }
    for (const PedalInterval& down : result.pedals) {
        const auto pedal = static_cast<std::size_t>(down.pedal);
        if (pedal < expression->pedals.size() && down.end >= down.start)
            expression->pedals[pedal].push_back({down.start, down.end});
    }
    // In the order they went down, a time that overlaps the one before joined to it.
    for (std::vector<HoleBar>& bars : expression->pedals) {
        std::sort(bars.begin(), bars.end(),
                  [](const HoleBar& a, const HoleBar& b) { return a.start < b.start; });
        std::size_t kept = 0;
        for (const HoleBar& bar : bars) {
            if (kept > 0 && bar.start < bars[kept - 1].end)
                bars[kept - 1].end = std::max(bars[kept - 1].end, bar.end);
            else
                bars[kept++] = bar;
        }
        bars.resize(kept);
    }
    // Points whose place or level is not a number are left out, and none goes back along the
    // roll, so that the drawing can search them.
    for (std::size_t half = 0; half < expression->levels.size(); ++half) {
        std::vector<LevelPoint>& points = expression->levels[half];
        points.reserve(result.levels[half].size());
        for (const LevelPoint& p : result.levels[half]) {
            if (!std::isfinite(p.position) || !std::isfinite(p.velocity)) continue;
            points.push_back(
                {points.empty() ? p.position : std::max(p.position, points.back().position),
                 p.velocity});
        }
    }
    m_expression = std::move(expression);
}

int RollScene::LaneOfNote(std::int32_t note) const noexcept {
    if (note < 0 || note >= static_cast<std::int32_t>(kNotes)) return -1;
    return m_laneOfNote[note];
}

std::span<const HoleBar> RollScene::Bars(std::size_t lane) const noexcept {
    if (lane >= m_lanes.size()) return {};
    const SceneLane& l = m_lanes[lane];
    return std::span<const HoleBar>(m_bars).subspan(l.firstBar, l.barCount);
}

std::span<const HoleBar> RollScene::BarsBetween(std::size_t lane, double from,
                                                double to) const noexcept {
    std::span<const HoleBar> bars = Bars(lane);
    // A lane's holes follow one another, so both their starts and their ends are in order.
    auto first = std::partition_point(bars.begin(), bars.end(),
                                      [from](const HoleBar& bar) { return bar.end < from; });
    auto last = std::partition_point(first, bars.end(),
                                     [to](const HoleBar& bar) { return bar.start <= to; });
    return {first, last};
}

std::span<const SceneMarker> RollScene::MarkersBetween(double from, double to) const noexcept {
    auto first = std::partition_point(m_markers.begin(), m_markers.end(),
                                      [from](const SceneMarker& m) { return m.time < from; });
    auto last = std::partition_point(first, m_markers.end(),
                                     [to](const SceneMarker& m) { return m.time <= to; });
    return {first, last};
}

std::string_view RollScene::MarkerText(const SceneMarker& marker) const noexcept {
    return std::string_view(m_markerTexts).substr(marker.textOffset, marker.textLength);
}

double RollScene::SecondsAt(std::int32_t time) const noexcept {
    return static_cast<double>(TickTimeOf(std::max(time, 0))) * m_header.microsecondsPerQuarter /
           480.0 / 1e6;
}

std::int64_t RollScene::TickOfTime(double time) noexcept {
    if (!(time > 0)) return 0;  // also NaN
    const double whole =
        std::min(time, static_cast<double>(std::numeric_limits<std::int32_t>::max()));
    return static_cast<std::int64_t>(TickTimeOf(static_cast<std::int32_t>(whole)));
}

double RollScene::SecondsPerInch() const noexcept {
    // 1200 thousandths of an inch are one quarter note.
    return m_header.microsecondsPerQuarter / 1.2 / 1e6;
}

}  // namespace rollscribe
