// Reading a roll system's profile: JSON into a RollProfile, every field checked, each error
// naming the file, the field and what is wrong.
#include "expression/ProfileReader.h"

#include <algorithm>
#include <cmath>
#include <nlohmann/json.hpp>
#include <set>
#include <vector>

#include "platform/CFile.h"

namespace rollscribe {

namespace {

using nlohmann::json;

std::string Number(double value) {
    json j = value;
    std::string text = j.dump();
    if (text.size() > 2 && text.compare(text.size() - 2, 2, ".0") == 0)
        text.resize(text.size() - 2);
    return text;
}

// The place of a value in the profile, as a JSON path: "holes[3].note".
std::string Child(const std::string& path, std::string_view key) {
    return path.empty() ? std::string(key) : path + "." + std::string(key);
}

std::string Element(const std::string& path, std::size_t index) {
    return path + "[" + std::to_string(index) + "]";
}

// Refuses a key that appears twice in one object (the parser would keep the last silently),
// naming it by its path.
class DuplicateKeyCheck {
  public:
    explicit DuplicateKeyCheck(const std::string& file) : m_file(file) {}

    bool operator()(int /*depth*/, json::parse_event_t event, json& parsed) {
        switch (event) {
            case json::parse_event_t::object_start:
            case json::parse_event_t::array_start:
                NextElement();
                m_frames.push_back({event == json::parse_event_t::array_start, 0, {}, {}});
                break;
            case json::parse_event_t::key: {
                Frame& top = m_frames.back();
                top.key = parsed.get<std::string>();
                if (!top.keys.insert(top.key).second)
                    throw ProfileError(m_file, Path() + ": appears twice in one object");
                break;
            }
            case json::parse_event_t::value:
                NextElement();
                break;
            case json::parse_event_t::object_end:
            case json::parse_event_t::array_end:
                m_frames.pop_back();
                break;
        }
        return true;
    }

  private:
    struct Frame {
        bool array;
        std::size_t next;  // arrays: the index of the next element
        std::string key;   // objects: the current key
        std::set<std::string> keys;
    };
    void NextElement() {
        if (!m_frames.empty() && m_frames.back().array) ++m_frames.back().next;
    }
    std::string Path() const {
        std::string path;
        for (const Frame& frame : m_frames)
            path = frame.array ? Element(path, frame.next - 1) : Child(path, frame.key);
        return path;
    }

    const std::string& m_file;
    std::vector<Frame> m_frames;
};

// The fields of one JSON object: each is taken once by name; what is left over is unknown.
class Fields {
  public:
    Fields(const std::string& file, const json& value, std::string path)
        : m_file(file), m_value(value), m_path(std::move(path)) {
        if (!value.is_object()) Fail(m_path, "must be an object ({ ... })");
    }

    [[noreturn]] void Fail(const std::string& field, const std::string& what) const {
        throw ProfileError(m_file, (field.empty() ? "the profile" : field) + ": " + what);
    }
    std::string PathOf(std::string_view key) const { return Child(m_path, key); }
    const std::string& Path() const noexcept { return m_path; }
    const std::string& File() const noexcept { return m_file; }

    bool Has(std::string_view key) const { return m_value.contains(key); }
    const json& Get(std::string_view key) {
        auto it = m_value.find(key);
        if (it == m_value.end()) Fail(PathOf(key), "is missing");
        m_taken.insert(std::string(key));
        return *it;
    }
    Fields Object(std::string_view key) { return Fields(m_file, Get(key), PathOf(key)); }
    const json& Array(std::string_view key) {
        const json& value = Get(key);
        if (!value.is_array()) Fail(PathOf(key), "must be a list ([ ... ])");
        return value;
    }
    double Real(std::string_view key, double low, double high) {
        return RealValue(Get(key), PathOf(key), low, high);
    }
    std::int32_t Whole(std::string_view key, std::int32_t low, std::int32_t high) {
        return WholeValue(Get(key), PathOf(key), low, high);
    }
    std::string Text(std::string_view key, std::size_t maxLength) {
        return TextValue(Get(key), PathOf(key), maxLength);
    }
    bool Flag(std::string_view key) {
        const json& value = Get(key);
        if (!value.is_boolean()) Fail(PathOf(key), "must be true or false");
        return value.get<bool>();
    }
    // Refuses the fields not taken.
    void Finish() const {
        for (auto it = m_value.begin(); it != m_value.end(); ++it)
            if (!m_taken.count(it.key()))
                Fail(PathOf(it.key()), "is not a field of a profile here");
    }

