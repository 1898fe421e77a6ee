#include "platform/Console.h"
#include "platform/win32/Win32Text.h"

#include <string>

namespace platform {

// OutputDebugString reaches a debugger attached to this process, or a monitor
// such as DebugView, which announces itself with the DBWIN_BUFFER_READY event.
// Without either the lines would go nowhere, so they are not even formatted.
bool DebugListenerPresent() {
    if (::IsDebuggerPresent()) return true;
    HANDLE ready = ::OpenEventW(SYNCHRONIZE, FALSE, L"DBWIN_BUFFER_READY");
    if (!ready) return false;
    ::CloseHandle(ready);
    return true;
}

void WriteDebugLine(const std::string& line, bool toStderr) {
    // The monitors read narrow text in the system's code page; the operators'
    // machines and monitors are Chinese, so the lines go out in GBK whatever the
    // locale of the machine.
    const std::string gbk = win32::Utf8ToCodePage(line, win32::kDebugCodePage);
    ::OutputDebugStringA(gbk.c_str());  // one call per line: monitors show each as a line
    if (toStderr) WriteErrLine(line);
}

}  // namespace platform
