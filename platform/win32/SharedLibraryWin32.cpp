#include "platform/SharedLibrary.h"

#include <windows.h>

#include <vector>

#include "platform/win32/Win32Text.h"

namespace platform {

namespace {

// The folder of the running program, with its trailing backslash; "" when Windows
// will not say.
std::wstring ProgramFolder() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return L"";
        if (length < buffer.size()) {
            std::wstring path(buffer.data(), length);
            const std::size_t slash = path.find_last_of(L"\\/");
            return slash == std::wstring::npos ? L"" : path.substr(0, slash + 1);
        }
        buffer.resize(buffer.size() * 2);  // a long path: truncated, ask again
    }
}

}  // namespace

std::unique_ptr<SharedLibrary> SharedLibrary::OpenOwn(const std::string& name, std::string& error) {
    const std::wstring folder = ProgramFolder();
    if (folder.empty()) {
        error = "the program's own folder is unknown: " + win32::SystemErrorText(GetLastError());
        return nullptr;
    }
    // A full path: the folder of the water-control software, where the program is
    // started, may hold a library of the same name that is not ours.
    return OpenFile(win32::WideToUtf8(folder) + name + ".dll", error);
}

std::unique_ptr<SharedLibrary> SharedLibrary::OpenFile(const std::string& path, std::string& error) {
    // With a full path, LOAD_WITH_ALTERED_SEARCH_PATH makes the library's own imports
    // (libgcrypt) come from its folder first. No loader message box for a file that
    // is damaged or of the other architecture: the program reports it itself.
    const UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    const std::wstring wide = win32::Utf8ToWide(path);
    HMODULE module = LoadLibraryExW(wide.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    const DWORD code = GetLastError();
    SetErrorMode(oldMode);
    if (module == nullptr) {
        error = win32::SystemErrorText(code);
        return nullptr;
    }
    return std::unique_ptr<SharedLibrary>(new SharedLibrary(module, path));
}

SharedLibrary::~SharedLibrary() { FreeLibrary(static_cast<HMODULE>(handle_)); }

void* SharedLibrary::Find(const char* symbol) const {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), symbol));
}

}  // namespace platform
