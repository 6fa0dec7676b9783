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
// An SVG file whose hole bars are rect elements with class="hole", data-note (track + 15),
// data-start and data-end (roll positions in thousandths of an inch), one for each opening
// event of the roll; a hole still open at the roll's end also has data-open="true".
void WriteSvg(const RollScene& scene, const CString& path, const PictureOptions& options = {});

}  // namespace rollscribe
