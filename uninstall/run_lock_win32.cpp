// The run lock on Win32: "run.lock" in the removal store's folder under Program
// Files, which only administrators may enter (locked so before the lock is taken),
// so no other user can make the file first or hold it open. It is opened without sharing, so a
// second open fails with a sharing violation while it is held, and deleted when its handle closes,
// which Windows does for a killed process too: it exists only while a run holds it.
#include <windows.h>

#include <string>

#include "common/win32_handles.h"
#include "uninstall/platform_uninstall.h"
#include "uninstall/store_rights.h"

namespace {

class Win32RunLock : public tw::RunLock {
public:
    Win32RunLock() : m_folder(RemovalStoreFolder()) {}

    tw::RunLockTaking Take() override {
        if (m_file.IsValid()) return tw::RunLockTaking::taken;
        if (m_folder.empty()) return Failed(ERROR_PATH_NOT_FOUND);
        // The store's folder, made or locked as the store would.
        if (const unsigned long error = tw::SecureStoreFolder(m_folder)) return Failed(error);
        m_file.Reset(CreateFileA(Path().c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr,
                                 OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE,
                                 nullptr));
        if (!m_file.IsValid()) {
            DWORD error = GetLastError();
            if (error == ERROR_SHARING_VIOLATION) return tw::RunLockTaking::busy;
            return Failed(error);
        }
        return tw::RunLockTaking::taken;
    }
    void Release() override { m_file.Reset(); }
    long Error() const override { return m_error; }
    std::string Path() const override { return m_folder + "run.lock"; }

private:
    tw::RunLockTaking Failed(DWORD error) {
        m_error = static_cast<long>(error);
        return tw::RunLockTaking::failed;
    }

    std::string m_folder;
    tw::FileHandle m_file;
    long m_error = 0;
};

}  // namespace

std::unique_ptr<tw::RunLock> MakePlatformRunLock() { return std::make_unique<Win32RunLock>(); }
