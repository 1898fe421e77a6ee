#include "platform/Console.h"
#include "platform/win32/Win32Text.h"

#include <io.h>
#include <cstdio>
#include <mutex>

namespace platform {
namespace {

// One lock for both streams: a console shows stdout and stderr interleaved, and a
// line must never be split by another thread's line.
std::mutex& ConsoleMutex() {
    static std::mutex mutex;
    return mutex;
}

void WriteLine(std::FILE* stream, const std::string& utf8) {
    std::lock_guard lock(ConsoleMutex());
    // The handle behind the C stream, not GetStdHandle: they differ once the
    // stream was reopened, and what the stream writes to is what counts.
    std::fflush(stream);
    const intptr_t osHandle = ::_get_osfhandle(::_fileno(stream));
    HANDLE handle = osHandle == -1 ? INVALID_HANDLE_VALUE : reinterpret_cast<HANDLE>(osHandle);
    // A console shows narrow bytes in its own code page (936 on Chinese Windows),
    // so UTF-8 would come out garbled: it gets UTF-16. Files and pipes get the
    // UTF-8 bytes, with the C runtime's CR LF line end like every Windows program.
    if (win32::WriteConsoleLine(handle, utf8)) return;
    std::fwrite(utf8.data(), 1, utf8.size(), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}

}  // namespace

void WriteOutLine(const std::string& utf8) { WriteLine(stdout, utf8); }
void WriteErrLine(const std::string& utf8) { WriteLine(stderr, utf8); }

}  // namespace platform
