#include "platform/FileFaults.h"

namespace rollscribe {

namespace file_faults_detail {
std::atomic<FileFaultHook> g_hook{nullptr};
}

void SetFileFaultHook(FileFaultHook hook) noexcept {
    file_faults_detail::g_hook.store(hook, std::memory_order_relaxed);
}

}  // namespace rollscribe
