// The platform-neutral half of CFile.
#include "framework/File.h"

FileOpenRequest CFile::MapOpenFlags(unsigned openFlags) {
    // By the mode bits: modeRead, modeWrite, then modeReadWrite (and 3, read and write too).
    static constexpr DWORD kAccess[] = {kGenericRead, kGenericWrite, kGenericRead | kGenericWrite,
                                        kGenericRead | kGenericWrite};
    // By the share bits: shareCompat and shareExclusive share nothing, shareDenyWrite
    // shares reading, shareDenyRead writing, shareDenyNone both; the rest nothing.
    static constexpr DWORD kShare[] = {0, 0, kShareRead, kShareWrite, kShareRead | kShareWrite,
                                       0, 0, 0};
    FileOpenRequest request{};
    request.access = kAccess[openFlags & 3u];
    request.share = kShare[(openFlags & 0x70u) >> 4];
    if (openFlags & modeCreateNew)
        request.disposition = kCreateNew;
    else if (openFlags & modeCreate)
        request.disposition = (openFlags & modeNoTruncate) ? kOpenAlways : kCreateAlways;
    else
        request.disposition = kOpenExisting;
    request.inheritHandle = (openFlags & modeNoInherit) == 0;
    request.deleteAccess = (openFlags & modeDelete) != 0;
    request.noFollow = (openFlags & modeNoFollow) != 0;
    return request;
}

CFile::CFile(const char* fileName, unsigned openFlags) {
    CFileException error;
    if (!Open(fileName, openFlags, &error)) throw error;
}

CFile::~CFile() {
    if (IsOpen() && m_bCloseOnDelete) Abort();
}
