#include "platform/Console.h"

#include "platform/ConsoleDevice.h"

#include <mutex>

namespace platform {
namespace {

// One lock for both streams: a terminal shows stdout and stderr interleaved, and
// a line must never be split by another thread's line.
std::mutex consoleMutex;

void WriteLine(std::FILE* stream, const std::string& utf8) {
    std::lock_guard lock(consoleMutex);
    if (WriteConsoleDeviceLine(stream, utf8)) return;
    std::fwrite(utf8.data(), 1, utf8.size(), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}

}  // namespace

void WriteOutLine(const std::string& utf8) { WriteLine(stdout, utf8); }
void WriteErrLine(const std::string& utf8) { WriteLine(stderr, utf8); }

}  // namespace platform
