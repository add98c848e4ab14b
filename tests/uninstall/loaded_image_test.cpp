// The check that a program file holds the image that is running: a small image
// made by hand, loaded here as the loader would (placed at a base, relocated, its
// import addresses and TLS index filled in), then changed in one place per case.
#include "uninstall/loaded_image.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

constexpr std::uint32_t kBase = 0x00400000;  // the image's preferred base
constexpr std::size_t kHeaders = 0x200;
constexpr std::size_t kImageSize = 0x5000;
constexpr std::size_t kOptional = 0x58;  // e_lfanew 0x40, then "PE\0\0" and the file header
constexpr std::size_t kImageBaseField = kOptional + 28;
constexpr std::size_t kDirectories = kOptional + 96;
constexpr std::size_t kSectionTable = kOptional + 0xE0;

// RVAs of what the loader changes: two relocated addresses, the import address
// table and the TLS index's slot.
constexpr std::size_t kCodeAddress = 0x1010;
constexpr std::size_t kTlsIndexAddress = 0x2048;
constexpr std::size_t kTlsIndexSlot = 0x2070;
constexpr std::size_t kImportAddresses = 0x3010;

std::uint32_t Get32(const Bytes& bytes, std::size_t at) {
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
           static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}
void Put16(Bytes& bytes, std::size_t at, std::uint16_t value) {
    bytes[at] = static_cast<unsigned char>(value);
    bytes[at + 1] = static_cast<unsigned char>(value >> 8);
}
void Put32(Bytes& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<unsigned char>(value >> (8 * i));
}

struct SectionSpec {
    std::uint32_t virtualSize, address, rawSize, rawOffset, flags;
};
// .text, .data (holding the TLS directory), .idata, .reloc: each 0x200 bytes in
// the file, the rest of each padding.
constexpr SectionSpec kSections[] = {{0x100, 0x1000, 0x200, 0x200, 0x60000020},
                                     {0x80, 0x2000, 0x200, 0x400, 0xC0000040},
                                     {0x40, 0x3000, 0x200, 0x600, 0xC0000040},
                                     {0x18, 0x4000, 0x200, 0x800, 0x42000040}};
constexpr std::size_t kFileSize = 0xA00;

std::size_t FileOffset(std::size_t rva) {
    for (const SectionSpec& s : kSections)
        if (rva >= s.address && rva < s.address + s.virtualSize)
            return rva - s.address + s.rawOffset;
    return 0;
}

Bytes File() {
    Bytes file(kFileSize, 0);
    file[0] = 'M', file[1] = 'Z';
    Put32(file, 0x3C, 0x40);
    file[0x40] = 'P', file[0x41] = 'E';
    Put16(file, 0x44, 0x14C);
    Put16(file, 0x46, 4);  // sections
    Put32(file, 0x48, 0x5F5E1000);
    Put16(file, 0x54, 0xE0);  // the optional header with 16 directories
    Put16(file, kOptional, 0x10B);
    Put32(file, kImageBaseField, kBase);
    Put32(file, kOptional + 32, 0x1000);
    Put32(file, kOptional + 36, 0x200);
    Put32(file, kOptional + 56, kImageSize);
    Put32(file, kOptional + 60, kHeaders);
    Put32(file, kOptional + 92, 16);
    Put32(file, kDirectories + 5 * 8, 0x4000), Put32(file, kDirectories + 5 * 8 + 4, 0x18);
    Put32(file, kDirectories + 9 * 8, 0x2040), Put32(file, kDirectories + 9 * 8 + 4, 0x18);
    Put32(file, kDirectories + 12 * 8, kImportAddresses);
    Put32(file, kDirectories + 12 * 8 + 4, 0x10);
    for (std::size_t i = 0; i < 4; ++i) {
        const SectionSpec& s = kSections[i];
        const std::size_t at = kSectionTable + 40 * i;
        file[at] = '.', file[at + 1] = static_cast<unsigned char>('a' + i);
        Put32(file, at + 8, s.virtualSize), Put32(file, at + 12, s.address);
        Put32(file, at + 16, s.rawSize), Put32(file, at + 20, s.rawOffset);
        Put32(file, at + 36, s.flags);
    }
    for (std::size_t i = 0; i < 0x100; ++i) file[0x200 + i] = static_cast<unsigned char>(i * 7 + 1);
    for (std::size_t i = 0; i < 0x80; ++i) file[0x400 + i] = static_cast<unsigned char>(i * 3 + 2);
    for (std::size_t i = 0; i < 0x40; ++i) file[0x600 + i] = static_cast<unsigned char>(i + 0x40);
    Put32(file, FileOffset(kCodeAddress), kBase + 0x2000);  // code that points at its data
    Put32(file, FileOffset(kTlsIndexAddress), kBase + kTlsIndexSlot);
    // Two blocks of base relocations, each a 32-bit address and a padding entry.
    const std::size_t reloc = FileOffset(0x4000);
    Put32(file, reloc, 0x1000), Put32(file, reloc + 4, 12);
    Put16(file, reloc + 8, 0x3000 | (kCodeAddress & 0xFFF));
    Put32(file, reloc + 12, 0x2000), Put32(file, reloc + 16, 12);
    Put16(file, reloc + 20, 0x3000 | (kTlsIndexAddress & 0xFFF));
    return file;
}