    double RealValue(const json& value, const std::string& path, double low, double high) const {
        if (!value.is_number()) Fail(path, "must be a number");
        double number = value.get<double>();
        if (!(number >= low && number <= high))
            Fail(path,
                 "must be from " + Number(low) + " to " + Number(high) + ", not " + value.dump());
        return number;
    }
    std::int32_t WholeValue(const json& value, const std::string& path, std::int32_t low,
                            std::int32_t high) const {
        if (!value.is_number_integer()) Fail(path, "must be a whole number");
        bool inRange = value.is_number_unsigned()
                           ? value.get<std::uint64_t>() <= static_cast<std::uint64_t>(high) &&
                                 static_cast<std::int64_t>(value.get<std::uint64_t>()) >= low
                           : value.get<std::int64_t>() >= low && value.get<std::int64_t>() <= high;
        if (!inRange)
            Fail(path, "must be from " + std::to_string(low) + " to " + std::to_string(high) +
                           ", not " + value.dump());
        return static_cast<std::int32_t>(value.get<std::int64_t>());
    }
    std::string TextValue(const json& value, const std::string& path, std::size_t maxLength) const {
        if (!value.is_string()) Fail(path, "must be text (\"...\")");
        std::string text = value.get<std::string>();
        if (text.empty()) Fail(path, "must not be empty");
        if (text.size() > maxLength)
            Fail(path, "must be at most " + std::to_string(maxLength) + " bytes long");
        for (unsigned char c : text)
            if (c < 0x20 || c == 0x7F) Fail(path, "must not hold control characters");
        return text;
    }

