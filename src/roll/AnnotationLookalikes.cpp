#include "roll/AnnotationLookalikes.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>

#include "platform/PathAt.h"

namespace rollscribe {

namespace {

std::string Lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// The names in folder that end in ".ann" in any letter case, sorted; none when it cannot be
// listed.
std::vector<std::string> AnnotationNamesIn(const std::string& folder) {
    std::vector<std::string> names;
    PathAt at(folder);
    int fd = at.Error() ? -1 : ::openat(at.Dir(), at.Name(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* listing = fd < 0 ? nullptr : ::fdopendir(fd);
    if (!listing) {
        if (fd >= 0) ::close(fd);
        return names;
    }
    while (const dirent* entry = ::readdir(listing)) {
        std::string name = entry->d_name;
        if (name.size() > 4 && Lower(name.substr(name.size() - 4)) == ".ann")
            names.push_back(std::move(name));
    }
    ::closedir(listing);
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

std::string AnnotationLookalikes::Find(const std::string& rollPath,
                                       const std::string& annotationName) {
    const std::size_t slash = rollPath.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : rollPath.substr(0, slash + 1);
    const std::string rollName = rollPath.substr(slash == std::string::npos ? 0 : slash + 1);
    const std::string stem = rollName.substr(0, rollName.rfind('.'));
    const std::string asRead = Lower(annotationName);
    const std::string ofStem = Lower(stem + ".ann");

    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_listings.find(folder);
    if (it == m_listings.end()) it = m_listings.emplace(folder, AnnotationNamesIn(folder)).first;
    for (const std::string& name : it->second) {
        if (name == annotationName) continue;
        const std::string lower = Lower(name);
        if (lower == asRead || lower == ofStem) return name;
    }
    return {};
}

}  // namespace rollscribe
