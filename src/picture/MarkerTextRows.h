#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "picture/PictureCanvas.h"
#include "picture/RollLayout.h"
#include "picture/RollScene.h"

namespace rollscribe {

// The font of the marker texts.
inline constexpr TextFont kMarkerTextFont{10};

// Where the marker strip shows the markers' texts at a zoom. Each text is shown whole, right of
// its marker's line, or left of it where it would run past the roll's end; it goes into the
// lowest of kRows rows in which it clears the texts before it by kGap. A text that finds no row
// (markers crowded far zoomed out) is not shown; the status bar names it under the pointer, and
// the SVG keeps it in a title. A text wider than kMaxWidth ends in an ellipsis. Laid out once
// for the whole roll, in the roll's own pixels, so that every part of every view shows the same.
class MarkerTextRows {
  public:
    static constexpr int kRows = RollLayout::kMarkerRows;
    static constexpr double kGap = 6;
    static constexpr double kIndent = 3;  // from the line's column to the text, either side
    static constexpr double kMaxWidth = 480;

    // The width of a text (UTF-8) in the strip's font.
    using Measure = std::function<double(std::string_view)>;

    // The texts of the scene's markers at pixelsPerUnit (pixels a thousandth of an inch).
    MarkerTextRows(const RollScene& scene, double pixelsPerUnit, const Measure& measure);

    struct Placed {
        int row;        // 0, the row nearest the lanes, to kRows - 1
        double offset;  // the text's left edge, from its marker's column
        double width;
    };
    // Where a marker's text is shown (by its index in the scene's markers), or none.
    std::optional<Placed> Of(std::size_t marker) const;
    // The text shown for a marker that has a place.
    std::string Shown(std::size_t marker) const;

    double PixelsPerUnit() const noexcept { return m_pixelsPerUnit; }
    // How far any text reaches from its marker's column, either way.
    double Reach() const noexcept { return kIndent + kMaxWidth + 1; }

  private:
    struct Entry {
        std::int8_t row = -1;
        bool ellipsis = false;
        std::uint32_t bytes = 0;  // of the label shown
        float offset = 0;
        float width = 0;
    };
    const RollScene& m_scene;
    double m_pixelsPerUnit;
    std::vector<Entry> m_entries;  // one per marker
};

}  // namespace rollscribe
