#pragma once

#include <string_view>

namespace rollscribe {

// Writes all of text to a file descriptor, again after an interrupted or short write; returns 0,
// or the errno of the write that failed.
int WriteAll(int fd, std::string_view text) noexcept;

}  // namespace rollscribe
