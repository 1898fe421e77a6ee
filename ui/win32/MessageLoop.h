// The UI thread's message loop, and the "process pending messages" step that
// long handlers (the port scan, the wait for the card watcher) run between their
// blocking calls so that the operator's clicks are still answered.
#pragma once

#include <windows.h>

namespace win32ui {

// Runs the message loop until WM_QUIT; returns its exit code.
int RunMessageLoop();

// Handles every message waiting in this thread's queue, then returns. With
// waitMs > 0 it first waits up to that long for one to arrive. A WM_QUIT met
// here is put back, so that the loop that owns it still ends.
void ProcessMessages(long waitMs = 0);

// Hands one message to the windows: keyboard navigation of the window it belongs
// to (Tab between controls, Space and Enter on buttons, what a dialog's controls
// ask for), then the window procedure.
void DispatchOne(const MSG& msg);

}  // namespace win32ui
