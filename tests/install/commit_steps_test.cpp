// The platform steps of staging and commit on real files (the host's and Win32's):
// a staged copy leaves its destination alone; setting aside renames within the
// folder and refuses what the one-step replacement refuses; a rename never
// replaces. Under Wine, what another program holding the file allows.
#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "common/win32_error_codes.h"
#include "install/block_copy.h"
#include "install/replace_file.h"
#include "install/set_aside.h"
#include "install/staged_files.h"
#include "tests/install/tool_fixtures.h"
#include "tests/temp_folder.h"

#ifdef _WIN32
#include <windows.h>

#include "common/win32_handles.h"
#endif

namespace {

using Names = std::vector<std::string>;

// A name the run made beside a destination: "tw", four hex digits, then extension.
bool IsRunName(const std::string& name, const std::string& extension) {
    if (name.size() != 6 + extension.size() || name.rfind("tw", 0) != 0) return false;
    for (std::size_t i = 2; i < 6; ++i)
        if (!std::isxdigit(static_cast<unsigned char>(name[i]))) return false;
    return name.compare(6, extension.size(), extension) == 0;
}

TEST(CommitSteps, AStagedCopyLeavesTheDestinationAndStaysBesideIt) {
    TempFolder folder;
    WriteBytes(folder / "source.bin", PatternBytes(10000));
    WriteBytes(folder / "dest.bin", "old");
    tw::StagedFiles files;
    tw::CopyOutcome staged =
        files.Stage((folder / "source.bin").c_str(), (folder / "dest.bin").c_str());
    ASSERT_TRUE(staged);
    ASSERT_EQ(staged.staged.rfind(folder.Path(), 0), 0u);
    EXPECT_TRUE(IsRunName(staged.staged.substr(folder.Path().size() + 1), ".tmp")) << staged.staged;
    ASSERT_EQ(files.Release(staged.staged), 0);
    EXPECT_EQ(ReadBytes(folder / "dest.bin"), "old");
    EXPECT_EQ(ReadBytes(staged.staged), PatternBytes(10000));
}

// A staged file not yet released goes when it is discarded, and when its holder
// goes (as with a run that is killed): only the source and the destination stay.
TEST(CommitSteps, AStagedFileNotReleasedLeavesNothing) {
    for (bool discard : {true, false}) {
        TempFolder folder;
        WriteBytes(folder / "source.bin", PatternBytes(5000));
        WriteBytes(folder / "dest.bin", "old");
        {
            tw::StagedFiles files;
            tw::CopyOutcome staged =
                files.Stage((folder / "source.bin").c_str(), (folder / "dest.bin").c_str());
            ASSERT_TRUE(staged);
            if (discard) {
                EXPECT_TRUE(files.Discard(staged.staged));
                EXPECT_FALSE(files.Discard(staged.staged)) << "discarded twice";
            }
        }
        EXPECT_EQ(NamesIn(folder.Path()), (Names{"dest.bin", "source.bin"})) << discard;
        EXPECT_EQ(ReadBytes(folder / "dest.bin"), "old");
    }
}

// A destination that does not exist is staged under its own name, still marked:
// put in place, it keeps its bytes and nothing else is left; discarded, or its
// holder gone (a run killed while it stages), it leaves nothing.
TEST(CommitSteps, AFreeDestinationIsStagedUnderItsOwnName) {
    enum End { putInPlace, discarded, killed };
    for (End end : {putInPlace, discarded, killed}) {
        SCOPED_TRACE(end);
        TempFolder folder;
        WriteBytes(folder / "source.bin", PatternBytes(5000));
        const std::string destination = folder / "dest.bin";
        {
            tw::StagedFiles files;
            tw::CopyOutcome staged =
                files.Stage((folder / "source.bin").c_str(), destination.c_str());
            ASSERT_TRUE(staged);
            EXPECT_EQ(staged.staged, destination);
            if (end == putInPlace) {
                EXPECT_EQ(files.PutInPlace(staged.staged.c_str(), destination.c_str()), 0);
            }
            if (end == discarded) {
                files.DiscardFile(staged.staged.c_str());
            }
        }
        const Names left[] = {{"dest.bin", "source.bin"}, {"source.bin"}, {"source.bin"}};
        EXPECT_EQ(NamesIn(folder.Path()), left[end]);
        if (end == putInPlace) {
            EXPECT_EQ(ReadBytes(destination), PatternBytes(5000));
        }
    }
}

// An installed file set aside and held outlives its holder (a run killed during
// the commit), for the next run to put back, also after a put-back that failed;
// it goes only when discarded. The name chosen beforehand is the one it takes.
TEST(CommitSteps, AFileSetAsideOutlivesItsHolderUntilDiscarded) {
    enum End { putBack, discarded, killed, putBackRefused };
    for (End end : {putBack, discarded, killed, putBackRefused}) {
        SCOPED_TRACE(end);
        TempFolder folder;
        const std::string destination = folder / "dest.bin";
        WriteBytes(destination, "old");
        std::string aside = folder / "tw0A1B.old";
        {
            tw::StagedFiles files;
            ASSERT_EQ(tw::SetAsideFile(destination.c_str(), aside), 0);
            ASSERT_EQ(aside, folder / "tw0A1B.old");
            files.HoldAside(aside);
            if (end == putBack) {
                ASSERT_EQ(files.Release(aside), 0);
                ASSERT_EQ(tw::RenameToFreeName(aside.c_str(), destination.c_str()), 0);
            }
            if (end == discarded) {
                EXPECT_TRUE(files.Discard(aside));
            }
            if (end == putBackRefused) {
                WriteBytes(destination, "new");
                EXPECT_TRUE(tw::IsNameTaken(files.PutInPlace(aside.c_str(), destination.c_str())));
            }
        }
        const Names left[] = {{"dest.bin"}, {}, {"tw0A1B.old"}, {"dest.bin", "tw0A1B.old"}};
        EXPECT_EQ(NamesIn(folder.Path()), left[end]);
        if (end == killed || end == putBackRefused) {
            EXPECT_EQ(ReadBytes(aside), "old");
        }
    }
}

// A name chosen beforehand that another file holds is never taken over.
TEST(CommitSteps, SettingAsideUnderATakenNameRefuses) {
    TempFolder folder;
    WriteBytes(folder / "d", "old");
    WriteBytes(folder / "tw0A1B.old", "other");
    std::string aside = folder / "tw0A1B.old";
    const long code = tw::SetAsideFile((folder / "d").c_str(), aside);
    EXPECT_TRUE(code == tw::kErrorAlreadyExists || code == tw::kErrorFileExists) << code;
    EXPECT_TRUE(aside.empty());
    EXPECT_EQ(ReadBytes(folder / "d"), "old");
    EXPECT_EQ(ReadBytes(folder / "tw0A1B.old"), "other");
}

TEST(CommitSteps, SettingAsideRenamesInTheFolderOrRefuses) {
    struct Case {
        const char* what;
        void (*prepare)(const TempFolder&);
        long code;
        Names left;  // the folder's names afterwards, "*" for the file set aside
    } cases[] = {
        {"a file", [](const TempFolder& f) { WriteBytes(f / "d", "old"); }, 0, {"*"}},
        {"nothing there", [](const TempFolder&) {}, tw::kErrorFileNotFound, {}},
        {"a folder",
         [](const TempFolder& f) { MakeFolder(f / "d"); },
         tw::kErrorAccessDenied,
         {"d"}},
        {"a read-only file",
         [](const TempFolder& f) {
             WriteBytes(f / "d", "old");
             MakeReadOnly(f / "d");
         },
         tw::kErrorAccessDenied,
         {"d"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder folder;
        c.prepare(folder);
        std::string aside;  // no name chosen: a fresh one
        EXPECT_EQ(tw::SetAsideFile((folder / "d").c_str(), aside), c.code);
        Names names = NamesIn(folder.Path());
        if (c.code == 0) {
            ASSERT_EQ(names.size(), 1u);
            EXPECT_TRUE(IsRunName(names[0], ".old")) << names[0];
            EXPECT_EQ(aside, folder / names[0]);
            EXPECT_EQ(ReadBytes(aside), "old");
        } else {
            EXPECT_EQ(names, c.left);
            EXPECT_TRUE(aside.empty());
        }
        if (c.code == tw::kErrorAccessDenied && PathExists(folder / "d"))
            MakeReadOnly(folder / "d", false);
    }
}

TEST(CommitSteps, ARenameNeverReplaces) {
    TempFolder folder;
    WriteBytes(folder / "new", "new");
    WriteBytes(folder / "d", "old");
    const long refused = tw::RenameToFreeName((folder / "new").c_str(), (folder / "d").c_str());
    EXPECT_TRUE(refused == tw::kErrorAlreadyExists || refused == tw::kErrorFileExists) << refused;
    EXPECT_EQ(ReadBytes(folder / "d"), "old");
    EXPECT_EQ(ReadBytes(folder / "new"), "new");
    EXPECT_EQ(tw::RenameToFreeName((folder / "new").c_str(), (folder / "free").c_str()), 0);
    EXPECT_EQ(ReadBytes(folder / "free"), "new");
    EXPECT_EQ(tw::RenameToFreeName((folder / "gone").c_str(), (folder / "x").c_str()),
              tw::kErrorFileNotFound);
}

#ifdef _WIN32
// Another program holding the destination: with delete sharing (as a loaded DLL
// is held) it can be set aside; without, it cannot, and stays where it was.
TEST(CommitSteps, AFileHeldByAnotherProgramIsSetAsideOnlyWithDeleteSharing) {
    for (const DWORD sharing :
         {DWORD{FILE_SHARE_READ | FILE_SHARE_DELETE}, DWORD{FILE_SHARE_READ}}) {
        SCOPED_TRACE(sharing);
        TempFolder folder;
        WriteBytes(folder / "d", "old");
        HANDLE held = CreateFileA((folder / "d").c_str(), GENERIC_READ, sharing, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
        std::string aside;
        const long code = tw::SetAsideFile((folder / "d").c_str(), aside);
        CloseHandle(held);
        if (sharing & FILE_SHARE_DELETE) {
            EXPECT_EQ(code, 0);
            EXPECT_FALSE(PathExists(folder / "d"));
            EXPECT_EQ(ReadBytes(aside), "old");
        } else {
            EXPECT_EQ(code, tw::kErrorSharingViolation);
            EXPECT_EQ(ReadBytes(folder / "d"), "old");
        }
    }
}

// The restart's pending renames: the session manager's list of names (NT paths: a
// file, then where it goes, "!" before a target it may replace, empty for a
// deletion). What the list held before the test is put back after it, so that no
// test leaves the prefix's next start anything to do.
class PendingRenames {
public:
    PendingRenames() : m_before(Raw()) {}
    ~PendingRenames() {
        tw::RegistryKey key;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_SET_VALUE, key.Out()) !=
            ERROR_SUCCESS)
            return;
        if (m_before.empty())
            RegDeleteValueW(key.Get(), kValue);
        else
            RegSetValueExW(key.Get(), kValue, 0, REG_MULTI_SZ,
                           reinterpret_cast<const BYTE*>(m_before.data()),
                           static_cast<DWORD>(m_before.size() * sizeof(wchar_t)));
    }
    // The names added since the test began, in order.
    std::vector<std::wstring> Added() const {
        const std::wstring now = Raw();
        std::vector<std::wstring> names;
        std::size_t start = m_before.empty() ? 0 : m_before.size() - 1;  // past the end mark
        for (std::size_t at = start; at < now.size(); ++at) {
            if (now[at] != L'\0') continue;
            names.push_back(now.substr(start, at - start));
            start = at + 1;
        }
        if (!names.empty() && names.back().empty()) names.pop_back();  // the end mark
        return names;
    }

private:
    static constexpr const wchar_t* kSessionManager =
        L"System\\CurrentControlSet\\Control\\Session Manager";
    static constexpr const wchar_t* kValue = L"PendingFileRenameOperations";

    static std::wstring Raw() {
        std::wstring value(32768, L'\0');
        DWORD size = static_cast<DWORD>(value.size() * sizeof(wchar_t));
        if (RegGetValueW(HKEY_LOCAL_MACHINE, kSessionManager, kValue, RRF_RT_REG_MULTI_SZ, nullptr,
                         value.data(), &size) != ERROR_SUCCESS)
            return {};
        value.resize(size / sizeof(wchar_t));
        return value;
    }

    std::wstring m_before;
};

std::wstring NtPath(const std::string& path) {
    return L"\\??\\" + std::wstring(path.begin(), path.end());
}

// Three destinations in use: a file another program opened with delete sharing
// and a loaded DLL are set aside and replaced at once; a file held without
// delete sharing keeps its bytes, and its staged file, kept past the run, is left
// to replace it at the restart. Of the files set aside the shared one goes with
// its last handle, while the loaded one (which cannot be deleted) is left to be
// deleted at the restart.
TEST(CommitSteps, AFileInUseIsSetAsideOrLeftForTheRestart) {
    PendingRenames pending;
    TempFolder folder;
    WriteBytes(folder / "new", "new");
    WriteBytes(folder / "shared", "old");
    WriteBytes(folder / "held", "old");
    ASSERT_TRUE(
        CopyFileA(WinetoolsFile("twsample.dll").c_str(), (folder / "loaded.dll").c_str(), TRUE));
    tw::KernelHandle shared(CreateFileA((folder / "shared").c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    tw::KernelHandle held(CreateFileA((folder / "held").c_str(), GENERIC_READ, FILE_SHARE_READ,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    HMODULE loaded = LoadLibraryA((folder / "loaded.dll").c_str());
    ASSERT_TRUE(shared.IsValid() && held.IsValid() && loaded != nullptr);

    tw::StagedFiles files;
    std::vector<std::string> asides;
    for (const char* name : {"shared", "loaded.dll"}) {
        SCOPED_TRACE(name);
        const tw::CopyOutcome staged =
            files.Stage((folder / "new").c_str(), (folder / name).c_str());
        ASSERT_TRUE(staged);
        std::string aside;
        ASSERT_EQ(files.SetAside((folder / name).c_str(), aside), 0);
        ASSERT_EQ(files.PutInPlace(staged.staged.c_str(), (folder / name).c_str()), 0);
        EXPECT_EQ(ReadBytes(folder / name), "new");
        asides.push_back(aside);
    }
    const tw::CopyOutcome staged = files.Stage((folder / "new").c_str(), (folder / "held").c_str());
    ASSERT_TRUE(staged);
    std::string aside;
    EXPECT_EQ(files.SetAside((folder / "held").c_str(), aside), tw::kErrorSharingViolation);
    EXPECT_EQ(files.PutInPlaceAtRestart(staged.staged.c_str(), (folder / "held").c_str()), 0);

    EXPECT_FALSE(files.DiscardSetAside(asides[0].c_str()));
    EXPECT_TRUE(files.DiscardSetAside(asides[1].c_str()));
    shared.Reset();
    held.Reset();
    FreeLibrary(loaded);
    EXPECT_FALSE(PathExists(asides[0])) << "gone with its last handle";
    EXPECT_EQ(ReadBytes(folder / "held"), "old");
    EXPECT_EQ(ReadBytes(staged.staged), "new") << "kept for the restart";
    EXPECT_TRUE(PathExists(asides[1])) << "kept for the restart";
    EXPECT_EQ(pending.Added(),
              (std::vector<std::wstring>{NtPath(staged.staged), L"!" + NtPath(folder / "held"),
                                         NtPath(asides[1]), L""}));
    DeleteFileA(staged.staged.c_str());
    DeleteFileA(asides[1].c_str());
}
#endif

}  // namespace
