#include "uninstall/image_headers.h"

#include <cstdint>
#include <cstring>

namespace tw {

namespace {

constexpr std::size_t kNewHeaderOffset = 0x3C;  // e_lfanew in the DOS header
constexpr std::size_t kFileHeaderSize = 20;     // IMAGE_FILE_HEADER
constexpr std::uint16_t kPe32 = 0x10B;
constexpr std::uint16_t kPe32Plus = 0x20B;

std::uint32_t Read32(std::span<const unsigned char> bytes, std::size_t at) {
    return static_cast<std::uint32_t>(bytes[at]) | static_cast<std::uint32_t>(bytes[at + 1]) << 8 |
           static_cast<std::uint32_t>(bytes[at + 2]) << 16 |
           static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

struct Layout {
    std::size_t headersSize;
    std::size_t imageBase;  // offset of ImageBase
    std::size_t imageBaseSize;
};

std::optional<Layout> LayoutOf(std::span<const unsigned char> bytes) {
    if (bytes.size() < kNewHeaderOffset + 4 || bytes[0] != 'M' || bytes[1] != 'Z')
        return std::nullopt;
    const std::size_t pe = Read32(bytes, kNewHeaderOffset);
    const std::size_t optional = pe + 4 + kFileHeaderSize;
    // Up to SizeOfHeaders, at 60 in both kinds of optional header.
    if (pe > kMaxImageHeaders || optional + 64 > bytes.size()) return std::nullopt;
    if (std::memcmp(bytes.data() + pe, "PE\0\0", 4) != 0) return std::nullopt;
    const std::uint16_t magic =
        static_cast<std::uint16_t>(bytes[optional] | bytes[optional + 1] << 8);
    Layout layout{Read32(bytes, optional + 60), 0, 0};
    if (magic == kPe32)
        layout.imageBase = optional + 28, layout.imageBaseSize = 4;
    else if (magic == kPe32Plus)
        layout.imageBase = optional + 24, layout.imageBaseSize = 8;
    else
        return std::nullopt;
    if (layout.headersSize < optional + 64 || layout.headersSize > kMaxImageHeaders)
        return std::nullopt;
    return layout;
}

}  // namespace

std::optional<std::size_t> ImageHeadersSize(std::span<const unsigned char> bytes) {
    std::optional<Layout> layout = LayoutOf(bytes);
    if (!layout) return std::nullopt;
    return layout->headersSize;
}

bool SameImageHeaders(std::span<const unsigned char> file, std::span<const unsigned char> loaded) {
    std::optional<Layout> fileLayout = LayoutOf(file);
    std::optional<Layout> loadedLayout = LayoutOf(loaded);
    if (!fileLayout || !loadedLayout) return false;
    const Layout& layout = *fileLayout;
    if (layout.headersSize != loadedLayout->headersSize ||
        layout.imageBase != loadedLayout->imageBase || file.size() < layout.headersSize ||
        loaded.size() < layout.headersSize)
        return false;
    const std::size_t baseEnd = layout.imageBase + layout.imageBaseSize;
    return std::memcmp(file.data(), loaded.data(), layout.imageBase) == 0 &&
           std::memcmp(file.data() + baseEnd, loaded.data() + baseEnd,
                       layout.headersSize - baseEnd) == 0;
}

}  // namespace tw
