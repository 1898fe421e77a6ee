#include "ui/win32/TraceOutput.h"

#include <windows.h>

#include <cstdio>

namespace win32ui {
namespace {

bool UsableHandle(HANDLE handle) {
    return handle != nullptr && handle != INVALID_HANDLE_VALUE && ::GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

}  // namespace

void ConnectTraceStderr() {
    // A handle given at start (redirection, a parent's pipe) is already behind
    // the C runtime's stderr.
    if (UsableHandle(::GetStdHandle(STD_ERROR_HANDLE))) return;
    // Started from a command prompt without redirection: write into its console.
    // The prompt does not wait for a window program, so lines may appear between
    // its own; that is the price of seeing them at all.
    if (!::AttachConsole(ATTACH_PARENT_PROCESS)) return;
    if (std::freopen("CONOUT$", "w", stderr)) std::setvbuf(stderr, nullptr, _IONBF, 0);
}

}  // namespace win32ui
