#include "ui/win32/Controls.h"

#include "platform/win32/Win32Text.h"
#include "ui/win32/Fonts.h"

#include <commctrl.h>

namespace win32ui {
namespace {

using platform::win32::Utf8ToWide;

HWND CreateChild(HWND parent, const wchar_t* windowClass, DWORD style, DWORD exStyle, const ControlSpec& spec) {
    const RECT r = ScaleRect(spec.left, spec.top, spec.width, spec.height);
    if (spec.visible) style |= WS_VISIBLE;
    if (!spec.enabled) style |= WS_DISABLED;
    HWND control =
        ::CreateWindowExW(exStyle, windowClass, Utf8ToWide(spec.caption ? spec.caption : "").c_str(), WS_CHILD | style,
                          r.left, r.top, r.right - r.left, r.bottom - r.top, parent,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(spec.id)), ::GetModuleHandleW(nullptr), nullptr);
    if (control && spec.font) ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(spec.font), FALSE);
    return control;
}

// What a control inside the group box tells its parent belongs to the window.
LRESULT CALLBACK GroupBoxProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    switch (message) {
        case WM_COMMAND:
        case WM_NOTIFY:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN: return ::SendMessageW(::GetAncestor(hwnd, GA_ROOT), message, wParam, lParam);
        case WM_ERASEBKGND: {
            // A group box paints only its frame; what it holds lies on the button face.
            RECT r{};
            ::GetClientRect(hwnd, &r);
            ::FillRect(reinterpret_cast<HDC>(wParam), &r, ::GetSysColorBrush(COLOR_BTNFACE));
            return 1;
        }
        case WM_NCDESTROY: ::RemoveWindowSubclass(hwnd, GroupBoxProc, 0); break;
        default: break;
    }
    return ::DefSubclassProc(hwnd, message, wParam, lParam);
}

}  // namespace

HWND CreateButton(HWND parent, const ControlSpec& spec) {
    return CreateChild(parent, L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 0, spec);
}

HWND CreateLabel(HWND parent, const ControlSpec& spec) {
    HWND label = CreateChild(parent, L"STATIC", SS_LEFT | SS_NOPREFIX, 0, spec);
    SizeLabelToText(label);
    return label;
}

HWND CreateGroupBox(HWND parent, const ControlSpec& spec) {
    HWND group = CreateChild(parent, L"BUTTON", BS_GROUPBOX | WS_CLIPSIBLINGS, WS_EX_CONTROLPARENT, spec);
    if (group) ::SetWindowSubclass(group, GroupBoxProc, 0, 0);
    return group;
}

void SetText(HWND control, const std::string& utf8) { ::SetWindowTextW(control, Utf8ToWide(utf8).c_str()); }

std::string Text(HWND control) {
    const int length = ::GetWindowTextLengthW(control);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    text.resize(static_cast<std::size_t>(::GetWindowTextW(control, text.data(), length + 1)));
    return platform::win32::WideToUtf8(text);
}

void SizeLabelToText(HWND label) {
    const int length = ::GetWindowTextLengthW(label);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    text.resize(static_cast<std::size_t>(::GetWindowTextW(label, text.data(), length + 1)));
    HDC dc = ::GetDC(label);
    HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageW(label, WM_GETFONT, 0, 0)));
    SIZE size{};
    // An empty text keeps the height of one line.
    ::GetTextExtentPoint32W(dc, text.empty() ? L" " : text.c_str(), text.empty() ? 1 : static_cast<int>(text.size()),
                            &size);
    if (text.empty()) size.cx = 0;
    ::SelectObject(dc, old);
    ::ReleaseDC(label, dc);
    ::SetWindowPos(label, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void SetLabelText(HWND label, const std::string& utf8) {
    SetText(label, utf8);
    SizeLabelToText(label);
    // The text it replaces may be longer: the parent repaints beneath it.
    HWND parent = ::GetParent(label);
    ::RedrawWindow(parent, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void Enable(HWND control, bool enabled) { ::EnableWindow(control, enabled ? TRUE : FALSE); }

bool Enabled(HWND control) { return ::IsWindowEnabled(control) != FALSE; }

}  // namespace win32ui
