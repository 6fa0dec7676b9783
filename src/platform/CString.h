#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// An 8-bit text with value semantics. It holds any byte values, 0 included, and takes them as
// they are (no code-page conversion). The object is one pointer: the empty text owns no storage,
// so an empty text costs no allocation. Positions and lengths are byte counts.
class CString {
  public:
    static constexpr std::ptrdiff_t npos = -1;

    CString() noexcept = default;
    CString(const char* psz);  // NOLINT: implicit, like the framework's text
    CString(const char* p, std::size_t n);
    explicit CString(std::string_view sv) : CString(sv.data(), sv.size()) {}
    CString(const CString& other);
    CString(CString&& other) noexcept : m_pData(other.m_pData) { other.m_pData = nullptr; }
    // Inline, so that destroying an empty text (most roll events' text) costs no call.
    ~CString() {
        if (m_pData) Free();
    }

    CString& operator=(const CString& other);
    CString& operator=(CString&& other) noexcept;
    CString& operator=(const char* psz);

    std::size_t GetLength() const noexcept;
    bool IsEmpty() const noexcept { return GetLength() == 0; }
    // The bytes, followed by a 0 byte that is not part of the text.
    const char* GetString() const noexcept;
    std::string_view View() const noexcept { return {GetString(), GetLength()}; }
    std::string ToStdString() const { return std::string(View()); }
    char GetAt(std::size_t i) const noexcept { return GetString()[i]; }

    void Empty() noexcept;
    void Reserve(std::size_t capacity);
    void Append(const char* p, std::size_t n);
    CString& operator+=(char ch);
    CString& operator+=(const CString& s) { return *this += s.View(); }
    CString& operator+=(const char* psz);
    CString& operator+=(std::string_view sv);

    // Index of the first occurrence at or after start, or npos.
    std::ptrdiff_t Find(char ch, std::size_t start = 0) const noexcept;
    std::ptrdiff_t Find(std::string_view sub, std::size_t start = 0) const noexcept;
    CString Left(std::size_t n) const;
    CString Mid(std::size_t first) const;
    CString Mid(std::size_t first, std::size_t count) const;
    CString Right(std::size_t n) const;
    // Lowercases A to Z; every other byte stays.
    void MakeLower() noexcept;
    // Remove leading or trailing blanks: space, tab, vertical tab and form feed.
    void TrimLeft();
    void TrimRight() noexcept;
    // Removes every occurrence of ch; returns how many were removed.
    std::size_t Remove(char ch) noexcept;
    // Removes count bytes from index on (fewer at the end of the text); returns the new length.
    std::size_t Delete(std::size_t index, std::size_t count = 1);

    friend bool operator==(const CString& a, const CString& b) noexcept {
        return a.View() == b.View();
    }
    friend bool operator==(const CString& a, const char* b) noexcept { return a.View() == b; }

  private:
    struct Header {
        std::size_t length;
        std::size_t capacity;
    };
    char* Chars() const noexcept { return reinterpret_cast<char*>(m_pData + 1); }
    void Assign(const char* p, std::size_t n);
    void Grow(std::size_t minCapacity);
    void Free() noexcept;

    Header* m_pData = nullptr;
};

CString operator+(const CString& a, const CString& b);
CString operator+(const CString& a, const char* b);
CString operator+(const char* a, const CString& b);
CString operator+(const CString& a, char b);
