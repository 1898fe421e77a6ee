#include "platform/Console.h"

#include <string>

namespace platform {

// Nothing outside the process listens for debug lines here.
bool DebugListenerPresent() { return false; }

void WriteDebugLine(const std::string& line, bool toStderr) {
    if (toStderr) WriteErrLine(line);
}

}  // namespace platform
