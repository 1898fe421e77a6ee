// A top-level window of the tool on Win32: its window class (button-face
// background, the program's icon), the routing of its messages to a C++ object,
// the keyboard focus among its controls, and the object's end.
//
// Who frees the object: until Adopt() its creator does (so a window the system
// refused, even after WM_NCCREATE, is freed once, by that creator); from Adopt()
// on the window does, once it has been destroyed and no message handler of the
// object is still running. A close during a nested message loop (a dialog's, a
// wait that keeps the window answering) destroys the window under handlers that
// are still on the stack; the object outlives them and goes when the outermost
// one has returned.
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

    // nullptr once the window has been destroyed.
    HWND Handle() const { return hwnd_; }

    // The window (and all its controls) become visible and active.
    void Show();
    // Asks the window to close, as the close box of its frame does.
    void Close();

    // The caption of the window's frame (UTF-8).
    void SetCaption(const std::string& utf8);

    // Hands the object to its window (see above). When the window is gone
    // already, the object is freed here and false returned.
    bool Adopt();

    // Enables or disables one of the window's controls. A control that is
    // disabled while it has the keyboard focus hands it on to the next enabled
    // control in tab order, or to the window when there is none; a control
    // enabled while the window itself holds the focus for want of one takes it.
    void EnableControl(HWND control, bool enabled);

protected:
    // Makes the window: no resizing, centred on the desktop, of the given outer
    // size (frame included) in pixels at 96 dpi, scaled to the system's DPI.
    bool CreateTopLevel(int outerWidthAt96, int outerHeightAt96);

    // Every message of the window comes here first; return true when handled
    // (with *result the answer), false for the default handling.
    virtual bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
    // The window is gone (WM_NCDESTROY); Handle() is nullptr from here on.
    virtual void Destroyed() {}

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    // Keyboard focus as a dialog keeps it: the first control in tab order when
    // the window is first activated, the one that had it when it is activated again.
    bool HandleFocus(UINT message, WPARAM wParam);
    void RestoreFocus();
    // The control that should get the focus after `from` (nullptr: the first),
    // skipping disabled and hidden ones; nullptr when there is none.
    HWND NextFocusable(HWND from) const;

    HWND hwnd_ = nullptr;
    HWND savedFocus_ = nullptr;  // the control that had the focus when the window was deactivated
    int running_ = 0;            // message handlers of this object on the stack
    bool adopted_ = false;
    bool gone_ = false;  // WM_NCDESTROY has been seen
};

// The cursor over every window of the program: the hourglass while `busy`.
// Shown at once, also while the calling handler keeps the UI thread busy.
void SetScreenCursorBusy(bool busy);
bool ScreenCursorBusy();

}  // namespace win32ui
