#include "ui/win32/MsgBox.h"

#include "platform/win32/Win32Text.h"
#include "ui/DialogHandOver.h"
#include "ui/FormMessages.h"

#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <stdexcept>

using platform::win32::Utf8ToWide;
using platform::win32::WideToUtf8;

namespace {

constexpr wchar_t kFormClass[] = L"TMessageForm";
constexpr wchar_t kTaskClass[] = L"CardfmtDialogTasks";
constexpr UINT kRunTask = WM_RUNDIALOGTASK;
constexpr UINT kDestroySelf = WM_DESTROYDIALOG;
constexpr UINT_PTR kButtonSubclass = 1;

constexpr DWORD kFormStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN | DS_MODALFRAME;
constexpr DWORD kFormExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;

// The thread that owns the windows and its task window, while a
// MessageDialogThread lives.
std::atomic<HWND> taskWindow{nullptr};
std::atomic<DWORD> dialogThreadId{0};
// Dialogs opened for other threads and still open. Touched on the UI thread only.
std::vector<TMessageForm*>* openForOthers = nullptr;

LRESULT CALLBACK FormProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK ButtonProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);

void RegisterClasses() {
    static const bool registered = [] {
        INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES};
        InitCommonControlsEx(&controls);
        WNDCLASSEXW form{};
        form.cbSize = sizeof(form);
        form.lpfnWndProc = FormProc;
        form.cbWndExtra = sizeof(void*);
        form.hInstance = GetModuleHandleW(nullptr);
        form.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
        form.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        form.lpszClassName = kFormClass;
        RegisterClassExW(&form);
        return true;
    }();
    (void)registered;
}

// The system's message font, or the stock GUI font where the system does not
// give its metrics.
HFONT MessageFont(bool* owned) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
        if (HFONT font = CreateFontIndirectW(&metrics.lfMessageFont)) {
            *owned = true;
            return font;
        }
    }
    *owned = false;
    return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

bool ProcessIsRightToLeft() {
    DWORD layout = 0;
    return GetProcessDefaultLayout(&layout) && (layout & LAYOUT_RTL);
}

// The program's file name without its folder and extension.
std::string ApplicationTitle() {
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring name(path, length);
    if (const auto slash = name.find_last_of(L"\\/"); slash != std::wstring::npos) name.erase(0, slash + 1);
    if (const auto dot = name.rfind(L'.'); dot != std::wstring::npos) name.erase(dot);
    return WideToUtf8(name);
}

std::wstring WindowText(HWND window) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

class GdiMeasurer final : public MessageMeasurer {
public:
    GdiMeasurer(HWND window, HFONT font, bool rightToLeft)
        : window_(window),
          dc_(GetDC(window)),
          old_(SelectObject(dc_, font)),
          readingOrder_(rightToLeft ? DT_RTLREADING : 0) {}
    ~GdiMeasurer() override {
        SelectObject(dc_, old_);
        ReleaseDC(window_, dc_);
    }
    CharCell MeasureSample() override {
        SIZE size{};
        const std::wstring sample = Utf8ToWide(kAverageCharSample);
        GetTextExtentPoint32W(dc_, sample.c_str(), static_cast<int>(sample.size()), &size);
        return CharCell{size.cx, size.cy};
    }
    int MeasureCaption(const std::string& caption) override {
        const std::wstring wide = Utf8ToWide(caption);
        RECT box{0, 0, 0, 0};
        DrawTextW(dc_, wide.c_str(), -1, &box, DT_CALCRECT | DT_LEFT | DT_SINGLELINE | readingOrder_);
        return box.right - box.left;
    }
    CharCell MeasureText(const std::string& text, int wrapWidth) override {
        const std::wstring wide = Utf8ToWide(text);
        RECT box{0, 0, wrapWidth, 0};
        // The label draws with the same flags (SS_LEFT | SS_NOPREFIX), so what
        // is measured here is exactly what it shows.
        DrawTextW(dc_, wide.c_str(), -1, &box,
                  DT_CALCRECT | DT_LEFT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX | readingOrder_);
        return CharCell{box.right - box.left, box.bottom - box.top};
    }

private:
    HWND window_;
    HDC dc_;
    HGDIOBJ old_;
    UINT readingOrder_;
};

