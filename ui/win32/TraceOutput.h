// Where --trace writes in the window program. A GUI-subsystem program has no
// console of its own: its stderr is whatever it was started with.
#pragma once

namespace win32ui {

// Gives the trace lines a stderr to go to: the handle the program was started
// with when there is one (redirected to a file or a pipe), else the console of
// the program that started it (a command prompt), if any. Without either, the
// lines still reach the debug channel (OutputDebugString) whenever a debugger
// or monitor listens.
void ConnectTraceStderr();

}  // namespace win32ui
