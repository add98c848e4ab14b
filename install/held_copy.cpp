#include "install/held_copy.h"

#include <cstring>

#include "install/block_copy.h"

namespace tw {

namespace {

// Fills the block unless the file ends first: a short read is not yet the end.
unsigned ReadFull(CFile& file, unsigned char* block) {
    unsigned total = 0;
    while (total < kCopyBlockSize) {
        unsigned count = file.Read(block + total, kCopyBlockSize - total);
        if (count == 0) break;
        total += count;
    }
    return total;
}

// True when the two open files hold the same bytes from their current positions
// to their ends; a failed read counts as a difference.
bool SameBytes(CFile& a, CFile& b) {
    try {
        unsigned char blockA[kCopyBlockSize];
        unsigned char blockB[kCopyBlockSize];
        for (;;) {
            unsigned countA = ReadFull(a, blockA);
            unsigned countB = ReadFull(b, blockB);
            if (countA != countB || std::memcmp(blockA, blockB, countA) != 0) return false;
            if (countA == 0) return true;
        }
    } catch (const CFileException&) {
        return false;
    }
}

}  // namespace

std::unique_ptr<HeldCopy> HeldCopy::Open(const char* installed, const char* original) {
    std::unique_ptr<HeldCopy> held(new HeldCopy);
    if (!held->m_file.Open(installed, kHoldFlags)) return nullptr;
    CFile originalFile;
    // The package's file is read as the copy read it, through a link too.
    if (!originalFile.Open(original, kHoldFlags & ~CFile::modeNoFollow)) return nullptr;
    if (!SameBytes(held->m_file, originalFile)) return nullptr;
    return held;
}

}  // namespace tw
