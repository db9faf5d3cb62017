#pragma once
// One worker thread and the owner of its handle: started with a function and its
// argument, waited for (and its handle closed) by Join or when the owner goes.
// Built on _beginthreadex, so the C runtime knows the thread (the programs use
// the win32 thread model, which has no std::thread).
#include <windows.h>

#include <process.h>

#include "framework/Handles_win.h"

namespace framework {

class WorkerThread {
public:
    using Function = unsigned(__stdcall*)(void* argument);

    WorkerThread() noexcept = default;
    ~WorkerThread() { Join(); }
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    // False when the thread cannot be made (or one is still owned).
    bool Start(Function function, void* argument) noexcept {
        if (handle_) return false;
        handle_.Attach(reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, function, argument, 0, nullptr)));
        return handle_.IsValid();
    }
    // True from Start until Join.
    bool Owned() const noexcept { return handle_.IsValid(); }
    // True once the thread has ended (Join then returns at once).
    bool Ended() const noexcept { return handle_ && WaitForSingleObject(handle_, 0) == WAIT_OBJECT_0; }
    // Waits until the thread has ended, then releases its handle.
    void Join() noexcept {
        if (!handle_) return;
        WaitForSingleObject(handle_, INFINITE);
        handle_.Reset();
    }

private:
    UniqueHandle<KernelHandleTraits> handle_;
};

}  // namespace framework
