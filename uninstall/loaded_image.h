// Whether a program file holds, byte for byte, the image that is running.
//
// The file is laid out as the loader lays it out (its headers, then each
// section's raw data at the section's address), moved by its base relocations to
// where the image was placed, and compared with the image as the loader left it,
// before any of the program's own code ran: its headers and, section by section,
// every byte the loader took from the file. Only the bytes the loader itself
// writes are taken as they are in memory: the image base in the headers, the
// import address table (its entries in the file are never used, since the loader
// fills them from the lookup table; an image with bound imports, whose entries
// would be used, is refused) and the slot of the TLS index. Every other byte of
// the file must be accounted for: by the headers, by a section, by the zeros that
// pad sections to the file alignment, by the symbol table a build with debugging
// information keeps, or by the certificate table that a signature appends.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace tw {

// Headers larger than this belong to no image this program could be.
constexpr std::size_t kMaxImageHeaders = 64 * 1024;
// Nor does an image larger than this.
constexpr std::size_t kMaxImageSize = 64 * 1024 * 1024;

// SizeOfImage of the PE32 or PE32+ headers that bytes begin with; nothing when
// they are no such headers, are cut short, or claim more than the limits above.
std::optional<std::size_t> LoadedImageSize(std::span<const unsigned char> headers);

// True when file holds the image loaded: SizeOfImage bytes from where it was placed,
// loadedBase, as the loader left them. False for any difference, and for headers
// or relocations that are cut short, lie about their sizes or are of kinds the
// check does not know.
bool FileHoldsLoadedImage(std::span<const unsigned char> file,
                          std::span<const unsigned char> loaded, std::uint64_t loadedBase);

}  // namespace tw
