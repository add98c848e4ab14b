#include "install/block_copy.h"

BOOL CopyOneFile(const char* source, const char* destination) {
    CFile sourceFile;
    CFile destinationFile;
    return CopyOneFileThrough(sourceFile, destinationFile, source, destination);
}

BOOL CopyOneFileThrough(CFile& sourceFile, CFile& destinationFile, const char* source,
                        const char* destination) {
    // One error record serves both opens; a failed open fills it and nothing reads it.
    CFileException error(CFileException::none, -1, nullptr);
    if (!sourceFile.Open(source, kCopySourceFlags, &error)) {
        sourceFile.Close();
        return FALSE;
    }
    if (!destinationFile.Open(destination, kCopyDestinationFlags, &error)) {
        sourceFile.Close();
        return FALSE;
    }
    try {
        unsigned char block[kCopyBlockSize];
        unsigned count;
        do {
            count = sourceFile.Read(block, kCopyBlockSize);
            destinationFile.Write(block, count);
        } while (count > 0);
        destinationFile.Close();
        sourceFile.Close();
    } catch (const CFileException&) {
        destinationFile.Abort();
        sourceFile.Abort();
        // The destination was cut to zero length when it opened; whatever stands
        // there now is a fragment and must not stay.
        try {
            CFile::Remove(destination);
        } catch (const CFileException&) {
            // Nothing more can be done; the false result reports the copy as failed.
        }
        return FALSE;
    }
    return TRUE;
}
