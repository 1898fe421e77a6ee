#include "sim/console/LineLoop.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>

namespace sim {

bool RunLineLoop(int inputFd, int stopFd, const std::function<bool(const std::string&)>& onLine) {
    std::string line;
    bool overlong = false;
    bool inputOpen = inputFd >= 0;
    char buffer[1024];
    for (;;) {
        pollfd fds[2] = {{stopFd, POLLIN, 0}, {inputOpen ? inputFd : -1, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (fds[0].revents) return false;
        if (!fds[1].revents) continue;
        const ssize_t got = read(inputFd, buffer, sizeof buffer);
        if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (got <= 0) {
            // Input ended (or broke): keep serving until stopped, but stop polling it.
            inputOpen = false;
            continue;
        }
        for (ssize_t i = 0; i < got; ++i) {
            const char c = buffer[i];
            if (c != '\n') {
                if (line.size() < kMaxControlLine)
                    line.push_back(c);
                else
                    overlong = true;
                continue;
            }
            if (!line.empty() && line.back() == '\r') line.pop_back();
            const bool keepGoing = onLine(overlong ? std::string() : line);
            line.clear();
            overlong = false;
            if (!keepGoing) return true;
        }
    }
}

}  // namespace sim
