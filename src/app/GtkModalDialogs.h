#pragma once

namespace rollscribe {

// Cancels every modal dialog that is up: the program's own dialogs and GTK's (message boxes and
// file choosers, which GTK runs rather than a loop of the program). Returns whether one was up.
bool CancelModalDialogs();

}  // namespace rollscribe
