// The SVG picture, written as text: every hole bar carries its note and roll positions, so that
// other programs can read the roll back from the picture.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "picture/DisplayText.h"
#include "picture/NoteNames.h"
#include "picture/PictureFiles.h"
#include "picture/RollPalette.h"
#include "picture/SceneTexts.h"
#include "picture/TimeScale.h"
#include "platform/CAtomicFile.h"

namespace rollscribe {

namespace {

constexpr std::size_t kFlushSize = 256 * 1024;
// An estimate of the width of a character of the marker font, for choosing what fits.
constexpr double kMarkerCharWidth = 6.2;

// Text for the file, handed to the atomic file in large pieces.
class SvgOut {
  public:
    explicit SvgOut(CAtomicFile& file) : m_file(file) { m_text.reserve(kFlushSize + 4096); }

    SvgOut& operator<<(std::string_view text) {
        m_text += text;
        FlushIfFull();
        return *this;
    }
    SvgOut& operator<<(char c) {
        m_text += c;
        return *this;
    }
    SvgOut& operator<<(double value) {
        char buffer[64];
        // Two decimals are a hundredth of a pixel; whole numbers without a point.
        auto [end, ec] =
            std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 2);
        if (ec != std::errc()) return *this << "0";
        char* last = end;
        while (last > buffer && last[-1] == '0') --last;
        if (last > buffer && last[-1] == '.') --last;
        std::string_view digits(buffer, static_cast<std::size_t>(last - buffer));
        if (digits == "-0") digits = "0";
        return *this << digits;
    }
    SvgOut& operator<<(std::int64_t value) {
        char buffer[32];
        auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
        return *this << std::string_view(buffer, static_cast<std::size_t>(end - buffer));
    }
    SvgOut& operator<<(std::int32_t value) { return *this << static_cast<std::int64_t>(value); }
    SvgOut& operator<<(std::size_t value) { return *this << static_cast<std::int64_t>(value); }
    // Text from the roll, escaped.
    SvgOut& Escaped(std::string_view text) {
        AppendXmlEscaped(m_text, text);
        FlushIfFull();
        return *this;
    }
    SvgOut& Fill(Colour colour) {
        char buffer[16];
        std::snprintf(buffer, sizeof buffer, "#%06X", colour.rgb & 0xFFFFFF);
        return *this << buffer;
    }
    void Flush() {
        m_file.Write(m_text.data(), m_text.size());
        m_text.clear();
    }

  private:
    void FlushIfFull() {
        if (m_text.size() >= kFlushSize) Flush();
    }

    CAtomicFile& m_file;
    std::string m_text;
};

// The first characters of text (UTF-8) that fit in the room, by the estimated width.
std::string_view Fitting(std::string_view text, double room) {
    std::size_t chars = 0;
    const auto most = static_cast<std::size_t>(std::max(0.0, room / kMarkerCharWidth));
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;  // continuation
        if (chars == most) return text.substr(0, i);
        ++chars;
    }
    return text;
}

class SvgPicture {
  public:
    SvgPicture(const RollScene& scene, const RollView& view, SvgOut& out)
        : m_scene(scene), m_view(view), m_layout(scene, view), m_out(out) {}

    void Write() {
        const double w = m_view.width;
        const double h = m_view.height;
        m_out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
              << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << w << "\" height=\"" << h
              << "\" viewBox=\"0 0 " << w << ' ' << h
              << "\" font-family=\"DejaVu Sans, Verdana, sans-serif\">\n<title>";
        m_out.Escaped(m_scene.Header().title) << "</title>\n";
        m_out << "<style>\n.hole{fill:";
        m_out.Fill(palette::kNote) << "}\n.muted .hole{fill:";
        m_out.Fill(palette::kMutedHole) << "}\n.label{font-size:";
        m_out << std::min(11.0, std::max(6.0, m_view.laneHeight - 1)) << "px;fill:";
        m_out.Fill(palette::kLabel) << ";text-anchor:end}\n.muted .label{fill:";
        m_out.Fill(palette::kMutedLabel) << "}\n.marker text{font-size:10px}\n"
                                         << ".scale text{font-size:10px;fill:";
        m_out.Fill(palette::kScaleText) << "}\n</style>\n";
        Rect(0, 0, w, h, palette::kPaper);
        Lanes();
        Markers();
        Scale();
        Header();
        m_out << "</svg>\n";
    }

