// A private port table for one test: XDG_CONFIG_HOME points at a fresh folder
// whose com1..com15 lead nowhere, until the test links a device in.
#pragma once

#include "platform/PortNames.h"
#include "harness/TempConfigHome.h"

#include <filesystem>
#include <string>

namespace testsupport {

class PortTable {
public:
    PortTable() {
        std::filesystem::create_directories(platform::PortTableFolder());
        for (int n = 1; n <= 15; ++n) Dead(n);
    }
    PortTable(const PortTable&) = delete;
    PortTable& operator=(const PortTable&) = delete;

    // comN leads to a device that does not exist: opening it fails.
    void Dead(int n) {
        namespace fs = std::filesystem;
        const fs::path entry = fs::path(platform::PortTableFolder()) / ("com" + std::to_string(n));
        std::error_code ec;
        fs::remove(entry, ec);
        fs::create_symlink(Root() / "no-such-device", entry);
    }
    std::filesystem::path Root() const { return home_.Root(); }

private:
    simtest::TempConfigHome home_;
};

}  // namespace testsupport
