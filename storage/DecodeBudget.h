#pragma once
// A cap on the bytes decoded from a container that the reader did not make.
// Records may overlap and zlib inflates up to about a thousand times its input,
// so a small container can name far more decoded data than it holds; a tool
// takes each node's decoded size from its budget before decoding it.
#include <cstdint>

namespace storage {

class DecodeBudget {
public:
    explicit DecodeBudget(std::uint64_t limit) noexcept : limit_(limit), left_(limit) {}

    // Takes bytes from what is left: false, nothing taken and the budget marked
    // exceeded when they do not fit.
    bool Take(std::uint64_t bytes) noexcept {
        if (bytes > left_) {
            exceeded_ = true;
            return false;
        }
        left_ -= bytes;
        return true;
    }
    bool Exceeded() const noexcept { return exceeded_; }
    std::uint64_t Limit() const noexcept { return limit_; }

private:
    std::uint64_t limit_;
    std::uint64_t left_;
    bool exceeded_ = false;
};

}  // namespace storage
