// The Win32 main window on a desk under wine: a fresh working folder (with or
// without the placement files), the window made and shown as cardfmt-gui.exe
// makes it, and what a test needs to drive its controls by window messages and
// to see what the operator sees.
#pragma once

#include "tests/ui/win32/Win32TestSupport.h"
#include "ui/FormFace.h"
#include "ui/win32/MsgBox.h"
#include "ui/win32/Win32Form.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace harness {

class Win32Desk {
public:
    explicit Win32Desk(bool placed = true);
    ~Win32Desk();
    Win32Desk(const Win32Desk&) = delete;
    Win32Desk& operator=(const Win32Desk&) = delete;

    // Makes and shows the main window; the posted placement check has run when
    // this returns. The window frees itself when closed; Window() is then null.
    // `makeLogic` stands in another logic for the TMainForm of the program.
    void OpenMainWindow(const TWin32Form::LogicFactory& makeLogic = {});
    HWND Window() const { return ::IsWindow(window_) ? window_ : nullptr; }
    // The window's face while the window lives.
    TWin32Form* Form() const { return Window() ? form_ : nullptr; }
    HWND Control(FormControl control) const;

    // A click as the mouse gives it (BM_CLICK); runs the handler before returning.
    void Click(FormControl control);
    // The same click queued, for a handler that runs while another one is busy.
    void PostClick(FormControl control);
    bool Enabled(FormControl control) const;
    std::string Text(FormControl control) const;

    // Runs `work` from this thread's message handling, in the order posted: inside
    // whichever loop (a scan's, a dialog's) handles messages next.
    static void PostWork(std::function<void()> work);

    // Handles window messages until `done` holds; false after `timeoutMs`.
    static bool PumpUntil(const std::function<bool()>& done, long timeoutMs = 20000);

    // The visible top-level windows of this thread other than the main window
    // (the message dialogs).
    std::vector<HWND> Dialogs() const;

private:
    MessageDialogThread dialogThread_;
    std::string folder_;
    std::string previousFolder_;
    HWND window_ = nullptr;
    TWin32Form* form_ = nullptr;
};

// The child controls of a dialog whose text is `utf8`.
std::vector<HWND> ChildrenWithText(HWND dialog, const std::string& utf8);
// Sends a key to the dialog's focused control as the keyboard would, with Ctrl
// held down for the key when `ctrl`.
void PressKey(HWND dialog, UINT virtualKey, bool ctrl = false);

}  // namespace harness
