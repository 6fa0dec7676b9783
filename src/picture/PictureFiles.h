#pragma once

#include <optional>
#include <string_view>

#include "picture/PictureFormat.h"
#include "picture/RollLayout.h"
#include "picture/RollScene.h"
#include "platform/CString.h"

namespace rollscribe {

// Writes the picture of the whole roll in a format, atomically: the file at path is either
// replaced by the complete picture or left as it was, and gets the permissions of a file the
// user creates. A roll too long for the options' density is drawn narrower (PNG files hold at
// most 32767 pixels a side). Throws CFileException for file errors, CException naming path when
// the picture cannot be drawn (out of memory), std::invalid_argument for bad options.
void WritePicture(const RollScene& scene, PictureFormat format, const CString& path,
                  const PictureOptions& options = {});

void WritePng(const RollScene& scene, const CString& path, const PictureOptions& options = {});
// A PDF file of one or more pages, each at most 14400 points (200 inches) wide, the widest page
// that PDF readers accept; the roll continues from page to page.
void WritePdf(const RollScene& scene, const CString& path, const PictureOptions& options = {});
// The paper of a paged PDF file, in points (portrait).
struct PaperSize {
    double width;
    double height;
};
inline constexpr PaperSize kA4Paper{595.276, 841.89};
inline constexpr PaperSize kLetterPaper{612, 792};

// Where a paged PDF file puts the roll: rows cut from the whole picture, as wide as the page
// leaves inside its margins, as many rows a page as fit, each with the lane labels, the time
// scale and (with the expression) the expression strip; the header over the first row of each
// page, the page's number at its foot. A row's lanes are options.laneHeight high, lower where
// a row would not fit the page otherwise; a roll with so many lanes that a row of lanes a
// point high does not fit has its rows drawn smaller (scale below 1).
struct PagedLayout {
    static constexpr double kMargin = 36;  // half an inch around the rows
    static constexpr double kRowGap = 12;
    static constexpr double kFooterHeight = 14;  // the page number, inside the bottom margin
    RollView row;          // the first row (leftTime 0, with the header) in the row's own units
    double scale = 1;      // page points for one unit of the row
    double rowTime = 0;    // the stretch of roll a row shows (thousandths of an inch)
    double rowHeight = 0;  // a row without the header, in the row's units
    int rows = 1;
    int rowsPerPage = 1;
    int pages = 1;
};
PagedLayout LayOutPages(const RollScene& scene, PaperSize paper, const PictureOptions& options);

// A PDF file of pages of the paper's size, laid out by LayOutPages, for printing.
void WritePagedPdf(const RollScene& scene, const CString& path, PaperSize paper,
                   const PictureOptions& options = {});
// An SVG file whose hole bars are rect elements with class="hole", data-note (track + 15),
// data-start and data-end (roll positions in thousandths of an inch), one for each opening
// event of the roll; a hole still open at the roll's end also has data-open="true".
void WriteSvg(const RollScene& scene, const CString& path, const PictureOptions& options = {});

}  // namespace rollscribe
