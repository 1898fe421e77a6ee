// Points XDG_CONFIG_HOME at a fresh temporary folder for one test, so port
// table entries never touch the real user's configuration.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

namespace simtest {

class TempConfigHome {
public:
    TempConfigHome() {
        std::string pattern = (std::filesystem::temp_directory_path() / "cardfmt-sim-test-XXXXXX").string();
        if (mkdtemp(pattern.data())) root_ = pattern;
        if (const char* old = std::getenv("XDG_CONFIG_HOME")) saved_ = old;
        setenv("XDG_CONFIG_HOME", root_.c_str(), 1);
    }
    ~TempConfigHome() {
        if (saved_)
            setenv("XDG_CONFIG_HOME", saved_->c_str(), 1);
        else
            unsetenv("XDG_CONFIG_HOME");
        std::error_code ec;
        if (!root_.empty()) std::filesystem::remove_all(root_, ec);
    }
    TempConfigHome(const TempConfigHome&) = delete;
    TempConfigHome& operator=(const TempConfigHome&) = delete;

    const std::string& Root() const { return root_; }
    std::string PortsFolder() const { return root_ + "/cardfmt/ports"; }

private:
    std::string root_;
    std::optional<std::string> saved_;
};

}  // namespace simtest
