#include "roll/AnnotationMap.h"

CString& AnnotationMap::operator[](const CString& key) {
    auto found = m_index.find(key.View());
    if (found != m_index.end()) return m_entries[found->second].second;
    m_entries.emplace_back(key, CString());
    m_index.emplace(m_entries.back().first.View(), m_entries.size() - 1);
    return m_entries.back().second;
}

bool AnnotationMap::Lookup(std::string_view key, CString& value) const {
    auto found = m_index.find(key);
    if (found == m_index.end()) return false;
    value = m_entries[found->second].second;
    return true;
}

void AnnotationMap::RemoveAll() noexcept {
    m_index.clear();
    m_entries.clear();
}

void AnnotationMap::GetNextAssoc(POSITION& pos, CString& key, CString& value) const {
    const auto& entry = m_entries[pos - 1];
    key = entry.first;
    value = entry.second;
    pos = pos < m_entries.size() ? pos + 1 : 0;
}