  private:
    void Rect(double x, double y, double w, double h, Colour colour) {
        m_out << "<rect x=\"" << x << "\" y=\"" << y << "\" width=\"" << w << "\" height=\"" << h
              << "\" fill=\"";
        m_out.Fill(colour) << "\"/>\n";
    }

    void Lanes() {
        const auto& lanes = m_scene.Lanes();
        const double x0 = m_layout.XOfTime(0);
        const double x1 = m_layout.XOfTime(m_scene.EndTime());
        const double inset = m_view.laneHeight >= 4 ? 1 : 0;
        const double right = RollLayout::kGutterWidth - 10;
        Rect(0, m_layout.ScaleTop(), RollLayout::kGutterWidth, m_view.height - m_layout.ScaleTop(),
             palette::kGutter);
        m_out << "<g id=\"lanes\">\n";
        if (lanes.empty()) {
            m_out << "<text x=\"" << m_layout.LanesLeft() + kNoHolesTextX << "\" y=\""
                  << m_layout.LanesTop() + kNoHolesTextY << "\" font-size=\"" << kNoHolesTextSize
                  << "px\" fill=\"";
            m_out.Fill(palette::kSubtitle) << "\">" << kNoHolesText << "</text>\n";
        }
        for (std::size_t lane = lanes.size(); lane-- > 0;) {
            const SceneLane& l = lanes[lane];
            const double top = m_layout.LaneTop(lane);
            m_out << "<g class=\"lane" << (l.playable ? "" : " muted") << "\" data-note=\""
                  << l.note << "\">\n";
            const Colour background = !l.playable          ? palette::kMutedLane
                                      : IsBlackKey(l.note) ? palette::kBlackKeyLane
                                                           : palette::kWhiteKeyLane;
            Rect(x0, top, std::max(0.0, x1 - x0), m_view.laneHeight, background);
            if (m_view.laneHeight >= 8 || l.note % 12 == 0) {
                m_out << "<text class=\"label\" x=\"" << right << "\" y=\""
                      << top + m_view.laneHeight / 2 + 3.5 << "\">" << NoteLabel(l.note)
                      << "</text>\n";
            }
            const double barTop = top + inset;
            const double barHeight = std::max(1.0, m_view.laneHeight - 2 * inset);
            const auto bars = m_scene.Bars(lane);
            for (std::size_t i = 0; i < bars.size(); ++i) {
                const HoleBar& bar = bars[i];
                const double x = m_layout.XOfTime(bar.start);
                const double width = std::max(1.0, m_layout.XOfTime(bar.end) - x);
                m_out << "<rect class=\"hole\" data-note=\"" << l.note << "\" data-start=\""
                      << bar.start << "\" data-end=\"" << bar.end << '"';
                if (l.openAtEnd && i + 1 == bars.size()) m_out << " data-open=\"true\"";
                m_out << " x=\"" << x << "\" y=\"" << barTop << "\" width=\"" << width
                      << "\" height=\"" << barHeight << "\"/>\n";
            }
            m_out << "</g>\n";
        }
        m_out << "</g>\n";
    }

    void Markers() {
        const auto markers = m_scene.Markers();
        m_out << "<g id=\"markers\">\n";
        // Every marker is written; the first of each pixel column carries the text the screen
        // shows for it, the others theirs in the title only.
        std::size_t written = 0;
        auto withoutText = [&](std::size_t end) {
            for (; written < end; ++written) Marker(markers[written], 0, 0);
        };
        const std::int64_t far = ColumnMapping::ToColumn(1e300);
        ForEachMarkerLabel(markers, m_layout.Columns(), -far, far + 1,
                           [&](std::int64_t column, const SceneMarker& marker, double room) {
                               withoutText(static_cast<std::size_t>(&marker - markers.data()));
                               Marker(marker, column, room);
                               ++written;
                           });
        withoutText(markers.size());
        m_out << "</g>\n";
    }

