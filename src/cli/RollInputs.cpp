#include "cli/RollInputs.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <map>
#include <tuple>

#include "platform/CException.h"
#include "platform/FileFaults.h"
#include "platform/PathAt.h"
#include "roll/CRollscribeDoc.h"
#include "roll/OutputNames.h"

namespace rollscribe {

namespace {

// Whether a file found under a folder is taken as a roll: its extension is bar or web.
bool HasRollExtension(const std::string& name) {
    std::size_t dot = name.rfind('.');
    if (dot == std::string::npos || name.size() - dot != 4) return false;
    CString extension(name.substr(dot + 1));
    extension.MakeLower();
    return extension == "bar" || extension == "web";
}

RollInput FolderError(const std::string& folder, int error) {
    RollInput entry;
    entry.path = folder;
    entry.listingError = "cannot read the folder: " + OsErrorText(error);
    return entry;
}

// Adds the rolls under folder (and the folders that could not be read) to found. The folders
// are read one at a time, each closed before the next is opened, so that a tree of any depth
// takes one descriptor; paths of any length are opened from their folders (PathAt).
void Walk(const std::string& top, std::vector<RollInput>& found) {
    std::vector<std::string> folders{top};
    while (!folders.empty()) {
        const std::string folder = std::move(folders.back());
        folders.pop_back();
        int fault = InjectedFileFault(FileOperation::readFolder, folder.c_str());
        PathAt at(folder);
        int fd = fault || at.Error()
                     ? -1
                     : ::openat(at.Dir(), at.Name(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        DIR* listing = fd < 0 ? nullptr : ::fdopendir(fd);
        if (!listing) {
            int error = fault ? fault : at.Error() ? at.Error() : errno;
            if (fd >= 0) ::close(fd);
            found.push_back(FolderError(folder, error));
            continue;
        }
        const std::string prefix = folder.ends_with('/') ? folder : folder + "/";
        int error = 0;
        for (;;) {
            errno = 0;
            const dirent* entry = ::readdir(listing);
            if (!entry) {
                error = errno;
                break;
            }
            const std::string_view name = entry->d_name;
            if (name == "." || name == "..") continue;
            const bool roll = HasRollExtension(std::string(name));
            unsigned char type = entry->d_type;
            struct stat st {};
            if (type == DT_UNKNOWN) {
                if (::fstatat(fd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0)
                    type = S_ISDIR(st.st_mode)   ? DT_DIR
                           : S_ISLNK(st.st_mode) ? DT_LNK
                           : S_ISREG(st.st_mode) ? DT_REG
                                                 : DT_UNKNOWN;
                else if (roll)
                    type = DT_REG;  // converting it says why it cannot be read
            }
            if (type == DT_DIR) {
                folders.push_back(prefix + entry->d_name);
            } else if (roll && (type == DT_REG ||
                                (type == DT_LNK && ::fstatat(fd, entry->d_name, &st, 0) == 0 &&
                                 S_ISREG(st.st_mode)))) {
                // A file, or a symbolic link to one (never to a folder).
                found.push_back(RollInput{prefix + entry->d_name, std::nullopt, false, {}, {}});
            }
        }
        ::closedir(listing);
        if (error) found.push_back(FolderError(folder, error));
    }
}

// The MIDI file a roll would write, by the device and inode of the deepest part of its folder
// that exists and the rest of the path from there (so that a folder reached through a link is
// the folder itself, made yet or not); none for a name that is not a roll's or a file that
// cannot be converted at all.
using OutputKey = std::tuple<dev_t, ino_t, std::string>;

OutputKey KeyInFolder(std::string folder, std::string rest) {
    for (;;) {
        while (folder.size() > 1 && folder.ends_with('/')) folder.pop_back();
        struct stat st {};
        if (StatPath(folder.empty() ? "." : folder, &st) == 0 && S_ISDIR(st.st_mode))
            return OutputKey{st.st_dev, st.st_ino, rest};
        if (folder.empty() || folder == "/") return OutputKey{0, 0, folder + "/" + rest};
        const std::size_t slash = folder.rfind('/');
        const std::size_t start = slash == std::string::npos ? 0 : slash + 1;
        rest = folder.substr(start) + "/" + rest;
        folder.resize(slash == std::string::npos ? 0 : slash == 0 ? 1 : slash);
    }
}

std::optional<OutputKey> OutputKeyOf(const std::string& path, const std::string& outputFolder) {
    // A name that is not a regular file (missing, a folder) fails without writing anything.
    struct stat roll {};
    if (StatPath(path, &roll) != 0 || !S_ISREG(roll.st_mode)) return std::nullopt;
    CString full = FullPath(CString(path));
    std::string_view view = full.View();
    std::size_t slash = view.rfind('/');
    std::string folder(view.substr(0, slash == 0 ? 1 : slash));
    CString name = full.Mid(slash + 1);
    if (!CRollscribeDoc::IsRollFileName(name)) return std::nullopt;
    std::string output = OutputFileName(RollTitleOf(name), kMidiExtension).ToStdString();
    return KeyInFolder(outputFolder.empty() ? folder : outputFolder, output);
}

}  // namespace

std::vector<RollInput> CollectRollInputs(const std::vector<std::string>& named, bool recursive,
                                         const std::string& outputFolder) {
    const std::string out =
        outputFolder.empty() || outputFolder.ends_with('/') ? outputFolder : outputFolder + "/";
    std::vector<RollInput> inputs;
    for (const std::string& path : named) {
        struct stat st {};
        bool isFolder = StatPath(path, &st) == 0 && S_ISDIR(st.st_mode);
        if (!isFolder) {
            inputs.push_back(RollInput{path, std::nullopt, false, {}, out});
        } else if (!recursive) {
            inputs.push_back(RollInput{path, std::nullopt, true, {}, {}});
        } else {
            std::vector<RollInput> found;
            Walk(path, found);
            std::stable_sort(
                found.begin(), found.end(),
                [](const RollInput& a, const RollInput& b) { return a.path < b.path; });
            // Below the output folder, the roll's folder's place below the named one (each found
            // path begins with the named folder and a separator).
            const std::size_t below = path.ends_with('/') ? path.size() : path.size() + 1;
            for (RollInput& input : found) {
                if (!out.empty() && input.listingError.empty())
                    input.outputFolder =
                        out + input.path.substr(below, input.path.rfind('/') + 1 - below);
                inputs.push_back(std::move(input));
            }
        }
    }

    std::map<OutputKey, std::size_t> firstWriter;
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        RollInput& input = inputs[i];
        if (input.folder || !input.listingError.empty()) continue;
        std::optional<OutputKey> key = OutputKeyOf(input.path, input.outputFolder);
        if (!key) continue;
        auto [it, added] = firstWriter.try_emplace(*key, i);
        if (!added) input.sameOutputAs = it->second;
    }
    return inputs;
}

}  // namespace rollscribe
