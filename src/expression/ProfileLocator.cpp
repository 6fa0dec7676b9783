// Which profile a roll gets, and where the programs' own profiles lie.
#include "expression/ProfileLocator.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "expression/ProfileReader.h"

namespace fs = std::filesystem;

namespace rollscribe {

namespace {

bool IsWordCharacter(char c) noexcept {
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

// Whether text (lowercase) holds word as a word of its own: not inside a run of letters and digits.
bool HasWord(std::string_view text, std::string_view word) noexcept {
    for (std::size_t at = text.find(word); at != std::string_view::npos;
         at = text.find(word, at + 1)) {
        bool startsWord = at == 0 || !IsWordCharacter(text[at - 1]);
        std::size_t end = at + word.size();
        bool endsWord = end == text.size() || !IsWordCharacter(text[end]);
        if (startsWord && endsWord) return true;
    }
    return false;
}

bool IsDirectory(const fs::path& path) {
    std::error_code ec;
    return fs::is_directory(path, ec);
}

// The folder of the running program, from /proc/self/exe; empty when it cannot be read.
fs::path ProgramFolder() {
    char self[4096];
    ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return {};
    return fs::path(std::string(self, static_cast<std::size_t>(n))).parent_path();
}

std::string AvailableNames(const fs::path& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        if (it->path().extension() == ".json") names.push_back(it->path().stem().string());
    std::sort(names.begin(), names.end());
    std::string list;
    for (const std::string& name : names) list += (list.empty() ? "" : ", ") + name;
    return list.empty() ? "none" : list;
}

}  // namespace

std::string ChooseProfileName(const CString& rollType) {
    CString lower = rollType;
    lower.MakeLower();
    std::string_view type = lower.View();
    auto has = [type](std::string_view part) { return type.find(part) != std::string_view::npos; };
    if (has("licensee")) return "welte-licensee";
    if (has("welte"))
        return has("green") || has("t-98") || has("t98") ? "welte-green" : "welte-red";
    if (has("duo-art") || has("duoart")) return "duo-art";
    if (has("ampico")) return HasWord(type, "b") ? "ampico-b" : "ampico-a";
    return "88-note";
}

bool IsProfileFile(std::string_view nameOrFile) noexcept {
    constexpr std::string_view kExtension = ".json";
    return nameOrFile.find('/') != std::string_view::npos ||
           (nameOrFile.size() >= kExtension.size() &&
            nameOrFile.substr(nameOrFile.size() - kExtension.size()) == kExtension);
}

std::string ProfileFolder() {
    fs::path program = ProgramFolder();
    if (!program.empty()) {
        for (const char* relative :
             {ROLLSCRIBE_PROFILES_FROM_BIN, ROLLSCRIBE_PROFILES_FROM_LIBEXEC}) {
            fs::path folder = (program / relative).lexically_normal();
            if (IsDirectory(folder)) return folder.string();
        }
    }
    return IsDirectory(ROLLSCRIBE_PROFILES_INSTALLED) ? std::string(ROLLSCRIBE_PROFILES_INSTALLED)
                                                      : std::string();
}

RollProfile LoadProfile(const std::string& nameOrFile) {
    if (IsProfileFile(nameOrFile)) return ReadProfileFile(nameOrFile);

    bool plainName = !nameOrFile.empty() && nameOrFile.size() <= 64 &&
                     std::all_of(nameOrFile.begin(), nameOrFile.end(), [](char c) {
                         return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                                (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.';
                     });
    if (!plainName || nameOrFile.front() == '.')
        throw ProfileError(nameOrFile,
                           "is not a profile name (letters, digits, '-', '_' and "
                           "'.'), nor a file (a path with '/' or ending in .json)");
    std::string name = nameOrFile;
    std::transform(name.begin(), name.end(), name.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; });

    std::string folder = ProfileFolder();
    if (folder.empty())
        throw ProfileError(name, std::string("the profile folder is missing (looked beside the "
                                             "program and in ") +
                                     ROLLSCRIBE_PROFILES_INSTALLED + ")");
    fs::path file = fs::path(folder) / (name + ".json");
    std::error_code ec;
    if (!fs::exists(file, ec))
        throw ProfileError(file.string(), "there is no profile named '" + name +
                                              "'; the profiles are: " + AvailableNames(folder));
    return ReadProfileFile(file.string());
}

}  // namespace rollscribe
