#pragma once
// A block of bytes on the runtime heap (malloc/free), the unit in which node data,
// picture strips and payload bytes move between objects. The owner frees it.
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace storage {

struct FreeDeleter {
    void operator()(void* p) const noexcept { std::free(p); }
};

using HeapBlock = std::unique_ptr<std::uint8_t[], FreeDeleter>;

// A new uninitialised block of size bytes, or an empty one if the heap refuses
// (a zero-byte request still yields a valid, distinct block).
inline HeapBlock AllocateBlock(std::size_t size) noexcept {
    return HeapBlock(static_cast<std::uint8_t*>(std::malloc(size ? size : 1)));
}

}  // namespace storage
