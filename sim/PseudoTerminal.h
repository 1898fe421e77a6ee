// A pseudo-terminal pair standing in for the reader's serial adapter.
//
// The slave is kept open here for the whole life of the object: while any slave
// descriptor is open the master never sees a hang-up, so clients may open and
// close the device as often as they like, and the raw line settings survive
// between their sessions. It also means bytes a client leaves unread stay queued
// for the next client, as they would in an adapter's buffer.
#pragma once

#include <string>

namespace sim {

class PseudoTerminal {
public:
    // Opens the pair, raw 8N1 at 9600 on the slave side; throws std::system_error.
    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    // Non-blocking master descriptor.
    int MasterFd() const { return master_; }
    const std::string& SlavePath() const { return slavePath_; }

private:
    void CloseAll();

    int master_ = -1;
    int slave_ = -1;
    std::string slavePath_;
};

}  // namespace sim
