#include "sim/PseudoTerminal.h"

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace sim {
namespace {

[[noreturn]] void Fail(const char* what) { throw std::system_error(errno, std::generic_category(), what); }

}  // namespace

PseudoTerminal::PseudoTerminal() {
    try {
        master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master_ < 0) Fail("posix_openpt");
        if (grantpt(master_) != 0) Fail("grantpt");
        if (unlockpt(master_) != 0) Fail("unlockpt");
        char name[128];
        if (ptsname_r(master_, name, sizeof name) != 0) Fail("ptsname_r");
        slavePath_ = name;

        slave_ = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (slave_ < 0) Fail("open pty slave");
        termios tio{};
        if (tcgetattr(slave_, &tio) != 0) Fail("tcgetattr");
        cfmakeraw(&tio);
        cfsetispeed(&tio, B9600);
        cfsetospeed(&tio, B9600);
        tio.c_cflag |= CLOCAL | CREAD;
        if (tcsetattr(slave_, TCSANOW, &tio) != 0) Fail("tcsetattr");

        const int flags = fcntl(master_, F_GETFL);
        if (flags < 0 || fcntl(master_, F_SETFL, flags | O_NONBLOCK) != 0) Fail("fcntl O_NONBLOCK");
    } catch (...) {
        CloseAll();
        throw;
    }
}

PseudoTerminal::~PseudoTerminal() { CloseAll(); }

void PseudoTerminal::CloseAll() {
    // Closing the master hangs the line up for clients (their reads and writes
    // fail); dropping our slave as well lets the device node disappear.
    if (master_ >= 0) close(master_);
    if (slave_ >= 0) close(slave_);
    master_ = slave_ = -1;
}

}  // namespace sim
