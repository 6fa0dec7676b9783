#pragma once

#include <cstdint>
#include <string_view>

#include "platform/CString.h"

namespace rollscribe {

// The C library's atoi on a text: leading white space, an optional sign, the decimal digits up
// to the first other byte; 0 without digits. A number beyond the 32-bit range saturates at its
// bound instead of overflowing.
std::int32_t Atoi(std::string_view text) noexcept;

// Whether the annotation file at path has line feeds but no carriage return: its lines end in LF
// alone, and the reader takes the whole file as one line. False when it cannot be read.
bool IsLfOnlyAnnotationFile(const CString& path) noexcept;

}  // namespace rollscribe
