#include "uninstall/loaded_image.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace tw {

namespace {

constexpr std::uint16_t kPe32 = 0x10B;
constexpr std::uint16_t kPe32Plus = 0x20B;
constexpr std::size_t kSectionHeaderSize = 40;
constexpr std::size_t kMaxSections = 96;

// The data directories the check reads, by their index.
constexpr std::size_t kCertificates = 4;  // a file offset, not an address
constexpr std::size_t kRelocations = 5;
constexpr std::size_t kTls = 9;
constexpr std::size_t kBoundImports = 11;
constexpr std::size_t kImportAddresses = 12;

// Offsets and sizes in 64 bits: sums of two 32-bit fields never wrap.
struct Range {
    std::uint64_t start = 0;
    std::uint64_t size = 0;
    std::uint64_t End() const { return start + size; }
};

bool Inside(Range range, std::uint64_t limit) {
    return range.start <= limit && range.size <= limit - range.start;
}

// An offset or size already checked to lie within bytes held in memory.
std::size_t Held(std::uint64_t value) { return static_cast<std::size_t>(value); }

// Little-endian, width 2, 4 or 8; the caller has checked the bounds.
std::uint64_t Read(std::span<const unsigned char> bytes, std::uint64_t at, int width) {
    std::uint64_t value = 0;
    for (int i = width - 1; i >= 0; --i)
        value = value << 8 | bytes[Held(at) + static_cast<std::size_t>(i)];
    return value;
}

void Write(std::span<unsigned char> bytes, std::uint64_t at, std::uint64_t value, int width) {
    for (int i = 0; i < width; ++i)
        bytes[Held(at) + static_cast<std::size_t>(i)] =
            static_cast<unsigned char>(value >> (8 * i));
}

struct Section {
    std::uint64_t address;
    std::uint64_t mapped;  // the bytes of its raw data that the loader maps
    Range raw;             // in the file
};

struct Layout {
    bool plus = false;  // PE32+
    Range imageBaseField;
    std::uint64_t imageBase = 0;
    std::uint64_t headersSize = 0;
    std::uint64_t imageSize = 0;
    std::size_t sectionTable = 0;
    std::size_t sections = 0;
    std::uint64_t symbolTable = 0;  // a file offset; 0 when there is none
    std::uint64_t symbols = 0;
    Range directories[16];
};

std::optional<Layout> LayoutOf(std::span<const unsigned char> bytes) {
    if (bytes.size() < 0x40 || bytes[0] != 'M' || bytes[1] != 'Z') return std::nullopt;
    const std::uint64_t pe = Read(bytes, 0x3C, 4);
    if (pe > kMaxImageHeaders || pe + 24 > bytes.size() ||
        std::memcmp(bytes.data() + pe, "PE\0\0", 4) != 0)
        return std::nullopt;
    Layout layout;
    layout.sections = Held(Read(bytes, pe + 6, 2));
    layout.symbolTable = Read(bytes, pe + 12, 4);
    layout.symbols = Read(bytes, pe + 16, 4);
    const std::uint64_t optional = pe + 24;
    layout.sectionTable = Held(optional + Read(bytes, pe + 20, 2));
    const std::uint64_t tableEnd = layout.sectionTable + layout.sections * kSectionHeaderSize;
    if (layout.sections == 0 || layout.sections > kMaxSections || tableEnd > bytes.size() ||
        optional + 2 > layout.sectionTable)
        return std::nullopt;
    const std::uint64_t magic = Read(bytes, optional, 2);
    if (magic != kPe32 && magic != kPe32Plus) return std::nullopt;
    layout.plus = magic == kPe32Plus;
    // The data directories follow NumberOfRvaAndSizes at the fixed part's end.
    const std::uint64_t directories = optional + (layout.plus ? 112 : 96);
    if (directories > layout.sectionTable) return std::nullopt;
    const std::uint64_t count = Read(bytes, directories - 4, 4);
    if (count > 16 || directories + count * 8 > layout.sectionTable) return std::nullopt;
    layout.imageBaseField = {optional + (layout.plus ? 24 : 28), layout.plus ? 8u : 4u};
    layout.imageBase =
        Read(bytes, layout.imageBaseField.start, static_cast<int>(layout.imageBaseField.size));
    layout.imageSize = Read(bytes, optional + 56, 4);
    layout.headersSize = Read(bytes, optional + 60, 4);
    if (layout.headersSize < tableEnd || layout.headersSize > kMaxImageHeaders ||
        layout.imageSize > kMaxImageSize || layout.headersSize > layout.imageSize)
        return std::nullopt;
    for (std::uint64_t i = 0; i < count; ++i)
        layout.directories[i] = {Read(bytes, directories + 8 * i, 4),
                                 Read(bytes, directories + 8 * i + 4, 4)};
    return layout;
}

// A section's header; nothing when the image could not hold it.
std::optional<Section> SectionOf(std::span<const unsigned char> headers, const Layout& layout,
                                 std::size_t index) {
    const std::size_t at = layout.sectionTable + index * kSectionHeaderSize;
    const std::uint64_t virtualSize = Read(headers, at + 8, 4);
    Section section{
        Read(headers, at + 12, 4), 0, {Read(headers, at + 20, 4), Read(headers, at + 16, 4)}};
    if (section.raw.size == 0) section.raw.start = 0;  // the loader does not look
    // Raw data beyond the virtual size only pads the section; a virtual size of 0
    // maps all of it.
    section.mapped = virtualSize == 0 ? section.raw.size : std::min(virtualSize, section.raw.size);
    if (section.address < layout.headersSize ||
        !Inside({section.address, std::max(virtualSize, section.mapped)}, layout.imageSize))
        return std::nullopt;
    return section;
}

bool AllZero(std::span<const unsigned char> bytes, std::uint64_t from, std::uint64_t to) {
    return std::all_of(bytes.begin() + static_cast<std::ptrdiff_t>(from),
                       bytes.begin() + static_cast<std::ptrdiff_t>(to),
                       [](unsigned char byte) { return byte == 0; });
}

// The COFF symbol table and the string table after it, which the linker leaves in
// a program built with debugging information: nothing the loader maps. Its
// extent; nothing when it leaves the file.
std::optional<Range> SymbolTableOf(std::span<const unsigned char> file, const Layout& layout) {
    const Range symbols{layout.symbolTable, layout.symbols * 18};
    const Range stringsSize{symbols.End(), 4};
    if (!Inside(stringsSize, file.size())) return std::nullopt;
    return Range{symbols.start,
                 symbols.size + std::max<std::uint64_t>(4, Read(file, stringsSize.start, 4))};
}

// Every byte of the file belongs to the headers or to a section, is padding of
// zeros, or is the symbol table or the certificate table at the end.
bool EveryFileByteAccounted(std::span<const unsigned char> file, const Layout& layout,
                            const std::vector<Section>& sections) {
    std::vector<Range> used{{0, layout.headersSize}};
    for (const Section& section : sections) {
        if (section.raw.size == 0) continue;
        if (!AllZero(file, section.raw.start + section.mapped, section.raw.End())) return false;
        used.push_back(section.raw);
    }
    const Range certificates = layout.directories[kCertificates];
    if (certificates.size != 0) used.push_back(certificates);
    if (layout.symbolTable != 0) {
        std::optional<Range> symbols = SymbolTableOf(file, layout);
        if (!symbols) return false;
        used.push_back(*symbols);
    }
    std::sort(used.begin(), used.end(), [](Range a, Range b) { return a.start < b.start; });
    std::uint64_t covered = 0;
    for (const Range& range : used) {
        if (!Inside(range, file.size()) || range.start < covered ||
            !AllZero(file, covered, range.start))
            return false;
        covered = range.End();
    }
    return covered == file.size();
}

// Applies the base relocations of image to it for an image placed delta bytes
// from its preferred base; false for blocks that leave the table or the image,
// and for kinds of relocation other than 32- and 64-bit addresses.
bool Relocate(std::span<unsigned char> image, const Layout& layout, std::uint64_t delta) {
    if (delta == 0) return true;
    const Range table = layout.directories[kRelocations];
    if (table.size == 0 || !Inside(table, image.size())) return false;
    for (std::uint64_t block = table.start; table.End() - block >= 8;) {
        const std::uint64_t page = Read(image, block, 4);
        const std::uint64_t blockSize = Read(image, block + 4, 4);
        if (blockSize < 8 || blockSize > table.End() - block) return false;
        for (std::uint64_t entry = block + 8; entry + 2 <= block + blockSize; entry += 2) {
            const std::uint64_t value = Read(image, entry, 2);
            const std::uint64_t kind = value >> 12;
            if (kind == 0) continue;  // padding of the block
            const int width = kind == 3 ? 4 : kind == 10 ? 8 : 0;
            const std::uint64_t target = page + (value & 0xFFF);
            if (width == 0 || !Inside({target, static_cast<std::uint64_t>(width)}, image.size()))
                return false;
            Write(image, target, Read(image, target, width) + delta, width);
        }
        block += blockSize;
    }
    return true;
}

// Copies a range the loader writes from the loaded image, when it lies inside it.
void TakeFromLoaded(std::span<unsigned char> expected, std::span<const unsigned char> loaded,
                    Range range) {
    if (range.size != 0 && Inside(range, expected.size()))
        std::memcpy(expected.data() + range.start, loaded.data() + range.start, Held(range.size));
}

// The slot the loader writes the TLS index into, named by the TLS directory.
Range TlsIndexSlot(std::span<const unsigned char> expected, const Layout& layout,
                   std::uint64_t loadedBase) {
    const Range directory = layout.directories[kTls];
    const std::uint64_t width = layout.plus ? 8 : 4;
    if (directory.size == 0 || !Inside({directory.start, 4 * width}, expected.size())) return {};
    const std::uint64_t address =
        Read(expected, directory.start + 2 * width, static_cast<int>(width));
    return {address - loadedBase, 4};
}

}  // namespace

