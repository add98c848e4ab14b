#include "install/block_copy.h"

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "common/path_rules.h"
#include "common/system_format.h"
#include "common/sha256.h"
#include "common/win32_error_codes.h"
#include "install/path_buffer.h"
#include "install/replace_file.h"

namespace {

// A short write is reported as diskFull without a platform code.
long CodeOf(const CFileException& error) {
    if (error.m_lOsError > 0) return error.m_lOsError;
    return error.m_cause == CFileException::diskFull ? tw::kErrorDiskFull : tw::kErrorGenFailure;
}

// The new file beside the destination, made and opened by one open of file. Until
// it has replaced the destination it is closed and deleted on every way out, an
// exception included.
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

    // 0, or the code of the open that failed. A name that exists already (left by
    // another run, or taken by someone else meanwhile) is never opened: the next
    // number is tried, a bounded number of times.
    long Create(std::string_view folder, CFileException& error) {
        for (unsigned attempt = 0; attempt < tw::kTemporaryNameAttempts; ++attempt) {
            char name[tw::kTemporaryNameLength + 1];
            tw::FormatInto(name, sizeof(name), "tw%04X.tmp", tw::NextTemporaryNumber());
            if (!m_path.Compose({folder, name})) return tw::kErrorFilenameTooLong;
            if (m_file.Open(m_path.c_str(), kCopyTemporaryFlags, &error)) {
                m_created = true;
                return Mark(true);
            }
            long code = error.m_lOsError;
            if (!tw::IsNameTaken(code)) return code;
        }
        return tw::kErrorFileExists;
    }
    // Made under destination's own name when that name is free, so that putting it
    // in place renames nothing; else as Create makes it.
    long CreateAt(const char* destination, std::string_view folder, CFileException& error) {
        if (m_path.Compose({destination}) &&
            m_file.Open(m_path.c_str(), kCopyTemporaryFlags, &error)) {
            m_created = true;
            return Mark(true);
        }
        return Create(folder, error);
    }
    // 0, or the code of the refusal: the new file is to be deleted when it is closed
    // (however the process ends), or no longer.
    long Mark(bool deleteOnClose) {
        try {
            m_file.SetDeleteOnClose(deleteOnClose);
            return 0;
        } catch (const CFileException& error) {
            return CodeOf(error);
        }
    }
    long Replace(const char* destination) {
        long code = tw::ReplaceWithTemporary(m_path.c_str(), destination);
        if (code == 0) m_created = false;
        return code;
    }
    // The new file stays, for the caller to put in place: its path.
    std::string Keep() {
        m_created = false;
        return std::string(m_path.view());
    }

private:
    CFile& m_file;
    PathBuffer m_path;
    bool m_created = false;
};

// The block loop on two open files, then the new file closed before the source.
// 0, or the code of the failure, after which both files are closed. Every block
// written is fed to the hash as it goes, so written holds what the new file got
// (nothing when the hash failed) without reading it back.
// With keepOpen the new file stays open and marked for deletion.
long CopyBlocks(CFile& sourceFile, CFile& newFile, std::optional<tw::FileDigest>& written,
                bool keepOpen) {
    try {
        unsigned char block[kCopyBlockSize];
        unsigned count;
        tw::Sha256 hash;
        std::uint64_t size = 0;
        do {
            count = sourceFile.Read(block, kCopyBlockSize);
            newFile.Write(block, count);
            if (count > 0) hash.Update(block, count);
            size += count;
        } while (count > 0);
        // Only now may the new file outlive its handle: it is renamed into place
        // right after the close.
        if (!keepOpen) {
            newFile.SetDeleteOnClose(false);
            newFile.Close();
        }
        sourceFile.Close();
        if (std::optional<tw::Sha256Digest> digest = hash.Finish()) written = {*digest, size};
        return 0;
    } catch (const CFileException& error) {
        newFile.Abort();
        sourceFile.Abort();
        return CodeOf(error);
    }
}

tw::CopyOutcome Failed(long code) { return {code, std::nullopt, {}}; }

// The copy up to the new file complete beside the destination; with replace, the
// new file then takes the destination's place, else it stays as the staged file.
tw::CopyOutcome CopyThrough(CFile& sourceFile, CFile& newFile, const char* source,
                            const char* destination, bool replace) {
    // One error record serves both opens; a failed open fills it.
    CFileException error(CFileException::none, -1, nullptr);
    if (!sourceFile.Open(source, kCopySourceFlags, &error)) return Failed(error.m_lOsError);
    // The source as its own destination: refused as opening it for writing would be,
    // before any new file is made in its folder.
    if (tw::SamePath(source, destination)) {
        sourceFile.Abort();
        return Failed(tw::kErrorSharingViolation);
    }
    // Without room for the new file's name the copy fails; the destination is
    // never opened, so it keeps what it has.
    std::string_view folder = tw::FolderPart(destination);
    if (folder.size() + tw::kTemporaryNameLength + 1 > tw::kTemporaryPathMaxBytes) {
        sourceFile.Abort();
        return Failed(tw::kErrorFilenameTooLong);
    }

    TemporaryFile temporary(newFile);
    if (long code = replace ? temporary.Create(folder, error)
                            : temporary.CreateAt(destination, folder, error)) {
        sourceFile.Abort();
        return Failed(code);
    }
    std::optional<tw::FileDigest> written;
    if (long code = CopyBlocks(sourceFile, newFile, written, !replace)) return Failed(code);
    if (!replace) return {0, written, temporary.Keep()};
    if (long code = temporary.Replace(destination)) return Failed(code);
    return {0, written, {}};
}

}  // namespace

unsigned tw::NextTemporaryNumber() {
    static std::atomic<unsigned> next{tw::TemporaryNameSeed()};
    return next++ & 0xFFFFu;
}

BOOL CopyOneFile(const char* source, const char* destination) {
    return tw::CopyFileInBlocks(source, destination) ? TRUE : FALSE;
}

tw::CopyOutcome tw::CopyFileInBlocks(const char* source, const char* destination) {
    CFile sourceFile;
    CFile newFile;
    return CopyFileInBlocksThrough(sourceFile, newFile, source, destination);
}

tw::CopyOutcome tw::CopyFileInBlocksThrough(CFile& sourceFile, CFile& newFile, const char* source,
                                            const char* destination) {
    return CopyThrough(sourceFile, newFile, source, destination, true);
}

tw::CopyOutcome tw::StageFileInBlocksThrough(CFile& sourceFile, CFile& newFile, const char* source,
                                             const char* destination) {
    return CopyThrough(sourceFile, newFile, source, destination, false);
}
