// The check that the program file held is the image that was started: its PE
// headers, SizeOfHeaders bytes, against the loaded module's.
#include "uninstall/image_headers.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

constexpr std::size_t kPe = 0x80;                // e_lfanew
constexpr std::size_t kOptional = kPe + 4 + 20;  // the optional header

void Put32(Bytes& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<unsigned char>(value >> (8 * i));
}

// The headers of a PE32 (or PE32+) image of 0x400 bytes, with some text after them.
Bytes Image(std::uint16_t magic = 0x10B) {
    Bytes bytes(0x600, 0);
    bytes[0] = 'M';
    bytes[1] = 'Z';
    Put32(bytes, 0x3C, kPe);
    bytes[kPe] = 'P';
    bytes[kPe + 1] = 'E';
    bytes[kOptional] = static_cast<unsigned char>(magic & 0xFF);
    bytes[kOptional + 1] = static_cast<unsigned char>(magic >> 8);
    Put32(bytes, kOptional + 60, 0x400);  // SizeOfHeaders
    for (std::size_t i = kOptional + 64; i < bytes.size(); ++i)
        bytes[i] = static_cast<unsigned char>(i * 7);
    return bytes;
}

TEST(ImageHeaders, TheFileMatchesTheLoadedImageByItsHeaders) {
    const struct {
        const char* what;
        std::function<void(Bytes& file, Bytes& loaded)> change;
        bool same;
    } cases[] = {
        {"the same headers", [](Bytes&, Bytes&) {}, true},
        {"bytes after the headers differ: sections are mapped elsewhere",
         [](Bytes& file, Bytes&) { file[0x400] ^= 1; }, true},
        {"the image placed elsewhere: the loader rewrote its base",
         [](Bytes&, Bytes& loaded) { Put32(loaded, kOptional + 28, 0x00A50000); }, true},
        {"the last byte of the headers differs", [](Bytes& file, Bytes&) { file[0x3FF] ^= 1; },
         false},
        {"a byte next to the base differs", [](Bytes& file, Bytes&) { file[kOptional + 32] ^= 1; },
         false},
        {"another program: its time stamp differs", [](Bytes& file, Bytes&) { file[kPe + 8] ^= 1; },
         false},
        {"headers of another size", [](Bytes& file, Bytes&) { Put32(file, kOptional + 60, 0x200); },
         false},
        {"the file is no PE image", [](Bytes& file, Bytes&) { file[0] = 'X'; }, false},
        {"no PE signature", [](Bytes& file, Bytes& loaded) { file[kPe] = loaded[kPe] = 'Q'; },
         false},
        {"an unknown optional header",
         [](Bytes& file, Bytes& loaded) { file[kOptional] = loaded[kOptional] = 0x07; }, false},
        {"the file cut short inside its headers", [](Bytes& file, Bytes&) { file.resize(0x3FF); },
         false},
        {"headers that claim more than 64 KB",
         [](Bytes& file, Bytes& loaded) {
             Put32(file, kOptional + 60, 0x20000);
             Put32(loaded, kOptional + 60, 0x20000);
         },
         false},
        {"a PE header offset beyond the bytes",
         [](Bytes& file, Bytes&) { Put32(file, 0x3C, 0xFFFFFFF0u); }, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes file = Image();
        Bytes loaded = Image();
        c.change(file, loaded);
        EXPECT_EQ(tw::SameImageHeaders(file, loaded), c.same);
    }
}

// PE32+ keeps its image base in 8 bytes at 24: those alone may differ.
TEST(ImageHeaders, APe32PlusBaseIsEightBytes) {
    Bytes file = Image(0x20B);
    Bytes loaded = Image(0x20B);
    EXPECT_EQ(tw::ImageHeadersSize(file), 0x400u);
    for (std::size_t i = kOptional + 24; i < kOptional + 32; ++i) loaded[i] ^= 0x5A;
    EXPECT_TRUE(tw::SameImageHeaders(file, loaded));
    loaded[kOptional + 32] ^= 1;
    EXPECT_FALSE(tw::SameImageHeaders(file, loaded));
    EXPECT_FALSE(tw::ImageHeadersSize(Bytes(10, 0)));
}

}  // namespace
