#include "support/InputChecks.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <limits>
#include <new>
#include <vector>

#include "platform/CArchive.h"
#include "platform/CException.h"
#include "platform/CFile.h"
#include "roll/CRollscribeDoc.h"
#include "roll/RollLoader.h"
#include "roll/RollReport.h"
#include "support/MidiInvariants.h"

namespace fs = std::filesystem;

using namespace rollscribe;

namespace testing_support {

namespace {

// ---- Plain models of the stages, written for clarity rather than speed ----

using Entries = std::vector<std::pair<std::string, std::string>>;

std::string Trimmed(std::string text) {
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; };
    while (!text.empty() && blank(text.back())) text.pop_back();
    std::size_t skip = 0;
    while (skip < text.size() && blank(text[skip])) ++skip;
    return text.substr(skip);
}

// The annotation file's entries, in the order in which each key first appears.
Entries ModelEntries(std::string text) {
    text.erase(std::remove(text.begin(), text.end(), '\n'), text.end());
    Entries entries;
    while (text.size() > 1) {
        std::size_t t = std::min(text.find('\r'), text.size());
        std::string line = text.substr(0, t);
        text.erase(0, t + 1);
        if (t <= 1) continue;
        std::size_t colon = line.find(':');
        std::string key = colon == std::string::npos ? "" : Trimmed(line.substr(0, colon));
        std::string value = Trimmed(colon == std::string::npos ? line : line.substr(colon + 1));
        auto found = std::find_if(entries.begin(), entries.end(),
                                  [&](const auto& entry) { return entry.first == key; });
        if (found != entries.end())
            found->second = value;
        else
            entries.emplace_back(key, value);
    }
    return entries;
}

const std::string* Find(const Entries& entries, const std::string& key) {
    for (const auto& entry : entries)
        if (entry.first == key) return &entry.second;
    return nullptr;
}

// atoi, saturating at the bounds of 32 bits.
std::int32_t ModelAtoi(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
    int sign = 1;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) sign = text[i++] == '-' ? -1 : 1;
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = std::min(value * 10 + (text[i] - '0'), 1LL << 40);
    value *= sign;
    return static_cast<std::int32_t>(std::clamp<long long>(
        value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

struct ModelEvent {
    std::int32_t kind, note, time;
    std::string text;
};

struct ModelRoll {
    std::int32_t tempo = 0;
    std::int32_t stepsPerInch = 0;
    std::vector<ModelEvent> events;
    std::string info;       // what the parser appends to the information text
    std::string copyright;  // empty when no record set it
    bool copyrightSet = false;
};

// A position as an event time: truncated, saturated at the largest 32-bit value.
std::int32_t ModelTime(double position) {
    return position >= 2147483648.0 ? std::numeric_limits<std::int32_t>::max()
                                    : static_cast<std::int32_t>(position);
}

ModelRoll ModelParse(std::int32_t tempo, std::int32_t sampleRate, std::string_view file) {
    ModelRoll roll;
    roll.tempo = tempo < 10 || tempo > 500 ? 100 : tempo;
    double quotient = sampleRate * 50.0 / roll.tempo;
    std::int32_t steps = quotient >= 2147483648.0 ? std::numeric_limits<std::int32_t>::max()
                         : quotient < 1.0         ? 0
                                                  : static_cast<std::int32_t>(quotient);
    roll.stepsPerInch = steps < 1 ? 100 : steps;

    bool on[256] = {};
    double position = 0, delta = 0;
    std::uint64_t deltaBytes = 0;
    bool awaitingCode = false;
    for (std::size_t i = 3; i < file.size(); ++i) {
        auto b = static_cast<std::uint8_t>(file[i]);
        if (!awaitingCode) {
            ++deltaBytes;
            double weight =
                deltaBytes <= 5 ? std::ldexp(1.0, 7 * static_cast<int>(deltaBytes - 1)) : 0.0;
            if (b & 0x80) {
                delta += (b & 0x7F) * weight;
            } else {
                delta = ((b & 0x7F) * weight + delta) * 1000.0 / roll.stepsPerInch;
                awaitingCode = true;
            }
            continue;
        }
        position += delta;
        if (b < 240) {
            on[b] = !on[b];
            roll.events.push_back({on[b] ? 1 : 0, b + 15, ModelTime(position), ""});
        } else {
            std::string text;
            if (b <= 244) {
                while (i + 1 < file.size() && file[i + 1] != 0) text += file[++i];
                if (i + 1 < file.size()) ++i;  // the 0 byte that ends the text
                roll.info += "\n" + text;
                if (b == 240) {
                    roll.copyright = text;
                    roll.copyrightSet = true;
                }
            }
            roll.events.push_back({b, 0, ModelTime(position), text});
        }
        delta = 0;
        deltaBytes = 0;
        awaitingCode = false;
    }
    return roll;
}

// ---- Helpers ----

std::string Hex(std::string_view bytes, std::size_t limit = 48) {
    std::string out;
    char digits[4];
    for (std::size_t i = 0; i < bytes.size() && i < limit; ++i) {
        std::snprintf(digits, sizeof digits, i ? " %02X" : "%02X",
                      static_cast<std::uint8_t>(bytes[i]));
        out += digits;
    }
    if (bytes.size() > limit) out += " ...";
    return out;
}

bool Put(const fs::path& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

std::string Get(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::int32_t LittleEndian32(std::string_view bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i)
        if (at + i < bytes.size())
            value |= std::uint32_t{static_cast<std::uint8_t>(bytes[at + i])} << (8 * i);
    return static_cast<std::int32_t>(value);
}

std::string UpToZero(std::string_view text) {
    return std::string(text.substr(0, text.find('\0')));
}

std::string CompareEntries(const CRollscribeDoc& doc, const Entries& expected) {
    if (doc.m_annotations.GetCount() != expected.size())
        return "the map holds " + std::to_string(doc.m_annotations.GetCount()) + " entries, not " +
               std::to_string(expected.size());
    CString key, value;
    std::size_t i = 0;
    for (auto pos = doc.m_annotations.GetStartPosition(); pos; ++i) {
        doc.m_annotations.GetNextAssoc(pos, key, value);
        if (key.View() != expected[i].first || value.View() != expected[i].second)
            return "entry " + std::to_string(i) + " is [" + Hex(key.View()) + "]:[" +
                   Hex(value.View()) + "], not [" + Hex(expected[i].first) + "]:[" +
                   Hex(expected[i].second) + "]";
    }
    return {};
}

std::string CompareEvents(const CRollscribeDoc& doc, const std::vector<ModelEvent>& expected) {
    if (doc.m_events.GetSize() < 0 ||
        static_cast<std::size_t>(doc.m_events.GetSize()) != expected.size())
        return std::to_string(doc.m_events.GetSize()) + " events, not " +
               std::to_string(expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const RollEvent& got = doc.m_events[static_cast<std::int32_t>(i)];
        const ModelEvent& want = expected[i];
        if (got.kind != want.kind || got.note != want.note || got.time != want.time ||
            got.text.View() != want.text)
            return "event " + std::to_string(i) + " is (" + std::to_string(got.kind) + ", " +
                   std::to_string(got.note) + ", " + std::to_string(got.time) + ", [" +
                   Hex(got.text.View()) + "]), not (" + std::to_string(want.kind) + ", " +
                   std::to_string(want.note) + ", " + std::to_string(want.time) + ", [" +
                   Hex(want.text) + "])";
        if (i > 0 && got.time < doc.m_events[static_cast<std::int32_t>(i - 1)].time)
            return "event " + std::to_string(i) + " goes back in time";
    }
    return {};
}

// Runs a check, turning anything it throws into a finding.
template <typename F>
std::string Guarded(F&& check) {
    try {
        return check();
    } catch (const std::bad_alloc&) {
        return "out of memory";
    } catch (const std::exception& e) {
        return std::string("unexpected exception: ") + e.what();
    } catch (...) {
        return "unexpected exception of an unknown type";
    }
}

// What the MIDI track must hold for a converted document, event by event.
struct ExpectedEvent {
    std::uint64_t tick;
    std::string bytes;  // status, then the meta type, or the data bytes
    std::string data;   // meta payload
};

std::vector<ExpectedEvent> ModelTrack(const CRollscribeDoc& doc) {
    std::vector<ExpectedEvent> track;
    auto meta = [&](std::uint64_t tick, char type, std::string_view text) {
        track.push_back({tick, std::string("\xFF") + type, UpToZero(text)});
    };
    track.push_back({0, "\xFF\x58", std::string("\x04\x02\x18\x08", 4)});
    track.push_back({0, "\xFF\x59", std::string("\x00\x00", 2)});
    std::uint32_t tempo = static_cast<std::uint32_t>(60000000 / doc.m_tempo);
    track.push_back({0,
                     "\xFF\x51",
                     {static_cast<char>(tempo >> 16), static_cast<char>(tempo >> 8),
                      static_cast<char>(tempo)}});
    meta(0, 0x03, doc.m_strTitle.View());
    meta(0, 0x02, doc.m_strCopyright.View());
    meta(0, 0x04,
         (doc.m_strRollType + " Roll " + doc.m_strRollNumber + " - Tempo =" + doc.m_strTempo)
             .View());
    meta(0, 0x01, "/File_Type: Vellum Trackerbar Image from BAR/ANN source");
    CString key, value;
    for (auto pos = doc.m_annotations.GetStartPosition(); pos;) {
        doc.m_annotations.GetNextAssoc(pos, key, value);
        meta(0, 0x01, (key + ": " + value).View());
    }

    std::string type = doc.m_strRollType.ToStdString();
    for (char& c : type) c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    int lowest = 21, highest = 108;
    if (type.find("duoart") != std::string::npos || type.find("duo-art") != std::string::npos)
        lowest = 25, highest = 104;
    if (type.find("ampico") != std::string::npos) lowest = 23, highest = 105;
    if (type.find("welte") != std::string::npos) lowest = 24, highest = 103;

    std::uint64_t last = 0;
    for (const RollEvent& event : doc.m_events) {
        if (event.note > 127) continue;
        std::uint64_t tick = std::uint64_t{static_cast<std::uint32_t>(event.time)} * 480 / 1200;
        for (; tick - last > 0x0FFFFFFF; last += 0x0FFFFFFF) meta(last + 0x0FFFFFFF, 0x01, "");
        char note = static_cast<char>(event.note);
        if (event.kind == 1) {
            char velocity = event.note >= lowest && event.note <= highest ? 80 : 1;
            track.push_back({tick, {'\x90', note, velocity}, ""});
        } else if (event.kind == 242) {
            meta(tick, 0x05, event.text.View());
        } else {
            track.push_back({tick, {'\x90', note, '\0'}, ""});
        }
        last = tick;
    }
    meta(last, 0x2F, "");
    return track;
}

std::string CompareTrack(std::string_view file, const CRollscribeDoc& doc) {
    std::vector<ExpectedEvent> expected = ModelTrack(doc);
    std::size_t i = 0;
    std::string problem;
    std::string invariant = CheckMidiFile(file, [&](const MidiEvent& event) {
        if (!problem.empty()) return;
        if (i >= expected.size()) {
            problem = "more events than expected";
            return;
        }
        const ExpectedEvent& want = expected[i];
        std::string got(1, static_cast<char>(event.status));
        std::string gotData(event.data);
        if (event.status == 0xFF) {
            got += static_cast<char>(event.metaType);
        } else {
            got += gotData;
            gotData.clear();
        }
        if (event.tick != want.tick || got != want.bytes || gotData != want.data)
            problem = "track event " + std::to_string(i) + " is [" + Hex(got) + "] [" +
                      Hex(gotData) + "] at tick " + std::to_string(event.tick) + ", not [" +
                      Hex(want.bytes) + "] [" + Hex(want.data) + "] at tick " +
                      std::to_string(want.tick);
        ++i;
    });
    if (!invariant.empty()) return "the MIDI file is malformed: " + invariant;
    if (!problem.empty()) return problem;
    if (i != expected.size())
        return "the track has " + std::to_string(i) + " events, not " +
               std::to_string(expected.size());
    return {};
}

}  // namespace

std::string CheckAnnotationInput(std::string_view bytes, const fs::path& scratch) {
    return Guarded([&]() -> std::string {
        fs::path path = scratch / "roll.ann";
        if (!Put(path, bytes)) return "cannot write the scratch file " + path.string();
        CRollscribeDoc doc;
        doc.m_strDirectory = CString(scratch.string() + "/");
        doc.m_strFileTitle = "roll";
        doc.ReadAnnotationFile();

        Entries entries = ModelEntries(std::string(bytes));
        if (auto problem = CompareEntries(doc, entries); !problem.empty()) return problem;
        if (doc.m_strInfo.View() !=
            std::string(CRollscribeDoc::kSelectFile) +
                "\n ** Reading ANN file : " + doc.m_strDirectory.ToStdString() + "roll.ann\n")
            return "the information text is [" + doc.m_strInfo.ToStdString() + "]";
        auto valueOr = [&](const char* key, const char* otherwise) {
            const std::string* value = Find(entries, key);
            return value ? *value : std::string(otherwise);
        };
        std::string tempo = valueOr("/roll_tempo", "100");
        const struct {
            const char* name;
            std::string got, want;
        } fields[] = {
            {"tempo text", doc.m_strTempo.ToStdString(), tempo},
            {"title", doc.m_strTitle.ToStdString(), valueOr("/title", "Roll Title Info")},
            {"composer", doc.m_strComposer.ToStdString(), valueOr("/composer", "Composer Info")},
            {"performer", doc.m_strPerformer.ToStdString(), valueOr("/pianist", "Performer Info")},
            {"roll number", doc.m_strRollNumber.ToStdString(),
             valueOr("/roll_number", "Roll Number Info")},
            {"roll type", doc.m_strRollType.ToStdString(), valueOr("/roll_type", "Generic")},
            {"manufacturer", doc.m_strManufacturer.ToStdString(), valueOr("/roll_type", "Generic")},
            {"tempo", std::to_string(doc.m_tempo), std::to_string(ModelAtoi(tempo))},
            {"sample rate", std::to_string(doc.m_sampleRate),
             std::to_string(ModelAtoi(valueOr("/sample_rate", "800")))},
        };
        for (const auto& field : fields)
            if (field.got != field.want)
                return std::string("the ") + field.name + " is [" + Hex(field.got) + "], not [" +
                       Hex(field.want) + "]";
        return {};
    });
}

std::string CheckRollInput(std::string_view bytes, const fs::path& scratch) {
    return Guarded([&]() -> std::string {
        std::int32_t tempo = LittleEndian32(bytes, 0);
        std::int32_t sampleRate = LittleEndian32(bytes, 4);
        std::string_view roll = bytes.size() > 8 ? bytes.substr(8) : std::string_view();
        fs::path path = scratch / "roll.bar";
        if (!Put(path, roll)) return "cannot write the scratch file " + path.string();

        CRollscribeDoc doc;
        doc.m_tempo = tempo;
        doc.m_sampleRate = sampleRate;
        CFile file;
        file.OpenOrThrow(CString(path.string()));
        CArchive archive(&file, CArchive::load);
        try {
            doc.ParseBarFile(archive);
            if (roll.size() < 3) return "a roll shorter than its header was parsed";
        } catch (const CArchiveException& e) {
            if (roll.size() >= 3)
                return std::string("a roll with a whole header ended early: ") + e.what();
            return {};
        }

        ModelRoll model = ModelParse(tempo, sampleRate, roll);
        if (doc.m_tempo != model.tempo)
            return "the tempo is " + std::to_string(doc.m_tempo) + ", not " +
                   std::to_string(model.tempo);
        if (doc.m_stepsPerInch != model.stepsPerInch)
            return "steps per inch are " + std::to_string(doc.m_stepsPerInch) + ", not " +
                   std::to_string(model.stepsPerInch);
        if (auto problem = CompareEvents(doc, model.events); !problem.empty()) return problem;
        if (doc.m_strInfo.View() != CRollscribeDoc::kSelectFile + model.info)
            return "the information text is [" + Hex(doc.m_strInfo.View()) + "]";
        std::string copyright = model.copyrightSet ? model.copyright : "Roll Copyright Info";
        if (doc.m_strCopyright.View() != copyright)
            return "the copyright is [" + Hex(doc.m_strCopyright.View()) + "]";
        return {};
    });
}

std::string CheckConversionInput(std::string_view bytes, const fs::path& scratch) {
    return Guarded([&]() -> std::string {
        std::size_t annLength = bytes.size() >= 2 ? static_cast<std::uint8_t>(bytes[0]) |
                                                        static_cast<std::uint8_t>(bytes[1]) << 8
                                                  : 0;
        std::string_view rest = bytes.size() >= 2 ? bytes.substr(2) : std::string_view();
        const bool withAnn = annLength != 0xFFFF;  // FF FF: the roll has no annotation file
        std::string_view ann = rest.substr(0, withAnn ? std::min(annLength, rest.size()) : 0);
        std::string_view roll = rest.substr(ann.size());
        const fs::path rollPath = scratch / "roll.bar", annPath = scratch / "roll.ann",
                       midiPath = scratch / "roll_BAR_e.mid";
        const std::string earlier = "the MIDI file of an earlier conversion";
        std::error_code ec;
        fs::remove(annPath, ec);
        if (!Put(rollPath, roll) || (withAnn && !Put(annPath, ann)) || !Put(midiPath, earlier))
            return "cannot write the scratch files in " + scratch.string();

        CRollscribeDoc doc;
        try {
            if (LoadRollFile(doc, CString(rollPath.string())) != LoadOutcome::converted)
                return "the roll was not converted";
            if (roll.size() < 3) return "a roll shorter than its header was converted";
        } catch (const CArchiveException& e) {
            if (roll.size() >= 3)
                return std::string("a roll with a whole header ended early: ") + e.what();
            if (Get(midiPath) != earlier)
                return "a failed conversion changed the earlier MIDI file";
        }
        if (Get(rollPath) != roll || (withAnn && Get(annPath) != ann))
            return "an input file changed";
        std::size_t files =
            static_cast<std::size_t>(std::distance(fs::directory_iterator(scratch), {}));
        if (files != (withAnn ? 3u : 2u))
            return "the scratch folder holds " + std::to_string(files) + " files";
        if (roll.size() < 3) return {};

        std::string report = BuildRollReport(doc).ToStdString();
        if (report.find(doc.m_strInfo.ToStdString()) == std::string::npos)
            return "the report lacks the information text";
        for (std::int32_t i = 1; i < doc.m_events.GetSize(); ++i)
            if (doc.m_events[i].time < doc.m_events[i - 1].time)
                return "the roll's events go back in time";
        return CompareTrack(Get(midiPath), doc);
    });
}

}  // namespace testing_support