unsigned HeldModifiers() {
    unsigned modifiers = 0;
    if (GetKeyState(VK_SHIFT) < 0) modifiers |= kShiftKey;
    if (GetKeyState(VK_CONTROL) < 0) modifiers |= kCtrlKey;
    if (GetKeyState(VK_MENU) < 0) modifiers |= kAltKey;
    if (GetKeyState(VK_LWIN) < 0 || GetKeyState(VK_RWIN) < 0) modifiers |= kMetaKey;
    return modifiers;
}

HWND CreateChild(HWND parent, const wchar_t* windowClass, const std::wstring& text, DWORD style, int id,
                 const LayoutRect& at, HFONT font) {
    HWND child = CreateWindowExW(0, windowClass, text.c_str(), WS_CHILD | WS_VISIBLE | style, at.left, at.top, at.width,
                                 at.height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 GetModuleHandleW(nullptr), nullptr);
    if (!child) throw std::runtime_error("cannot create a control of the message dialog");
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return child;
}

}  // namespace

// What the window procedures need of a form.
class FormAccess {
public:
    static TMessageForm* Of(HWND window) { return reinterpret_cast<TMessageForm*>(GetWindowLongPtrW(window, 0)); }
    static void Close(TMessageForm& form, int result) { form.Close(result); }
    static bool HandleKey(TMessageForm& form, WPARAM key) { return form.HandleKey(key); }
    static bool IsOwnButton(const TMessageForm& form, HWND control) {
        return std::any_of(form.buttons_.begin(), form.buttons_.end(),
                           [control](const auto& entry) { return entry.second == control; });
    }
    static void Forget(TMessageForm& form) { form.handle_ = nullptr; }
    static bool OpenForOther(const TMessageForm& form) { return static_cast<bool>(form.onClosed_); }
    static void ShowModeless(TMessageForm& form, std::function<void(int)> onClosed) {
        form.ShowModeless(std::move(onClosed));
    }
};

