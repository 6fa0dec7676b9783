#include "cli/JsonRecord.h"

#include <cstdio>
#include <nlohmann/json.hpp>

#include "platform/TextDecoding.h"
#include "roll/CRollscribeDoc.h"
#include "roll/MidiSummary.h"

namespace rollscribe {

namespace {

// The JSON of a run of valid UTF-8, without its quotes.
void AppendValidRun(std::string& out, std::string_view run) {
    if (run.empty()) return;
    std::string quoted = nlohmann::json(std::string(run)).dump(-1, ' ', false);
    out.append(quoted, 1, quoted.size() - 2);
}

std::string JsonText(const CString& text) {
    return JsonString(text.View());
}

}  // namespace

std::string JsonString(std::string_view bytes) {
    std::string out = "\"";
    std::size_t runStart = 0;
    for (std::size_t i = 0; i < bytes.size();) {
        std::size_t length = Utf8SequenceLength(bytes.substr(i));
        if (length) {
            i += length;
            continue;
        }
        AppendValidRun(out, bytes.substr(runStart, i - runStart));
        char escape[8];
        std::snprintf(escape, sizeof escape, "\\udc%02x", static_cast<unsigned char>(bytes[i]));
        out += escape;
        runStart = ++i;
    }
    AppendValidRun(out, bytes.substr(runStart));
    out += '"';
    return out;
}

std::string JsonLineOf(const RollRecord& record, const CRollscribeDoc& doc,
                       const MidiSummary& summary) {
    std::string line = "{\"input\":" + JsonString(record.input);
    line += ",\"midi\":" + (record.midi ? JsonString(*record.midi) : "null");
    if (record.pictureAsked)
        line += ",\"picture\":" + (record.picture ? JsonString(*record.picture) : "null");
    if (record.audioAsked)
        line += ",\"audio\":" + (record.audio ? JsonString(*record.audio) : "null");
    if (record.expressionAsked) {
        line += ",\"expression\":" + (record.expression ? JsonString(*record.expression) : "null");
        line += ",\"profile\":" + (record.profile ? JsonString(*record.profile) : "null");
    }
    line += ",\"status\":" + JsonString(record.status);
    line += ",\"reason\":" + (record.reason ? JsonString(*record.reason) : "null");
    line += ",\"warnings\":[";
    for (std::size_t i = 0; i < record.warnings.size(); ++i)
        line += (i ? "," : "") + JsonString(record.warnings[i]);
    line += "]";
    line += ",\"title\":" + JsonText(doc.m_strTitle);
    line += ",\"composer\":" + JsonText(doc.m_strComposer);
    line += ",\"performer\":" + JsonText(doc.m_strPerformer);
    line += ",\"roll_number\":" + JsonText(doc.m_strRollNumber);
    line += ",\"roll_type\":" + JsonText(doc.m_strRollType);
    line += ",\"manufacturer\":" + JsonText(doc.m_strManufacturer);
    line += ",\"tempo\":" + JsonText(doc.m_strTempo);
    line += ",\"steps_per_inch\":" + nlohmann::json(doc.m_stepsPerInch).dump();
    line += ",\"annotations\":[";
    bool first = true;
    for (const auto& [key, value] : doc.m_annotations) {
        line += first ? "[" : ",[";
        line += JsonText(key) + "," + JsonText(value) + "]";
        first = false;
    }
    line += "],\"events\":" + nlohmann::json(summary.events).dump();
    line += ",\"notes\":" + nlohmann::json(summary.notes).dump();
    line += ",\"seconds\":" + nlohmann::json(summary.Seconds()).dump();
    line += "}";
    return line;
}

}  // namespace rollscribe
