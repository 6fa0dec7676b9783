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
