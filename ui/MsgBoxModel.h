// What the message dialog is, whatever draws it: the kinds with their titles
// and icons, the eight buttons with their captions and answers, which button
// Enter and Esc press, where everything goes, the text Ctrl+C copies and what
// Ctrl+C does. A face (Qt, Win32) measures text, creates the controls at the
// places computed here and forwards the operator's keys.
#pragma once

#include "ui/DialogUnits.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

enum MessageKind : std::uint8_t {
    mkWarning = 0,       // 警告, warning icon
    mkError = 1,         // 错误, error icon
    mkInformation = 2,   // 提示, information icon
    mkConfirmation = 3,  // 确认, question icon
    mkCustom = 4,        // the application's title, no icon
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
// window frame, mrNone when no dialog could be shown. 1 to 7 are the window
// system's own dialog result numbers.
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

struct MessageButtonInfo {
    const char* name;     // component name; "Ingore" is what scripts look for
    const char* caption;  // UTF-8
    MessageResult result;
};

// The button of bit 0 to 7.
const MessageButtonInfo& ButtonInfo(int bit);

// The bits present in `buttons`, in layout order.
std::vector<int> ButtonBits(MessageButtons buttons);

// The title of a kind (UTF-8); mkCustom takes `applicationTitle`.
std::string KindTitle(MessageKind kind, const std::string& applicationTitle);

// The window system's number of the kind's icon (IDI_EXCLAMATION 32515,
// IDI_HAND 32513, IDI_ASTERISK 32516, IDI_QUESTION 32514), 0 for none.
int KindIconId(MessageKind kind);
inline constexpr int kIconSize = 32;

// The bit of the button Enter presses and of the one Esc presses, -1 for none.
int DefaultButtonBit(MessageButtons buttons);
int CancelButtonBit(MessageButtons buttons);

// What Enter and Esc do in a dialog with `buttons`, the button of `focusedBit`
// having the focus (-1: none of them). Enter presses the focused button, as a
// click would, else the default button; Esc presses the cancel button. Without
// the button it would press, the key is used up all the same: the dialog must
// not invent an answer it does not offer, the operator has to pick a button.
// With a modifier held (Shift, Ctrl, Alt, Meta) neither key is the dialog's.
inline constexpr int kVirtualKeyReturn = 13, kVirtualKeyEscape = 27;
struct DialogKeyAnswer {
    bool usedUp = false;  // the key is the dialog's; nothing else handles it
    int bit = -1;         // the button it presses, -1 for none
    friend bool operator==(const DialogKeyAnswer&, const DialogKeyAnswer&) = default;
};
DialogKeyAnswer AnswerDialogKey(int virtualKey, unsigned modifiers, MessageButtons buttons, int focusedBit);

// Width in pixels of each button, indexed by bit number. An entry is measured
// the first time a dialog shows that button and reused by every later dialog
// of the process. Dialogs are built on the UI thread only, which is what keeps
// this table without a lock.
std::array<int, kMessageButtonCount>& ButtonWidthCache();

// What the layout needs measured, in the dialog font and reading order.
class MessageMeasurer {
public:
    virtual ~MessageMeasurer() = default;
    // The extent of kAverageCharSample as one line.
    virtual CharCell MeasureSample() = 0;
    // The width of a caption as one line.
    virtual int MeasureCaption(const std::string& caption) = 0;
    // The text word-wrapped within `wrapWidth`, tabs expanded: the widest line
    // and the total height.
    virtual CharCell MeasureText(const std::string& text, int wrapWidth) = 0;

protected:
    MessageMeasurer() = default;
};

struct LayoutRect {
    int left = 0, top = 0, width = 0, height = 0;
    int right() const { return left + width; }
    int bottom() const { return top + height; }
    friend bool operator==(const LayoutRect&, const LayoutRect&) = default;
};

struct PlacedButton {
    int bit = 0;
    LayoutRect bounds;
    bool isDefault = false;  // pressed by Enter
    bool isCancel = false;   // pressed by Esc
};

struct MessageLayout {
    CharCell average;
    int marginX = 0, marginY = 0, spacingX = 0, spacingY = 0;
    int buttonWidth = 0, buttonHeight = 0, buttonSpacing = 0, buttonGroupWidth = 0;
    int wrapWidth = 0;
    int textWidth = 0, textHeight = 0;
    int iconTextWidth = 0, iconTextHeight = 0;
    int clientWidth = 0, clientHeight = 0;
    int iconId = 0;  // 0: no icon
    LayoutRect icon;
    LayoutRect message;
    std::vector<PlacedButton> buttons;  // in bit order
};

// The client area of a dialog for `text` on a screen `screenWidth` wide.
// Fills the empty entries of ButtonWidthCache for the buttons present.
MessageLayout LayOutMessageDialog(const std::string& text, MessageKind kind, MessageButtons buttons, int screenWidth,
                                  bool rightToLeft, MessageMeasurer& measurer);

// Where a window of outer size `width` x `height` goes to sit in the middle of
// the screen; each halving rounds toward zero.
struct LayoutPoint {
    int x = 0, y = 0;
    friend bool operator==(const LayoutPoint&, const LayoutPoint&) = default;
};
LayoutPoint CentredOnScreen(int screenWidth, int screenHeight, int width, int height);

// The caption as a button shows it: "&&" is a literal ampersand, any other "&"
// only underlines the next character.
std::string WithoutMnemonics(const std::string& caption);

// Title, message and button captions between dashed divider lines, CR LF line
// ends, mnemonic markers removed from the captions. UTF-8.
std::string BuildCopyText(const std::string& title, const std::string& message,
                          const std::vector<std::string>& captions);

// Modifier keys held with a key, as a set of bits.
enum KeyModifier : unsigned {
    kShiftKey = 1u << 0,
    kCtrlKey = 1u << 1,
    kAltKey = 1u << 2,
    kMetaKey = 1u << 3,
};
inline constexpr int kVirtualKeyC = 67;

// Ctrl+C: the key C with Ctrl and nothing else.
bool IsCopyKey(int virtualKey, unsigned modifiers);

// What copying raises when another program holds the clipboard.
inline constexpr char kCannotOpenClipboard[] = "Cannot open clipboard";

// What Ctrl+C needs of a face.
class CopyKeyFace {
public:
    virtual ~CopyKeyFace() = default;
    virtual std::string CopyText() = 0;
    // Throws std::runtime_error(kCannotOpenClipboard) when the clipboard cannot
    // be opened, std::runtime_error with another reason for other failures.
    virtual void CopyToClipboard(const std::string& utf8) = 0;
    virtual void Beep() = 0;
    // Tells the operator; the dialog stays open.
    virtual void ReportError(const std::string& utf8) = 0;

protected:
    CopyKeyFace() = default;
};

// The key-down handler of every dialog. Returns whether the key was Ctrl+C,
// which is then used up. The beep confirms a copy, so it sounds only once the
// text is on the clipboard; a failed copy is reported instead.
bool HandleCopyKey(int virtualKey, unsigned modifiers, CopyKeyFace& face);
