#include "cli/RollInputs.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <tuple>

#include "platform/CException.h"
#include "platform/FileFaults.h"
#include "roll/CRollscribeDoc.h"
#include "roll/OutputNames.h"

namespace rollscribe {

namespace fs = std::filesystem;

namespace {

// Whether a file found under a folder is taken as a roll: its extension is bar or web.
bool HasRollExtension(const std::string& name) {
    std::size_t dot = name.rfind('.');
    if (dot == std::string::npos || name.size() - dot != 4) return false;
    CString extension(name.substr(dot + 1));
    extension.MakeLower();
    return extension == "bar" || extension == "web";
}

// Adds the rolls under folder (and the folders that could not be read) to found.
void Walk(const fs::path& folder, std::vector<RollInput>& found) {
    std::error_code ec;
    int fault = InjectedFileFault(FileOperation::readFolder, folder.c_str());
    fs::directory_iterator it;
    if (!fault) it = fs::directory_iterator(folder, ec);
    if (fault || ec) {
        RollInput entry;
        entry.path = folder.string();
        entry.listingError = "cannot read the folder: " + OsErrorText(fault ? fault : ec.value());
        found.push_back(std::move(entry));
        return;
    }
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        const fs::directory_entry& entry = *it;
        fs::file_status link = entry.symlink_status(ec);
        if (fs::is_directory(link)) {
            Walk(entry.path(), found);
            continue;
        }
        // A file, or a symbolic link to one (never to a folder).
        if (!HasRollExtension(entry.path().filename().string())) continue;
        if (fs::is_regular_file(link) ||
            (fs::is_symlink(link) && fs::is_regular_file(entry.status(ec))))
            found.push_back(RollInput{entry.path().string(), std::nullopt, false, {}});
    }
    if (ec) {
        RollInput entry;
        entry.path = folder.string();
        entry.listingError = "cannot read the folder: " + OsErrorText(ec.value());
        found.push_back(std::move(entry));
    }
}

// The MIDI file a roll would write, by its folder's device and inode and the file name (or, when
// the folder cannot be looked at, by the path); none for a name that is not a roll's or a file
// that cannot be converted at all.
using OutputKey = std::tuple<dev_t, ino_t, std::string>;

std::optional<OutputKey> OutputKeyOf(const std::string& path) {
    // A name that is not a regular file (missing, a folder) fails without writing anything.
    struct stat roll {};
    if (::stat(path.c_str(), &roll) != 0 || !S_ISREG(roll.st_mode)) return std::nullopt;
    CString full = FullPath(CString(path));
    std::string_view view = full.View();
    std::size_t slash = view.rfind('/');
    std::string folder(view.substr(0, slash == 0 ? 1 : slash));
    CString name = full.Mid(slash + 1);
    if (!CRollscribeDoc::IsRollFileName(name)) return std::nullopt;
    std::string output = OutputFileName(RollTitleOf(name), kMidiExtension).ToStdString();
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0) return OutputKey{0, 0, folder + "/" + output};
    return OutputKey{st.st_dev, st.st_ino, output};
}

}  // namespace

std::vector<RollInput> CollectRollInputs(const std::vector<std::string>& named, bool recursive) {
    std::vector<RollInput> inputs;
    for (const std::string& path : named) {
        std::error_code ec;
        bool isFolder = fs::is_directory(fs::path(path), ec);
        if (!isFolder) {
            inputs.push_back(RollInput{path, std::nullopt, false, {}});
        } else if (!recursive) {
            inputs.push_back(RollInput{path, std::nullopt, true, {}});
        } else {
            std::vector<RollInput> found;
            Walk(fs::path(path), found);
            std::stable_sort(
                found.begin(), found.end(),
                [](const RollInput& a, const RollInput& b) { return a.path < b.path; });
            for (RollInput& input : found) inputs.push_back(std::move(input));
        }
    }

    std::map<OutputKey, std::size_t> firstWriter;
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        RollInput& input = inputs[i];
        if (input.folder || !input.listingError.empty()) continue;
        std::optional<OutputKey> key = OutputKeyOf(input.path);
        if (!key) continue;
        auto [it, added] = firstWriter.try_emplace(*key, i);
        if (!added) input.sameOutputAs = it->second;
    }
    return inputs;
}

}  // namespace rollscribe
