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
    if (outcome) m_open[outcome.staged] = std::move(newFile);
    return outcome;
}

void StagedFiles::HoldAside(const std::string& path) {
    auto file = std::make_unique<CFile>();
    CFileException error(CFileException::none, -1, nullptr);
    if (!file->Open(path.c_str(), CFile::modeRead | CFile::shareDenyNone | CFile::modeDelete,
                    &error))
        return;
    try {
        file->SetDeleteOnClose(true);
    } catch (const CFileException&) {
        return;  // unmarked: closed with the object, the file stays
    }
    m_open[path] = std::move(file);
}

long StagedFiles::Release(const std::string& path) {
    auto held = m_open.find(path);
    if (held == m_open.end()) return 0;
    std::unique_ptr<CFile> file = std::move(held->second);
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
    held->second->Abort();
    m_open.erase(held);
    return true;
}

long StagedFiles::SetAside(const char* destination, std::string& aside) {
    long code = SetAsideFile(destination, aside);
    if (code == 0) HoldAside(aside);
    return code;
}

long StagedFiles::PutInPlace(const char* file, const char* destination) {
    if (long code = Release(file)) return code;
    return RenameToFreeName(file, destination);
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
