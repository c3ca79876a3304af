// An orderly close on SIGTERM: the signal only wakes a watcher thread, which
// posts WM_CLOSE to the main window, so the program closes the way it does
// when the user closes the window.
#pragma once

namespace plat {

// Installs the SIGTERM handler and starts the watcher. A signal that comes
// before the main window exists is kept until the window is there.
bool InstallCloseOnTerm();
// True once SIGTERM came while there was no main window to close yet: a
// box asked before the window exists gives way to it.
bool CloseRequestedBeforeWindow();
// Restores the default action and ends the watcher. Safe to call twice.
void UninstallCloseOnTerm();

// Asks another instance to close in order (SIGTERM). False when pid is not
// another process's id or the signal cannot be sent.
bool RequestProcessClose(int pid);

}  // namespace plat
