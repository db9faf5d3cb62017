// The parts of the static C++ runtime that a Windows program of ours meets when
// something fails, replaced by small ones. The programs are built without
// exceptions, so nothing may throw: every failure the runtime would raise ends
// the process with the program's fatal message instead. Link this file into a
// program (not through the framework library: it must come before libstdc++ on
// the link line).
//
// - operator new: a failed allocation (a standard container or string growing,
//   an object made with new) ends the process with "Insf. memory. Aborting...".
//   The nothrow forms return null, as they must; byte blocks of node data are
//   taken with malloc and stay a message and a false result where they fail.
// - libstdc++ raises its own errors (a string or vector asked to grow past its
//   maximum, substr past the end, an empty std::function called) through the
//   std::__throw_* helpers. A request that cannot be met is out of memory; the
//   others can only be a fault of the program: "Unexpected error. Aborting...".
//   Their library versions would also pull in std::logic_error and its strings.
// - The default terminate handler demangles a type name and prints it to stderr,
//   which a GUI program does not have; the demangler alone is 46 KB.
#include <cstdlib>
#include <exception>
#include <new>

#include "framework/UserMessages.h"

namespace {

[[noreturn]] void FatalRuntimeFault() { framework::FatalExit("Unexpected error. Aborting..."); }

void* AllocateOrEnd(std::size_t size) {
    void* block = std::malloc(size ? size : 1);
    if (!block) framework::FatalOutOfMemory();
    return block;
}

void* AllocateAlignedOrEnd(std::size_t size, std::align_val_t alignment) {
    void* block = _aligned_malloc(size ? size : 1, static_cast<std::size_t>(alignment));
    if (!block) framework::FatalOutOfMemory();
    return block;
}

}  // namespace

void* operator new(std::size_t size) { return AllocateOrEnd(size); }
void* operator new[](std::size_t size) { return AllocateOrEnd(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return std::malloc(size ? size : 1); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return std::malloc(size ? size : 1); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { std::free(block); }

// Over-aligned types take memory that free() cannot release.
void* operator new(std::size_t size, std::align_val_t alignment) { return AllocateAlignedOrEnd(size, alignment); }
void* operator new[](std::size_t size, std::align_val_t alignment) { return AllocateAlignedOrEnd(size, alignment); }
void operator delete(void* block, std::align_val_t) noexcept { _aligned_free(block); }
void operator delete[](void* block, std::align_val_t) noexcept { _aligned_free(block); }
void operator delete(void* block, std::size_t, std::align_val_t) noexcept { _aligned_free(block); }
void operator delete[](void* block, std::size_t, std::align_val_t) noexcept { _aligned_free(block); }

namespace std {

[[noreturn]] void __throw_bad_alloc() { framework::FatalOutOfMemory(); }
[[noreturn]] void __throw_bad_array_new_length() { framework::FatalOutOfMemory(); }
[[noreturn]] void __throw_length_error(const char*) { framework::FatalOutOfMemory(); }
[[noreturn]] void __throw_logic_error(const char*) { FatalRuntimeFault(); }
[[noreturn]] void __throw_out_of_range(const char*) { FatalRuntimeFault(); }
[[noreturn]] void __throw_out_of_range_fmt(const char*, ...) { FatalRuntimeFault(); }
[[noreturn]] void __throw_invalid_argument(const char*) { FatalRuntimeFault(); }
[[noreturn]] void __throw_bad_function_call() { FatalRuntimeFault(); }

}  // namespace std

namespace __gnu_cxx {

void __verbose_terminate_handler() { FatalRuntimeFault(); }

}  // namespace __gnu_cxx