  private:
    const std::string& m_file;
    const json& m_value;
    std::string m_path;
    std::set<std::string> m_taken;
};

// A list of numbers, each within [low, high], of minCount to maxCount.
std::vector<double> Reals(Fields& fields, std::string_view key, std::size_t minCount,
                          std::size_t maxCount, double low, double high) {
    const json& list = fields.Array(key);
    std::string path = fields.PathOf(key);
    if (list.size() < minCount || list.size() > maxCount)
        fields.Fail(path, "must hold " +
                              (minCount == maxCount
                                   ? std::to_string(minCount)
                                   : std::to_string(minCount) + " to " + std::to_string(maxCount)) +
                              " numbers, not " + std::to_string(list.size()));
    std::vector<double> numbers;
    for (std::size_t i = 0; i < list.size(); ++i)
        numbers.push_back(fields.RealValue(list[i], Element(path, i), low, high));
    return numbers;
}

// A list that must not fall from one entry to the next.
void RequireRising(const Fields& fields, const std::string& path, const std::vector<double>& list,
                   bool strictly) {
    for (std::size_t i = 1; i < list.size(); ++i) {
        if (list[i] < list[i - 1] || (strictly && list[i] == list[i - 1]))
            fields.Fail(Element(path, i),
                        Number(list[i]) + (strictly ? " must be above " : " must not be below ") +
                            "the entry before it (" + Number(list[i - 1]) + ")");
    }
}

void ReadNotes(Fields& top, RollProfile& profile) {
    Fields notes = top.Object("notes");
    profile.lowestNote = notes.Whole("lowest", 0, 127);
    profile.highestNote = notes.Whole("highest", 0, 127);
    if (profile.highestNote < profile.lowestNote)
        notes.Fail(notes.PathOf("highest"),
                   "must not be below lowest (" + std::to_string(profile.lowestNote) + ")");
    profile.bassHighestNote = notes.Whole("bass_highest", 0, 127);
    if (profile.bassHighestNote < profile.lowestNote ||
        profile.bassHighestNote > profile.highestNote)
        notes.Fail(notes.PathOf("bass_highest"), "must lie within the note range " +
                                                     std::to_string(profile.lowestNote) + " to " +
                                                     std::to_string(profile.highestNote));
    notes.Finish();
}

void ReadHoles(Fields& top, RollProfile& profile) {
    const json& list = top.Array("holes");
    for (std::size_t i = 0; i < list.size(); ++i) {
        Fields fields(top.File(), list[i], Element("holes", i));
        ControlHole hole;
        hole.note = fields.Whole("note", 0, 127);
        if (profile.IsNote(hole.note))
            fields.Fail(fields.PathOf("note"), std::to_string(hole.note) +
                                                   " lies inside the note range " +
                                                   std::to_string(profile.lowestNote) + " to " +
                                                   std::to_string(profile.highestNote));
        for (std::size_t j = 0; j < profile.holes.size(); ++j)
            if (profile.holes[j].note == hole.note)
                fields.Fail(fields.PathOf("note"), std::to_string(hole.note) +
                                                       " is also the note of holes[" +
                                                       std::to_string(j) + "]");
        std::string action = fields.Text("action", 64);
        if (!ActionOfName(action, hole.action))
            fields.Fail(fields.PathOf("action"), "'" + action + "' is not an action");
        if (!ModelUsesAction(profile.model, hole.action))
            fields.Fail(fields.PathOf("action"), "'" + action + "' has no place in the " +
                                                     std::string(ModelName(profile.model)) +
                                                     " model");
        if (ActionHasSide(hole.action)) {
            std::string side = fields.Text("side", 16);
            if (side != "bass" && side != "treble")
                fields.Fail(fields.PathOf("side"), "must be \"bass\" or \"treble\"");
            hole.side = side == "bass" ? Half::bass : Half::treble;
        } else if (fields.Has("side")) {
            fields.Fail(fields.PathOf("side"), "has no meaning for a " + action + " hole");
        }
        if (hole.action == HoleAction::intensity) {
            hole.value = fields.Whole("value", 2, 6);
            if (hole.value % 2 != 0) fields.Fail(fields.PathOf("value"), "must be 2, 4 or 6");
        } else if (ActionHasValue(hole.action)) {
            hole.value = fields.Whole("value", 1, 63);
        } else if (fields.Has("value")) {
            fields.Fail(fields.PathOf("value"), "has no meaning for a " + action + " hole");
        }
        hole.label = fields.Text("label", 64);
        fields.Finish();
        profile.holes.push_back(std::move(hole));
    }
}

// The steps that a group of holes can make (the sum of their values) must each have an entry.
void RequireStepTable(const Fields& fields, std::string_view key, const RollProfile& profile,
                      HoleAction action, std::size_t tableSize) {
    std::int32_t sum = 0;
    for (const ControlHole& hole : profile.holes)
        if (hole.action == action) sum += hole.value;
    if (static_cast<std::size_t>(sum) >= tableSize)
        fields.Fail(fields.PathOf(key), "has " + std::to_string(tableSize) +
                                            " entries (steps 0 to " +
                                            std::to_string(tableSize - 1) + "), but the " +
                                            std::string(ActionName(action)) +
                                            " holes' values add up to " + std::to_string(sum));
}

void ReadWelte(Fields& parameters, WelteParameters& welte) {
    welte.piano = parameters.Real("p", 1, 127);
    welte.mezzoForte = parameters.Real("mf", 1, 127);
    welte.loud = parameters.Real("loud", 1, 127);
    welte.forte = parameters.Real("f", 1, 127);
    if (welte.mezzoForte <= welte.piano)
        parameters.Fail(parameters.PathOf("mf"), "must be above p (" + Number(welte.piano) + ")");
    if (welte.loud < welte.mezzoForte || welte.loud > welte.forte)
        parameters.Fail(parameters.PathOf("loud"), "must lie from mf (" + Number(welte.mezzoForte) +
                                                       ") to f (" + Number(welte.forte) + ")");
    welte.bassOffset = parameters.Whole("bass_offset", -126, 126);
    welte.slowMs = parameters.Real("slow_crescendo_ms", 1, 600000);
    welte.fastCrescendoMs = parameters.Real("fast_crescendo_ms", 1, 600000);
    welte.fastDecrescendoMs = parameters.Real("fast_decrescendo_ms", 1, 600000);
    std::string span = parameters.Text("fast_decrescendo_span", 8);
    if (span != "f-p" && span != "mf-p")
        parameters.Fail(parameters.PathOf("fast_decrescendo_span"), "must be \"f-p\" or \"mf-p\"");
    welte.fastDecrescendoFromForte = span == "f-p";
}

void ReadDuoArt(Fields& parameters, const RollProfile& profile, DuoArtParameters& duoArt) {
    duoArt.accompanimentPressures = Reals(parameters, "accompaniment_pressures", 1, 64, 0, 1000);
    RequireRising(parameters, parameters.PathOf("accompaniment_pressures"),
                  duoArt.accompanimentPressures, false);
    RequireStepTable(parameters, "accompaniment_pressures", profile, HoleAction::accompaniment,
                     duoArt.accompanimentPressures.size());
    duoArt.themePressures = Reals(parameters, "theme_pressures", 1, 64, 0, 1000);
    RequireRising(parameters, parameters.PathOf("theme_pressures"), duoArt.themePressures, false);
    RequireStepTable(parameters, "theme_pressures", profile, HoleAction::theme,
                     duoArt.themePressures.size());

    const json& pieces = parameters.Array("velocity");
    std::string path = parameters.PathOf("velocity");
    if (pieces.empty() || pieces.size() > 16)
        parameters.Fail(path, "must hold 1 to 16 pieces, not " + std::to_string(pieces.size()));
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        Fields piece(parameters.File(), pieces[i], Element(path, i));
        VelocityPiece p;
        bool last = i + 1 == pieces.size();
        if (last) {
            if (piece.Has("up_to"))
                piece.Fail(piece.PathOf("up_to"), "the last piece has no end: leave it out");
            p.upTo = INFINITY;
        } else {
            p.upTo = piece.Real("up_to", 0, 1000);
            if (i > 0 && p.upTo <= duoArt.velocity.back().upTo)
                piece.Fail(piece.PathOf("up_to"), "must be above the piece before it (" +
                                                      Number(duoArt.velocity.back().upTo) + ")");
        }
        p.slope = piece.Real("slope", -1000, 1000);
        p.offset = piece.Real("offset", -1000, 1000);
        piece.Finish();
        duoArt.velocity.push_back(p);
    }
    duoArt.holdLastStep = parameters.Flag("hold_last_step");
}

void ReadPlain(Fields& parameters, PlainParameters& plain) {
    plain.velocity = parameters.Whole("velocity", 1, 127);
    plain.accentVelocity = parameters.Whole("accent_velocity", 1, 127);
}

// An object with one entry for each intensity set ("none", "2", ..., "2+4+6"); with partial,
// sets may be left out (they get fallback).
template <typename T, typename ReadOne>
void ReadBySet(Fields& parameters, std::string_view key, std::array<T, kIntensitySets>& out,
               bool partial, T fallback, ReadOne readOne) {
    Fields sets = parameters.Object(key);
    for (std::size_t set = 0; set < kIntensitySets; ++set) {
        std::string_view name = IntensitySetName(set);
        if (partial && !sets.Has(name)) {
            out[set] = fallback;
            continue;
        }
        out[set] = readOne(sets, sets.Get(name), sets.PathOf(name));
    }
    sets.Finish();
}

// A pair [low, high] with low <= high, both within [min, max].
VacuumRange ReadRange(const Fields& fields, const json& value, const std::string& path, double min,
                      double max, bool strictly) {
    if (!value.is_array() || value.size() != 2)
        fields.Fail(path, "must be a pair of numbers [low, high]");
    VacuumRange range{fields.RealValue(value[0], Element(path, 0), min, max),
                      fields.RealValue(value[1], Element(path, 1), min, max)};
    if (range.high < range.low || (strictly && range.high == range.low))
        fields.Fail(Element(path, 1), std::string("must be ") + (strictly ? "above" : "at least") +
                                          " the low end (" + Number(range.low) + ")");
    return range;
}

// A list of 1 to 64 pairs [x, velocity] whose x (0 to xMax) rises from pair to pair: a velocity
// table by vacuum, a velocity map by travel.
template <class Pair, double Pair::*kX>
void ReadRisingPairs(Fields& parameters, const char* key, const char* xName, double xMax,
                     std::vector<Pair>& pairs) {
    const json& list = parameters.Array(key);
    std::string path = parameters.PathOf(key);
    if (list.empty() || list.size() > 64)
        parameters.Fail(path, "must hold 1 to 64 pairs, not " + std::to_string(list.size()));
    for (std::size_t i = 0; i < list.size(); ++i) {
        std::string at = Element(path, i);
        if (!list[i].is_array() || list[i].size() != 2)
            parameters.Fail(at, std::string("must be a pair [") + xName + ", velocity]");
        Pair entry{};
        entry.*kX = parameters.RealValue(list[i][0], Element(at, 0), 0, xMax);
        entry.velocity = parameters.RealValue(list[i][1], Element(at, 1), 1, 127);
        if (i > 0 && entry.*kX <= pairs.back().*kX)
            parameters.Fail(Element(at, 0), std::string("must be above the ") + xName +
                                                " before it (" + Number(pairs.back().*kX) + ")");
        pairs.push_back(entry);
    }
}

void ReadVelocityTable(Fields& parameters, std::vector<VacuumVelocity>& table) {
    ReadRisingPairs<VacuumVelocity, &VacuumVelocity::vacuum>(parameters, "velocity_table", "vacuum",
                                                             1000, table);
}

void ReadAmpico(Fields& parameters, ExpressionModel model, AmpicoParameters& ampico) {
    ReadBySet(parameters, "vacuum", ampico.vacuum, false, VacuumRange{},
              [](const Fields& f, const json& v, const std::string& path) {
                  return ReadRange(f, v, path, 0, 1000, false);
              });
    if (model == ExpressionModel::ampicoA) {
        ReadBySet(parameters, "crescendo_rates", ampico.crescendoRates, false, 0.0,
                  [](const Fields& f, const json& v, const std::string& path) {
                      return f.RealValue(v, path, 0.001, 1000);
                  });
        ampico.fastCrescendoRate = parameters.Real("fast_crescendo_rate", 0.001, 1000);
        VacuumRange range = ReadRange(parameters, parameters.Get("crescendo_range"),
                                      parameters.PathOf("crescendo_range"), 0, 1000, true);
        ampico.crescendoLow = range.low;
        ampico.crescendoHigh = range.high;
        ReadBySet(parameters, "amplifier_targets", ampico.amplifierTargets, true, -1.0,
                  [](const Fields& f, const json& v, const std::string& path) {
                      return f.RealValue(v, path, 0, 1);
                  });
        ampico.amplifierThreshold = parameters.Real("amplifier_threshold", 0, 1000);
        ampico.amplifierSpan = parameters.Real("amplifier_span", 0.001, 1000);
        ampico.amplifierRate = parameters.Real("amplifier_rate", 0.001, 1000);
        // An amplifier that follows the vacuum raises it in turn: it settles only while the
        // vacuum it adds over its whole travel stays below the span it answers to.
        for (std::size_t set = 0; set < kIntensitySets; ++set) {
            double span = ampico.vacuum[set].high - ampico.vacuum[set].low;
            if (ampico.amplifierTargets[set] < 0 && span >= ampico.amplifierSpan)
                parameters.Fail(
                    parameters.PathOf("vacuum") + "." + std::string(IntensitySetName(set)),
                    "its range (" + Number(span) + ") must be below amplifier_span (" +
                        Number(ampico.amplifierSpan) +
                        ") where the amplifier follows the vacuum, or it runs away");
        }
    } else {
        ampico.positionRate = parameters.Real("crescendo_rate", 0.001, 1000);
        ampico.fastPositionRate = parameters.Real("fast_crescendo_rate", 0.001, 1000);
        ampico.amplifierPositionRate = parameters.Real("amplifier_rate", 0.001, 1000);
        std::vector<double> tops = Reals(parameters, "stage_tops", 3, 3, 0.001, 1);
        RequireRising(parameters, parameters.PathOf("stage_tops"), tops, true);
        std::copy(tops.begin(), tops.end(), ampico.stageTops.begin());
    }
    ReadVelocityTable(parameters, ampico.velocityTable);
}

void ReadPneumaticHalf(Fields& parameters, std::string_view key, PneumaticHalf& half) {
    Fields f = parameters.Object(key);
    half.alpha = f.Real("alpha", 0.1, 10);
    half.mezzoForte = f.Real("mezzo_forte", 0, 1);
    half.crescendoRate = f.Real("crescendo_rate", 0, 1000);
    half.crescendoTarget = f.Real("crescendo_target", -10, 10);
    half.releaseRate = f.Real("release_rate", 0, 1000);
    half.releaseTarget = f.Real("release_target", -10, 10);
    half.sforzandoRate = f.Real("sforzando_rate", 0, 1000);
    half.sforzandoTarget = f.Real("sforzando_target", -10, 10);
    half.sforzandoAssistRate = f.Real("sforzando_assist_rate", 0, 1000);
    half.tripThreshold = f.Real("trip_threshold", 0, 0.99);
    half.membraneFillMs = f.Real("membrane_fill_ms", 0.001, 600000);
    half.assistFillMs = f.Real("assist_fill_ms", 0.001, 600000);
    half.valveTailMs = f.Real("valve_tail_ms", 0.001, 600000);
    half.inertiaMs = f.Real("inertia_ms", 0.001, 600000);
    half.valveBand = f.Real("valve_band", 0.0001, 1);
    half.throughFlowLoad = f.Real("through_flow_load", 0, 1000);
    half.stopRestitution = f.Real("stop_restitution", 0, 1);
    f.Finish();
}

void ReadPneumatic(Fields& parameters, PneumaticParameters& pneumatic) {
    ReadPneumaticHalf(parameters, "bass", pneumatic.halves[0]);
    ReadPneumaticHalf(parameters, "treble", pneumatic.halves[1]);
    pneumatic.bassOffset = parameters.Whole("bass_offset", -126, 126);
    pneumatic.stepMs = parameters.Real("step_ms", 0.01, 100);
    ReadRisingPairs<TravelVelocity, &TravelVelocity::travel>(parameters, "velocity_map", "travel",
                                                             1, pneumatic.velocityMap);
}

// The tracker bar: every field may be left out (its default).
void ReadTrackerBar(Fields& top, TrackerBar& bar) {
    if (!top.Has("tracker_bar")) return;
    Fields fields = top.Object("tracker_bar");
    if (fields.Has("first_note")) bar.firstNote = fields.Whole("first_note", 0, 30);
    if (fields.Has("note_bridge")) bar.noteBridge = fields.Real("note_bridge", 0, 1);
    if (fields.Has("control_bridge")) bar.controlBridge = fields.Real("control_bridge", 0, 1);
    if (fields.Has("aperture")) bar.aperture = fields.Real("aperture", 0, 1);
    if (fields.Has("accent_lead")) bar.accentLead = fields.Real("accent_lead", 0, 1);
    fields.Finish();
}

// The pedals' travel: both fields may be left out (no delay).
void ReadPedalTravel(Fields& top, PedalTravel& travel) {
    if (!top.Has("pedal_travel")) return;
    Fields fields = top.Object("pedal_travel");
    if (fields.Has("sustain_ms")) travel.sustainMs = fields.Real("sustain_ms", 0, 1000);
    if (fields.Has("soft_ms")) travel.softMs = fields.Real("soft_ms", 0, 1000);
    fields.Finish();
}

}  // namespace

