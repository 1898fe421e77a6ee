// Driving real Win32 windows from a test: the window's thread runs its modal
// loop while a driver thread finds the windows and sends them what an operator
// would (keys, clicks, clipboard use).
#pragma once

#include <windows.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <thread>
#include <vector>

namespace harness {

// The visible top-level windows of `windowClass` in this process, newest first.
std::vector<HWND> VisibleWindows(const wchar_t* windowClass);

// Waits up to 10 s for a visible window of `windowClass` other than `except`.
HWND WaitForWindow(const wchar_t* windowClass, HWND except = nullptr);

// Waits up to 10 s until `done` holds; returns whether it did.
bool WaitUntil(const std::function<bool()>& done);

std::string Text(HWND window);  // WM_GETTEXT, as UTF-8
std::wstring ClassOf(HWND window);
std::vector<HWND> Children(HWND parent);

// The window with the keyboard focus on `thread`.
HWND FocusOf(DWORD thread);

// Keys as the operator types them: pressed in order, released in reverse, as
// input of the window system, so the window in front receives them with the
// modifier state it would have at a desk. Returns at once; use the keys' effect
// (a dialog closed, the clipboard changed) to know they were handled.
void Press(std::initializer_list<WORD> keys);

// The clipboard as another program sees it.
std::wstring ClipboardText();
void SetClipboardText(const std::wstring& text);

// Runs `act` on a thread of its own, given the id of the thread that created
// it. Joining waits for it; if the windows of class `windowClass` are still
// open 10 s after `act` ended, they are closed so that a failed test ends.
class Driver {
public:
    Driver(const wchar_t* windowClass, std::function<void(DWORD uiThread)> act);
    ~Driver();
    void Join();

private:
    std::thread thread_;
};

// A 24-bit BMP of the screen area of `window`, frame included.
bool SaveWindowBitmap(HWND window, const std::wstring& path);

}  // namespace harness
