// Shared by the message dialog tests: the layout rules worked out independently
// from the font metrics, and helpers to drive modal dialogs.
#pragma once

#include "ui/qt/MsgBox.h"

#include <QFont>
#include <QString>
#include <QStringList>
#include <QThread>

#include <functional>

namespace harness {

// n / divisor of `cell` rounded half away from zero, via floating point.
int Units(int n, int cell, int divisor);

// What a dialog must look like, derived from its font.
struct ExpectedLayout {
    int marginX = 0, marginY = 0, spacingX = 0, spacingY = 0;
    int minButtonWidth = 0, buttonWidth = 0, buttonHeight = 0, buttonSpacing = 0;
    int textWidth = 0, textHeight = 0;
    int iconTextWidth = 0, iconTextHeight = 0;
    int groupWidth = 0, clientWidth = 0, clientHeight = 0;
};

// `captions` are the captions of the dialog's buttons, measured here rather
// than taken from the process-wide width table.
ExpectedLayout Expect(const QFont& font, const QString& text, bool hasIcon, const QStringList& captions);

// Half the width of the primary screen.
int HalfScreenWidth();

// The visible message dialog, or nullptr.
TMessageForm* ShownDialog();

// Once a message dialog is visible and active, calls `act` with it from the
// event loop. Meant for dialogs run with exec(): schedule, then call. After
// `timeoutMs` any visible dialog is closed with mrNone so the test ends.
void WhenDialogShown(std::function<void(TMessageForm*)> act, int timeoutMs = 10000);

// Sends a key as the operator would: to the widget with the keyboard focus.
void PressKey(TMessageForm* dialog, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);

// Runs `job` on a thread of its own. Leaving the scope, it closes any message
// dialog still shown and waits for the thread, so a failed test cannot hang
// or leave a thread blocked behind.
class Worker {
public:
    explicit Worker(std::function<void()> job);
    ~Worker();
    bool finished() const { return thread_->isFinished(); }
    bool waitUntilFinished(int timeoutMs);

private:
    QThread* thread_;
};

class ScopedLayoutDirection {
public:
    explicit ScopedLayoutDirection(Qt::LayoutDirection direction);
    ~ScopedLayoutDirection();

private:
    Qt::LayoutDirection saved_;
};

}  // namespace harness
