#include "sim/PortLink.h"

#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <system_error>

namespace sim {
namespace {

namespace fs = std::filesystem;

// Readers of the table must never find the entry missing or half made, so the
// link is built under a private name and renamed over the old one.
bool PlaceSymlink(const fs::path& entry, const std::string& target) {
    static std::atomic<unsigned> counter{0};
    const fs::path temp = entry.parent_path() / ("." + entry.filename().string() + ".tmp." + std::to_string(getpid()) +
                                                 "." + std::to_string(counter++));
    std::error_code ec;
    fs::create_symlink(target, temp, ec);
    if (ec) return false;
    fs::rename(temp, entry, ec);
    if (ec) {
        fs::remove(temp, ec);
        return false;
    }
    return true;
}

bool PlainName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

}  // namespace

PortLink::~PortLink() { Remove(); }

bool PortLink::Create(const std::string& folder, const std::string& comName, const std::string& target) {
    if (folder.empty() || !PlainName(comName) || target.empty()) return false;
    const fs::path entry = fs::path(folder) / comName;
    if (entry.string() != path_) Remove();
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec || !PlaceSymlink(entry, target)) return false;
    path_ = entry.string();
    target_ = target;
    return true;
}

bool PortLink::Retarget(const std::string& target) {
    if (path_.empty() || !PlaceSymlink(path_, target)) return false;
    target_ = target;
    return true;
}

void PortLink::Remove() {
    if (path_.empty()) return;
    std::error_code ec;
    if (fs::is_symlink(fs::symlink_status(path_, ec)) && fs::read_symlink(path_, ec).string() == target_)
        fs::remove(path_, ec);
    path_.clear();
    target_.clear();
}

}  // namespace sim
