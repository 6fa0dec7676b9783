#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/DisplayScope.h"

using namespace rollscribe;

namespace {

struct ScopeCase {
    DisplayKind kind;
    std::string name;
    std::string scope;
};

// Names of one display share a scope; every scope here is a file name of its own.
TEST(DisplayScope, NamesOfOneDisplayShareAScope) {
    const std::string longHost(80, 'h');
    const std::vector<ScopeCase> cases = {
        {DisplayKind::x11, ":92", "x11-92"},
        {DisplayKind::x11, ":92.0", "x11-92"},
        {DisplayKind::x11, ":92.1", "x11-92"},
        {DisplayKind::x11, "unix:92", "x11-92"},
        {DisplayKind::x11, "unix:92.0", "x11-92"},
        {DisplayKind::x11, ":092", "x11-92"},
        {DisplayKind::x11, ":0", "x11-0"},
        {DisplayKind::x11, ":9", "x11-9"},
        {DisplayKind::x11, ":920", "x11-920"},
        {DisplayKind::x11, "localhost:10.0", "x11-localhost-10"},
        {DisplayKind::x11, "server.example:3", "x11-server.example-3"},
        {DisplayKind::x11, "decnet::2", "x11-decnet-2"},
        {DisplayKind::x11, "[::1]:5", "x11-%5B%3A%3A1%5D-5"},
        {DisplayKind::x11, "/tmp/x/org.x:0", "x11-%2Ftmp%2Fx%2Forg.x-0"},
        {DisplayKind::x11, "nonsense", "x11-nonsense"},
        {DisplayKind::x11, ":a", "x11-%3Aa"},
        {DisplayKind::x11, "", ""},
        {DisplayKind::wayland, "wayland-0", "wayland-wayland-0"},
        {DisplayKind::wayland, "/run/user/1000/wayland-0", "wayland-wayland-0"},
        {DisplayKind::wayland, "/run/user/1000/sub/wayland-0",
         "wayland-%2Frun%2Fuser%2F1000%2Fsub%2Fwayland-0"},
        {DisplayKind::wayland, "/run/user/10000/wayland-0",
         "wayland-%2Frun%2Fuser%2F10000%2Fwayland-0"},
        {DisplayKind::wayland, "wayland-1", "wayland-wayland-1"},
        {DisplayKind::other, "broadway:5", "display-broadway%3A5"},
        {DisplayKind::x11, longHost + ":1", "x11-" + std::string(27, 'h') + "-ebb0ab76eb5568c6"},
    };
    for (const ScopeCase& c : cases) {
        EXPECT_EQ(DisplayScope(c.kind, c.name, "/run/user/1000"), c.scope) << c.name;
    }
}

}  // namespace
