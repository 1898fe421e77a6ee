#include "harness/TempConfigHome.h"

#include <cstdlib>

namespace harness {

TempConfigHome::TempConfigHome() : folder_("cardfmt-config-home") {
    if (const char* old = std::getenv("XDG_CONFIG_HOME")) saved_ = old;
    setenv("XDG_CONFIG_HOME", Root().c_str(), 1);
}

TempConfigHome::~TempConfigHome() {
    if (saved_)
        setenv("XDG_CONFIG_HOME", saved_->c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");
}

}  // namespace harness
