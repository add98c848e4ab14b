#include <windows.h>

#include <optional>
#include <span>
#include <string>
#include <utility>

#include "common/win32_handles.h"
#include "framework/ReadGrowing.h"
#include "uninstall/image_headers.h"
#include "uninstall/running_image.h"

namespace tw {

namespace {

// Held until the process ends.
tw::FileHandle& HeldImage() {
    static tw::FileHandle image;
    return image;
}

std::string& HeldPath() {
    static std::string path;
    return path;
}

// The headers of the image Windows loaded, as mapped in memory.
std::span<const unsigned char> LoadedHeaders() {
    const auto* base = reinterpret_cast<const unsigned char*>(GetModuleHandleA(nullptr));
    if (!base) return {};
    // The first page holds the DOS and PE headers' fixed parts.
    std::optional<std::size_t> size = ImageHeadersSize({base, 4096});
    if (!size) return {};
    return {base, *size};
}

// Fills bytes from the file's start.
bool ReadFromStart(HANDLE file, unsigned char* bytes, DWORD size) {
    LARGE_INTEGER start{};
    if (!SetFilePointerEx(file, start, nullptr, FILE_BEGIN)) return false;
    DWORD filled = 0;
    while (filled < size) {
        DWORD got = 0;
        if (!ReadFile(file, bytes + filled, size - filled, &got, nullptr) || got == 0) return false;
        filled += got;
    }
    return true;
}

}  // namespace

void HoldRunningImage() {
    const std::string self = ReadGrowing([](char* buffer, unsigned long size) {
        return GetModuleFileNameA(nullptr, buffer, static_cast<DWORD>(size));
    });
    if (self.empty()) return;
    tw::FileHandle file(CreateFileA(self.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) return;
    std::span<const unsigned char> loaded = LoadedHeaders();
    if (loaded.empty()) return;
    unsigned char headers[kMaxImageHeaders];  // on the stack of a program that just started
    const DWORD size = static_cast<DWORD>(loaded.size());
    if (!ReadFromStart(file.Get(), headers, size) || !SameImageHeaders({headers, size}, loaded))
        return;
    HeldImage() = std::move(file);
    HeldPath() = self;
}

const std::string& RunningImagePath() { return HeldPath(); }

void* RunningImageHandle() { return HeldImage().IsValid() ? HeldImage().Get() : nullptr; }

}  // namespace tw
