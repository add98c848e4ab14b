// The machine's run lock on Win32 (under Wine): one holder at a time, the file
// there only while it is held, and a file left at its name no obstacle.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "tests/uninstall/cleared_store_win32.h"
#include "uninstall/platform_removal_store.h"
#include "uninstall/platform_run_lock.h"

namespace {

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

TEST(RunLockWin32, OneHolderAtATimeAndTheFileGoesWithIt) {
    std::unique_ptr<tw::RunLock> first = MakePlatformRunLock();
    std::unique_ptr<tw::RunLock> second = MakePlatformRunLock();
    const std::string path = first->Path();
    ASSERT_TRUE(path.ends_with("\\Tarnwhistle\\run.lock")) << path;
    ASSERT_FALSE(Exists(path)) << "another run holds the lock, or one left it";

    EXPECT_EQ(first->Take(), tw::RunLockTaking::taken);
    EXPECT_EQ(first->Take(), tw::RunLockTaking::taken) << "a holder takes it again";
    EXPECT_TRUE(Exists(path));
    EXPECT_EQ(second->Take(), tw::RunLockTaking::busy);
    first.reset();  // as a process that ends, however it ends, closes its handle
    EXPECT_FALSE(Exists(path));

    EXPECT_EQ(second->Take(), tw::RunLockTaking::taken);
    second->Release();
    EXPECT_FALSE(Exists(path));
    second->Release();  // nothing held: nothing to do
}

// Only an administrator can leave a file there; one that is not held open is
// taken over and goes with the lock.
TEST(RunLockWin32, AFileLeftAtItsNameIsTakenOver) {
    std::unique_ptr<tw::RunLock> lock = MakePlatformRunLock();
    const std::string path = lock->Path();
    HANDLE left = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (left == INVALID_HANDLE_VALUE) {
        ASSERT_EQ(lock->Take(), tw::RunLockTaking::taken) << "the folder is made by the lock";
        lock->Release();
        left = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    ASSERT_NE(left, INVALID_HANDLE_VALUE);
    EXPECT_EQ(lock->Take(), tw::RunLockTaking::busy) << "held open without sharing";
    CloseHandle(left);
    EXPECT_EQ(lock->Take(), tw::RunLockTaking::taken);
    lock.reset();
    EXPECT_FALSE(Exists(path));
}

// The lock lies in the store's folder, which the lock makes when no installation
// has yet; where something else has the folder's name, it cannot be taken and
// says why.
TEST(RunLockWin32, ItMakesTheStoresFolderOrFailsWithTheReason) {
    const std::string folder = RemovalStoreFolder();
    std::unique_ptr<tw::RunLock> lock = MakePlatformRunLock();
    EXPECT_EQ(lock->Path(), folder + "run.lock");
    ClearRemovalStore();
    ASSERT_FALSE(Exists(folder));

    EXPECT_EQ(lock->Take(), tw::RunLockTaking::taken);
    EXPECT_TRUE(Exists(folder + "run.lock"));
    lock->Release();
    ASSERT_TRUE(RemoveDirectoryA(folder.c_str())) << "only the lock was there, and it went";

    std::string name = folder;
    name.pop_back();
    HANDLE file = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
    EXPECT_EQ(lock->Take(), tw::RunLockTaking::failed);
    EXPECT_EQ(lock->Error(), static_cast<long>(ERROR_PATH_NOT_FOUND));
    EXPECT_TRUE(DeleteFileA(name.c_str()));
    EXPECT_EQ(lock->Take(), tw::RunLockTaking::taken) << "a failure is not remembered";
    lock->Release();
    RemoveDirectoryA(folder.c_str());
}

}  // namespace
