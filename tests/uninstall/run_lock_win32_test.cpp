// The machine's run lock on Win32 (under Wine): one holder at a time, the file
// there only while it is held, and a file left at its name no obstacle.
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/uninstall/cleared_store_win32.h"
#include "uninstall/platform_uninstall.h"

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
    EXPECT_EQ(lock->Error(), static_cast<long>(ERROR_DIRECTORY));
    EXPECT_TRUE(DeleteFileA(name.c_str()));
    EXPECT_EQ(lock->Take(), tw::RunLockTaking::taken) << "a failure is not remembered";
    lock->Release();
    RemoveDirectoryA(folder.c_str());
}

struct Entry {
    std::string sid;
    DWORD mask;
};

// The folder's allow entries, other than SYSTEM's and Administrators'.
std::vector<Entry> OthersLetIn(const std::string& folder) {
    std::vector<Entry> others;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetNamedSecurityInfoA(folder.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                              nullptr, &dacl, nullptr, &descriptor) != ERROR_SUCCESS)
        return {{"(unreadable)", GENERIC_ALL}};
    if (!dacl) others.push_back({"(no access list)", GENERIC_ALL});
    for (DWORD i = 0; dacl && i < dacl->AceCount; ++i) {
        void* ace = nullptr;
        if (!GetAce(dacl, i, &ace) ||
            static_cast<ACE_HEADER*>(ace)->AceType != ACCESS_ALLOWED_ACE_TYPE)
            continue;
        auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
        LPSTR sid = nullptr;
        if (!ConvertSidToStringSidA(&allowed->SidStart, &sid)) continue;
        const std::string text = sid;
        LocalFree(sid);
        if (text != "S-1-5-18" && text != "S-1-5-32-544") others.push_back({text, allowed->Mask});
    }
    LocalFree(descriptor);
    return others;
}

bool EveryoneMayChange(const std::vector<Entry>& others) {
    constexpr DWORD kChanging = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_DELETE_CHILD | DELETE |
                                WRITE_DAC | WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;
    for (const Entry& entry : others)
        if (entry.sid == "S-1-1-0" && (entry.mask & kChanging)) return true;
    return false;
}

bool UnderWine() {
    return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
}

// The store is made, or, when its rights let others in, locked, before the lock's
// file is made in it: nobody else may read it or open what it holds. Wine keeps
// a folder's access list as its mode, leaves every folder readable by others and
// names the user running it for the owner's bits: what it shows is that Everyone
// may no longer change the folder.
TEST(RunLockWin32, TheStoresFolderLetsNobodyElseInBeforeTheLockIsTaken) {
    const std::string folder = RemovalStoreFolder();
    const std::string path = folder.substr(0, folder.size() - 1);
    std::unique_ptr<tw::RunLock> lock = MakePlatformRunLock();
    ClearRemovalStore();
    EXPECT_EQ(lock->Take(), tw::RunLockTaking::taken);
    EXPECT_FALSE(EveryoneMayChange(OthersLetIn(path))) << "a store made by the lock";
    if (!UnderWine()) {
        EXPECT_TRUE(OthersLetIn(path).empty());
    }
    lock->Release();

    PSECURITY_DESCRIPTOR everyone = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(
        "D:P(A;OICI;FA;;;WD)", SDDL_REVISION_1, &everyone, nullptr));
    ASSERT_TRUE(SetFileSecurityA(path.c_str(), DACL_SECURITY_INFORMATION, everyone));
    LocalFree(everyone);
    ASSERT_TRUE(EveryoneMayChange(OthersLetIn(path))) << "the rights it was given do not show";
    EXPECT_EQ(lock->Take(), tw::RunLockTaking::taken);
    EXPECT_FALSE(EveryoneMayChange(OthersLetIn(path))) << "a store that let everyone in";
    if (!UnderWine()) {
        EXPECT_TRUE(OthersLetIn(path).empty());
    }
    lock->Release();
    ClearRemovalStore();
}

}  // namespace
