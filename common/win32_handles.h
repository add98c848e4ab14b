// Win32 only: every kind of handle the program closes, each owned by one object
// that closes it once. A kind is the handle's type, the value that means "none"
// and the call that closes it.
#pragma once

#include <windows.h>
#include <wincrypt.h>

namespace tw {

template <typename Kind>
class UniqueHandle {
public:
    using Handle = typename Kind::Handle;

    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle) : m_handle(handle) {}
    UniqueHandle(UniqueHandle&& other) noexcept : m_handle(other.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        Reset(other.Release());
        return *this;
    }
    ~UniqueHandle() { Reset(); }

    bool IsValid() const { return m_handle != Kind::None(); }
    Handle Get() const { return m_handle; }
    // Where a call that gives the handle through a pointer puts it; one held
    // before is closed first.
    Handle* Out() {
        Reset();
        return &m_handle;
    }
    // Hands the handle to the caller, who closes it.
    Handle Release() {
        Handle handle = m_handle;
        m_handle = Kind::None();
        return handle;
    }
    // Closes the handle held and takes handle in its place.
    void Reset(Handle handle = Kind::None()) {
        if (IsValid()) Kind::Close(m_handle);
        m_handle = handle;
    }

private:
    Handle m_handle = Kind::None();
};

namespace handle_kinds {

// CreateFileA's, and so INVALID_HANDLE_VALUE when there is none.
struct File {
    using Handle = HANDLE;
    static Handle None() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle handle) { CloseHandle(handle); }
};
// A process, thread or token: null when there is none.
struct Kernel {
    using Handle = HANDLE;
    static Handle None() { return nullptr; }
    static void Close(Handle handle) { CloseHandle(handle); }
};
struct Find {
    using Handle = HANDLE;
    static Handle None() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle handle) { FindClose(handle); }
};
struct RegistryKey {
    using Handle = HKEY;
    static Handle None() { return nullptr; }
    static void Close(Handle handle) { RegCloseKey(handle); }
};
struct CryptProvider {
    using Handle = HCRYPTPROV;
    static Handle None() { return 0; }
    static void Close(Handle handle) { CryptReleaseContext(handle, 0); }
};
struct CryptHash {
    using Handle = HCRYPTHASH;
    static Handle None() { return 0; }
    static void Close(Handle handle) { CryptDestroyHash(handle); }
};
// What the security calls allocate (descriptors, SID texts).
struct LocalMemory {
    using Handle = HLOCAL;
    static Handle None() { return nullptr; }
    static void Close(Handle handle) { LocalFree(handle); }
};
struct Library {
    using Handle = HMODULE;
    static Handle None() { return nullptr; }
    static void Close(Handle handle) { FreeLibrary(handle); }
};

}  // namespace handle_kinds

using FileHandle = UniqueHandle<handle_kinds::File>;
using KernelHandle = UniqueHandle<handle_kinds::Kernel>;
using FindHandle = UniqueHandle<handle_kinds::Find>;
using RegistryKey = UniqueHandle<handle_kinds::RegistryKey>;
using CryptProvider = UniqueHandle<handle_kinds::CryptProvider>;
using CryptHash = UniqueHandle<handle_kinds::CryptHash>;
using LocalMemory = UniqueHandle<handle_kinds::LocalMemory>;
using LibraryHandle = UniqueHandle<handle_kinds::Library>;

}  // namespace tw