RollProfile ParseProfile(std::string_view text, const std::string& path) {
    json document;
    try {
        DuplicateKeyCheck check(path);
        document = json::parse(text.begin(), text.end(), std::ref(check));
    } catch (const json::exception& e) {
        // A syntax error, or a number too large for a double (1e400): the library's message
        // after its "[json.exception.parse_error.101] " prefix. The text it quotes may hold
        // bytes that are no UTF-8: the message keeps ASCII only.
        std::string message = e.what();
        std::size_t end = message.find("] ");
        if (end != std::string::npos) message.erase(0, end + 2);
        for (char& c : message)
            if (static_cast<unsigned char>(c) >= 0x80) c = '?';
        throw ProfileError(path, "not valid JSON: " + message);
    }

    Fields top(path, document, "");
    RollProfile profile;
    profile.source = path;
    const json& format = top.Get("format");
    if (!format.is_number_integer() || format.get<std::int64_t>() != 1)
        top.Fail("format", "must be 1, the profile format that this version reads");
    profile.name = top.Text("name", 64);
    profile.description = top.Text("description", 200);
    std::string model = top.Text("model", 16);
    if (!ModelOfName(model, profile.model))
        top.Fail(
            "model",
            "'" + model +
                "' is not a model (88-note, welte, welte-pneumatic, duo-art, ampico-a, ampico-b)");
    ReadNotes(top, profile);
    ReadHoles(top, profile);

    Fields parameters = top.Object("parameters");
    switch (profile.model) {
        case ExpressionModel::plain:
            ReadPlain(parameters, profile.parameters.emplace<PlainParameters>());
            break;
        case ExpressionModel::welte:
            ReadWelte(parameters, profile.parameters.emplace<WelteParameters>());
            break;
        case ExpressionModel::duoArt:
            ReadDuoArt(parameters, profile, profile.parameters.emplace<DuoArtParameters>());
            break;
        case ExpressionModel::ampicoA:
        case ExpressionModel::ampicoB:
            ReadAmpico(parameters, profile.model, profile.parameters.emplace<AmpicoParameters>());
            break;
        case ExpressionModel::weltePneumatic:
            ReadPneumatic(parameters, profile.parameters.emplace<PneumaticParameters>());
            break;
    }
    parameters.Finish();

    Fields spool = top.Object("spool");
    profile.spoolAcceleration = spool.Real("acceleration", 0, 10);
    spool.Finish();
    ReadTrackerBar(top, profile.trackerBar);
    ReadPedalTravel(top, profile.pedalTravel);
    top.Finish();
    return profile;
}

RollProfile ReadProfileFile(const std::string& path) {
    std::vector<unsigned char> bytes = ReadFileStart(CString(path), kMaxProfileBytes + 1);
    if (bytes.size() > kMaxProfileBytes)
        throw ProfileError(path, "is larger than a profile can be (" +
                                     std::to_string(kMaxProfileBytes / 1024) + " KB)");
    return ParseProfile(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                        path);
}

}  // namespace rollscribe
