#include "ui/win32/Window.h"

#include "platform/win32/Win32Text.h"
#include "ui/win32/Fonts.h"

#include <atomic>
#include <cwchar>

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

Window* Window::FromHandle(HWND hwnd) {
    for (HWND h = hwnd; h; h = ::GetParent(h)) {
        wchar_t name[32] = {};
        if (::GetClassNameW(h, name, 32) && wcscmp(name, kFormClass) == 0)
            return reinterpret_cast<Window*>(::GetWindowLongPtrW(h, GWLP_USERDATA));
    }
    return nullptr;
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

std::string Window::Caption() const {
    wchar_t text[256] = {};
    ::GetWindowTextW(hwnd_, text, 256);
    return platform::win32::WideToUtf8(text);
}

bool Window::HandleMessage(UINT message, WPARAM, LPARAM lParam, LRESULT* result) {
    if (message == WM_SETCURSOR && g_busyCursor.load()) {
        ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
        *result = TRUE;
        return true;
    }
    (void)lParam;
    return false;
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
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        self->Destroyed();
        delete self;
        return ::DefWindowProcW(hwnd, message, wParam, lParam);
    }
    LRESULT result = 0;
    if (self->HandleMessage(message, wParam, lParam, &result)) return result;
    return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

void SetScreenCursorBusy(bool busy) {
    g_busyCursor = busy;
    ::SetCursor(::LoadCursorW(nullptr, busy ? IDC_WAIT : IDC_ARROW));
}

bool ScreenCursorBusy() { return g_busyCursor.load(); }

}  // namespace win32ui
