#pragma once
// A callable handed down a call and not kept: the callable's address and a
// function that calls it. Unlike std::function it copies nothing, allocates
// nothing and needs no manager compiled for each lambda, which keeps the setup
// stub small. What it refers to must outlive it, as a lambda written in the
// call's arguments does.
#include <cstddef>
#include <memory>
#include <type_traits>
#include <utility>

namespace framework {

template <class Signature>
class FunctionRef;

template <class R, class... Args>
class FunctionRef<R(Args...)> {
public:
    // None; false when tested, and not to be called.
    FunctionRef(std::nullptr_t) noexcept {}

    template <class F, class = std::enable_if_t<!std::is_same_v<std::decay_t<F>, FunctionRef> &&
                                                std::is_invocable_r_v<R, F&, Args...>>>
    FunctionRef(F&& callable) noexcept
        : callable_(const_cast<void*>(static_cast<const void*>(std::addressof(callable)))),
          call_([](void* target, Args... args) -> R {
              return (*static_cast<std::remove_reference_t<F>*>(target))(std::forward<Args>(args)...);
          }) {}

    explicit operator bool() const noexcept { return call_ != nullptr; }
    R operator()(Args... args) const { return call_(callable_, std::forward<Args>(args)...); }

private:
    void* callable_ = nullptr;
    R (*call_)(void*, Args...) = nullptr;
};

}  // namespace framework
