#include "install/block_copy.h"

#include <string_view>

#include "common/path_rules.h"
#include "common/win32_error_codes.h"
#include "install/path_buffer.h"
#include "install/replace_file.h"

namespace {

thread_local long t_lastCopyError = 0;

BOOL Failed(long code) {
    t_lastCopyError = code;
    return FALSE;
}

// A short write is reported as diskFull without a platform code.
long CodeOf(const CFileException& error) {
    if (error.m_lOsError > 0) return error.m_lOsError;
    return error.m_cause == CFileException::diskFull ? tw::kErrorDiskFull : tw::kErrorGenFailure;
}

// The new file beside the destination. Until it has replaced the destination it
// is closed and deleted on every way out, an exception included.
class TemporaryFile {
public:
    explicit TemporaryFile(CFile& file) : m_file(file) {}
    ~TemporaryFile() {
        if (!m_created) return;
        m_file.Abort();  // Windows deletes no file that is still open
        tw::DeleteCreatedFile(m_path.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    long Create(std::string_view folder) {
        long code = tw::CreateTemporaryBeside(folder, m_path);
        m_created = code == 0;
        return code;
    }
    long Replace(const char* destination) {
        long code = tw::ReplaceWithTemporary(m_path.c_str(), destination);
        if (code == 0) m_created = false;
        return code;
    }
    const char* Path() const { return m_path.c_str(); }

private:
    CFile& m_file;
    PathBuffer m_path;
    bool m_created = false;
};

// The block loop on two open files, then the destination closed before the
// source. 0, or the code of the failure, after which both files are closed.
long CopyBlocks(CFile& sourceFile, CFile& destinationFile) {
    try {
        unsigned char block[kCopyBlockSize];
        unsigned count;
        do {
            count = sourceFile.Read(block, kCopyBlockSize);
            destinationFile.Write(block, count);
        } while (count > 0);
        destinationFile.Close();
        sourceFile.Close();
        return 0;
    } catch (const CFileException& error) {
        destinationFile.Abort();
        sourceFile.Abort();
        return CodeOf(error);
    }
}

// A destination whose folder leaves no room for a temporary name is written in
// place, as a plain copy does: opened with "create always" (an existing file is
// cut to zero), and removed again when the copy fails part-way, so that no
// fragment stays installed.
BOOL CopyInPlace(CFile& sourceFile, CFile& destinationFile, const char* destination,
                 CFileException& error) {
    if (!destinationFile.Open(destination, kCopyDestinationFlags, &error)) {
        sourceFile.Abort();
        return Failed(error.m_lOsError);
    }
    if (long code = CopyBlocks(sourceFile, destinationFile)) {
        tw::DeleteCreatedFile(destination);
        return Failed(code);
    }
    return TRUE;
}

}  // namespace

long tw::LastCopyError() { return t_lastCopyError; }

BOOL CopyOneFile(const char* source, const char* destination) {
    CFile sourceFile;
    CFile destinationFile;
    return CopyOneFileThrough(sourceFile, destinationFile, source, destination);
}

BOOL CopyOneFileThrough(CFile& sourceFile, CFile& destinationFile, const char* source,
                        const char* destination) {
    t_lastCopyError = 0;
    // One error record serves both opens; a failed open fills it.
    CFileException error(CFileException::none, -1, nullptr);
    if (!sourceFile.Open(source, kCopySourceFlags, &error)) return Failed(error.m_lOsError);
    // The source as its own destination: refused as opening it for writing would be,
    // before any new file is made in its folder.
    if (tw::SamePath(source, destination)) {
        sourceFile.Abort();
        return Failed(tw::kErrorSharingViolation);
    }
    std::string_view folder = tw::FolderPart(destination);
    if (folder.size() > tw::kTemporaryFolderMaxBytes)
        return CopyInPlace(sourceFile, destinationFile, destination, error);

    TemporaryFile temporary(destinationFile);
    if (long code = temporary.Create(folder)) {
        sourceFile.Abort();
        return Failed(code);
    }
    if (!destinationFile.Open(temporary.Path(), kCopyDestinationFlags, &error)) {
        sourceFile.Abort();
        return Failed(error.m_lOsError);
    }
    if (long code = CopyBlocks(sourceFile, destinationFile)) return Failed(code);
    if (long code = temporary.Replace(destination)) return Failed(code);
    return TRUE;
}
