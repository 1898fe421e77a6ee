#include "ui/win32/Window.h"

#include "platform/win32/Win32Text.h"
#include "ui/win32/Fonts.h"

#include <atomic>

namespace win32ui {
namespace {

constexpr wchar_t kFormClass[] = L"cardfmt.Form";
// The program's icon, resource number 1 of the executable.
constexpr int kAppIconId = 1;

std::atomic<bool> g_busyCursor{false};

void RegisterFormClass(WNDPROC proc) {
    static bool registered = false;
    if (registered) return;
    registered = true;
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = proc;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kFormClass;
    wc.hIcon = static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(kAppIconId), IMAGE_ICON,
                                               ::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON), 0));
    wc.hIconSm = static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(kAppIconId), IMAGE_ICON,
                                                 ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON), 0));
    ::RegisterClassExW(&wc);
}

constexpr DWORD kFormStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
// Tab and the arrow keys move between the controls, also into the group box.
constexpr DWORD kFormExStyle = WS_EX_CONTROLPARENT;

}  // namespace

Window::~Window() {
    if (hwnd_) {
        ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        ::DestroyWindow(hwnd_);
    }
}

bool Window::Adopt() {
    adopted_ = true;
    if (!gone_) return true;
    // Destroyed already: freed now, or by the last handler still running.
    if (running_ == 0) delete this;
    return false;
}

bool Window::CreateTopLevel(int outerWidthAt96, int outerHeightAt96) {
    RegisterFormClass(&Window::Proc);
    // The whole window, frame included, scales with the system DPI, as do the
    // frame's own metrics; the controls inside scale by the same factor.
    const int width = Scale(outerWidthAt96);
    const int height = Scale(outerHeightAt96);
    RECT desk{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &desk, 0);
    const int left = desk.left + (desk.right - desk.left - width) / 2;
    const int top = desk.top + (desk.bottom - desk.top - height) / 2;
    // The object is tied to the window in WM_NCCREATE, the first message it gets.
    return ::CreateWindowExW(kFormExStyle, kFormClass, L"", kFormStyle, left, top, width, height, nullptr, nullptr,
                             ::GetModuleHandleW(nullptr), this) != nullptr;
}

void Window::Show() {
    ::ShowWindow(hwnd_, SW_SHOW);
    ::UpdateWindow(hwnd_);
}

void Window::Close() { ::SendMessageW(hwnd_, WM_CLOSE, 0, 0); }

void Window::SetCaption(const std::string& utf8) { ::SetWindowTextW(hwnd_, platform::win32::Utf8ToWide(utf8).c_str()); }

bool Window::HandleMessage(UINT message, WPARAM wParam, LPARAM, LRESULT* result) {
    if (message == WM_SETCURSOR && g_busyCursor.load()) {
        ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
        *result = TRUE;
        return true;
    }
    if (HandleFocus(message, wParam)) {
        *result = 0;
        return true;
    }
    return false;
}

namespace {

// A control that can take the focus: a tab stop, shown, and neither it nor a
// parent disabled. (The group box holds controls but takes no focus itself.)
bool Focusable(HWND control, HWND window) {
    if (!control || !::IsWindow(control) || !::IsChild(window, control) || !::IsWindowVisible(control) ||
        !(::GetWindowLongPtrW(control, GWL_STYLE) & WS_TABSTOP))
        return false;
    for (HWND h = control; h && h != window; h = ::GetParent(h))
        if (!::IsWindowEnabled(h)) return false;
    return true;
}

}  // namespace

HWND Window::NextFocusable(HWND from) const {
    HWND next = ::GetNextDlgTabItem(hwnd_, from, FALSE);
    return next != from && Focusable(next, hwnd_) ? next : nullptr;
}

void Window::RestoreFocus() {
    if (!::IsWindow(savedFocus_) || !::IsChild(hwnd_, savedFocus_)) savedFocus_ = nullptr;
    HWND target = Focusable(savedFocus_, hwnd_) ? savedFocus_ : NextFocusable(savedFocus_);
    if (!target && savedFocus_) target = NextFocusable(nullptr);
    if (target)
        ::SetFocus(target);
    else if (::GetFocus() != hwnd_)
        ::SetFocus(hwnd_);
}

bool Window::HandleFocus(UINT message, WPARAM wParam) {
    switch (message) {
        case WM_ACTIVATE:
            if (LOWORD(wParam) == WA_INACTIVE) {
                HWND focus = ::GetFocus();
                if (focus && ::IsChild(hwnd_, focus)) savedFocus_ = focus;
                return false;
            }
            if (HIWORD(wParam)) return false;  // minimized: nothing takes the keys
            RestoreFocus();
            return true;
        case WM_SETFOCUS:
            // The window itself got the focus (restored from the taskbar, say):
            // it belongs to a control, when one can take it.
            RestoreFocus();
            return true;
        default: return false;
    }
}

void Window::EnableControl(HWND control, bool enabled) {
    HWND focus = ::GetFocus();
    const bool hadFocus = focus && (focus == control || ::IsChild(control, focus));
    ::EnableWindow(control, enabled ? TRUE : FALSE);
    if (!hwnd_) return;
    if (!enabled && hadFocus) {
        // The system leaves a disabled control's focus to nobody, and the keys with it.
        HWND next = NextFocusable(control);
        savedFocus_ = next;
        ::SetFocus(next ? next : hwnd_);
    } else if (enabled && focus == hwnd_ && Focusable(control, hwnd_)) {
        if (HWND first = NextFocusable(nullptr)) ::SetFocus(first);
    }
}

LRESULT CALLBACK Window::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* created = reinterpret_cast<CREATESTRUCTW*>(lParam);
        auto* self = static_cast<Window*>(created->lpCreateParams);
        self->hwnd_ = hwnd;
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<Window*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self) return ::DefWindowProcW(hwnd, message, wParam, lParam);
    ++self->running_;
    LRESULT result = 0;
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        self->gone_ = true;
        self->Destroyed();
        result = ::DefWindowProcW(hwnd, message, wParam, lParam);
    } else if (!self->HandleMessage(message, wParam, lParam, &result)) {
        result = ::DefWindowProcW(hwnd, message, wParam, lParam);
    }
    // The last handler of a destroyed window frees its object, if the window owns it.
    if (--self->running_ == 0 && self->gone_ && self->adopted_) delete self;
    return result;
}

void SetScreenCursorBusy(bool busy) {
    g_busyCursor = busy;
    ::SetCursor(::LoadCursorW(nullptr, busy ? IDC_WAIT : IDC_ARROW));
}

bool ScreenCursorBusy() { return g_busyCursor.load(); }

}  // namespace win32ui
