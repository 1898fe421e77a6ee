#include <cstdio>
#include <mutex>
#include <string>

namespace platform {

// One whole line per call, so that lines of two threads never interleave.
void WriteDebugLine(const std::string& line) {
    static std::mutex mutex;
    std::lock_guard lock(mutex);
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

}  // namespace platform
