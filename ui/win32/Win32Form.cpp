#include "ui/win32/Win32Form.h"

#include "platform/win32/Win32Text.h"
#include "ui/win32/Controls.h"
#include "ui/win32/Fonts.h"
#include "ui/win32/MessageLoop.h"
#include "ui/win32/MsgBox.h"

#include <algorithm>
#include <exception>
#include <vector>

namespace {

constexpr int kFirstControlId = 100;

HFONT MakeFont(const FormFont& font) {
    // A size in points is the character height of that many points at 96 dpi.
    const int height = font.pixelHeight > 0 ? font.pixelHeight : ::MulDiv(font.pointSize, 96, 72);
    return win32ui::CreateChineseFont(height, font.bold, static_cast<BYTE>(font.charset));
}

COLORREF ColourRef(std::uint32_t rgb) { return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }

std::size_t Index(FormControl control) { return static_cast<std::size_t>(control); }

}  // namespace

int TWin32Form::ControlId(FormControl control) { return kFirstControlId + static_cast<int>(control); }

TWin32Form::TWin32Form(const FormLayout& layout, bool isMainWindow) : layout_(layout), isMainWindow_(isMainWindow) {}

TWin32Form::~TWin32Form() {
    for (HFONT font : ownFonts_)
        if (font) ::DeleteObject(font);
    if (windowFont_) ::DeleteObject(windowFont_);
}

TWin32Form* TWin32Form::Create(const FormLayout& layout, const LogicFactory& makeLogic, bool isMainWindow) {
    // Freed here, once, whatever the system did with a window it refused.
    std::unique_ptr<TWin32Form> made(new TWin32Form(layout, isMainWindow));
    if (!made->CreateTopLevel(layout.outerWidth, layout.outerHeight) || !made->CreateControls()) return nullptr;
    made->logic_ = makeLogic(*made);
    TWin32Form* form = made.get();
    form->Forward([form] { form->logic_->FormCreate(); });
    return made.release()->Adopt() ? form : nullptr;
}