namespace {

class Win32CopyFace final : public CopyKeyFace {
public:
    explicit Win32CopyFace(const TMessageForm& form) : form_(form) {}
    std::string CopyText() override { return BuildCopyText(form_); }
    void CopyToClipboard(const std::string& utf8) override { ::CopyToClipboard(utf8, form_.Handle()); }
    void Beep() override { MessageBeep(MB_OK); }
    // The dialog stays open under the report, which is a dialog of its own.
    void ReportError(const std::string& utf8) override {
        ShowMessageDialog(utf8, std::string(), mbOK, mkError, form_.Handle());
    }

private:
    const TMessageForm& form_;
};

LRESULT CALLBACK FormProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, 0, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    TMessageForm* form = FormAccess::Of(window);
    if (!form) return DefWindowProcW(window, message, wParam, lParam);
    switch (message) {
        case WM_COMMAND:
            // Only a click of one of its own buttons answers; the command the
            // dialog manager makes of Enter and Esc is ours to decide (HandleKey).
            if (HIWORD(wParam) == BN_CLICKED && FormAccess::IsOwnButton(*form, reinterpret_cast<HWND>(lParam)))
                FormAccess::Close(*form, LOWORD(wParam));
            return 0;
        case WM_CLOSE: FormAccess::Close(*form, mrCancel); return 0;
        case WM_KEYDOWN:
            if (FormAccess::HandleKey(*form, wParam)) return 0;
            break;
        case WM_GETDLGCODE: return DLGC_WANTALLKEYS;
        case kDestroySelf: DestroyWindow(window); return 0;
        case WM_NCDESTROY:
            SetWindowLongPtrW(window, 0, 0);
            FormAccess::Forget(*form);
            // A dialog opened for another thread owns itself.
            if (FormAccess::OpenForOther(*form)) delete form;
            break;
        default: break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// Key preview: the keys of the focused button reach the dialog first.
LRESULT CALLBACK ButtonProc(HWND button, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
    auto* form = reinterpret_cast<TMessageForm*>(data);
    switch (message) {
        case WM_GETDLGCODE:
            // Enter, Esc and C come to us rather than to the dialog manager.
            if (const auto* msg = reinterpret_cast<const MSG*>(lParam);
                msg && msg->message == WM_KEYDOWN &&
                (msg->wParam == VK_RETURN || msg->wParam == VK_ESCAPE || msg->wParam == 'C'))
                return DefSubclassProc(button, message, wParam, lParam) | DLGC_WANTMESSAGE;
            break;
        case WM_KEYDOWN:
            if (FormAccess::HandleKey(*form, wParam)) return 0;
            break;
        case WM_NCDESTROY: RemoveWindowSubclass(button, ButtonProc, kButtonSubclass); break;
        default: break;
    }
    return DefSubclassProc(button, message, wParam, lParam);
}

LRESULT CALLBACK TaskProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kRunTask) {
        const std::unique_ptr<std::function<void()>> task(reinterpret_cast<std::function<void()>*>(lParam));
        (*task)();
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

bool PostToDialogThread(std::function<void()> task) {
    const HWND window = taskWindow.load();
    if (!window) return false;
    auto* queued = new std::function<void()>(std::move(task));
    if (PostMessageW(window, kRunTask, 0, reinterpret_cast<LPARAM>(queued))) return true;
    delete queued;
    return false;
}

// Shows the dialog in front of everything. The system may refuse a program
// that is not in the foreground itself (the water-control software is): the
// operator is then called by flashing, the dialog and the taskbar button of the
// window that owns it, since an owned dialog has no button of its own.
void BringToFront(HWND dialog) {
    ShowWindow(dialog, SW_SHOW);
    if (SetForegroundWindow(dialog) && GetForegroundWindow() == dialog) return;
    FLASHWINFO flash{sizeof(flash), dialog, FLASHW_ALL | FLASHW_TIMERNOFG, 0, 0};
    FlashWindowEx(&flash);
    const HWND root = GetAncestor(dialog, GA_ROOTOWNER);
    if (root && root != dialog) {
        FLASHWINFO tray{sizeof(tray), root, FLASHW_TRAY | FLASHW_TIMERNOFG, 0, 0};
        FlashWindowEx(&tray);
    }
}

void SetCaption(TMessageForm& form, const std::string& caption) {
    if (!caption.empty()) SetWindowTextW(form.Handle(), Utf8ToWide(caption).c_str());
}

}  // namespace

TMessageForm::~TMessageForm() {
    if (handle_) {
        SetWindowLongPtrW(handle_, 0, 0);
        DestroyWindow(handle_);
    }
    if (ownsFont_) DeleteObject(font_);
}

HWND TMessageForm::Button(int bit) const {
    for (const auto& [own, button] : buttons_)
        if (own == bit) return button;
    return nullptr;
}

void TMessageForm::DisableOtherWindows() {
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM self) CALLBACK -> BOOL {
            auto* form = reinterpret_cast<TMessageForm*>(self);
            if (window != form->handle_ && IsWindowVisible(window) && IsWindowEnabled(window)) {
                form->disabled_.push_back(window);
                EnableWindow(window, FALSE);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(this));
}

void TMessageForm::EnableOtherWindows() {
    for (HWND window : disabled_)
        if (IsWindow(window)) EnableWindow(window, TRUE);
    disabled_.clear();
}

int TMessageForm::ShowModal() {
    modalResult_ = mrNone;
    DisableOtherWindows();
    BringToFront(handle_);
    SetFocus(defaultButton_ ? defaultButton_ : handle_);
    MSG msg;
    while (modalResult_ == mrNone) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            // The program is quitting: leave the dialog and let the outer loop
            // see the quit too.
            PostQuitMessage(static_cast<int>(msg.wParam));
            modalResult_ = mrCancel;
            break;
        }
        if (got < 0) break;
        if (!IsDialogMessageW(handle_, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    EnableOtherWindows();
    ShowWindow(handle_, SW_HIDE);
    return modalResult_ == mrNone ? mrCancel : modalResult_;
}

void TMessageForm::ShowModeless(std::function<void(int)> onClosed) {
    onClosed_ = std::move(onClosed);
    if (openForOthers) openForOthers->push_back(this);
    DisableOtherWindows();
    BringToFront(handle_);
    SetFocus(defaultButton_ ? defaultButton_ : handle_);
}

void TMessageForm::Close(int result) {
    modalResult_ = result;
    if (!onClosed_) return;  // ShowModal's loop sees the result
    if (closed_) return;
    closed_ = true;
    EnableOtherWindows();
    ShowWindow(handle_, SW_HIDE);
    if (openForOthers)
        openForOthers->erase(std::remove(openForOthers->begin(), openForOthers->end(), this), openForOthers->end());
    const std::function<void(int)> finish = onClosed_;
    // Destroyed from the message loop, not here: this may run inside the
    // window procedure of the dialog or of one of its buttons.
    PostMessageW(handle_, kDestroySelf, 0, 0);
    finish(result);
}

bool TMessageForm::HandleKey(WPARAM key) {
    const unsigned modifiers = HeldModifiers();
    Win32CopyFace face(*this);
    if (::HandleCopyKey(static_cast<int>(key), modifiers, face)) return true;
    MessageButtons present = 0;
    int focusedBit = -1;
    const HWND focus = GetFocus();
    for (const auto& [bit, button] : buttons_) {
        present |= MessageButtons(1u << bit);
        if (button == focus) focusedBit = bit;
    }
    const DialogKeyAnswer answer = AnswerDialogKey(static_cast<int>(key), modifiers, present, focusedBit);
    if (answer.bit >= 0) Close(ButtonInfo(answer.bit).result);
    return answer.usedUp;
}

TMessageForm* BuildMessageDialog(const std::string& text, MessageKind kind, MessageButtons buttons, HWND owner) {
    RegisterClasses();
    std::unique_ptr<TMessageForm> form(new TMessageForm());
    const bool rightToLeft = ProcessIsRightToLeft();
    // A dialog asked for just as its window went away is shown unowned rather
    // than not at all.
    if (owner && !IsWindow(owner)) owner = nullptr;
    form->handle_ = CreateWindowExW(kFormExStyle, kFormClass, L"", kFormStyle, 0, 0, 100, 100, owner, nullptr,
                                    GetModuleHandleW(nullptr), form.get());
    if (!form->handle_) throw std::runtime_error("cannot create the message dialog");
    form->font_ = MessageFont(&form->ownsFont_);
    SendMessageW(form->handle_, WM_SETFONT, reinterpret_cast<WPARAM>(form->font_), FALSE);

    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    {
        // The window's layout is mirrored by the system when the process reads
        // right to left, so the model is asked for the left-to-right places.
        GdiMeasurer measurer(form->handle_, form->font_, rightToLeft);
        form->layout_ = LayOutMessageDialog(text, kind, buttons, screenWidth, false, measurer);
    }
    const MessageLayout& layout = form->layout_;

    RECT outer{0, 0, layout.clientWidth, layout.clientHeight};
    AdjustWindowRectEx(&outer, kFormStyle, FALSE, kFormExStyle);
    const int width = outer.right - outer.left;
    const int height = outer.bottom - outer.top;
    const LayoutPoint at = CentredOnScreen(screenWidth, screenHeight, width, height);
    SetWindowPos(form->handle_, nullptr, at.x, at.y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowTextW(form->handle_, Utf8ToWide(KindTitle(kind, ApplicationTitle())).c_str());

    if (layout.iconId != 0) {
        form->image_ =
            CreateChild(form->handle_, L"STATIC", L"", SS_ICON | SS_REALSIZECONTROL, -1, layout.icon, form->font_);
        SendMessageW(form->image_, STM_SETICON,
                     reinterpret_cast<WPARAM>(LoadIconW(nullptr, MAKEINTRESOURCEW(layout.iconId))), 0);
        SetWindowPos(form->image_, nullptr, layout.icon.left, layout.icon.top, layout.icon.width, layout.icon.height,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    form->message_ =
        CreateChild(form->handle_, L"STATIC", Utf8ToWide(text), SS_LEFT | SS_NOPREFIX, -1, layout.message, form->font_);

    for (const PlacedButton& placed : layout.buttons) {
        const MessageButtonInfo& info = ButtonInfo(placed.bit);
        const DWORD style = WS_TABSTOP | (placed.isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
        HWND button = CreateChild(form->handle_, L"BUTTON", Utf8ToWide(info.caption), style, info.result, placed.bounds,
                                  form->font_);
        SetWindowSubclass(button, ButtonProc, kButtonSubclass, reinterpret_cast<DWORD_PTR>(form.get()));
        form->buttons_.emplace_back(placed.bit, button);
        if (placed.isDefault) form->defaultButton_ = button;
    }
    return form.release();
}

int ShowMessageDialog(const std::string& text, const std::string& caption, MessageButtons buttons, MessageKind kind,
                      HWND owner) {
    const DWORD uiThread = dialogThreadId.load();
    if (uiThread != 0 && uiThread != GetCurrentThreadId()) {
        return RunOnUiThreadAndWait(
            PostToDialogThread,
            [=](std::function<void(int)> finish) {
                std::unique_ptr<TMessageForm> form(BuildMessageDialog(text, kind, buttons, owner));
                SetCaption(*form, caption);
                FormAccess::ShowModeless(*form, std::move(finish));
                form.release();  // owns itself until closed
            },
            mrNone);
    }
    const std::unique_ptr<TMessageForm> form(BuildMessageDialog(text, kind, buttons, owner));
    SetCaption(*form, caption);
    return form->ShowModal();
}

int ShowInfo(const std::string& text, HWND owner) {
    return ShowMessageDialog(text, std::string(), mbOK, mkInformation, owner);
}

MessageDialogThread::MessageDialogThread() {
    RegisterClasses();
    static const bool registered = [] {
        WNDCLASSEXW tasks{};
        tasks.cbSize = sizeof(tasks);
        tasks.lpfnWndProc = TaskProc;
        tasks.hInstance = GetModuleHandleW(nullptr);
        tasks.lpszClassName = kTaskClass;
        RegisterClassExW(&tasks);
        return true;
    }();
    (void)registered;
    HWND window =
        CreateWindowExW(0, kTaskClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!window) throw std::runtime_error("cannot create the window that takes dialogs for other threads");
    openForOthers = new std::vector<TMessageForm*>();
    dialogThreadId = GetCurrentThreadId();
    taskWindow = window;
}

MessageDialogThread::~MessageDialogThread() {
    const HWND window = taskWindow.exchange(nullptr);
    dialogThreadId = 0;
    // Tasks still queued are dropped unrun, which lets their askers go.
    MSG msg;
    while (PeekMessageW(&msg, window, kRunTask, kRunTask, PM_REMOVE))
        delete reinterpret_cast<std::function<void()>*>(msg.lParam);
    DestroyWindow(window);
    // Dialogs still open for other threads answer mrNone and go.
    std::vector<TMessageForm*>* open = openForOthers;
    openForOthers = nullptr;
    for (TMessageForm* form : *open) {
        const HWND handle = form->Handle();
        FormAccess::Close(*form, mrNone);
        DestroyWindow(handle);
    }
    delete open;
}

std::string BuildCopyText(const TMessageForm& form) {
    std::vector<std::string> captions;
    for (int bit = 0; bit < kMessageButtonCount; ++bit)
        if (HWND button = form.Button(bit)) captions.push_back(WideToUtf8(WindowText(button)));
    return BuildCopyText(WideToUtf8(WindowText(form.Handle())), WideToUtf8(WindowText(form.Message())), captions);
}

void CopyToClipboard(const std::string& text, HWND owner) {
    const std::wstring wide = Utf8ToWide(text);
    if (!OpenClipboard(owner)) throw std::runtime_error(kCannotOpenClipboard);
    struct Closer {
        ~Closer() { CloseClipboard(); }
    } closer;
    const SIZE_T bytes = (wide.size() + 1) * sizeof(wchar_t);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, bytes);
    if (!block) throw std::runtime_error("Cannot copy: out of memory");
    void* target = GlobalLock(block);
    if (!target) {
        GlobalFree(block);
        throw std::runtime_error("Cannot copy: out of memory");
    }
    std::memcpy(target, wide.c_str(), bytes);
    GlobalUnlock(block);
    // Unicode text, so every program pastes the Chinese right; the system
    // offers it as CF_TEXT in the reader's code page too.
    if (!EmptyClipboard() || !SetClipboardData(CF_UNICODETEXT, block)) {
        GlobalFree(block);
        throw std::runtime_error("Cannot copy to the clipboard");
    }
}
