// The program's message dialog: warnings, errors, prompts and questions to the
// operator, with Chinese button captions and a text that can be copied with
// Ctrl+C for support requests.
//
// Threads: BuildMessageDialog and the dialog itself belong to the GUI thread.
// ShowMessageDialog, ShowInfo and ShowInfoUtf8 may be called from any thread;
// off the GUI thread they hand the dialog to the GUI thread and block until
// the operator has closed it. The GUI thread must therefore keep processing
// events meanwhile (a nested event loop is fine); if it instead waits for the
// calling thread, both wait forever. Without a QApplication they print the
// message to stderr and return mrNone.
#pragma once

#include <QDialog>
#include <QString>

#include <array>
#include <cstdint>
#include <string>

class QEvent;
class QKeyEvent;
class QLabel;

enum MessageKind : std::uint8_t {
    mkWarning = 0,       // 警告, warning icon
    mkError = 1,         // 错误, critical icon
    mkInformation = 2,   // 提示, information icon
    mkConfirmation = 3,  // 确认, question icon
    mkCustom = 4,        // the application's name, no icon
};

// A set of buttons, one bit each; combine with |. Buttons appear left to right
// in bit order.
using MessageButtons = std::uint8_t;
enum MessageButton : MessageButtons {
    mbYes = 1u << 0,      // 是
    mbNo = 1u << 1,       // 否
    mbOK = 1u << 2,       // 确认
    mbAbort = 1u << 3,    // 终止
    mbReplace = 1u << 4,  // 覆盖
    mbIgnore = 1u << 5,   // 忽略
    mbCancel = 1u << 6,   // 取消
    mbRetry = 1u << 7,    // 重试
};
inline constexpr int kMessageButtonCount = 8;

// What a dialog returns: the button clicked, mrCancel when closed from the
// window frame, mrNone when no dialog could be shown.
enum MessageResult : int {
    mrNone = 0,
    mrOK = 1,
    mrCancel = 2,
    mrAbort = 3,
    mrRetry = 4,
    mrIgnore = 5,
    mrYes = 6,
    mrNo = 7,
    mrReplace = 11,
};

class TMessageForm : public QDialog {
    Q_OBJECT
public:
    explicit TMessageForm(QWidget* parent = nullptr);

    // The label showing the message text (objectName "Message").
    QLabel* Message = nullptr;

    // Closing from the frame answers mrCancel, whatever buttons there are.
    void reject() override;

protected:
    // Esc presses the cancel button and does nothing when there is none;
    // Ctrl+C copies the dialog's text.
    void keyPressEvent(QKeyEvent* event) override;
    // Sees the keys of the buttons before they do, so Ctrl+C works whichever
    // button has the focus.
    bool eventFilter(QObject* watched, QEvent* event) override;
};

// Width in pixels of each button, indexed by bit number. An entry is measured
// the first time a dialog shows that button and reused by every later dialog
// of the process. GUI thread only.
std::array<int, kMessageButtonCount>& ButtonWidthCache();

// A fixed-size dialog laid out for `text`, centred on the primary screen, not
// yet shown. The caller owns it. GUI thread only.
TMessageForm* BuildMessageDialog(const QString& text, MessageKind kind, MessageButtons buttons);

// Shows a modal dialog and returns its MessageResult. A non-empty `caption`
// replaces the kind's title.
int ShowMessageDialog(const QString& text, const QString& caption, MessageButtons buttons, MessageKind kind);

// "提示" with one "确认" button; returns once the operator confirmed.
int ShowInfo(const QString& text);
void ShowInfoUtf8(const std::string& text);

// Handles Ctrl+C (exactly Ctrl; Cmd on macOS) by beeping and copying
// BuildCopyText(form). Returns whether the key was handled.
bool HandleCopyKey(TMessageForm& form, const QKeyEvent& event);

// Title, message and button captions between dashed divider lines, CR LF line
// ends, mnemonic markers removed from the captions.
QString BuildCopyText(const TMessageForm& form);

// Throws std::runtime_error("Cannot open clipboard") when there is no clipboard.
void CopyToClipboard(const QString& text);
