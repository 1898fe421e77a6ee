// A private port table for one test: XDG_CONFIG_HOME points at a fresh folder
// whose com1..com15 lead nowhere, until the test links a device in.
#pragma once

#include "platform/PortNames.h"

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace testsupport {

class PortTable {
public:
    PortTable() {
        namespace fs = std::filesystem;
        root_ = fs::temp_directory_path() / ("cardfmt-ports-" + std::to_string(::getpid()) + "-" +
                                             std::to_string(reinterpret_cast<std::uintptr_t>(this)));
        const char* old = std::getenv("XDG_CONFIG_HOME");
        hadOld_ = old != nullptr;
        if (old) old_ = old;
        ::setenv("XDG_CONFIG_HOME", root_.c_str(), 1);
        fs::create_directories(platform::PortTableFolder());
        for (int n = 1; n <= 15; ++n) Dead(n);
    }
    ~PortTable() {
        if (hadOld_)
            ::setenv("XDG_CONFIG_HOME", old_.c_str(), 1);
        else
            ::unsetenv("XDG_CONFIG_HOME");
        std::error_code ec;
        std::filesystem::remove_all(root_, ec);
    }
    PortTable(const PortTable&) = delete;
    PortTable& operator=(const PortTable&) = delete;

    // comN leads to a device that does not exist: opening it fails.
    void Dead(int n) {
        namespace fs = std::filesystem;
        fs::path entry = fs::path(platform::PortTableFolder()) / ("com" + std::to_string(n));
        std::error_code ec;
        fs::remove(entry, ec);
        fs::create_symlink(root_ / "no-such-device", entry);
    }
    const std::filesystem::path& Root() const { return root_; }

private:
    std::filesystem::path root_;
    std::string old_;
    bool hadOld_ = false;
};

}  // namespace testsupport
