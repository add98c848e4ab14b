#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string>
#include <utility>

#include "common/win32_handles.h"
#include "framework/ReadGrowing.h"
#include "uninstall/loaded_image.h"
#include "uninstall/running_image.h"

namespace tw {

namespace {

// The image as the loader left it: copied by the TLS callback below, which the
// loader calls once the image is placed, relocated and its imports bound, and
// before the program's entry point, so before any of its own code has written
// its data. Plain data, set before any constructor runs.
struct LoadedSnapshot {
    const unsigned char* bytes;
    std::size_t size;
    std::uintptr_t base;
};
LoadedSnapshot g_loaded;

// Copies the pages of from that can be read; the others stay zero in to.
void CopyReadablePages(const unsigned char* from, unsigned char* to, std::size_t size) {
    constexpr DWORD kReadable = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY |
                                PAGE_EXECUTE_READ | PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
    for (std::size_t at = 0; at < size;) {
        MEMORY_BASIC_INFORMATION region{};
        if (!VirtualQuery(from + at, &region, sizeof(region))) return;
        const auto* regionEnd =
            static_cast<const unsigned char*>(region.BaseAddress) + region.RegionSize;
        const std::size_t run =
            std::min<std::size_t>(size - at, static_cast<std::size_t>(regionEnd - (from + at)));
        if (region.State == MEM_COMMIT && (region.Protect & kReadable) &&
            !(region.Protect & PAGE_GUARD))
            std::memcpy(to + at, from + at, run);
        at += run;
    }
}

void NTAPI SnapshotLoadedImage(PVOID, DWORD reason, PVOID) {
    if (reason != DLL_PROCESS_ATTACH || g_loaded.bytes) return;
    const auto* base = reinterpret_cast<const unsigned char*>(GetModuleHandleA(nullptr));
    if (!base) return;
    // The headers' fixed parts and section table lie in the first page.
    const std::size_t size = LoadedImageSize({base, 4096}).value_or(0);
    if (size == 0) return;
    auto* copy = static_cast<unsigned char*>(
        VirtualAlloc(nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    if (!copy) return;
    CopyReadablePages(base, copy, size);
    DWORD before = 0;
    VirtualProtect(copy, size, PAGE_READONLY, &before);
    g_loaded = {copy, size, reinterpret_cast<std::uintptr_t>(base)};
}

// The program file, held until the process ends, and its path.
struct HeldImage {
    tw::FileHandle file;
    std::string path;
};
HeldImage& Held() {
    static HeldImage held;
    return held;
}

}  // namespace

}  // namespace tw

// The loader calls the callbacks of .CRT$XLB to .CRT$XLY in order; B comes before
// the runtime's own.
extern "C" __attribute__((section(".CRT$XLB"), used))
const PIMAGE_TLS_CALLBACK twSnapshotLoadedImage = tw::SnapshotLoadedImage;

namespace tw {

void HoldRunningImage() {
    const std::string self = ReadGrowing([](char* buffer, unsigned long size) {
        return GetModuleFileNameA(nullptr, buffer, static_cast<DWORD>(size));
    });
    if (self.empty()) return;
    tw::FileHandle file(CreateFileA(self.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) return;
    Held() = {std::move(file), self};
}

const std::string& RunningImagePath() { return Held().path; }

void* RunningImageHandle() { return Held().file.IsValid() ? Held().file.Get() : nullptr; }

std::optional<std::string> ReadRunningImageFile() {
    HANDLE file = RunningImageHandle();
    LARGE_INTEGER size{};
    if (!file || !g_loaded.bytes || !GetFileSizeEx(file, &size) || size.QuadPart <= 0 ||
        static_cast<std::uint64_t>(size.QuadPart) > kMaxImageSize)
        return std::nullopt;
    LARGE_INTEGER start{};
    if (!SetFilePointerEx(file, start, nullptr, FILE_BEGIN)) return std::nullopt;
    std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
    DWORD filled = 0;
    while (filled < bytes.size()) {
        DWORD got = 0;
        if (!ReadFile(file, bytes.data() + filled, static_cast<DWORD>(bytes.size() - filled), &got,
                      nullptr) ||
            got == 0)
            return std::nullopt;
        filled += got;
    }
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    if (!FileHoldsLoadedImage({data, bytes.size()}, {g_loaded.bytes, g_loaded.size}, g_loaded.base))
        return std::nullopt;
    return bytes;
}

}  // namespace tw
