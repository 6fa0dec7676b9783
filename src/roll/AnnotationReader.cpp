// The annotation reader: the companion ".ann" file's "key: value" lines into the annotation map,
// then the known keys into the document's fields.
#include "roll/AnnotationReader.h"

#include <algorithm>
#include <cerrno>
#include <limits>
#include <vector>

#include "platform/CFile.h"
#include "roll/CRollscribeDoc.h"

namespace rollscribe {

std::int32_t Atoi(std::string_view text) noexcept {
    std::size_t i = 0;
    auto isSpace = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    while (i < text.size() && isSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    constexpr std::int64_t kLimit = std::numeric_limits<std::int32_t>::max() + std::int64_t{1};
    std::int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > kLimit) value = kLimit;  // saturated; further digits change nothing
    }
    if (negative) return static_cast<std::int32_t>(-value);
    return value >= kLimit ? std::numeric_limits<std::int32_t>::max()
                           : static_cast<std::int32_t>(value);
}

}  // namespace rollscribe

using rollscribe::Atoi;

void CRollscribeDoc::ReadAnnotationFile() {
    CString path = AnnotationFilePath();
    CFile file;
    CFileException error(path.ToStdString(), "", 0);
    if (!file.Open(path, CFile::modeRead, &error)) {
        m_annotationMissing = error.m_lOsError == ENOENT;
        if (!m_annotationMissing) {
            const std::string& reason = error.Reason();
            const std::size_t colon = reason.find(": ");
            m_annotationUnreadable = error.m_lOsError ? rollscribe::OsErrorText(error.m_lOsError)
                                     : colon == std::string::npos ? reason
                                                                  : reason.substr(colon + 2);
        }
        m_strInfo += "\n ** Unable to open ANN file : ";
        m_strInfo += path;
        return;
    }
    m_strInfo += "\n ** Reading ANN file : ";
    m_strInfo += path;
    m_strInfo += "\n";

    // The whole file, read in blocks. A file that grows meanwhile is read as far as its length
    // said; one that shrinks, as far as it goes.
    std::uint64_t length = file.GetLength();
    CString text;
    if (length > 0) {
        text.Reserve(static_cast<std::size_t>(length));
        // On the heap: a worker thread's stack may be small (ulimit -s).
        std::vector<char> block(
            static_cast<std::size_t>(std::min<std::uint64_t>(length, 64 * 1024)));
        std::uint64_t left = length;
        while (left > 0) {
            std::size_t want =
                static_cast<std::size_t>(std::min<std::uint64_t>(left, block.size()));
            std::size_t got = file.Read(block.data(), want);
            if (got == 0) break;
            text.Append(block.data(), got);
            left -= got;
        }
    }
    // A file with line feeds and no CR is read as one line; the converter warns of it.
    const std::size_t lineFeeds = text.Remove('\n');
    m_annotationLfOnly = lineFeeds > 0 && text.Find('\r') == CString::npos;

    // Lines end at CR. The loop walks an offset instead of cutting each line off the front, so
    // a file of many lines costs time in proportion to its size.
    std::size_t at = 0;
    const std::size_t size = text.GetLength();
    while (size - at > 1) {
        std::ptrdiff_t cr = text.Find('\r', at);
        std::size_t t = cr == CString::npos ? size - at : static_cast<std::size_t>(cr) - at;
        if (t > 1) ParseAnnotationLine(text.Mid(at, t), CString(), CString());
        at += t + 1 < size - at ? t + 1 : size - at;
    }
    file.Close();

    m_annotations.Lookup("/roll_tempo", m_strTempo);
    m_tempo = Atoi(m_strTempo.View());
    m_sampleRate = 800;
    CString sampleRate;
    if (m_annotations.Lookup("/sample_rate", sampleRate)) m_sampleRate = Atoi(sampleRate.View());
    m_annotations.Lookup("/title", m_strTitle);
    m_annotations.Lookup("/composer", m_strComposer);
    m_annotations.Lookup("/pianist", m_strPerformer);
    m_annotations.Lookup("/roll_number", m_strRollNumber);
    m_annotations.Lookup("/roll_type", m_strRollType);
    m_strManufacturer = m_strRollType;
}

void CRollscribeDoc::ParseAnnotationLine(CString line, CString key, CString value) {
    std::ptrdiff_t colon = line.Find(':');
    key = colon > 0 ? line.Left(static_cast<std::size_t>(colon)) : CString();
    key.TrimLeft();
    key.TrimRight();
    value = colon == CString::npos ? line : line.Mid(static_cast<std::size_t>(colon) + 1);
    value.TrimLeft();
    value.TrimRight();
    m_annotations[key] = std::move(value);
}
