// Win32 only: every kind of handle the program closes, each owned by one object
// that closes it once. A kind is the handle's type, the call that closes it and
// the value that means "none".
#pragma once

#include <windows.h>
#include <wincrypt.h>

namespace tw {

// A handle of type Handle, closed with close. None is null, or for kinds whose
// failed opens give INVALID_HANDLE_VALUE (CreateFileA's, FindFirstFileA's) that.
template <typename Handle, auto close, bool invalidIsNone = false>
class UniqueHandle {
public:
    static Handle None() {
        if constexpr (invalidIsNone)
            return INVALID_HANDLE_VALUE;
        else
            return Handle{};
    }

    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle) : m_handle(handle) {}
    UniqueHandle(UniqueHandle&& other) noexcept : m_handle(other.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        Reset(other.Release());
        return *this;
    }
    ~UniqueHandle() { Reset(); }

    bool IsValid() const { return m_handle != None(); }
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
        m_handle = None();
        return handle;
    }
    // Closes the handle held and takes handle in its place.
    void Reset(Handle handle = None()) {
        if (IsValid()) close(m_handle);
        m_handle = handle;
    }

private:
    Handle m_handle = None();
};

inline void ReleaseCryptProvider(HCRYPTPROV provider) { CryptReleaseContext(provider, 0); }

using FileHandle = UniqueHandle<HANDLE, CloseHandle, true>;
// A process, thread or token.
using KernelHandle = UniqueHandle<HANDLE, CloseHandle>;
using FindHandle = UniqueHandle<HANDLE, FindClose, true>;
using RegistryKey = UniqueHandle<HKEY, RegCloseKey>;
using CryptProvider = UniqueHandle<HCRYPTPROV, ReleaseCryptProvider>;
using CryptHash = UniqueHandle<HCRYPTHASH, CryptDestroyHash>;
// What the security calls allocate (descriptors, SID texts).
using LocalMemory = UniqueHandle<HLOCAL, LocalFree>;
using LibraryHandle = UniqueHandle<HMODULE, FreeLibrary>;

}  // namespace tw
