#include "harness/TempFolder.h"

#include <cstdlib>
#include <stdexcept>

namespace harness {

TempFolder::TempFolder(const std::string& stem) {
    std::string pattern = (std::filesystem::temp_directory_path() / (stem + ".XXXXXX")).string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("no temporary folder for " + stem);
    path_ = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

}  // namespace harness
