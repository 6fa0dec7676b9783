#pragma once

#include <string>
#include <string_view>

namespace rollscribe {

// The window system a program shows its windows on.
enum class DisplayKind { x11, wayland, other };

// The display a running program is kept one of, as a part of a file name: two names of the same
// display give the same scope, and different displays different ones.
// - X11 ("host:number.screen"): ":92", ":92.0", "unix:92" and "unix:92.1" are the same local
//   display, "x11-92"; a display on another host keeps its host ("localhost:10.0" is
//   "x11-localhost-10": a forwarded display, not the local ":10"); the screen does not count.
// - Wayland: the compositor's socket, as a name in runtimeDir or as a path ("wayland-0" and
//   "RUNTIME_DIR/wayland-0" are "wayland-wayland-0").
// - Anything else, and a name that does not parse, is kept as it is.
// Characters other than letters, digits, ".", "_" and "-" are written as "%XX"; a long scope is
// shortened, with a hash of the whole name to keep it apart. Empty for an empty name.
std::string DisplayScope(DisplayKind kind, std::string_view name, std::string_view runtimeDir);

}  // namespace rollscribe
