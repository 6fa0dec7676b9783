#include "picture/PictureFiles.h"

#include <cairo-pdf.h>
#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <exception>
#include <memory>
#include <new>
#include <string>

#include "picture/CairoCanvas.h"
#include "picture/DisplayText.h"
#include "picture/RollDrawing.h"
#include "picture/SvgCanvas.h"
#include "platform/CAtomicFile.h"
#include "platform/CException.h"
#include "platform/CReservedRegion.h"

namespace rollscribe {

namespace {

constexpr double kMaxPdfPageWidth = 14400;
// The most rows a paged PDF file cuts a roll into: a denser picture is drawn narrower.
constexpr double kMaxPagedRows = 2000;
constexpr double kMaxPagedLane = 64;
// The page number at the foot of each page of a paged file.
constexpr TextFont kPageNumberFont{9};

// Cairo's output stream into an atomic file. An exception cannot pass through Cairo, so it is
// kept here and thrown again once Cairo has returned.
struct StreamTarget {
    CAtomicFile file;
    std::exception_ptr error;
};

cairo_status_t WriteToTarget(void* closure, const unsigned char* data, unsigned int length) {
    auto* target = static_cast<StreamTarget*>(closure);
    if (target->error) return CAIRO_STATUS_WRITE_ERROR;
    try {
        target->file.Write(data, length);
        return CAIRO_STATUS_SUCCESS;
    } catch (...) {
        target->error = std::current_exception();
        return CAIRO_STATUS_WRITE_ERROR;
    }
}

// Throws what the stream kept, or a drawing error for a failed status.
void Check(const StreamTarget& target, cairo_status_t status, const CString& path) {
    if (target.error) std::rethrow_exception(target.error);
    if (status != CAIRO_STATUS_SUCCESS)
        throw CException(path.ToStdString(),
                         std::string("cannot draw the picture: ") + cairo_status_to_string(status));
}

struct SurfaceDeleter {
    void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
};
struct ContextDeleter {
    void operator()(cairo_t* cr) const { cairo_destroy(cr); }
};
using Surface = std::unique_ptr<cairo_surface_t, SurfaceDeleter>;
using Context = std::unique_ptr<cairo_t, ContextDeleter>;

}  // namespace

void WritePicture(const RollScene& scene, PictureFormat format, const CString& path,
                  const PictureOptions& options) {
    switch (format) {
        case PictureFormat::png:
            WritePng(scene, path, options);
            return;
        case PictureFormat::svg:
            WriteSvg(scene, path, options);
            return;
        case PictureFormat::pdf:
            WritePdf(scene, path, options);
            return;
        case PictureFormat::pdfA4:
            WritePagedPdf(scene, path, kA4Paper, options);
            return;
        case PictureFormat::pdfLetter:
            WritePagedPdf(scene, path, kLetterPaper, options);
            return;
    }
}

void WritePng(const RollScene& scene, const CString& path, const PictureOptions& options) {
    const RollView view = WholeRollView(scene, options);
    const int width = static_cast<int>(view.width);
    const int height = static_cast<int>(view.height);
    // The pixels in a region of large pages: a fresh picture of some megabytes would otherwise
    // cost a page fault per 4 KB, several times the drawing itself.
    const int stride = cairo_format_stride_for_width(CAIRO_FORMAT_RGB24, width);
    const std::size_t bytes = static_cast<std::size_t>(stride) * static_cast<std::size_t>(height);
    CReservedRegion pixels;
    try {
        if (!pixels.TryReserve(bytes)) throw std::bad_alloc();
        pixels.Commit(bytes);
    } catch (const std::bad_alloc&) {
        throw CException(path.ToStdString(), "not enough memory for a picture of " +
                                                 std::to_string(width) + " by " +
                                                 std::to_string(height) + " pixels");
    }
    Surface surface(cairo_image_surface_create_for_data(static_cast<unsigned char*>(pixels.Data()),
                                                        CAIRO_FORMAT_RGB24, width, height, stride));
    StreamTarget target;
    Check(target, cairo_surface_status(surface.get()), path);
    {
        Context cr(cairo_create(surface.get()));
        {
            CairoCanvas canvas(cr.get(), view.width, view.height);
            DrawRoll(canvas, scene, view);
        }
        Check(target, cairo_status(cr.get()), path);
    }
    target.file.Create(path);
    Check(target, cairo_surface_write_to_png_stream(surface.get(), WriteToTarget, &target), path);
    target.file.Commit();
}

void WritePdf(const RollScene& scene, const CString& path, const PictureOptions& options) {
    const RollView whole = WholeRollView(scene, options);
    const double fixed = RollLayout::kGutterWidth + RollLayout::kRightMargin;
    const double pageLanes = kMaxPdfPageWidth - fixed;
    const double lanesWidth = std::max(0.0, whole.width - fixed);
    const int pages = std::max(1, static_cast<int>(std::ceil(lanesWidth / pageLanes)));

    StreamTarget target;
    target.file.Create(path);
    Surface surface(cairo_pdf_surface_create_for_stream(
        WriteToTarget, &target, std::min(whole.width, kMaxPdfPageWidth), whole.height));
    Check(target, cairo_surface_status(surface.get()), path);
    cairo_pdf_surface_set_metadata(surface.get(), CAIRO_PDF_METADATA_TITLE,
                                   CairoText(scene.Header().title).c_str());
    cairo_pdf_surface_set_metadata(surface.get(), CAIRO_PDF_METADATA_CREATOR, "Rollscribe");
    {
        Context cr(cairo_create(surface.get()));
        for (int page = 0; page < pages; ++page) {
            RollView view = whole;
            const double skipped = page * pageLanes;
            view.leftTime = skipped / view.pixelsPerInch * 1000.0;
            view.width = std::min(kMaxPdfPageWidth, whole.width - skipped);
            cairo_pdf_surface_set_size(surface.get(), view.width, view.height);
            {
                CairoCanvas canvas(cr.get(), view.width, view.height);
                DrawRoll(canvas, scene, view);
            }
            cairo_show_page(cr.get());
        }
        Check(target, cairo_status(cr.get()), path);
    }
    cairo_surface_finish(surface.get());
    Check(target, cairo_surface_status(surface.get()), path);
    target.file.Commit();
}

PagedLayout LayOutPages(const RollScene& scene, PaperSize paper, const PictureOptions& options) {
    // The same checks as a picture of the whole roll.
    (void)WholeRollView(scene, options);
    PagedLayout layout;
    const double width = paper.width - 2 * PagedLayout::kMargin;
    const double height = paper.height - 2 * PagedLayout::kMargin - PagedLayout::kFooterHeight;
    RollView bands;
    bands.header = false;
    // The row's bands and margin without its lanes (a roll without holes: with its line).
    const double fixed = RollLayout::ContentHeight(scene, 0, bands);
    const double lanes = static_cast<double>(scene.Lanes().size());
    const double header = RollLayout::kHeaderHeight;
    double lane = std::min(options.laneHeight, kMaxPagedLane);
    if (lanes > 0)
        lane = std::max(1.0, std::min(lane, std::floor((height - header - fixed) / lanes * 4) / 4));
    layout.rowHeight = fixed + lanes * lane;
    layout.scale = std::min(1.0, height / (layout.rowHeight + header));

    RollView& row = layout.row;
    row.width = width / layout.scale;
    row.height = layout.rowHeight + header;
    row.laneHeight = lane;
    row.header = true;
    const double rowLanes = row.width - RollLayout::kGutterWidth;
    const double inches = scene.EndTime() / 1000.0;
    row.pixelsPerInch = std::min(options.pixelsPerInch,
                                 std::max(rowLanes * kMaxPagedRows / std::max(inches, 1.0), 1e-3));
    layout.rowTime = rowLanes / row.pixelsPerInch * 1000.0;
    layout.rows = std::max(1, static_cast<int>(std::ceil(scene.EndTime() / layout.rowTime)));
    const double page = height / layout.scale - header + PagedLayout::kRowGap;
    layout.rowsPerPage =
        std::max(1, static_cast<int>(std::floor(page / (layout.rowHeight + PagedLayout::kRowGap))));
    layout.pages = (layout.rows + layout.rowsPerPage - 1) / layout.rowsPerPage;
    return layout;
}

void WritePagedPdf(const RollScene& scene, const CString& path, PaperSize paper,
                   const PictureOptions& options) {
    const PagedLayout layout = LayOutPages(scene, paper, options);
    StreamTarget target;
    target.file.Create(path);
    Surface surface(
        cairo_pdf_surface_create_for_stream(WriteToTarget, &target, paper.width, paper.height));
    Check(target, cairo_surface_status(surface.get()), path);
    cairo_pdf_surface_set_metadata(surface.get(), CAIRO_PDF_METADATA_TITLE,
                                   CairoText(scene.Header().title).c_str());
    cairo_pdf_surface_set_metadata(surface.get(), CAIRO_PDF_METADATA_CREATOR, "Rollscribe");
    {
        Context cr(cairo_create(surface.get()));
        const double s = layout.scale;
        for (int page = 0; page < layout.pages; ++page) {
            double y = PagedLayout::kMargin;
            const int first = page * layout.rowsPerPage;
            for (int r = first; r < std::min(layout.rows, first + layout.rowsPerPage); ++r) {
                RollView view = layout.row;
                view.header = r == first;
                view.height = layout.rowHeight + (view.header ? RollLayout::kHeaderHeight : 0);
                view.leftTime = r * layout.rowTime;
                cairo_save(cr.get());
                cairo_translate(cr.get(), PagedLayout::kMargin, y);
                cairo_scale(cr.get(), s, s);
                cairo_rectangle(cr.get(), 0, 0, view.width, view.height);
                cairo_clip(cr.get());
                {
                    CairoCanvas canvas(cr.get(), view.width, view.height);
                    DrawRoll(canvas, scene, view);
                }
                cairo_restore(cr.get());
                y += (view.height + PagedLayout::kRowGap) * s;
            }
            {
                CairoCanvas canvas(cr.get(), paper.width, paper.height);
                const std::string number =
                    "Page " + std::to_string(page + 1) + " of " + std::to_string(layout.pages);
                canvas.Text(
                    paper.width - PagedLayout::kMargin - canvas.TextWidth(number, kPageNumberFont),
                    paper.height - PagedLayout::kMargin - 2, number, kPageNumberFont,
                    palette::kSubtitle);
            }
            cairo_show_page(cr.get());
            Check(target, cairo_status(cr.get()), path);
        }
    }
    cairo_surface_finish(surface.get());
    Check(target, cairo_surface_status(surface.get()), path);
    target.file.Commit();
}

void WriteSvg(const RollScene& scene, const CString& path, const PictureOptions& options) {
    const RollView view = WholeRollView(scene, options);
    CAtomicFile file;
    file.Create(path);
    SvgCanvas canvas(file, view.width, view.height, scene.Header().title);
    DrawRoll(canvas, scene, view);
    canvas.Finish();
    file.Commit();
}

}  // namespace rollscribe
