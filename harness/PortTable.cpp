#include "harness/PortTable.h"

#include <string>

#include "platform/PortNames.h"

namespace harness {
namespace fs = std::filesystem;

namespace {

fs::path Entry(int n) { return fs::path(platform::PortTableFolder()) / ("com" + std::to_string(n)); }

}  // namespace

PortTable::PortTable() {
    fs::create_directories(platform::PortTableFolder());
    for (int n = 1; n <= 15; ++n) Dead(n);
}

void PortTable::Dead(int n) {
    Free(n);
    fs::create_symlink(Root() / "no-such-device", Entry(n));
}

void PortTable::Free(int n) {
    std::error_code ec;
    fs::remove(Entry(n), ec);
}

}  // namespace harness
