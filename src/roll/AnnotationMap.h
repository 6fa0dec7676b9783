#pragma once

#include <cstddef>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/CString.h"

// The annotation file's entries: key to value, keys unique and compared byte for byte.
// Entries are yielded in the order in which each key first appeared; giving a key a new value
// keeps its place.
class AnnotationMap {
  public:
    // An iteration position: 0 is past the end.
    using POSITION = std::size_t;

    AnnotationMap() = default;
    AnnotationMap(const AnnotationMap&) = delete;
    AnnotationMap& operator=(const AnnotationMap&) = delete;

    // The value of key, created empty when the key is absent.
    CString& operator[](const CString& key);
    // Copies the value of key into value and returns true; returns false and leaves value
    // untouched when the key is absent.
    bool Lookup(std::string_view key, CString& value) const;
    void RemoveAll() noexcept;
    std::size_t GetCount() const noexcept { return m_entries.size(); }

    POSITION GetStartPosition() const noexcept { return m_entries.empty() ? 0 : 1; }
    // Gives the entry at pos and moves pos on to the next one (0 after the last).
    void GetNextAssoc(POSITION& pos, CString& key, CString& value) const;
    // The entries as (key, value) pairs in the same order, without copying them.
    auto begin() const noexcept { return m_entries.cbegin(); }
    auto end() const noexcept { return m_entries.cend(); }

  private:
    std::vector<std::pair<CString, CString>> m_entries;
    // Views of the keys' own storage, which stays put when the entries move.
    std::unordered_map<std::string_view, std::size_t> m_index;
};
