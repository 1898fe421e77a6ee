// TFormFace: what the window logic (TBasicForm, TBasicCommForm, TMainForm) needs
// from a window system. A face (ui/qt/ with Qt Widgets, ui/win32/ with plain Win32
// controls) creates the controls of FormLayout.h, implements this interface and
// forwards the window's events to the logic:
//
//   window created            -> TBasicForm::FormCreate
//   window shown              -> TBasicForm::FormShow
//   close asked for           -> TBasicForm::FormClose; false keeps the window open
//   window being destroyed    -> TBasicForm::FormDestroy (while the face still works)
//   a click on a button       -> the logic's handler (Click(), or the named handler)
//   a message posted to self  -> TBasicForm::MessageReceived
//   a timer going off         -> TBasicForm::TimerFired
//
// An error a handler raises goes to the window system's default error report, which
// is the face's (a message dialog naming the error).
//
// Everything runs on the UI thread, except PostToSelf and ShowInfo, which any
// thread may call.
#pragma once

#include <cstdint>
#include <string>

// The controls of the windows, named as the windows name them. `Form` stands for the
// window itself (its caption is its text).
enum class FormControl : std::uint8_t {
    Form,
    grpCommConfig,
    lblComStatTips,
    btnOpenComm,
    btnStopOpening,
    btnStopComm,
    btnInitCard,
    btnStartInit,
};

class TFormFace {
public:
    virtual ~TFormFace() = default;

    virtual void SetEnabled(FormControl control, bool enabled) = 0;
    virtual bool IsEnabled(FormControl control) const = 0;
    // A caption, a label's text or the window's title, UTF-8. A label is repainted
    // at once: the scan keeps the UI thread busy between two messages.
    virtual void SetText(FormControl control, const std::string& text) = 0;

    // The hourglass for the whole screen, or back to the default cursor.
    virtual void SetBusyCursor(bool busy) = 0;

    // Runs the window messages that are pending. With waitMs > 0 it first waits up
    // to that long for one to arrive (returning as soon as one was handled), so a
    // caller can pause without leaving the operator's clicks unanswered.
    virtual void ProcessEvents(long waitMs = 0) = 0;

    // Queues `message` to this window; it is handed to MessageReceived on the UI
    // thread once the running handlers have returned. Any thread.
    virtual void PostToSelf(int message) = 0;

    // Closes the window as the operator would, once the running handler has returned.
    virtual void CloseSelf() = 0;

    // A repeating timer: TimerFired(id) every intervalMs on the UI thread until
    // stopped. Starting a running timer starts its interval again.
    virtual void StartTimer(int id, long intervalMs) = 0;
    virtual void StopTimer(int id) = 0;

    // The information dialog ("提示", one button "确认"), modal; returns once the
    // operator confirmed. Any thread: off the UI thread the dialog opens on the UI
    // thread and the caller waits.
    virtual void ShowInfo(const std::string& text) = 0;
};
