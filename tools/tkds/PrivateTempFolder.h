#pragma once
// A folder of the tool's own under the system's temporary folder (mode 0700, a
// fresh name), removed with its content when the owner goes. What is written
// there cannot be swapped by another user between writing and reading it.
#include <filesystem>
#include <string>

namespace tkds {

class PrivateTempFolder {
public:
    PrivateTempFolder() = default;
    ~PrivateTempFolder();
    PrivateTempFolder(const PrivateTempFolder&) = delete;
    PrivateTempFolder& operator=(const PrivateTempFolder&) = delete;

    // Makes the folder; false with the reason when it cannot.
    bool Create(std::string& error);
    // A path inside the folder.
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

}  // namespace tkds
