#include "install/staged_files.h"

#include <utility>

#include "common/win32_error_codes.h"
#include "framework/FileException.h"
#include "install/block_copy.h"
#include "install/replace_file.h"
#include "install/set_aside.h"

namespace tw {

CopyOutcome StagedFiles::Stage(const char* source, const char* destination) {
    CFile sourceFile;
    return StageThrough(sourceFile, std::make_unique<CFile>(), source, destination);
}

CopyOutcome StagedFiles::StageThrough(CFile& sourceFile, std::unique_ptr<CFile> newFile,
                                      const char* source, const char* destination) {
    CopyOutcome outcome = StageFileInBlocksThrough(sourceFile, *newFile, source, destination);
    if (outcome) m_open[outcome.staged] = {std::move(newFile), false};
    return outcome;
}

void StagedFiles::HoldAside(const std::string& path) {
    auto file = std::make_unique<CFile>();
    CFileException error(CFileException::none, -1, nullptr);
    if (file->Open(path.c_str(), CFile::modeRead | CFile::shareDenyNone | CFile::modeDelete,
                   &error))
        m_open[path] = {std::move(file), true};
}

long StagedFiles::Release(const std::string& path) {
    auto held = m_open.find(path);
    if (held == m_open.end()) return 0;
    std::unique_ptr<CFile> file = std::move(held->second.file);
    m_open.erase(held);
    try {
        file->SetDeleteOnClose(false);
        file->Close();
        return 0;
    } catch (const CFileException& error) {
        file->Abort();  // still marked: the staged file goes
        return error.m_lOsError > 0 ? error.m_lOsError : kErrorGenFailure;
    }
}

bool StagedFiles::Discard(const std::string& path) {
    auto held = m_open.find(path);
    if (held == m_open.end()) return false;
    try {
        held->second.file->SetDeleteOnClose(true);
    } catch (const CFileException&) {
        // Left to the deletion by name.
        held->second.file->Abort();
        m_open.erase(held);
        return false;
    }
    held->second.file->Abort();
    m_open.erase(held);
    return true;
}

long StagedFiles::SetAside(const char* destination, std::string& aside) {
    long code = SetAsideFile(destination, aside);
    if (code == 0) HoldAside(aside);
    return code;
}

// A held file is renamed through its handle, its mark cleared just before; when
// the rename fails, a staged file is marked again and a file set aside stays
// unmarked, so that a kill still leaves it for the next run to put back.
long StagedFiles::PutInPlace(const char* file, const char* destination) {
    auto held = m_open.find(file);
    if (held == m_open.end()) return RenameToFreeName(file, destination);
    CFile& open = *held->second.file;
    try {
        open.SetDeleteOnClose(false);
    } catch (const CFileException& error) {
        return error.m_lOsError > 0 ? error.m_lOsError : kErrorGenFailure;
    }
    // A file staged under the destination's own name is in place once unmarked.
    if (const long code = held->first == destination ? 0 : RenameOpenFile(open, destination)) {
        if (held->second.aside) return code;
        try {
            open.SetDeleteOnClose(true);
        } catch (const CFileException&) {
            // Unmarked: the run deletes it by its name.
        }
        return code;
    }
    open.Abort();
    m_open.erase(held);
    return 0;
}

void StagedFiles::DiscardFile(const char* path) {
    if (!Discard(path)) DeleteCreatedFile(path);
}

long StagedFiles::PutInPlaceAtRestart(const char* file, const char* destination) {
    if (long code = Release(file)) return code;
    return ReplaceAtRestart(file, destination);
}

bool StagedFiles::DiscardSetAside(const char* path) {
    return !Discard(path) && DeleteNowOrAtRestart(path);
}

}  // namespace tw
