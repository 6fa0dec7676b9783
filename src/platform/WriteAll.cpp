#include "platform/WriteAll.h"

#include <unistd.h>

#include <cerrno>

namespace rollscribe {

int WriteAll(int fd, std::string_view text) noexcept {
    while (!text.empty()) {
        const ssize_t n = ::write(fd, text.data(), text.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        text.remove_prefix(static_cast<std::size_t>(n));
    }
    return 0;
}

}  // namespace rollscribe
