#pragma once

namespace rollscribe {

// The keyboard's lock states as the window system reports them.
struct KeyboardLocks {
    bool caps = false;
    bool num = false;
    bool scroll = false;

    friend bool operator==(const KeyboardLocks&, const KeyboardLocks&) = default;
};

// The lock states now, from GDK's keyboard map. Where the map gives Scroll Lock no lock state
// (the usual case on X, where the key locks nothing), Scroll Lock is shown as locked between
// alternate presses of the key that reached the program, as the key itself would lock it.
KeyboardLocks ReadKeyboardLocks();

// A press of the Scroll Lock key reached the program.
void NoteScrollLockPressed();

}  // namespace rollscribe
