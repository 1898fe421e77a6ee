// The Qt face of the program's message dialog (the rules are in
// ui/MsgBoxModel.h): warnings, errors, prompts and questions to the operator,
// with Chinese button captions and a text that can be copied with Ctrl+C for
// support requests.
//
// Threads: BuildMessageDialog and the dialog itself belong to the GUI thread.
// ShowMessageDialog, ShowInfo and ShowInfoUtf8 may be called from any thread;
// off the GUI thread they hand the dialog to the GUI thread and block until
// the operator has closed it (ui/DialogHandOver.h). The GUI thread must
// therefore keep processing events meanwhile (a nested event loop is fine); if
// it instead waits for the calling thread, both wait forever. Without a
// QApplication they print the message to stderr and return mrNone.
#pragma once

#include "ui/MsgBoxModel.h"

#include <QDialog>
#include <QString>

#include <string>

class QEvent;
class QKeyEvent;
class QLabel;
class QShowEvent;

class TMessageForm : public QDialog {
    Q_OBJECT
public:
    explicit TMessageForm(QWidget* parent = nullptr);

    // The label showing the message text (objectName "Message").
    QLabel* Message = nullptr;

    // Closing from the frame answers mrCancel, whatever buttons there are.
    void reject() override;

protected:
    // A message must reach the operator even while another program is in
    // front: shown, the dialog comes up and asks to be the active window.
    void showEvent(QShowEvent* event) override;
    // Enter and Esc press the buttons the model says (AnswerDialogKey);
    // Ctrl+C copies the dialog's text.
    void keyPressEvent(QKeyEvent* event) override;
    // Sees the keys of the buttons before they do, so Ctrl+C works whichever
    // button has the focus.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Ctrl+C, Enter and Esc; whether the key was used up.
    bool HandleKey(const QKeyEvent& event);
};

// A fixed-size dialog laid out for `text`, centred on the primary screen, not
// yet shown. The caller owns it. GUI thread only.
//
// `parent` is the window the dialog speaks for (the main window): a dialog of
// its own stays above it, where an unparented one could slip behind the window
// it blocks and leave the tool looking frozen. nullptr only where there is no
// window.
TMessageForm* BuildMessageDialog(const QString& text, MessageKind kind, MessageButtons buttons,
                                 QWidget* parent = nullptr);

// Shows a modal dialog, a child of `parent` (see BuildMessageDialog), and
// returns its MessageResult. A non-empty `caption` replaces the kind's title.
// From another thread the parent must outlive the call or be destroyed on the
// GUI thread; a parent gone meanwhile leaves the dialog without one.
int ShowMessageDialog(const QString& text, const QString& caption, MessageButtons buttons, MessageKind kind,
                      QWidget* parent = nullptr);

// "提示" with one "确认" button; returns once the operator confirmed.
int ShowInfo(const QString& text, QWidget* parent = nullptr);
void ShowInfoUtf8(const std::string& text, QWidget* parent = nullptr);

// Handles Ctrl+C (exactly Ctrl; Cmd on macOS) as HandleCopyKey of the model
// says. Returns whether the key was handled.
bool HandleCopyKey(TMessageForm& form, const QKeyEvent& event);

// BuildCopyText of the model for this dialog's title, message and buttons.
QString BuildCopyText(const TMessageForm& form);

// Throws std::runtime_error("Cannot open clipboard") when there is no clipboard
// to write to.
void CopyToClipboard(const QString& text);

// Where CopyToClipboard writes: the application's clipboard unless replaced
// (tests stand in a clipboard held by another program). Returns the previous
// writer; nullptr restores the application's clipboard.
using ClipboardWriter = void (*)(const QString& text);
ClipboardWriter SetClipboardWriter(ClipboardWriter writer);
