#include "platform/CreateFolders.h"

#include <sys/stat.h>

#include <cerrno>

#include "platform/CException.h"
#include "platform/PathAt.h"

namespace rollscribe {

namespace {

// 0 when path is a folder, or why not: ENOTDIR for another kind of file, else stat's errno.
int FolderState(const std::string& path) {
    struct stat st {};
    if (int error = StatPath(path, &st)) return error;
    return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
}

}  // namespace

void CreateFolders(const std::string& path) {
    if (FolderState(path) == 0) return;  // the common case: made by an earlier roll
    // Each prefix that ends at a separator, then the whole path, from the top down.
    for (std::size_t end = path.find('/', 1);; end = path.find('/', end + 1)) {
        const std::string part = path.substr(0, end);
        if (!part.empty() && part.back() != '/') {
            PathAt at(part);
            int error = at.Error();
            if (!error && ::mkdirat(at.Dir(), at.Name(), 0777) != 0) error = errno;
            if (error == EEXIST) error = FolderState(part);
            if (error) throw CFileException(part, "cannot create the folder", error);
        }
        if (end == std::string::npos) return;
    }
}

}  // namespace rollscribe
