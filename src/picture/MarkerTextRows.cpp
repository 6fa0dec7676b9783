#include "picture/MarkerTextRows.h"

#include <algorithm>
#include <array>
#include <limits>

#include "picture/SceneTexts.h"

namespace rollscribe {

namespace {

constexpr std::string_view kEllipsis = "\xE2\x80\xA6";

// The longest prefix of text (whole UTF-8 characters) that is at most room wide.
std::size_t FittingBytes(std::string_view text, double room,
                         const MarkerTextRows::Measure& measure) {
    std::size_t fits = 0;
    for (std::size_t i = 1; i <= text.size(); ++i) {
        if (i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;
        if (measure(text.substr(0, i)) > room) break;
        fits = i;
    }
    return fits;
}

}  // namespace

MarkerTextRows::MarkerTextRows(const RollScene& scene, double pixelsPerUnit, const Measure& measure)
    : m_scene(scene), m_pixelsPerUnit(pixelsPerUnit), m_entries(scene.Markers().size()) {
    const auto markers = scene.Markers();
    // Texts end before the roll's right margin, as far as they can.
    const double rightLimit = scene.EndTime() * pixelsPerUnit + RollLayout::kRightMargin - 2;
    std::array<double, kRows> rowEnd;
    rowEnd.fill(-std::numeric_limits<double>::infinity());
    for (std::size_t i = 0; i < markers.size(); ++i) {
        const std::string label = MarkerLabel(scene, markers[i]);
        if (label.empty()) continue;
        Entry entry;
        entry.bytes = static_cast<std::uint32_t>(label.size());
        double width = measure(label);
        if (width > kMaxWidth) {
            const double ellipsis = measure(kEllipsis);
            entry.bytes =
                static_cast<std::uint32_t>(FittingBytes(label, kMaxWidth - ellipsis, measure));
            entry.ellipsis = true;
            width = measure(label.substr(0, entry.bytes)) + ellipsis;
        }
        const double x = std::floor(markers[i].time * pixelsPerUnit);
        double start = x + kIndent;
        if (start + width > rightLimit && x - kIndent - width >= 0) start = x - kIndent - width;
        for (int row = 0; row < kRows; ++row) {
            if (rowEnd[row] + kGap > start) continue;
            rowEnd[row] = start + width;
            entry.row = static_cast<std::int8_t>(row);
            entry.offset = static_cast<float>(start - x);
            entry.width = static_cast<float>(width);
            m_entries[i] = entry;
            break;
        }
    }
}

std::optional<MarkerTextRows::Placed> MarkerTextRows::Of(std::size_t marker) const {
    if (marker >= m_entries.size() || m_entries[marker].row < 0) return std::nullopt;
    const Entry& e = m_entries[marker];
    return Placed{e.row, e.offset, e.width};
}

std::string MarkerTextRows::Shown(std::size_t marker) const {
    std::string label = MarkerLabel(m_scene, m_scene.Markers()[marker]);
    const Entry& e = m_entries.at(marker);
    label.resize(std::min<std::size_t>(label.size(), e.bytes));
    if (e.ellipsis) label += kEllipsis;
    return label;
}

}  // namespace rollscribe
