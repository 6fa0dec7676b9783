#pragma once

#include <vector>

#include "platform/CString.h"

namespace rollscribe {

// Save As: writes a copy of the converted MIDI file under a name the user chose. The copy is
// written atomically (a temporary file beside the target, renamed over it when complete).
// Throws CException naming the file concerned and the reason:
// - when the target is one of the protected files (the opened roll and its annotation file),
//   by name or as the same file on disk, so that they are never replaced;
// - when the source cannot be read or is empty (an empty copy would destroy whatever the target
//   held);
// - when the target cannot be written; the target then stays as it was.
void CopyConvertedFile(const CString& source, const CString& target,
                       const std::vector<CString>& protectedFiles);

// Throws the CFileException that CopyConvertedFile throws when target is one of the protected
// files, by name or as the same file on disk; returns otherwise.
void RefuseProtectedTarget(const CString& target, const std::vector<CString>& protectedFiles);

}  // namespace rollscribe