// The image as the loader leaves it, placed at base.
Bytes Load(const Bytes& file, std::uint32_t base) {
    Bytes loaded(kImageSize, 0);
    std::copy(file.begin(), file.begin() + kHeaders, loaded.begin());
    for (const SectionSpec& s : kSections)
        std::copy(file.begin() + s.rawOffset, file.begin() + s.rawOffset + s.virtualSize,
                  loaded.begin() + s.address);
    for (std::size_t address : {kCodeAddress, kTlsIndexAddress})
        Put32(loaded, address, Get32(loaded, address) - kBase + base);
    Put32(loaded, kImageBaseField, base);
    for (std::size_t i = 0; i < 0x10; ++i) loaded[kImportAddresses + i] = 0xEE;
    Put32(loaded, kTlsIndexSlot, 5);
    return loaded;
}

struct Case {
    const char* what;
    std::function<void(Bytes& file, Bytes& loaded)> change;
    bool same;
};

void Check(const Case& c, std::uint32_t base) {
    SCOPED_TRACE(c.what);
    Bytes file = File();
    Bytes loaded = Load(file, base);
    c.change(file, loaded);
    EXPECT_EQ(tw::FileHoldsLoadedImage(file, loaded, base), c.same);
}

// Changes one header field in the file and in the image loaded alike.
std::function<void(Bytes&, Bytes&)> Header32(std::size_t at, std::uint32_t value) {
    return [at, value](Bytes& file, Bytes& loaded) {
        Put32(file, at, value);
        Put32(loaded, at, value);
    };
}

TEST(LoadedImage, EveryByteTheLoaderTookFromTheFileIsCompared) {
    const Case cases[] = {
        {"the program that was started", [](Bytes&, Bytes&) {}, true},
        {"a changed code byte", [](Bytes& file, Bytes&) { file[0x2F0] ^= 0x01; }, false},
        {"the last byte of code", [](Bytes& file, Bytes&) { file[0x2FF] ^= 0x80; }, false},
        {"a changed byte of writable data", [](Bytes& file, Bytes&) { file[0x410] ^= 1; }, false},
        {"a changed relocation", [](Bytes& file, Bytes&) { file[0x800] ^= 1; }, false},
        {"a changed header: its time stamp", [](Bytes& file, Bytes&) { file[0x48] ^= 1; }, false},
        {"a changed section name", [](Bytes& file, Bytes&) { file[kSectionTable + 2] = 'x'; },
         false},
        {"a changed byte of the headers' padding", [](Bytes& file, Bytes&) { file[0x1FF] = 1; },
         false},
        {"a section's padding that is not zeros", [](Bytes& file, Bytes&) { file[0x3FF] = 0x90; },
         false},
        {"bytes appended to the file", [](Bytes& file, Bytes&) { file.push_back(0); }, false},
        {"the file cut short in its last section",
         [](Bytes& file, Bytes&) { file.resize(kFileSize - 1); }, false},
        {"the file cut short in its headers", [](Bytes& file, Bytes&) { file.resize(0x1FF); },
         false},
        {"the loader's import addresses and TLS index",
         [](Bytes&, Bytes& loaded) {
             loaded[kImportAddresses + 3] = 0x12;
             Put32(loaded, kTlsIndexSlot, 9);
         },
         true},
        {"the byte after the import address table",
         [](Bytes&, Bytes& loaded) { loaded[kImportAddresses + 0x10] ^= 1; }, false},
        {"the byte after the TLS index's slot",
         [](Bytes&, Bytes& loaded) { loaded[kTlsIndexSlot + 4] ^= 1; }, false},
        {"a certificate table appended",
         [](Bytes& file, Bytes& loaded) {
             Header32(kDirectories + 4 * 8, kFileSize)(file, loaded);
             Header32(kDirectories + 4 * 8 + 4, 8)(file, loaded);
             file.insert(file.end(), {8, 0, 0, 0, 0, 2, 2, 0});
         },
         true},
        {"a certificate table that is not at the end",
         [](Bytes& file, Bytes& loaded) {
             Header32(kDirectories + 4 * 8, kFileSize)(file, loaded);
             Header32(kDirectories + 4 * 8 + 4, 8)(file, loaded);
             file.resize(kFileSize + 16, 1);
         },
         false},
        {"a symbol table and its strings, as a build with debugging information has",
         [](Bytes& file, Bytes& loaded) {
             Header32(0x4C, kFileSize)(file, loaded);
             Header32(0x50, 1)(file, loaded);
             file.resize(kFileSize + 18 + 6, 0);
             file[kFileSize + 18] = 6;
         },
         true},
        {"a string table longer than the file",
         [](Bytes& file, Bytes& loaded) {
             Header32(0x4C, kFileSize)(file, loaded);
             Header32(0x50, 1)(file, loaded);
             file.resize(kFileSize + 18 + 6, 0);
             file[kFileSize + 18] = 7;
         },
         false},
        {"a symbol table beyond the file",
         [](Bytes& file, Bytes& loaded) {
             Header32(0x4C, kFileSize)(file, loaded);
             Header32(0x50, 0x10000000)(file, loaded);
         },
         false},
        {"bound imports, whose addresses in the file the loader would use",
         Header32(kDirectories + 11 * 8 + 4, 8), false},
    };
    for (const Case& c : cases) Check(c, kBase);
}

