// The removal system on Win32. Folders are opened and held as the installation
// holds them (install/folder_hold.h). Files are opened with
// FILE_FLAG_OPEN_REPARSE_POINT, so a link is opened as itself, never followed,
// and without FILE_SHARE_DELETE, so while held nobody can rename or delete them
// (and so swap them); a held file is shared for reading only:
// the tool can start from it and load it, nobody can write it. A file is deleted
// through its own handle (FileDispositionInfo): what was checked is what goes.
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "common/path_rules.h"
#include "common/win32_attributes.h"
#include "common/win32_handles.h"
#include "uninstall/platform_removal.h"

namespace {

// False when the system's path of the file held shows another file than the
// path opened: under Wine a Unix link in the file's place opens as the file it
// points at, and its path tells (Windows refuses a link by its attributes). A
// path the system spells from another drive (a substituted or network drive) is
// compared by its file name only; one the system cannot give is no refusal.
bool IsItself(HANDLE held, std::string_view path) {
    char own[MAX_PATH + 8];  // "\\?\UNC\" and the longest path the ANSI calls open
    DWORD length =
        GetFinalPathNameByHandleA(held, own, sizeof(own), FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length == 0 || length >= sizeof(own)) return true;
    std::string_view ownPath(own, length);
    constexpr std::string_view kLongPrefix = "\\\\?\\";
    if (ownPath.substr(0, kLongPrefix.size()) == kLongPrefix)
        ownPath.remove_prefix(kLongPrefix.size());
    if (ownPath.size() > 2 && path.size() > 2 && ownPath[1] == ':' && path[1] == ':' &&
        tw::SamePath(ownPath.substr(0, 2), path.substr(0, 2)))
        return tw::SamePath(ownPath, path);
    return tw::SamePath(ownPath.substr(tw::FolderPart(ownPath).size()),
                        path.substr(tw::FolderPart(path).size()));
}

bool IsMissing(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

class Win32HeldFile : public HeldFile {
public:
    explicit Win32HeldFile(tw::FileHandle handle) : m_handle(std::move(handle)) {}

    bool Read(unsigned char* buffer, std::size_t size, std::size_t& got) override {
        DWORD count = 0;
        DWORD want = size > 0x10000000u ? 0x10000000u : static_cast<DWORD>(size);
        if (!ReadFile(m_handle.Get(), buffer, want, &count, nullptr)) return false;
        got = count;
        return true;
    }

    bool Delete() override {
        FILE_DISPOSITION_INFO disposition{};
        disposition.DeleteFile = TRUE;
        return SetFileInformationByHandle(m_handle.Get(), FileDispositionInfo, &disposition,
                                          sizeof(disposition)) != 0;
    }

private:
    tw::FileHandle m_handle;
};

class Win32RemovalSystem : public RemovalSystem {
public:
    FolderOpening OpenFolder(const char* folder, std::unique_ptr<HeldFolder>& held) override {
        return tw::OpenFolderAsItself(folder, held);
    }

    FileOpening HoldFile(const char* path, std::unique_ptr<HeldFile>& held) override {
        tw::FileHandle handle(
            CreateFileA(path, GENERIC_READ | DELETE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                        FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        if (!handle.IsValid())
            return IsMissing(GetLastError()) ? FileOpening::missing : FileOpening::failed;
        std::optional<DWORD> attributes = tw::AttributesOf(handle.Get());
        if (!attributes ||
            (*attributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) ||
            !IsItself(handle.Get(), path))
            return FileOpening::failed;
        held = std::make_unique<Win32HeldFile>(std::move(handle));
        return FileOpening::held;
    }

    // Without its separator a link as the last name is not followed (Wine follows
    // it with one), and a link is never removed in place of a folder.
    bool RemoveEmptyFolder(const char* folder) override {
        const std::string path = tw::WithoutTrailingSeparator(folder);
        return !tw::IsLinkByName(path) && RemoveDirectoryA(path.c_str()) != 0;
    }
};

}  // namespace

RemovalSystem& PlatformRemovalSystem() {
    static Win32RemovalSystem system;
    return system;
}
