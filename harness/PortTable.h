// A private port table: XDG_CONFIG_HOME points at a fresh folder whose com1..com15
// lead nowhere (so nothing probes the machine's real serial devices) until a
// device is linked in; all of it goes, and XDG_CONFIG_HOME comes back, with the object.
#pragma once

#include <filesystem>

#include "harness/TempConfigHome.h"

namespace harness {

class PortTable {
public:
    PortTable();
    PortTable(const PortTable&) = delete;
    PortTable& operator=(const PortTable&) = delete;

    // comN leads to a device that does not exist: opening it fails.
    void Dead(int n);
    // comN has no entry, so a device can be linked there.
    void Free(int n);
    std::filesystem::path Root() const { return home_.Root(); }

private:
    TempConfigHome home_;
};

}  // namespace harness
