#pragma once

#include <cstdint>
#include <string_view>

#include "platform/CString.h"

namespace rollscribe {

// The C library's atoi on a text: leading white space, an optional sign, the decimal digits up
// to the first other byte; 0 without digits. A number beyond the 32-bit range saturates at its
// bound instead of overflowing.
std::int32_t Atoi(std::string_view text) noexcept;

}  // namespace rollscribe