TEST(LoadedImage, AnImagePlacedElsewhereIsComparedRelocated) {
    const Case cases[] = {
        {"relocated by the loader", [](Bytes&, Bytes&) {}, true},
        {"an address the loader did not move",
         [](Bytes& file, Bytes& loaded) { Put32(loaded, kCodeAddress, Get32(file, 0x210)); },
         false},
        {"a changed code byte", [](Bytes& file, Bytes&) { file[0x220] ^= 4; }, false},
        {"no relocations", Header32(kDirectories + 5 * 8 + 4, 0), false},
        {"a relocation of a kind not known",
         [](Bytes& file, Bytes&) { file[0x809] = (file[0x809] & 0x0F) | 0x50; }, false},
        {"a block longer than the table", [](Bytes& file, Bytes&) { Put32(file, 0x804, 0x1000); },
         false},
        {"a block shorter than its own header", [](Bytes& file, Bytes&) { Put32(file, 0x804, 4); },
         false},
        {"a relocation beyond the image",
         [](Bytes& file, Bytes&) { Put32(file, 0x800, kImageSize - 2); }, false},
    };
    for (const Case& c : cases) Check(c, 0x10000000);
    // A base below the preferred one moves addresses back.
    for (const Case& c : cases) Check(c, 0x00010000);
}

TEST(LoadedImage, HeadersThatLieAreRefused) {
    const Case cases[] = {
        {"no MZ", [](Bytes& file, Bytes&) { file[1] = 'X'; }, false},
        {"no PE signature", Header32(0x40, 0x4551), false},
        {"PE headers beyond the file", Header32(0x3C, 0xFFFFFFF0u), false},
        {"an optional header of no known kind", Header32(kOptional, 0x107), false},
        {"no sections", Header32(0x44, 0x0000014C), false},
        {"65,535 sections", Header32(0x44, 0xFFFF014C), false},
        {"an optional header larger than the headers", Header32(0x54, 0xFFFF), false},
        {"more than 16 directories", Header32(kOptional + 92, 17), false},
        {"headers of 4 GB", Header32(kOptional + 60, 0xFFFFFFFFu), false},
        {"headers smaller than the section table", Header32(kOptional + 60, 0x100), false},
        {"an image of 4 GB", Header32(kOptional + 56, 0xFFFFFFFFu), false},
        {"an image larger than what was loaded", Header32(kOptional + 56, kImageSize + 0x1000),
         false},
        {"raw data beyond the file", Header32(kSectionTable + 20, 0xFFFFFF00u), false},
        {"raw data of 4 GB", Header32(kSectionTable + 16, 0xFFFFFFFFu), false},
        {"a section beyond the image", Header32(kSectionTable + 12, 0xFFFFF000u), false},
        {"a section inside the headers", Header32(kSectionTable + 12, 0x100), false},
        {"a virtual size beyond the image", Header32(kSectionTable + 8, 0x10000), false},
        {"two sections on the same raw data", Header32(kSectionTable + 40 + 20, 0x200), false},
        {"a TLS directory beyond the image", Header32(kDirectories + 9 * 8, 0xFFFFFFF0u), false},
    };
    for (const Case& c : cases) Check(c, kBase);
}

// Whatever a single header byte says, and wherever the file ends, the check reads
// nothing outside what it was given (the host build runs it under AddressSanitizer).
TEST(LoadedImage, NoLengthOrHeaderByteLeadsOutsideTheBytes) {
    const Bytes file = File();
    const Bytes loaded = Load(file, kBase);
    for (std::size_t size = 0; size < file.size(); size += 7) {
        const Bytes cut(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(size));
        EXPECT_FALSE(tw::FileHoldsLoadedImage(cut, loaded, kBase)) << size;
        EXPECT_FALSE(tw::FileHoldsLoadedImage(file, {loaded.data(), size}, kBase)) << size;
    }
    for (std::size_t at = 0; at < kHeaders; ++at) {
        for (const unsigned char value : Bytes{0x00, 0x7F, 0xFF}) {
            Bytes lying = file;
            Bytes lyingLoaded = loaded;
            lying[at] = lyingLoaded[at] = value;
            tw::FileHoldsLoadedImage(lying, lyingLoaded, kBase);
            tw::LoadedImageSize(lying);
        }
    }
    EXPECT_EQ(tw::LoadedImageSize(file), kImageSize);
    EXPECT_FALSE(tw::LoadedImageSize({file.data(), 0x100}));
}

}  // namespace
