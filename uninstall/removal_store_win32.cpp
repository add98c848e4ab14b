// The removal's store on Win32: a folder of the product under Program Files
// (for a 32-bit program on 64-bit Windows, the x86 one), which only
// administrators may enter (uninstall/store_rights.h), and the uninstall entry in the registry's
// 32-bit view, which Apps & Features reads.
#include <windows.h>
#include <shlobj.h>

#include <optional>
#include <string>
#include <string_view>

#include "common/path_rules.h"
#include "common/system_format.h"
#include "common/win32_error_codes.h"
#include "common/win32_handles.h"
#include "framework/WideText.h"
#include "uninstall/platform_uninstall.h"
#include "uninstall/running_image.h"
#include "uninstall/store_rights.h"

namespace {

constexpr const wchar_t* kEntryKey =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tarnwhistle";
constexpr const char* kEntryName =
    "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tarnwhistle";
// A list larger than this is not one that an installation wrote.
constexpr DWORD kListLimit = 64u * 1024u * 1024u;

bool SetText(HKEY key, const wchar_t* name, const std::string& text, UINT codePage) {
    std::wstring wide = WideFromCodePage(codePage, text);
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(wide.c_str()),
                          static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

bool SetNumber(HKEY key, const wchar_t* name, DWORD value) {
    return RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                          sizeof(value)) == ERROR_SUCCESS;
}

// The bytes, whole, in a file made or emptied at path.
bool WriteWhole(std::string_view bytes, const std::string& path) {
    tw::FileHandle copy(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return copy.IsValid() &&
           WriteFile(copy.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                     nullptr) &&
           written == bytes.size() && FlushFileBuffers(copy.Get());
}

class Win32RemovalStore : public tw::RemovalStore {
public:
    Win32RemovalStore() : m_folder(RemovalStoreFolder()) {}

    std::string ListPath() const override { return m_folder + "installed-files.lst"; }
    std::string CopyPath() const override { return m_folder + "Tarnwhistle.exe"; }
    std::string EntryName() const override { return kEntryName; }

    std::string JournalPath() const override { return m_folder + "commit.jnl"; }

    tw::ListReading ReadList(std::string& bytes) override { return ReadWhole(ListPath(), bytes); }
    bool WriteList(std::string_view bytes) override {
        return ReplaceWhole(bytes, "installed-files.new", ListPath());
    }
    tw::ListReading ReadJournal(std::string& bytes) override {
        return ReadWhole(JournalPath(), bytes);
    }
    bool WriteJournal(std::string_view bytes) override {
        return ReplaceWhole(bytes, "commit.new", JournalPath());
    }
    bool RemoveJournal() override { return Delete(JournalPath()); }

    // From the program file held since the start (tw::HoldRunningImage), never
    // from its name, which another user may have given to another program since;
    // and only the bytes shown to be the image that is running.
    bool CopyInstaller() override {
        const std::string& self = tw::RunningImagePath();
        if (self.empty() || m_folder.empty() || tw::SecureStoreFolder(m_folder) != 0) return false;
        if (tw::SamePath(self, CopyPath())) return true;  // a run of the copy itself
        std::optional<std::string> image = tw::ReadRunningImageFile();
        return image && WriteWhole(*image, CopyPath());
    }

    bool WriteEntry(const tw::UninstallEntry& entry) override {
        tw::RegistryKey key;
        if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kEntryKey, 0, nullptr, 0,
                            KEY_SET_VALUE | KEY_WOW64_32KEY, nullptr, key.Out(),
                            nullptr) != ERROR_SUCCESS)
            return false;
        // The product's name is code page 936 whatever the system's code page;
        // paths come in the system's.
        return SetText(key.Get(), L"DisplayName", entry.displayName, 936) &&
               SetText(key.Get(), L"DisplayVersion", entry.displayVersion, CP_ACP) &&
               SetText(key.Get(), L"Publisher", entry.publisher, CP_ACP) &&
               SetText(key.Get(), L"DisplayIcon", entry.displayIcon, CP_ACP) &&
               SetText(key.Get(), L"InstallLocation", entry.installLocation, CP_ACP) &&
               SetNumber(key.Get(), L"EstimatedSize", entry.estimatedSizeKb) &&
               SetNumber(key.Get(), L"NoModify", entry.noModify) &&
               SetNumber(key.Get(), L"NoRepair", entry.noRepair) &&
               SetText(key.Get(), L"UninstallString", entry.uninstallString, CP_ACP) &&
               SetText(key.Get(), L"QuietUninstallString", entry.quietUninstallString, CP_ACP);
    }

