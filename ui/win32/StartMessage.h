// What the window program says before its window exists: the help, a bad option,
// a --dir it cannot use. A GUI-subsystem program has no console, and the desk
// starts it from a shortcut: the operator sees the text in a message box. The
// text goes to stdout or stderr as well, where a caller that redirected them (a
// file, a pipe: a script, a test) reads it; unredirected, those lead nowhere.
#pragma once

#include <string>

namespace win32ui {

// Writes `out` to stdout and `err` to stderr, then shows the text (err, or out
// when err is empty) in a message box captioned with the program's name: an
// error box when `failed`, else an information box. Returns once the operator
// has confirmed it.
void ReportBeforeWindow(const std::string& out, const std::string& err, bool failed);

}  // namespace win32ui
