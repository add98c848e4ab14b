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
#include <utility>

#include "common/path_rules.h"
#include "common/win32_attributes.h"
#include "common/win32_error_codes.h"
#include "common/win32_handles.h"
#include "install/held_folder_path.h"
#include "install/platform_folder_rights.h"
#include "uninstall/platform_uninstall.h"

namespace {

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
            return tw::IsMissing(static_cast<long>(GetLastError())) ? FileOpening::missing
                                                                    : FileOpening::failed;
        std::optional<DWORD> attributes = tw::AttributesOf(handle.Get());
        if (!attributes ||
            (*attributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) ||
            !tw::ShowsTheFileOpened(path, tw::FinalPathOf(handle.Get())))
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

    bool IsLocked(const char* folder) override {
        tw::FolderRights rights;
        return tw::ReadPlatformFolderRights(folder, rights) == 0 && !tw::NeedsLocking(rights);
    }

    tw::UntrustedFiles FindUntrustedFiles(const char* folder) override {
        return tw::FindPlatformUntrustedFiles(folder);
    }
};

}  // namespace

RemovalSystem& PlatformRemovalSystem() {
    static Win32RemovalSystem system;
    return system;
}
