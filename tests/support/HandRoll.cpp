#include "support/HandRoll.h"

#include <algorithm>

namespace testing_support {

HandRoll::HandRoll(const char* rollType, std::int32_t tempo)
    : m_doc(std::make_unique<CRollscribeDoc>()) {
    m_doc->m_strRollType = rollType;
    m_doc->m_tempo = tempo;
    m_doc->m_strTempo = CString(std::to_string(tempo));
    m_doc->m_strTitle = "Hand-made roll";
    m_doc->m_strRollNumber = "H-1";
}

HandRoll& HandRoll::Hole(std::int32_t note, std::int32_t start, std::int32_t end) {
    m_sorted.push_back({1, note, start, {}});
    m_sorted.push_back({0, note, end, {}});
    return *this;
}

HandRoll& HandRoll::Open(std::int32_t note, std::int32_t start) {
    m_sorted.push_back({1, note, start, {}});
    return *this;
}

HandRoll& HandRoll::Marker(std::int32_t code, std::int32_t time, std::string text) {
    m_sorted.push_back({code, 0, time, std::move(text)});
    return *this;
}

HandRoll& HandRoll::Raw(std::int32_t kind, std::int32_t note, std::int32_t time, std::string text) {
    m_raw.push_back({kind, note, time, std::move(text)});
    return *this;
}

CRollscribeDoc& HandRoll::Doc() {
    std::stable_sort(m_sorted.begin(), m_sorted.end(),
                     [](const Pending& a, const Pending& b) { return a.time < b.time; });
    for (auto* list : {&m_sorted, &m_raw}) {
        for (const Pending& e : *list)
            m_doc->m_events.Add(RollEvent{e.kind, e.note, e.time, CString(e.text)});
        list->clear();
    }
    return *m_doc;
}

}  // namespace testing_support
