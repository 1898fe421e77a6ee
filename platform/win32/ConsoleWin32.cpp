#include "platform/ConsoleDevice.h"
#include "platform/win32/Win32Text.h"

#include <io.h>

namespace platform {

bool WriteConsoleDeviceLine(std::FILE* stream, const std::string& utf8) {
    // The handle behind the C stream, not GetStdHandle: they differ once the
    // stream was reopened, and what the stream writes to is what counts.
    std::fflush(stream);
    const intptr_t osHandle = ::_get_osfhandle(::_fileno(stream));
    HANDLE handle = osHandle == -1 ? INVALID_HANDLE_VALUE : reinterpret_cast<HANDLE>(osHandle);
    // A console shows narrow bytes in its own code page (936 on Chinese Windows),
    // so UTF-8 would come out garbled: it gets UTF-16. Files and pipes get the
    // UTF-8 bytes, with the C runtime's CR LF line end like every Windows program.
    return win32::WriteConsoleLine(handle, utf8);
}

}  // namespace platform
