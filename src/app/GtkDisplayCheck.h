#pragma once

#include <string>
#include <vector>

namespace rollscribe {

// Whether GDK can open the display that the toolkit options name (--display) or, without one,
// the environment's. Without a display the toolkit would report its failure in a message box it
// cannot show, and abort.
bool CanOpenDisplay(const std::vector<std::string>& toolkitArgs);

// The scope (see DisplayScope) of the display that the toolkit has opened; empty when it has
// opened none. runtimeDir: the user's runtime folder, where Wayland's sockets are.
std::string OpenedDisplayScope(const std::string& runtimeDir);

}  // namespace rollscribe
