// A top-level window of the tool on Win32: its window class (button-face
// background, the program's icon), the routing of its messages to a C++ object,
// and the object's end: a window frees its object once it has been destroyed.
#pragma once

#include <windows.h>

#include <string>

namespace win32ui {

class Window {
public:
    Window() = default;
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    HWND Handle() const { return hwnd_; }

    // The window (and all its controls) become visible and active.
    void Show();
    // Asks the window to close, as the close box of its frame does.
    void Close();

    // The caption of the window's frame (UTF-8).
    void SetCaption(const std::string& utf8);
    std::string Caption() const;

    // The window that a control message of this thread is for: the window
    // object behind `hwnd` or behind its top-level ancestor, if it is one of ours.
    static Window* FromHandle(HWND hwnd);

protected:
    // Makes the window: no resizing, centred on the desktop, of the given outer
    // size (frame included) in pixels at 96 dpi, scaled to the system's DPI.
    bool CreateTopLevel(int outerWidthAt96, int outerHeightAt96);

    // Every message of the window comes here first; return true when handled
    // (with *result the answer), false for the default handling.
    virtual bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
    // The window is gone (WM_NCDESTROY); the object is deleted right after.
    virtual void Destroyed() {}

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    HWND hwnd_ = nullptr;
};

// The cursor over every window of the program: the hourglass while `busy`.
// Shown at once, also while the calling handler keeps the UI thread busy.
void SetScreenCursorBusy(bool busy);
bool ScreenCursorBusy();

}  // namespace win32ui
