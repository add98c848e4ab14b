// The platform-neutral half of CFile.
#include "framework/File.h"

FileOpenRequest CFile::MapOpenFlags(unsigned openFlags) {
    FileOpenRequest request{};
    switch (openFlags & 3u) {
        case modeRead:
            request.access = kGenericRead;
            break;
        case modeWrite:
            request.access = kGenericWrite;
            break;
        default:
            request.access = kGenericRead | kGenericWrite;
            break;
    }
    switch (openFlags & 0x70u) {
        case shareDenyWrite:
            request.share = kShareRead;
            break;
        case shareDenyRead:
            request.share = kShareWrite;
            break;
        case shareDenyNone:
            request.share = kShareRead | kShareWrite;
            break;
        default:
            request.share = 0;
            break;  // shareCompat, shareExclusive
    }
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

// Close's steps, a failure of the platform's close passed over.
void CFile::Abort() {
    try {
        CFile::Close();  // this class's own, never a subclass's
    } catch (const CFileException&) {
        // the handle is gone whatever the close said
    }
}

CFile::~CFile() {
    if (IsOpen() && m_bCloseOnDelete) Abort();
}
