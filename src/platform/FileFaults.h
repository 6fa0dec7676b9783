#pragma once

#include <atomic>
#include <cstddef>

namespace rollscribe {

// A seam for tests: lets them make a file operation fail as a full disk, a read-only folder or a
// failing device would, without needing such a device (tests may run as root, for whom
// permissions alone make nothing unreadable or unwritable). When no hook is set, every check is
// one relaxed load of a pointer per system call.
enum class FileOperation {
    openRead,    // opening an input (path: the input)
    read,        // reading an input (path: the input)
    readFolder,  // listing a folder, looking for rolls (path: the folder)
    replace,     // checking that the user may write an output that exists (path: the output)
    create,      // creating the temporary file of an output (path: the output)
    write,       // writing to it (path: the output)
    sync,        // flushing it, or its folder, to the disk (path: the output)
    close,       // closing it (path: the output)
    rename,      // putting it in place of the output (path: the output)
};

// Decides one operation on path: returns 0 to let it run, or an errno value to make it fail with
// that error. For read and write, the hook may also lower *count so that only part of the bytes
// go through, as a short read or a disk that fills part-way through a write does.
using FileFaultHook = int (*)(FileOperation operation, const char* path, std::size_t* count);

// Sets the hook (nullptr: no faults, the default). Set it only while no file is being opened,
// read or written.
void SetFileFaultHook(FileFaultHook hook) noexcept;

namespace file_faults_detail {
extern std::atomic<FileFaultHook> g_hook;
}

inline int InjectedFileFault(FileOperation operation, const char* path,
                             std::size_t* count = nullptr) noexcept {
    FileFaultHook hook = file_faults_detail::g_hook.load(std::memory_order_relaxed);
    return hook ? hook(operation, path, count) : 0;
}

}  // namespace rollscribe
