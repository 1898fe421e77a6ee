// Points XDG_CONFIG_HOME at a fresh temporary folder for the life of the object,
// so port table entries never touch the real user's configuration; the previous
// value comes back afterwards.
#pragma once

#include <optional>
#include <string>

#include "harness/TempFolder.h"

namespace harness {

class TempConfigHome {
public:
    TempConfigHome();
    ~TempConfigHome();
    TempConfigHome(const TempConfigHome&) = delete;
    TempConfigHome& operator=(const TempConfigHome&) = delete;

    const std::string& Root() const { return folder_.Path(); }
    std::string PortsFolder() const { return Root() + "/cardfmt/ports"; }

private:
    TempFolder folder_;
    std::optional<std::string> saved_;
};

}  // namespace harness
