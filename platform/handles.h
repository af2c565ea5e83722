// Owners of the platform's handles: each closes its handle when it goes out of scope, so a
// handle is closed on every path before the operation that opened it returns.
#pragma once

#include "platform/platform.h"

template <class Handle, class Traits>
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle) : handle_(handle) {}
    ~UniqueHandle() { Reset(); }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    bool Valid() const { return Traits::Valid(handle_); }
    Handle Get() const { return handle_; }
    // For operations that return the handle through a pointer.
    Handle* Receive() {
        Reset();
        return &handle_;
    }
    // Hands the handle over to the caller, who closes it from then on.
    Handle Release() {
        Handle handle = handle_;
        handle_ = Traits::Empty();
        return handle;
    }
    void Reset() {
        if (Traits::Valid(handle_)) Traits::Close(handle_);
        handle_ = Traits::Empty();
    }

private:
    Handle handle_ = Traits::Empty();
};

struct RegKeyTraits {
    static HKEY Empty() { return nullptr; }
    static bool Valid(HKEY key) { return key != nullptr; }
    static void Close(HKEY key) { RegCloseKey(key); }
};

struct KernelHandleTraits {  // tokens, processes, snapshots, files
    static HANDLE Empty() { return nullptr; }
    static bool Valid(HANDLE handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
    static void Close(HANDLE handle) { CloseHandle(handle); }
};

struct FindHandleTraits {
    static HANDLE Empty() { return INVALID_HANDLE_VALUE; }
    static bool Valid(HANDLE handle) { return handle != INVALID_HANDLE_VALUE && handle != nullptr; }
    static void Close(HANDLE handle) { FindClose(handle); }
};

struct ServiceHandleTraits {
    static SC_HANDLE Empty() { return nullptr; }
    static bool Valid(SC_HANDLE handle) { return handle != nullptr; }
    static void Close(SC_HANDLE handle) { CloseServiceHandle(handle); }
};

typedef UniqueHandle<HKEY, RegKeyTraits> RegKey;
typedef UniqueHandle<HANDLE, KernelHandleTraits> KernelHandle;
typedef UniqueHandle<HANDLE, FindHandleTraits> FindHandle;
typedef UniqueHandle<SC_HANDLE, ServiceHandleTraits> ServiceHandle;

struct LocalMemoryTraits {  // security descriptors that the platform allocated
    static PSECURITY_DESCRIPTOR Empty() { return nullptr; }
    static bool Valid(PSECURITY_DESCRIPTOR memory) { return memory != nullptr; }
    static void Close(PSECURITY_DESCRIPTOR memory) { LocalFree(memory); }
};
typedef UniqueHandle<PSECURITY_DESCRIPTOR, LocalMemoryTraits> LocalDescriptor;
