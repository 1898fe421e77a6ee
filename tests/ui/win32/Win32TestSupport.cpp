#include "Win32TestSupport.h"

#include "platform/win32/Win32Text.h"

#include <chrono>
#include <cstring>
#include <fstream>
#include <iterator>

namespace harness {

std::vector<HWND> VisibleWindows(const wchar_t* windowClass) {
    std::vector<HWND> found;
    HWND after = nullptr;
    while ((after = FindWindowExW(nullptr, after, windowClass, nullptr)) != nullptr) {
        DWORD process = 0;
        GetWindowThreadProcessId(after, &process);
        if (process == GetCurrentProcessId() && IsWindowVisible(after)) found.push_back(after);
    }
    return found;
}

bool WaitUntil(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        Sleep(10);
    }
    return true;
}

HWND WaitForWindow(const wchar_t* windowClass, HWND except) {
    HWND found = nullptr;
    WaitUntil([&] {
        for (HWND window : VisibleWindows(windowClass))
            if (window != except) found = window;
        return found != nullptr;
    });
    // Keys go to the window in front, as at a desk; the window system brings
    // a new window there a moment after showing it.
    if (found) WaitUntil([&] { return GetForegroundWindow() == found; });
    return found;
}

std::string Text(HWND window) {
    wchar_t buffer[4096] = {};
    const LRESULT length = SendMessageW(window, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(buffer));
    return platform::win32::WideToUtf8(std::wstring(buffer, static_cast<std::size_t>(length)));
}

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

std::vector<HWND> Children(HWND parent) {
    std::vector<HWND> children;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    return children;
}

HWND FocusOf(DWORD thread) {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    return GetGUIThreadInfo(thread, &info) ? info.hwndFocus : nullptr;
}

void Press(std::initializer_list<WORD> keys) {
    std::vector<INPUT> strokes;
    for (WORD key : keys) {
        INPUT down{};
        down.type = INPUT_KEYBOARD;
        down.ki.wVk = key;
        strokes.push_back(down);
    }
    for (auto key = std::rbegin(keys); key != std::rend(keys); ++key) {
        INPUT up{};
        up.type = INPUT_KEYBOARD;
        up.ki.wVk = *key;
        up.ki.dwFlags = KEYEVENTF_KEYUP;
        strokes.push_back(up);
    }
    SendInput(static_cast<UINT>(strokes.size()), strokes.data(), sizeof(INPUT));
}

std::wstring ClipboardText() {
    std::wstring text;
    if (!WaitUntil([] { return OpenClipboard(nullptr) != FALSE; })) return L"<clipboard busy>";
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
            text = chars;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

void SetClipboardText(const std::wstring& text) {
    if (!WaitUntil([] { return OpenClipboard(nullptr) != FALSE; })) return;
    EmptyClipboard();
    const SIZE_T bytes = (text.size() + 1) * sizeof(wchar_t);
    if (HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes)) {
        std::memcpy(GlobalLock(block), text.c_str(), bytes);
        GlobalUnlock(block);
        if (!SetClipboardData(CF_UNICODETEXT, block)) GlobalFree(block);
    }
    CloseClipboard();
}

Driver::Driver(const wchar_t* windowClass, std::function<void(DWORD)> act)
    : thread_([windowClass, act = std::move(act), ui = GetCurrentThreadId()] {
          act(ui);
          if (!WaitUntil([&] { return VisibleWindows(windowClass).empty(); }))
              for (HWND window : VisibleWindows(windowClass)) PostMessageW(window, WM_CLOSE, 0, 0);
      }) {}

Driver::~Driver() { Join(); }

void Driver::Join() {
    if (thread_.joinable()) thread_.join();
}

bool SaveWindowBitmap(HWND window, const std::wstring& path) {
    RECT box{};
    GetWindowRect(window, &box);
    const int width = box.right - box.left;
    const int height = box.bottom - box.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;  // bottom-up, as BMP files store rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    const bool copied = BitBlt(memory, 0, 0, width, height, screen, box.left, box.top, SRCCOPY) != FALSE;
    GdiFlush();
    const DWORD stride = ((static_cast<DWORD>(width) * 3 + 3) / 4) * 4;
    const DWORD imageBytes = stride * static_cast<DWORD>(height);
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    file.bfSize = file.bfOffBits + imageBytes;
    std::ofstream out(path.c_str(), std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof(file));
    out.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof(info.bmiHeader));
    out.write(static_cast<const char*>(bits), imageBytes);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return copied && out.good();
}

}  // namespace harness
