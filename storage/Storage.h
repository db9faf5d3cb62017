#pragma once
// The one object through which the program reaches its embedded container: it
// indexes every node once and answers typed reads by dotted path ("Backgrounds.1",
// "Controls.MaskedButtons.PushButton.Width"), deciphering and decompressing each
// node into a fresh heap block. It never writes and never copies the container.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "storage/HeapBlock.h"

namespace storage {

class Storage {
public:
    Storage();
    virtual ~Storage();
    Storage(const Storage&) = delete;
    Storage& operator=(const Storage&) = delete;

#ifdef _WIN32
    // Opens the program's own resource of type "STORAGE" with this integer id.
    bool Open(int resourceId);
#endif
    // Opens a container held in memory; the bytes must outlive this object
    // (or the next Close). Used by the tools and the tests.
    bool OpenBytes(const std::uint8_t* bytes, std::size_t length);

    // On failure no out argument is touched and LastError() tells why:
    // "Path invalid.", "Invalid password.", "Other data type wanted." or "".
    bool GetInteger(std::string_view path, std::int32_t& value, std::string_view password);
    bool GetString(std::string_view path, std::string& text, std::string_view password);
    bool GetBinary(std::string_view path, HeapBlock& data, std::uint32_t& size, std::string_view password);

    bool Close();
    const std::string& LastError() const noexcept;
};

}  // namespace storage