std::optional<std::size_t> LoadedImageSize(std::span<const unsigned char> headers) {
    std::optional<Layout> layout = LayoutOf(headers);
    if (!layout) return std::nullopt;
    return static_cast<std::size_t>(layout->imageSize);
}

bool FileHoldsLoadedImage(std::span<const unsigned char> file,
                          std::span<const unsigned char> loaded, std::uint64_t loadedBase) {
    std::optional<Layout> layout = LayoutOf(file);
    if (!layout || layout->headersSize > file.size() || layout->imageSize > loaded.size() ||
        layout->directories[kBoundImports].size != 0)
        return false;
    std::vector<Section> sections;
    for (std::size_t i = 0; i < layout->sections; ++i) {
        std::optional<Section> section = SectionOf(file, *layout, i);
        if (!section || !Inside(section->raw, file.size())) return false;
        sections.push_back(*section);
    }
    if (!EveryFileByteAccounted(file, *layout, sections)) return false;

    // The file as the loader lays it out and relocates it.
    std::vector<unsigned char> expected(Held(layout->imageSize), 0);
    std::memcpy(expected.data(), file.data(), Held(layout->headersSize));
    for (const Section& section : sections)
        std::memcpy(expected.data() + section.address, file.data() + section.raw.start,
                    Held(section.mapped));
    if (!Relocate(expected, *layout, loadedBase - layout->imageBase)) return false;
    TakeFromLoaded(expected, loaded, layout->imageBaseField);
    TakeFromLoaded(expected, loaded, layout->directories[kImportAddresses]);
    TakeFromLoaded(expected, loaded, TlsIndexSlot(expected, *layout, loadedBase));

    if (std::memcmp(expected.data(), loaded.data(), Held(layout->headersSize)) != 0) return false;
    return std::all_of(sections.begin(), sections.end(), [&](const Section& section) {
        return std::memcmp(expected.data() + section.address, loaded.data() + section.address,
                           Held(section.mapped)) == 0;
    });
}

}  // namespace tw
