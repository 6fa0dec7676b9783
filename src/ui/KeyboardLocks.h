#pragma once

// The keyboard's lock states as the window system reports them.
struct KeyboardLocks {
    bool caps = false;
    bool num = false;
    bool scroll = false;

    friend bool operator==(const KeyboardLocks&, const KeyboardLocks&) = default;
};

KeyboardLocks ReadKeyboardLocks();
