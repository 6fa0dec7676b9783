#include "ui/GtkKeyboardLocks.h"

#include <gdk/gdk.h>

namespace rollscribe {

namespace {

bool g_scrollPressedLocked = false;  // Scroll Lock pressed an odd number of times
bool g_systemLocksScroll = false;    // the keyboard map has reported Scroll Lock locked

}  // namespace

void NoteScrollLockPressed() {
    g_scrollPressedLocked = !g_scrollPressedLocked;
}

KeyboardLocks ReadKeyboardLocks() {
    KeyboardLocks locks;
    GdkDisplay* display = gdk_display_get_default();
    GdkKeymap* keymap = display ? gdk_keymap_get_for_display(display) : nullptr;
    if (!keymap) return locks;
    // The key-state query of the toolkit tells whether Scroll Lock is held down, not whether it
    // is locked; the keymap tells all three lock states.
    locks.caps = gdk_keymap_get_caps_lock_state(keymap);
    locks.num = gdk_keymap_get_num_lock_state(keymap);
    const bool scroll = gdk_keymap_get_scroll_lock_state(keymap);
    if (scroll) g_systemLocksScroll = true;
    locks.scroll = g_systemLocksScroll ? scroll : g_scrollPressedLocked;
    return locks;
}

}  // namespace rollscribe