    bool RemoveEntry() override {
        LSTATUS status = RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kEntryKey, KEY_WOW64_32KEY, 0);
        return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
    }

    bool RemoveList() override { return Delete(ListPath()); }

    // A copy that is not the running program goes at once. The running one can be
    // renamed though not deleted: it moves to a fresh name in the same folder, and
    // only that name is left for the restart, so that an installation before the
    // restart writes a copy that the restart does not take. The folder goes now
    // when it is empty, else at the restart, which removes only an empty folder.
    tw::CopyRemoval RemoveCopyAtRestart() override {
        const std::string copy = CopyPath();
        tw::CopyRemoval removal{tw::CopyRemoval::removed, {}};
        if (!DeleteFileA(copy.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND) {
            removal.restartName = MoveAside(copy);
            if (removal.restartName.empty() ||
                !MoveFileExA(removal.restartName.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT))
                return {tw::CopyRemoval::failed, {}};
            removal.outcome = tw::CopyRemoval::atRestart;
        }
        if (!RemoveDirectoryA(m_folder.c_str()))
            MoveFileExA(m_folder.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
        return removal;
    }

private:
    // Nothing there, not even the folder, is nothing to do.
    static bool Delete(const std::string& path) {
        return DeleteFileA(path.c_str()) || tw::IsMissing(static_cast<long>(GetLastError()));
    }

    tw::ListReading ReadWhole(const std::string& path, std::string& bytes) const {
        if (m_folder.empty()) return tw::ListReading::failed;
        tw::FileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.IsValid())
            return tw::IsMissing(static_cast<long>(GetLastError())) ? tw::ListReading::absent
                                                                    : tw::ListReading::failed;
        DWORD size = GetFileSize(file.Get(), nullptr);
        if (size == INVALID_FILE_SIZE || size > kListLimit) return tw::ListReading::failed;
        bytes.assign(size, '\0');
        DWORD got = 0;
        if (size > 0 && (!ReadFile(file.Get(), bytes.data(), size, &got, nullptr) || got != size))
            return tw::ListReading::failed;
        return tw::ListReading::read;
    }

    // Written beside the file under fresh, flushed, then moved over it in one step.
    bool ReplaceWhole(std::string_view bytes, const char* fresh, const std::string& path) const {
        if (m_folder.empty() || tw::SecureStoreFolder(m_folder) != 0) return false;
        const std::string freshPath = m_folder + fresh;
        return WriteWhole(bytes, freshPath) &&
               MoveFileExA(freshPath.c_str(), path.c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    }

    // The file moved to a name of its folder that nothing has yet: the empty text
    // when none could be had.
    std::string MoveAside(const std::string& path) const {
        unsigned number = GetCurrentProcessId() * 7919u ^ GetTickCount();
        for (int attempt = 0; attempt < 16; ++attempt, ++number) {
            char name[32];
            tw::FormatInto(name, sizeof(name), "Tarnwhistle.%08X.del", number);
            const std::string aside = m_folder + name;
            if (MoveFileExA(path.c_str(), aside.c_str(), 0)) return aside;
            DWORD error = GetLastError();
            if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS) break;
        }
        return {};
    }

    std::string m_folder;
};

}  // namespace

std::string RemovalStoreFolder() {
    char path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathA(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, path)))
        return {};
    return tw::WithTrailingSeparator(path) + "Tarnwhistle\\";
}

tw::RemovalStore& PlatformRemovalStore() {
    static Win32RemovalStore store;
    return store;
}
