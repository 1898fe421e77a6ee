// A fresh folder under the temporary directory, removed with its contents when
// the object goes.
#pragma once

#include <filesystem>
#include <string>

namespace harness {

class TempFolder {
public:
    // The folder is named `stem` and a unique suffix; throws when none can be made.
    explicit TempFolder(const std::string& stem);
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

}  // namespace harness
