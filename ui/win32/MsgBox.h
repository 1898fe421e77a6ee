// The Win32 face of the program's message dialog (the rules are in
// ui/MsgBoxModel.h): the system message font, text measured with
// GetTextExtentPoint32W and DrawTextW, the system icons, standard buttons,
// Ctrl+C to the clipboard as Unicode text. user32, gdi32 and comctl32 only.
//
// Threads: a dialog belongs to the thread that builds it. ShowMessageDialog and
// ShowInfo may be called from any thread: while a MessageDialogThread exists,
// a call from another thread opens the dialog on that thread and blocks until
// the operator has closed it, so that thread must keep serving its messages
// meanwhile (a nested message loop is fine). Without one, the dialog runs on
// the calling thread.
#pragma once

#include "ui/MsgBoxModel.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

class TMessageForm {
public:
    TMessageForm(const TMessageForm&) = delete;
    TMessageForm& operator=(const TMessageForm&) = delete;
    ~TMessageForm();

    HWND Handle() const { return handle_; }
    // The label showing the message text (component name "Message").
    HWND Message() const { return message_; }
    // The icon (component name "Image"); nullptr for mkCustom.
    HWND Image() const { return image_; }
    // The button of bit 0 to 7, nullptr when the dialog has none. Its control
    // id is its dialog result.
    HWND Button(int bit) const;
    const MessageLayout& Layout() const { return layout_; }

    // Shows the dialog modally on this thread: every other window of the
    // thread is disabled until the operator has chosen. Returns the result.
    int ShowModal();

private:
    friend TMessageForm* BuildMessageDialog(const std::string&, MessageKind, MessageButtons, HWND);
    friend class FormAccess;
    TMessageForm() = default;

    void ShowModeless(std::function<void(int)> onClosed);
    void Close(int result);
    bool HandleKey(WPARAM key);
    void DisableOtherWindows();
    void EnableOtherWindows();

    HWND handle_ = nullptr;
    HWND message_ = nullptr;
    HWND image_ = nullptr;
    HFONT font_ = nullptr;  // owned when not the stock font
    bool ownsFont_ = false;
    MessageLayout layout_;
    std::vector<std::pair<int, HWND>> buttons_;  // bit, button, in creation order
    HWND defaultButton_ = nullptr;
    bool closed_ = false;
    std::vector<HWND> disabled_;
    int modalResult_ = mrNone;
    std::function<void(int)> onClosed_;  // for a dialog opened for another thread
};

// A dialog laid out for `text` (UTF-8), centred on the screen, not yet shown,
// owned by `owner`. The caller owns the object.
//
// The owner is the window the dialog speaks for (the main window), never
// whichever window happens to be active: while another program is in front
// this thread has no active window, and an unowned dialog can end up behind
// the main window it disables, leaving the tool looking frozen. An owned
// window always stays above its owner. nullptr only where there is no window.
TMessageForm* BuildMessageDialog(const std::string& text, MessageKind kind, MessageButtons buttons,
                                 HWND owner = nullptr);

// Shows a modal dialog owned by `owner` (see BuildMessageDialog), brought to the
// front, and returns its MessageResult. A non-empty `caption` replaces the
// kind's title. Where the system refuses to bring it to the front (another
// program has the foreground), the dialog and the taskbar button of its owner
// flash until the operator turns to them.
int ShowMessageDialog(const std::string& text, const std::string& caption, MessageButtons buttons, MessageKind kind,
                      HWND owner = nullptr);

// "提示" with one "确认" button; returns once the operator confirmed.
int ShowInfo(const std::string& text, HWND owner = nullptr);

// Names the thread that owns the windows: created on it, it takes the dialogs
// asked for by other threads for as long as it lives. Destroying it closes
// every such dialog still open with mrNone, so no asking thread is left
// waiting. One at a time.
class MessageDialogThread {
public:
    MessageDialogThread();
    ~MessageDialogThread();
    MessageDialogThread(const MessageDialogThread&) = delete;
    MessageDialogThread& operator=(const MessageDialogThread&) = delete;
};

// BuildCopyText of the model for this dialog (UTF-8).
std::string BuildCopyText(const TMessageForm& form);

// Puts `text` (UTF-8) on the clipboard as CF_UNICODETEXT, `owner` becoming the
// clipboard's owner. The dialog passes itself: with no owner at all, emptying
// the clipboard leaves it without one and the system may then refuse the data.
// Throws std::runtime_error(kCannotOpenClipboard) when another program holds
// the clipboard, std::runtime_error with the reason for other failures.
void CopyToClipboard(const std::string& text, HWND owner);
