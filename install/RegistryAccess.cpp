#include "install/RegistryAccess.h"

#include <charconv>

#include "framework/RunLog.h"

namespace install {

std::string_view RegistryRootName(int root) noexcept {
    switch (root) {
        case ClassesRoot: return "HKCR";
        case CurrentUser: return "HKCU";
        case LocalMachine: return "HKLM";
        default: return "?";
    }
}

RegistryAccess::~RegistryAccess() = default;

bool RegistryAccess::Logged(bool written, int root, std::string_view valuePath, std::string_view data) const {
    if (log_) log_->RegistryValue(RegistryRootName(root), valuePath, data, written);
    return written;
}

void RegistryAccess::SplitValuePath(std::string_view valuePath, std::string& keyPath, std::string& valueName) {
    const auto slash = valuePath.rfind('\\');
    if (slash == std::string_view::npos) {
        keyPath.clear();
        valueName.assign(valuePath);
        return;
    }
    keyPath.assign(valuePath.substr(0, slash));
    valueName.assign(valuePath.substr(slash + 1));
}

bool RegistryAccess::RegistryValueToText(const std::uint8_t* bytes, std::size_t size, std::uint32_t type,
                                         std::string& text) {
    if (bytes == nullptr) size = 0;
    switch (type) {
        case StringValue:
        case ExpandStringValue: {
            std::size_t length = 0;
            while (length < size && bytes[length] != 0) ++length;
            text.assign(reinterpret_cast<const char*>(bytes), length);
            return true;
        }
        case DwordValue: {
            if (size < 4) break;
            const std::uint32_t raw = std::uint32_t{bytes[0]} | std::uint32_t{bytes[1]} << 8 |
                                      std::uint32_t{bytes[2]} << 16 | std::uint32_t{bytes[3]} << 24;
            char digits[16];
            const auto end = std::to_chars(digits, digits + sizeof digits, static_cast<std::int32_t>(raw)).ptr;
            text.assign(digits, end);
            return true;
        }
        case BinaryValue:
            text = "Binary data";
            return false;
        default:
            break;
    }
    text = "Can't convert to string";
    return false;
}

}  // namespace install
