#include "tests/ui/win32/Win32Desk.h"

#include "platform/win32/Win32Text.h"
#include "ui/FormLayout.h"
#include "ui/MainFrm.h"
#include "ui/win32/MessageLoop.h"

#include <direct.h>

#include <fstream>
#include <memory>

namespace harness {

using platform::win32::Utf8ToWide;
using platform::win32::WideToUtf8;

namespace {

std::string CurrentFolder() {
    wchar_t path[MAX_PATH] = {};
    ::GetCurrentDirectoryW(MAX_PATH, path);
    return WideToUtf8(path);
}

void Touch(const std::string& path) { std::ofstream(path, std::ios::binary) << ""; }

constexpr UINT kRunWork = WM_APP + 7;

LRESULT CALLBACK WorkProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kRunWork) {
        std::unique_ptr<std::function<void()>> work(reinterpret_cast<std::function<void()>*>(lParam));
        (*work)();
        return 0;
    }
    return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

HWND WorkWindow() {
    static HWND window = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = WorkProc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"cardfmt.TestWork";
        ::RegisterClassW(&wc);
        return ::CreateWindowW(wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    }();
    return window;
}

}  // namespace

Win32Desk::Win32Desk(bool placed) {
    previousFolder_ = CurrentFolder();
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    static int serial = 0;
    folder_ =
        WideToUtf8(temp) + "cardfmt-desk-" + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(++serial);
    ::CreateDirectoryW(Utf8ToWide(folder_).c_str(), nullptr);
    if (placed) {
        Touch(folder_ + "\\Tolvane.exe");
        Touch(folder_ + "\\KelmConfig.ini");
    }
    ::SetCurrentDirectoryW(Utf8ToWide(folder_).c_str());
}

Win32Desk::~Win32Desk() {
    if (HWND w = Window()) {
        // Whatever the test left open: dialogs first, then the window.
        for (HWND dialog : Dialogs()) ::PostMessageW(dialog, WM_CLOSE, 0, 0);
        ::PostMessageW(w, WM_CLOSE, 0, 0);
        PumpUntil([this] { return Window() == nullptr && Dialogs().empty(); }, 20000);
    }
    // The window posted WM_QUIT as the program's main window; it is not ours to keep.
    MSG quit;
    while (::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {}
    ::SetCurrentDirectoryW(Utf8ToWide(previousFolder_).c_str());
    ::DeleteFileW(Utf8ToWide(folder_ + "\\Tolvane.exe").c_str());
    ::DeleteFileW(Utf8ToWide(folder_ + "\\KelmConfig.ini").c_str());
    ::RemoveDirectoryW(Utf8ToWide(folder_).c_str());
}

void Win32Desk::OpenMainWindow(const TWin32Form::LogicFactory& makeLogic) {
    form_ = TWin32Form::Create(
        MainFormLayout(),
        makeLogic ? makeLogic
                  : [](TFormFace& face) -> std::unique_ptr<TBasicForm> { return std::make_unique<TMainForm>(face); },
        true);
    window_ = form_ ? form_->Handle() : nullptr;
    if (!form_) return;
    form_->Show();
    // The placement check is the first thing the shown window has posted to itself.
    win32ui::ProcessMessages();
}

HWND Win32Desk::Control(FormControl control) const {
    if (!Window()) return nullptr;
    if (control == FormControl::Form) return window_;
    // Controls inside the group box are found through it.
    return ::GetDlgItem(window_, TWin32Form::ControlId(control))
               ? ::GetDlgItem(window_, TWin32Form::ControlId(control))
               : ::GetDlgItem(::GetDlgItem(window_, TWin32Form::ControlId(FormControl::grpCommConfig)),
                              TWin32Form::ControlId(control));
}

void Win32Desk::Click(FormControl control) { ::SendMessageW(Control(control), BM_CLICK, 0, 0); }

void Win32Desk::PostClick(FormControl control) { ::PostMessageW(Control(control), BM_CLICK, 0, 0); }

bool Win32Desk::Enabled(FormControl control) const { return ::IsWindowEnabled(Control(control)) != FALSE; }

std::string Win32Desk::Text(FormControl control) const { return harness::Text(Control(control)); }

void Win32Desk::PostWork(std::function<void()> work) {
    ::PostMessageW(WorkWindow(), kRunWork, 0, reinterpret_cast<LPARAM>(new std::function<void()>(std::move(work))));
}

bool Win32Desk::PumpUntil(const std::function<bool()>& done, long timeoutMs) {
    const ULONGLONG end = ::GetTickCount64() + static_cast<ULONGLONG>(timeoutMs);
    while (!done()) {
        if (::GetTickCount64() >= end) return false;
        win32ui::ProcessMessages(10);
    }
    return true;
}

std::vector<HWND> Win32Desk::Dialogs() const {
    struct Found {
        HWND main;
        std::vector<HWND> dialogs;
    } found{window_, {}};
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND hwnd, LPARAM param) CALLBACK -> BOOL {
            auto* f = reinterpret_cast<Found*>(param);
            if (hwnd != f->main && ::IsWindowVisible(hwnd)) f->dialogs.push_back(hwnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found.dialogs;
}

std::vector<HWND> ChildrenWithText(HWND dialog, const std::string& utf8) {
    struct Search {
        std::string text;
        std::vector<HWND> found;
    } search{utf8, {}};
    ::EnumChildWindows(
        dialog,
        [](HWND child, LPARAM param) CALLBACK -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            if (harness::Text(child) == s->text) s->found.push_back(child);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void PressKey(HWND dialog, UINT virtualKey, bool ctrl) {
    BYTE keys[256] = {};
    ::GetKeyboardState(keys);
    const BYTE before = keys[VK_CONTROL];
    if (ctrl) {
        keys[VK_CONTROL] = 0x80;
        ::SetKeyboardState(keys);
    }
    HWND target = ::GetFocus();
    if (!target || ::GetAncestor(target, GA_ROOT) != dialog) target = dialog;
    ::PostMessageW(target, WM_KEYDOWN, virtualKey, 1);
    ::PostMessageW(target, WM_KEYUP, virtualKey, 0xC0000001);
    // Both messages are handled while Ctrl is still down.
    Win32Desk::PumpUntil(
        [] {
            MSG msg;
            return !::PeekMessageW(&msg, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_NOREMOVE);
        },
        5000);
    if (ctrl) {
        keys[VK_CONTROL] = before;
        ::SetKeyboardState(keys);
    }
}

}  // namespace harness