bool TWin32Form::CreateControls() {
    windowFont_ = win32ui::CreateWindowFont();
    ::SendMessageW(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(windowFont_), FALSE);
    for (const ControlLayout& row : layout_.controls) {
        HWND parent = row.parent == FormControl::Form ? Handle() : controls_[Index(row.parent)];
        HFONT font = windowFont_;
        if (row.font) font = ownFonts_[Index(row.control)] = MakeFont(*row.font);
        const win32ui::ControlSpec spec{ControlId(row.control),
                                        row.left,
                                        row.top,
                                        row.width,
                                        row.height,
                                        row.caption,
                                        font,
                                        row.visible,
                                        row.enabled};
        HWND control = nullptr;
        switch (row.control) {
            case FormControl::grpCommConfig: control = win32ui::CreateGroupBox(parent, spec); break;
            case FormControl::lblComStatTips:
                control = win32ui::CreateLabel(parent, spec);
                if (control && !row.sizeToText)
                    ::SetWindowPos(control, nullptr, 0, 0, win32ui::Scale(row.width), win32ui::Scale(row.height),
                                   SWP_NOMOVE | SWP_NOZORDER);
                break;
            default: control = win32ui::CreateButton(parent, spec); break;
        }
        if (!control) return false;
        controls_[Index(row.control)] = control;
    }
    // Tab goes through the controls of one parent in their z-order: put them there
    // in their tab order.
    std::vector<const ControlLayout*> rows;
    for (const ControlLayout& row : layout_.controls) rows.push_back(&row);
    std::stable_sort(rows.begin(), rows.end(),
                     [](const ControlLayout* a, const ControlLayout* b) { return a->tabOrder < b->tabOrder; });
    for (const ControlLayout* row : rows)
        ::SetWindowPos(controls_[Index(row->control)], HWND_BOTTOM, 0, 0, 0, 0,
                       SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    return true;
}

HWND TWin32Form::ControlHandle(FormControl control) const {
    return control == FormControl::Form ? Handle() : controls_[Index(control)];
}

const ControlLayout* TWin32Form::RowOf(HWND control) const {
    for (const ControlLayout& row : layout_.controls)
        if (controls_[Index(row.control)] == control) return &row;
    return nullptr;
}

void TWin32Form::Forward(const std::function<void()>& event) {
    try {
        event();
    } catch (const std::exception& e) {
        // What the window system does with an error nobody caught: it names it.
        ShowMessageDialog(e.what(), "", mbOK, mkError, Handle());
    }
}

void TWin32Form::SetEnabled(FormControl control, bool enabled) {
    if (control == FormControl::Form)
        win32ui::Enable(Handle(), enabled);
    else
        EnableControl(ControlHandle(control), enabled);
}

bool TWin32Form::IsEnabled(FormControl control) const { return win32ui::Enabled(ControlHandle(control)); }

void TWin32Form::SetText(FormControl control, const std::string& text) {
    if (control == FormControl::Form) {
        SetCaption(text);
        return;
    }
    HWND handle = ControlHandle(control);
    const ControlLayout* row = RowOf(handle);
    if (row && row->sizeToText)
        win32ui::SetLabelText(handle, text);
    else
        win32ui::SetText(handle, text);
}

void TWin32Form::SetBusyCursor(bool busy) { win32ui::SetScreenCursorBusy(busy); }

void TWin32Form::ProcessEvents(long waitMs) { win32ui::ProcessMessages(waitMs); }

void TWin32Form::PostToSelf(int message) {
    {
        std::lock_guard lock(postedMutex_);
        posted_.insert(message);
    }
    ::PostMessageW(Handle(), static_cast<UINT>(message), 0, 0);
}

void TWin32Form::CloseSelf() { ::PostMessageW(Handle(), WM_CLOSE, 0, 0); }

void TWin32Form::StartTimer(int id, long intervalMs) {
    ::SetTimer(Handle(), static_cast<UINT_PTR>(id), static_cast<UINT>(intervalMs), nullptr);
}

void TWin32Form::StopTimer(int id) { ::KillTimer(Handle(), static_cast<UINT_PTR>(id)); }

// Also from the card watcher's thread: the dialog opens on this window's thread,
// owned by this window whichever program is in front.
void TWin32Form::ShowInfo(const std::string& text) { ::ShowInfo(text, Handle()); }

bool TWin32Form::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    switch (message) {
        case WM_SHOWWINDOW:
            // Shown by ShowWindow (lParam 0), not merely uncovered again after the
            // window was minimized.
            if (wParam && lParam == 0) Forward([this] { logic_->FormShow(); });
            return false;
        case WM_CLOSE: {
            bool close = true;
            Forward([this, &close] { close = logic_->FormClose(); });
            if (close) ::DestroyWindow(Handle());
            *result = 0;
            return true;
        }
        case WM_DESTROY:
            // Without a logic the system refused the window while it was being made.
            if (!logic_) return false;
            if (!destroying_) {
                destroying_ = true;
                Forward([this] { logic_->FormDestroy(); });
            }
            if (isMainWindow_) ::PostQuitMessage(0);
            return false;
        case WM_COMMAND: {
            const int id = LOWORD(wParam);
            if (HIWORD(wParam) == BN_CLICKED && id >= kFirstControlId &&
                id < kFirstControlId + static_cast<int>(kControlCount)) {
                const auto control = static_cast<FormControl>(id - kFirstControlId);
                Forward([this, control] { logic_->Click(control); });
                *result = 0;
                return true;
            }
            return false;
        }
        case WM_TIMER:
            Forward([this, wParam] { logic_->TimerFired(static_cast<int>(wParam)); });
            *result = 0;
            return true;
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN: {
            // Labels and group boxes on the button face, in their own colour if they have one.
            HDC dc = reinterpret_cast<HDC>(wParam);
            const ControlLayout* row = RowOf(reinterpret_cast<HWND>(lParam));
            const bool ownColour = row && row->font && row->font->colour != kWindowTextColour;
            ::SetTextColor(dc, ownColour ? ColourRef(row->font->colour) : ::GetSysColor(COLOR_WINDOWTEXT));
            ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
            *result = reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
            return true;
        }
        default: break;
    }
    if (message >= WM_USER && message <= 0x7FFF) {
        bool mine;
        {
            std::lock_guard lock(postedMutex_);
            mine = posted_.count(static_cast<int>(message)) != 0;
        }
        if (mine) {
            Forward([this, message] { logic_->MessageReceived(static_cast<int>(message)); });
            *result = 0;
            return true;
        }
    }
    return Window::HandleMessage(message, wParam, lParam, result);
}
