#include "app/DisplayScope.h"

#include <cstdint>
#include <cstdio>

namespace rollscribe {

namespace {

// Longest scope kept whole: the socket's path must stay within the system's limit.
constexpr std::size_t kLongestScope = 48;

std::string FileNameSafe(std::string_view text) {
    std::string safe;
    for (const char c : text) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '.' || c == '_' || c == '-';
        if (plain) {
            safe += c;
        } else {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", static_cast<unsigned char>(c));
            safe += hex;
        }
    }
    return safe;
}

bool AllDigits(std::string_view text) {
    if (text.empty()) return false;
    for (const char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

// "host:number[.screen]" as "x11-number" for the local host, "x11-host-number" for another.
std::string X11Scope(std::string_view name) {
    const std::size_t colon = name.rfind(':');
    if (colon == std::string_view::npos) return "x11-" + FileNameSafe(name);
    std::string_view host = name.substr(0, colon);
    std::string_view number = name.substr(colon + 1);
    number = number.substr(0, number.find('.'));
    if (!AllDigits(number)) return "x11-" + FileNameSafe(name);
    // Leading zeros name the same display.
    while (number.size() > 1 && number.front() == '0') number.remove_prefix(1);
    if (!host.empty() && host.back() == ':') host.remove_suffix(1);  // DECnet's "host::number"
    if (host.empty() || host == "unix") return "x11-" + std::string(number);
    return "x11-" + FileNameSafe(host) + "-" + std::string(number);
}

std::string WaylandScope(std::string_view name, std::string_view runtimeDir) {
    // A path into the runtime folder names the socket that the plain name names.
    if (!runtimeDir.empty() && name.size() > runtimeDir.size() + 1 &&
        name.substr(0, runtimeDir.size()) == runtimeDir && name[runtimeDir.size()] == '/' &&
        name.find('/', runtimeDir.size() + 1) == std::string_view::npos)
        name.remove_prefix(runtimeDir.size() + 1);
    return "wayland-" + FileNameSafe(name);
}

std::uint64_t Fnv1a(std::string_view text) {
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (const char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001b3ULL;
    }
    return hash;
}

}  // namespace

std::string DisplayScope(DisplayKind kind, std::string_view name, std::string_view runtimeDir) {
    if (name.empty()) return {};
    std::string scope;
    switch (kind) {
        case DisplayKind::x11:
            scope = X11Scope(name);
            break;
        case DisplayKind::wayland:
            scope = WaylandScope(name, runtimeDir);
            break;
        case DisplayKind::other:
            scope = "display-" + FileNameSafe(name);
            break;
    }
    if (scope.size() <= kLongestScope) return scope;
    char hash[17];
    std::snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(Fnv1a(scope)));
    return scope.substr(0, kLongestScope - 17) + "-" + hash;
}

}  // namespace rollscribe
