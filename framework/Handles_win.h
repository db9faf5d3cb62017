#pragma once
// Uncopyable owners for Win32 handles: each closes its handle in its destructor.
// Use Get() (or the conversion) to pass the raw handle, Attach/Detach to move
// ownership across an API boundary.
#include <windows.h>
#include <objbase.h>  // CoInitialize, CoUninitialize (left out by WIN32_LEAN_AND_MEAN)

#include <utility>

namespace framework {

template <typename Traits>
class UniqueHandle {
public:
    using Handle = typename Traits::Handle;

    UniqueHandle() noexcept = default;
    explicit UniqueHandle(Handle h) noexcept : handle_(h) {}
    ~UniqueHandle() { Reset(); }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.Detach()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) Attach(other.Detach());
        return *this;
    }

    bool IsValid() const noexcept { return Traits::IsValid(handle_); }
    explicit operator bool() const noexcept { return IsValid(); }
    Handle Get() const noexcept { return handle_; }
    operator Handle() const noexcept { return handle_; }

    void Attach(Handle h) noexcept {
        Reset();
        handle_ = h;
    }
    Handle Detach() noexcept { return std::exchange(handle_, Traits::Invalid()); }
    void Reset() noexcept {
        if (Traits::IsValid(handle_)) Traits::Close(handle_);
        handle_ = Traits::Invalid();
    }

private:
    Handle handle_ = Traits::Invalid();
};

// Kernel handles: invalid both as NULL and as INVALID_HANDLE_VALUE.
struct KernelHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() noexcept { return nullptr; }
    static bool IsValid(Handle h) noexcept { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(Handle h) noexcept { CloseHandle(h); }
};
using FileHandle = UniqueHandle<KernelHandleTraits>;

struct RegistryKeyTraits {
    using Handle = HKEY;
    static Handle Invalid() noexcept { return nullptr; }
    static bool IsValid(Handle h) noexcept { return h != nullptr; }
    static void Close(Handle h) noexcept { RegCloseKey(h); }
};
using RegistryKey = UniqueHandle<RegistryKeyTraits>;

template <typename T>
struct GdiObjectTraits {
    using Handle = T;
    static Handle Invalid() noexcept { return nullptr; }
    static bool IsValid(Handle h) noexcept { return h != nullptr; }
    static void Close(Handle h) noexcept { DeleteObject(h); }
};
using BitmapHandle = UniqueHandle<GdiObjectTraits<HBITMAP>>;
using BrushHandle = UniqueHandle<GdiObjectTraits<HBRUSH>>;
using RegionHandle = UniqueHandle<GdiObjectTraits<HRGN>>;
using FontHandle = UniqueHandle<GdiObjectTraits<HFONT>>;

// A device context made with CreateCompatibleDC.
struct MemoryDcTraits {
    using Handle = HDC;
    static Handle Invalid() noexcept { return nullptr; }
    static bool IsValid(Handle h) noexcept { return h != nullptr; }
    static void Close(Handle h) noexcept { DeleteDC(h); }
};
using MemoryDc = UniqueHandle<MemoryDcTraits>;

struct ModuleTraits {
    using Handle = HMODULE;
    static Handle Invalid() noexcept { return nullptr; }
    static bool IsValid(Handle h) noexcept { return h != nullptr; }
    static void Close(Handle h) noexcept { FreeLibrary(h); }
};
using LibraryHandle = UniqueHandle<ModuleTraits>;

// A window's device context (GetDC), released with ReleaseDC at scope end.
class WindowDc {
public:
    explicit WindowDc(HWND window) noexcept : window_(window), dc_(GetDC(window)) {}
    ~WindowDc() {
        if (dc_) ReleaseDC(window_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC Get() const noexcept { return dc_; }
    operator HDC() const noexcept { return dc_; }
    explicit operator bool() const noexcept { return dc_ != nullptr; }

private:
    HWND window_;
    HDC dc_;
};

// Selects an object into a device context and restores the previous one at scope end.
class ScopedSelect {
public:
    ScopedSelect(HDC dc, HGDIOBJ object) noexcept : dc_(dc), previous_(dc && object ? SelectObject(dc, object) : nullptr) {}
    ~ScopedSelect() {
        if (previous_ && previous_ != HGDI_ERROR) SelectObject(dc_, previous_);
    }
    ScopedSelect(const ScopedSelect&) = delete;
    ScopedSelect& operator=(const ScopedSelect&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// COM initialised on this thread for the lifetime of the object. Only a successful
// CoInitialize (S_OK or S_FALSE) is balanced by CoUninitialize: after a failure
// (a thread already in another apartment mode) uninitialising would undo someone
// else's initialisation.
class ComScope {
public:
    ComScope() noexcept : initialised_(SUCCEEDED(CoInitialize(nullptr))) {}
    ~ComScope() {
        if (initialised_) CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

private:
    bool initialised_;
};

// An owned COM interface pointer, released at scope end.
template <typename T>
class ComPtr {
public:
    ComPtr() noexcept = default;
    ~ComPtr() { Reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    T* Get() const noexcept { return ptr_; }
    T* operator->() const noexcept { return ptr_; }
    explicit operator bool() const noexcept { return ptr_ != nullptr; }
    // For out-parameters of CreateInstance/QueryInterface; releases what was held.
    void** PutVoid() noexcept {
        Reset();
        return reinterpret_cast<void**>(&ptr_);
    }
    void Reset() noexcept {
        if (ptr_) ptr_->Release();
        ptr_ = nullptr;
    }

private:
    T* ptr_ = nullptr;
};

}  // namespace framework
