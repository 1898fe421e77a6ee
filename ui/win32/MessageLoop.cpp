#include "ui/win32/MessageLoop.h"

namespace win32ui {

void DispatchOne(const MSG& msg) {
    // Keyboard navigation belongs to the top-level window the message is for.
    HWND root = msg.hwnd ? ::GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
    if (root && (::GetWindowLongPtrW(root, GWL_EXSTYLE) & WS_EX_CONTROLPARENT) &&
        ::IsDialogMessageW(root, const_cast<MSG*>(&msg)))
        return;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
}

int RunMessageLoop() {
    MSG msg;
    BOOL got;
    while ((got = ::GetMessageW(&msg, nullptr, 0, 0)) != 0) {
        if (got == -1) return 1;
        DispatchOne(msg);
    }
    return static_cast<int>(msg.wParam);
}

void ProcessMessages(long waitMs) {
    if (waitMs > 0)
        ::MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(waitMs), QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        DispatchOne(msg);
    }
}

}  // namespace win32ui
