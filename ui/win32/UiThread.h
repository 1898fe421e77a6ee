// The UI thread of the Win32 windows: its message loop, the "process pending
// messages" step that long handlers (the port scan) run between their blocking
// calls, and work handed to it from other threads.
#pragma once

#include <windows.h>

#include <functional>

namespace win32ui {

// Makes the calling thread the UI thread. Call once, before any window is made.
void InitUiThread();
bool IsUiThread();

// Runs the message loop until WM_QUIT; returns its exit code.
int RunMessageLoop();

// Handles every message waiting in this thread's queue, then returns. A WM_QUIT
// met here is put back, so that the loop that owns it still ends.
void ProcessMessages();

// Runs `work` on the UI thread from its message loop (or from ProcessMessages).
// Callable from any thread. False when the UI thread takes no more work; the
// work is then destroyed unrun, as is work still queued at ShutdownUiThread.
bool PostToUiThread(std::function<void()> work);

// Ends the taking of work: queued work is destroyed without running (so whoever
// waits for it learns that it never will), later posts fail. Call on the UI
// thread once its message loop has ended.
void ShutdownUiThread();

// Hands one message to the windows: keyboard navigation of the window it belongs
// to (Tab between controls, Space on buttons), then the window procedure.
void DispatchOne(const MSG& msg);

}  // namespace win32ui
