#include "platform/CString.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

}  // namespace

CString::CString(const char* psz) {
    if (psz) Assign(psz, std::strlen(psz));
}

CString::CString(const char* p, std::size_t n) {
    Assign(p, n);
}

CString::CString(const CString& other) {
    Assign(other.GetString(), other.GetLength());
}

void CString::Free() noexcept {
    std::free(m_pData);
}

CString& CString::operator=(const CString& other) {
    if (this != &other) Assign(other.GetString(), other.GetLength());
    return *this;
}

CString& CString::operator=(CString&& other) noexcept {
    if (this != &other) {
        std::free(m_pData);
        m_pData = other.m_pData;
        other.m_pData = nullptr;
    }
    return *this;
}

CString& CString::operator=(const char* psz) {
    CString copy(psz);
    return *this = std::move(copy);
}

std::size_t CString::GetLength() const noexcept {
    return m_pData ? m_pData->length : 0;
}

const char* CString::GetString() const noexcept {
    return m_pData ? Chars() : "";
}

void CString::Empty() noexcept {
    std::free(m_pData);
    m_pData = nullptr;
}

void CString::Grow(std::size_t minCapacity) {
    std::size_t capacity = m_pData ? m_pData->capacity : 0;
    if (minCapacity <= capacity) return;
    std::size_t wanted = std::max(minCapacity, capacity + capacity / 2);
    if (wanted < 15) wanted = 15;
    if (wanted > static_cast<std::size_t>(-1) - sizeof(Header) - 1) throw std::bad_alloc();
    void* block = std::realloc(m_pData, sizeof(Header) + wanted + 1);
    if (!block) throw std::bad_alloc();
    bool fresh = m_pData == nullptr;
    m_pData = static_cast<Header*>(block);
    if (fresh) {
        m_pData->length = 0;
        Chars()[0] = '\0';
    }
    m_pData->capacity = wanted;
}

void CString::Reserve(std::size_t capacity) {
    Grow(capacity);
}

void CString::Assign(const char* p, std::size_t n) {
    if (n == 0) {
        Empty();
        return;
    }
    if (m_pData && m_pData->capacity >= n) {
        std::memmove(Chars(), p, n);
    } else {
        Header* block = static_cast<Header*>(std::malloc(sizeof(Header) + n + 1));
        if (!block) throw std::bad_alloc();
        block->capacity = n;
        std::memcpy(reinterpret_cast<char*>(block + 1), p, n);
        std::free(m_pData);
        m_pData = block;
    }
    m_pData->length = n;
    Chars()[n] = '\0';
}

void CString::Append(const char* p, std::size_t n) {
    if (n == 0) return;
    std::size_t length = GetLength();
    if (n > static_cast<std::size_t>(-1) / 2 - length) throw std::bad_alloc();
    if (m_pData && p >= Chars() && p < Chars() + length) {
        // Appending a part of this very text: copy it first, growing may move it.
        CString copy(p, n);
        Append(copy.GetString(), n);
        return;
    }
    Grow(length + n);
    std::memcpy(Chars() + length, p, n);
    m_pData->length = length + n;
    Chars()[length + n] = '\0';
}

CString& CString::operator+=(char ch) {
    std::size_t length = GetLength();
    if (!m_pData || length == m_pData->capacity) Grow(length + 1);
    Chars()[length] = ch;
    Chars()[length + 1] = '\0';
    m_pData->length = length + 1;
    return *this;
}

CString& CString::operator+=(const char* psz) {
    if (psz) Append(psz, std::strlen(psz));
    return *this;
}

CString& CString::operator+=(std::string_view sv) {
    Append(sv.data(), sv.size());
    return *this;
}

std::ptrdiff_t CString::Find(char ch, std::size_t start) const noexcept {
    std::size_t length = GetLength();
    if (start >= length) return npos;
    const void* hit =
        std::memchr(GetString() + start, static_cast<unsigned char>(ch), length - start);
    return hit ? static_cast<const char*>(hit) - GetString() : npos;
}

std::ptrdiff_t CString::Find(std::string_view sub, std::size_t start) const noexcept {
    std::size_t at = View().find(sub, start);
    return at == std::string_view::npos ? npos : static_cast<std::ptrdiff_t>(at);
}

CString CString::Left(std::size_t n) const {
    return CString(GetString(), std::min(n, GetLength()));
}

CString CString::Mid(std::size_t first) const {
    std::size_t length = GetLength();
    if (first >= length) return CString();
    return CString(GetString() + first, length - first);
}

CString CString::Mid(std::size_t first, std::size_t count) const {
    std::size_t length = GetLength();
    if (first >= length) return CString();
    return CString(GetString() + first, std::min(count, length - first));
}

CString CString::Right(std::size_t n) const {
    std::size_t length = GetLength();
    n = std::min(n, length);
    return CString(GetString() + (length - n), n);
}

void CString::MakeLower() noexcept {
    std::size_t length = GetLength();
    for (std::size_t i = 0; i < length; ++i) {
        char& c = Chars()[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
}

void CString::TrimLeft() {
    std::size_t length = GetLength();
    std::size_t skip = 0;
    while (skip < length && IsBlank(GetString()[skip])) ++skip;
    if (skip) Delete(0, skip);
}

void CString::TrimRight() noexcept {
    std::size_t length = GetLength();
    std::size_t keep = length;
    while (keep > 0 && IsBlank(GetString()[keep - 1])) --keep;
    if (keep == length) return;
    if (keep == 0) {
        Empty();
        return;
    }
    m_pData->length = keep;
    Chars()[keep] = '\0';
}

std::size_t CString::Remove(char ch) noexcept {
    std::size_t length = GetLength();
    if (length == 0) return 0;
    char* chars = Chars();
    char* out = std::remove(chars, chars + length, ch);
    std::size_t kept = static_cast<std::size_t>(out - chars);
    if (kept == 0) {
        Empty();
    } else {
        m_pData->length = kept;
        chars[kept] = '\0';
    }
    return length - kept;
}

std::size_t CString::Delete(std::size_t index, std::size_t count) {
    std::size_t length = GetLength();
    if (index >= length || count == 0) return length;
    count = std::min(count, length - index);
    std::size_t kept = length - count;
    if (kept == 0) {
        Empty();
        return 0;
    }
    std::memmove(Chars() + index, Chars() + index + count, length - index - count);
    m_pData->length = kept;
    Chars()[kept] = '\0';
    return kept;
}

CString operator+(const CString& a, const CString& b) {
    CString result;
    result.Reserve(a.GetLength() + b.GetLength());
    result += a;
    result += b;
    return result;
}

CString operator+(const CString& a, const char* b) {
    CString result(a);
    result += b;
    return result;
}

CString operator+(const char* a, const CString& b) {
    CString result(a);
    result += b;
    return result;
}

CString operator+(const CString& a, char b) {
    CString result(a);
    result += b;
    return result;
}