    // One marker: its line and, where room is above 0, as much of its text as fits from the
    // column.
    void Marker(const SceneMarker& marker, std::int64_t column, double room) {
        const double top = m_layout.MarkerStripTop();
        const double bottom = m_layout.LanesBottom();
        const double x = m_layout.XOfTime(marker.time);
        m_out << "<g class=\"marker\" data-code=\"" << marker.code << "\" data-time=\""
              << marker.time << "\" fill=\"";
        m_out.Fill(MarkerColour(marker.code)) << "\">";
        const std::string label = MarkerLabel(m_scene, marker);
        if (!label.empty()) {
            m_out << "<title>";
            m_out.Escaped(label) << "</title>";
        }
        m_out << "<rect x=\"" << x << "\" y=\"" << top + 2 << "\" width=\"1\" height=\""
              << bottom - top - 2 << "\" opacity=\"0.55\"/>";
        const std::string_view shown =
            room > 0 ? Fitting(label, room - kMarkerLabelIndent) : std::string_view();
        if (!shown.empty()) {
            m_out << "<text x=\"" << static_cast<double>(column) + kMarkerLabelIndent << "\" y=\""
                  << top + 13 << "\">";
            m_out.Escaped(shown) << "</text>";
        }
        m_out << "</g>\n";
    }

    void Scale() {
        const double top = m_layout.ScaleTop();
        const double middle = top + RollLayout::kScaleHeight / 2;
        const double left = RollLayout::kGutterWidth;
        m_out << "<g class=\"scale\">\n";
        Rect(left, top, m_view.width - left, RollLayout::kScaleHeight, palette::kScale);
        std::vector<ScaleMark> marks;
        CollectScaleMarks(m_scene, m_layout, left, m_view.width, marks);
        for (const ScaleMark& mark : marks) {
            const double rowBottom = (mark.seconds ? middle : top + RollLayout::kScaleHeight) - 1;
            const double length = mark.major ? RollLayout::kScaleHeight / 2 - 1 : 4;
            Rect(std::floor(mark.x), rowBottom - length, 1, length, palette::kScaleTick);
            if (mark.major) {
                m_out << "<text x=\"" << std::floor(mark.x) + 3 << "\" y=\""
                      << (mark.seconds ? top : middle) + 11.5 << "\">" << mark.label << "</text>\n";
            }
        }
        m_out << "<text x=\"" << left - 6 << "\" y=\"" << top + 11.5
              << "\" text-anchor=\"end\" font-size=\"9px\">time</text>\n"
              << "<text x=\"" << left - 6 << "\" y=\"" << middle + 11.5
              << "\" text-anchor=\"end\" font-size=\"9px\">inches</text>\n"
              << "<text x=\"" << left - 6 << "\" y=\"" << m_layout.MarkerStripTop() + 13
              << "\" text-anchor=\"end\" font-size=\"9px\">texts</text>\n";
        m_out << "</g>\n";
    }

    void Header() {
        m_out << "<g id=\"header\">\n";
        Rect(0, 0, m_view.width, RollLayout::kHeaderHeight, palette::kHeader);
        m_out << "<text x=\"12\" y=\"21\" font-size=\"15px\" font-weight=\"bold\" fill=\"";
        m_out.Fill(palette::kTitle) << "\">";
        m_out.Escaped(m_scene.Header().title) << "</text>\n";
        m_out << "<text x=\"12\" y=\"40\" font-size=\"11px\" xml:space=\"preserve\" fill=\"";
        m_out.Fill(palette::kSubtitle) << "\">";
        m_out.Escaped(HeaderSummary(m_scene)) << "</text>\n</g>\n";
    }

    const RollScene& m_scene;
    const RollView& m_view;
    RollLayout m_layout;
    SvgOut& m_out;
};

}  // namespace

void WriteSvg(const RollScene& scene, const CString& path, const PictureOptions& options) {
    const RollView view = WholeRollView(scene, options);
    CAtomicFile file;
    file.Create(path);
    SvgOut out(file);
    SvgPicture(scene, view, out).Write();
    out.Flush();
    file.Commit();
}

}  // namespace rollscribe
