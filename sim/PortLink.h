// The entry comN of the per-user port table, pointing at a device, for as long
// as this object lives.
#pragma once

#include <string>

namespace sim {

class PortLink {
public:
    PortLink() = default;
    ~PortLink();
    PortLink(const PortLink&) = delete;
    PortLink& operator=(const PortLink&) = delete;

    // Creates or atomically replaces <folder>/<comName> as a symlink to `target`,
    // creating the folder. Drops any entry this object made before. False when the
    // name is not a plain file name, there is no folder, or the file system says no.
    bool Create(const std::string& folder, const std::string& comName, const std::string& target);
    // Points the existing entry at a new device (the adapter came back elsewhere).
    bool Retarget(const std::string& target);
    // Removes the entry, unless someone else has replaced it meanwhile.
    void Remove();

    const std::string& Path() const { return path_; }

private:
    std::string path_;
    std::string target_;
};

}  // namespace sim
