// The roll parser: the BAR file's records (delta, code, optional text) into the event list.
#include "roll/BarParser.h"

#include <limits>
#include <span>

#include "roll/CRollscribeDoc.h"

namespace rollscribe {

namespace {

constexpr double kTwoTo31 = 2147483648.0;

}  // namespace

std::int32_t EventTimeOf(double position) noexcept {
    if (position >= kTwoTo31) return std::numeric_limits<std::int32_t>::max();
    if (position <= -kTwoTo31) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(position);
}

std::int32_t StepsPerInchFor(std::int32_t sampleRate, std::int32_t tempo) noexcept {
    double quotient = sampleRate * 50.0 / tempo;
    std::int32_t steps = EventTimeOf(quotient);
    return steps < 1 ? 100 : steps;
}

}  // namespace rollscribe

using rollscribe::EventTimeOf;

void CRollscribeDoc::ParseBarFile(CArchive& ar) {
    if (m_tempo < 10) m_tempo = 100;
    if (m_tempo > 500) m_tempo = 100;
    m_stepsPerInch = rollscribe::StepsPerInchFor(m_sampleRate, m_tempo);

    std::uint8_t header;
    ar >> header >> header >> header;
    // A record is at least two bytes (a delta byte and the code), so the file's length bounds
    // the number of events: the event list reserves that much room and grows in place.
    std::uint64_t length = ar.GetFile()->GetLength();
    m_events.PlanFor(length > 3 ? static_cast<std::size_t>((length - 3) / 2) : 0);

    bool trackOn[256] = {};
    // A delta's steps sum to a whole number below 2^35, exact in a double however it is summed,
    // so its distance, steps * 1000 / stepsPerInch, is rounded once, in the division. The
    // steps are summed as an integer; the distances of one-byte deltas, most of them, are
    // computed once here.
    const double stepsPerInch = m_stepsPerInch;
    double shortDistance[128];
    for (int g = 0; g < 128; ++g) shortDistance[g] = g * 1000.0 / stepsPerInch;
    std::uint64_t steps = 0;
    std::uint32_t deltaBytes = 0;
    double deltaSum = 0.0;
    bool awaitingCode = false;
    bool textCut = false;  // a text record's text ran to the end of the file without its 0
    double position = 0.0;

    // The bytes are taken straight from the archive's buffer, a buffer at a time; a text is read
    // through the archive itself.
    for (std::span<const std::uint8_t> bytes; !(bytes = ar.Available()).empty();) {
        const std::uint8_t* p = bytes.data();
        const std::uint8_t* const end = p + bytes.size();
        bool archiveMoved = false;
        while (p != end) {
            const std::uint8_t b = *p++;
            if (!awaitingCode) {
                // Only the first five bytes of a delta carry weight.
                if (deltaBytes < 5) {
                    steps += static_cast<std::uint64_t>(b & 0x7F) << (7 * deltaBytes);
                    ++deltaBytes;
                }
                if (b & 0x80) continue;
                deltaSum = steps < 128 ? shortDistance[steps]
                                       : static_cast<double>(steps) * 1000.0 / stepsPerInch;
                awaitingCode = true;
                continue;
            }
            position = position + deltaSum;
            steps = 0;
            deltaBytes = 0;
            awaitingCode = false;
            if (b < RollEvent::kFirstControl) {
                bool on = !trackOn[b];
                trackOn[b] = on;
                m_events.Add(RollEvent{on ? RollEvent::kTrackOpened : RollEvent::kTrackClosed,
                                       b + 15, EventTimeOf(position), CString()});
                continue;
            }
            CString text;
            if (b <= RollEvent::kLastText) {
                ar.Skip(static_cast<std::size_t>(p - bytes.data()));
                archiveMoved = true;
                text = ReadBarString(ar, &textCut);
                m_strInfo += "\n";
                m_strInfo += text;
                if (b == RollEvent::kCopyright) m_strCopyright = text;
            }
            m_events.Add(RollEvent{b, 0, EventTimeOf(position), std::move(text)});
            if (archiveMoved) break;  // the text was read past p: take the buffer afresh
        }
        if (!archiveMoved) ar.Skip(bytes.size());
    }
    if (awaitingCode || deltaBytes > 0 || textCut) m_rollCutAt = length;
}

CString CRollscribeDoc::ReadBarString(CArchive& ar, bool* cut) {
    CString text;
    std::uint8_t b;
    bool ended = false;
    while (!ended && ar.Read(&b, 1) == 1) {
        ended = b == 0;
        if (!ended) text += static_cast<char>(b);
    }
    if (cut) *cut = !ended;
    return text;
}
