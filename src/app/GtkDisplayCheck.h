#pragma once

#include <string>
#include <vector>

namespace rollscribe {

// Opens the display that the toolkit options name (--display) or, without one, the
// environment's, and keeps it open as GDK's default display, which the toolkit then takes; false
// when it cannot be opened. Without a display the toolkit would report its failure in a message
// box it cannot show, and abort. The connection stays open: an X server with no other client
// resets when its last one leaves, and refuses or drops the toolkit's connection meanwhile.
bool OpenToolkitDisplay(const std::vector<std::string>& toolkitArgs);

// The scope (see DisplayScope) of the display that the toolkit has opened; empty when it has
// opened none. runtimeDir: the user's runtime folder, where Wayland's sockets are.
std::string OpenedDisplayScope(const std::string& runtimeDir);

}  // namespace rollscribe
