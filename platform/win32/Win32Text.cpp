#include "platform/win32/Win32Text.h"

#include <algorithm>
#include <climits>

namespace platform::win32 {
namespace {

// The conversion functions count in int; the lines here are far shorter, but a
// longer text is cut rather than mis-sized.
int ClampedLength(std::size_t size) { return size > INT_MAX / 2 ? INT_MAX / 2 : static_cast<int>(size); }

}  // namespace

std::wstring Utf8ToWide(const std::string& utf8) {
    if (utf8.empty()) return {};
    const int inLength = ClampedLength(utf8.size());
    const int length = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), inLength, nullptr, 0);
    if (length <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    const int done = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), inLength, wide.data(), length);
    wide.resize(done > 0 ? static_cast<std::size_t>(done) : 0);
    return wide;
}

std::string WideToUtf8(const std::wstring& wide) {
    if (wide.empty()) return {};
    const int inLength = ClampedLength(wide.size());
    const int length = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), inLength, nullptr, 0, nullptr, nullptr);
    if (length <= 0) return {};
    std::string utf8(static_cast<std::size_t>(length), '\0');
    const int done = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), inLength, utf8.data(), length, nullptr, nullptr);
    utf8.resize(done > 0 ? static_cast<std::size_t>(done) : 0);
    return utf8;
}

std::string Utf8ToCodePage(const std::string& utf8, UINT codePage) {
    const std::wstring wide = Utf8ToWide(utf8);
    if (wide.empty()) return {};
    const int inLength = ClampedLength(wide.size());
    const int length = ::WideCharToMultiByte(codePage, 0, wide.data(), inLength, nullptr, 0, nullptr, nullptr);
    if (length <= 0) return {};
    std::string text(static_cast<std::size_t>(length), '\0');
    const int done = ::WideCharToMultiByte(codePage, 0, wide.data(), inLength, text.data(), length, nullptr, nullptr);
    text.resize(done > 0 ? static_cast<std::size_t>(done) : 0);
    return text;
}

std::string SystemErrorText(DWORD code) {
    wchar_t* buffer = nullptr;
    const DWORD length =
        ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                         nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring message;
    if (length > 0 && buffer) message.assign(buffer, length);
    if (buffer) ::LocalFree(buffer);
    while (!message.empty() && (message.back() == L'\r' || message.back() == L'\n' || message.back() == L' '))
        message.pop_back();
    const std::string number = "error " + std::to_string(code);
    if (message.empty()) return number;
    return WideToUtf8(message) + " (" + number + ")";
}

bool WriteConsoleLine(HANDLE console, const std::string& utf8) {
    DWORD mode = 0;
    if (console == nullptr || console == INVALID_HANDLE_VALUE || !::GetConsoleMode(console, &mode)) return false;
    // CR LF moves to the next line's start even where the console's automatic
    // return after LF is switched off.
    const std::wstring wide = Utf8ToWide(utf8) + L"\r\n";
    std::size_t done = 0;
    while (done < wide.size()) {
        // Older consoles refuse single writes much beyond 64 KiB.
        DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(wide.size() - done, 8192));
        // A surrogate pair stays in one piece.
        if (chunk > 1 && done + chunk < wide.size() && wide[done + chunk - 1] >= 0xD800 &&
            wide[done + chunk - 1] < 0xDC00)
            --chunk;
        DWORD written = 0;
        if (!::WriteConsoleW(console, wide.data() + done, chunk, &written, nullptr) || written == 0) return false;
        done += written;
    }
    return true;
}

}  // namespace platform::win32
