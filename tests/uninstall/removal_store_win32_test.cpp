// The removal's store on Win32, under Wine: the list's bytes in the product's
// folder under Program Files, the uninstall entry read back through the registry,
// the copy of the installer taken from the program file held since the start,
// and what becomes of that copy at removal (moved aside and left for the restart
// while it runs). Every case starts from an empty store and leaves one.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "common/win32_handles.h"
#include "res/texts.h"
#include "tests/uninstall/cleared_store_win32.h"
#include "uninstall/platform_uninstall.h"
#include "uninstall/running_image.h"

namespace {

constexpr const wchar_t* kEntryKey =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tarnwhistle";
constexpr const wchar_t* kSessionManager = L"System\\CurrentControlSet\\Control\\Session Manager";

using OpenHandle = tw::FileHandle;

using OpenKey = tw::RegistryKey;

// Opened by another program: share is what it lets others do.
HANDLE OpenedElsewhere(const std::string& path, DWORD access, DWORD share) {
    return CreateFileA(path.c_str(), access, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
}

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void Write(const std::string& path, const std::string& bytes) {
    OpenHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file.IsValid()) << path;
    DWORD written = 0;
    ASSERT_TRUE(
        WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
    ASSERT_EQ(written, bytes.size());
}

// The file's bytes, read here by name; "<none>" when it cannot be opened.
std::string Read(const std::string& path) {
    OpenHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) return "<none>";
    std::string bytes;
    char block[65536];
    DWORD got = 0;
    while (ReadFile(file.Get(), block, sizeof(block), &got, nullptr) && got > 0)
        bytes.append(block, got);
    return bytes;
}

std::wstring Wide(const std::string& ansi) {
    std::wstring wide(ansi.size(), L'\0');
    int length = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()),
                                     wide.data(), static_cast<int>(wide.size()));
    wide.resize(static_cast<std::size_t>(length > 0 ? length : 0));
    return wide;
}

std::string ProgramFiles() {
    char path[MAX_PATH] = {};
    EXPECT_TRUE(SUCCEEDED(
        SHGetFolderPathA(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, path)));
    return path;
}

// A registry value as stored: its type and bytes.
struct Value {
    DWORD type = 0;
    std::string bytes;
    friend bool operator==(const Value&, const Value&) = default;
};

Value Text(const std::wstring& text) {
    const auto* bytes = reinterpret_cast<const char*>(text.c_str());
    return {REG_SZ, std::string(bytes, (text.size() + 1) * sizeof(wchar_t))};
}

Value Number(DWORD number) {
    return {REG_DWORD, std::string(reinterpret_cast<const char*>(&number), sizeof(number))};
}

// Every value of the key in the given view; nothing when the key is not there.
std::optional<std::map<std::wstring, Value>> ValuesOf(const wchar_t* path, REGSAM view) {
    OpenKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_QUERY_VALUE | view, key.Out()) !=
        ERROR_SUCCESS)
        return std::nullopt;
    std::map<std::wstring, Value> values;
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];
        DWORD nameLength = 256;
        Value value;
        value.bytes.assign(65536, '\0');
        DWORD size = static_cast<DWORD>(value.bytes.size());
        LSTATUS status = RegEnumValueW(key.Get(), index, name, &nameLength, nullptr, &value.type,
                                       reinterpret_cast<BYTE*>(value.bytes.data()), &size);
        if (status == ERROR_NO_MORE_ITEMS) break;
        EXPECT_EQ(status, ERROR_SUCCESS);
        if (status != ERROR_SUCCESS) break;
        value.bytes.resize(size);
        values[std::wstring(name, nameLength)] = value;
    }
    return values;
}

// The names of a REG_MULTI_SZ value, in order; empty names kept (a pending
// deletion is a name followed by an empty one).
std::vector<std::wstring> PendingRenames() {
    std::optional<std::map<std::wstring, Value>> values = ValuesOf(kSessionManager, 0);
    if (!values || !values->count(L"PendingFileRenameOperations")) return {};
    const std::string& bytes = values->at(L"PendingFileRenameOperations").bytes;
    std::wstring all(bytes.size() / sizeof(wchar_t), L'\0');
    std::copy(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(all.size() * 2),
              reinterpret_cast<char*>(all.data()));
    // Each name ends with a zero, and the whole with one more.
    if (!all.empty() && all.back() == L'\0') all.pop_back();
    std::vector<std::wstring> names;
    std::size_t start = 0;
    for (std::size_t at = 0; at < all.size(); ++at) {
        if (all[at] != L'\0') continue;
        names.push_back(all.substr(start, at - start));
        start = at + 1;
    }
    return names;
}

// The pending renames as they were before the case, put back after it: no case
// leaves the prefix's next start anything to do.
class PendingRenamesKept {
public:
    PendingRenamesKept() : m_before(Raw(m_there)) {}
    ~PendingRenamesKept() {
        OpenKey key;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_SET_VALUE, key.Out()) !=
            ERROR_SUCCESS)
            return;
        if (m_there)
            RegSetValueExW(key.Get(), L"PendingFileRenameOperations", 0, REG_MULTI_SZ,
                           reinterpret_cast<const BYTE*>(m_before.data()),
                           static_cast<DWORD>(m_before.size()));
        else
            RegDeleteValueW(key.Get(), L"PendingFileRenameOperations");
    }
    PendingRenamesKept(const PendingRenamesKept&) = delete;
    PendingRenamesKept& operator=(const PendingRenamesKept&) = delete;

    // What was added since the case began.
    std::vector<std::wstring> Added() const {
        std::vector<std::wstring> now = PendingRenames();
        now.erase(now.begin(),
                  now.begin() + static_cast<std::ptrdiff_t>(std::min(now.size(), m_beforeCount)));
        return now;
    }

private:
    std::string Raw(bool& there) {
        m_beforeCount = PendingRenames().size();
        std::optional<std::map<std::wstring, Value>> values = ValuesOf(kSessionManager, 0);
        there = values && values->count(L"PendingFileRenameOperations");
        return there ? values->at(L"PendingFileRenameOperations").bytes : std::string();
    }

    bool m_there = false;
    std::size_t m_beforeCount = 0;
    std::string m_before;
};

// The store's folder, as empty as no installation leaves it, before and after
// each case: nothing an earlier run left counts.
class RemovalStoreWin32 : public ::testing::Test {
protected:
    void SetUp() override {
        Clear();
        ASSERT_FALSE(Exists(folder)) << "the store's folder could not be cleared";
    }
    void TearDown() override { Clear(); }

    static void Clear() { ClearRemovalStore(); }

    tw::RemovalStore& store = PlatformRemovalStore();
    const std::string folder = RemovalStoreFolder();
};

TEST_F(RemovalStoreWin32, TheStoreLiesInTheProductsFolderUnderProgramFiles) {
    // A 32-bit program on 64-bit Windows is given the x86 folder (the x86-64 build
    // of these tests, where i386 is emulated, the other one).
    EXPECT_EQ(folder, ProgramFiles() + "\\Tarnwhistle\\");
    EXPECT_EQ(ProgramFiles(), sizeof(void*) == 4 ? "C:\\Program Files (x86)" : "C:\\Program Files");
    EXPECT_EQ(store.ListPath(), folder + "installed-files.lst");
    EXPECT_EQ(store.CopyPath(), folder + "Tarnwhistle.exe");
    EXPECT_EQ(store.EntryName(),
              "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tarnwhistle");
}

// The list is bytes, not text: kept and read back exactly, the folder made for
// it, and a longer list before it leaves no tail.
TEST_F(RemovalStoreWin32, TheListIsWrittenAndReadBackByteForByte) {
    const std::string first = std::string("Tarnwhistle installed files 1\r\nappdir\tF:\\") +
                              "\xD1\xA1\xD4\xF1\\\r\n" + std::string("\0\xFF\x1A\n\r", 5) +
                              std::string(70000, 'x');
    const std::string second("short\r\n\0\x1A", 9);
    for (const std::string* bytes : {&first, &second}) {
        SCOPED_TRACE(bytes->size());
        ASSERT_TRUE(store.WriteList(*bytes));
        EXPECT_EQ(Read(store.ListPath()), *bytes);
        EXPECT_FALSE(Exists(folder + "installed-files.new")) << "moved over the list";
        std::string read = "earlier contents";
        EXPECT_EQ(store.ReadList(read), tw::ListReading::read);
        EXPECT_EQ(read, *bytes);
    }
}

// A list that cannot be replaced leaves the earlier one as it was.
TEST_F(RemovalStoreWin32, AListThatCannotBeWrittenLeavesTheEarlierOne) {
    const std::string earlier = "earlier list\r\n";
    const struct {
        const char* what;
        std::string heldName;  // held open without sharing by someone else
    } cases[] = {
        {"the list held open", "installed-files.lst"},
        {"its new file held open", "installed-files.new"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(store.WriteList(earlier));
        if (!Exists(folder + c.heldName)) Write(folder + c.heldName, "");
        {
            OpenHandle other(OpenedElsewhere(folder + c.heldName, GENERIC_READ, 0));
            ASSERT_TRUE(other.IsValid());
            EXPECT_FALSE(store.WriteList("later list\r\n"));
        }
        EXPECT_EQ(Read(store.ListPath()), earlier);
        std::string read;
        EXPECT_EQ(store.ReadList(read), tw::ListReading::read);
        EXPECT_EQ(read, earlier);
        DeleteFileA((folder + "installed-files.new").c_str());
    }
}

TEST_F(RemovalStoreWin32, AListIsAbsentOnlyWhenNothingIsThere) {
    std::string read = "left alone";
    EXPECT_EQ(store.ReadList(read), tw::ListReading::absent) << "no folder";
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    EXPECT_EQ(store.ReadList(read), tw::ListReading::absent) << "no list in the folder";

    Write(store.ListPath(), "");
    EXPECT_EQ(store.ReadList(read), tw::ListReading::read) << "an empty list";
    EXPECT_EQ(read, "");

    Write(store.ListPath(), "held");
    {
        OpenHandle other(OpenedElsewhere(store.ListPath(), GENERIC_WRITE, 0));
        ASSERT_TRUE(other.IsValid());
        EXPECT_EQ(store.ReadList(read), tw::ListReading::failed) << "held without sharing";
    }
    ASSERT_TRUE(DeleteFileA(store.ListPath().c_str()));
    ASSERT_TRUE(CreateDirectoryA(store.ListPath().c_str(), nullptr));
    EXPECT_EQ(store.ReadList(read), tw::ListReading::failed) << "a folder at the list's name";
    ASSERT_TRUE(RemoveDirectoryA(store.ListPath().c_str()));
}

// 64 MB is the most an installation's list can take; one byte more is not its list.
TEST_F(RemovalStoreWin32, AListLargerThan64MegabytesIsRefused) {
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    for (LONGLONG size : {64LL * 1024 * 1024, 64LL * 1024 * 1024 + 1}) {
        SCOPED_TRACE(size);
        {
            OpenHandle file(CreateFileA(store.ListPath().c_str(), GENERIC_WRITE, 0, nullptr,
                                        CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
            ASSERT_TRUE(file.IsValid());
            LARGE_INTEGER end;
            end.QuadPart = size;
            ASSERT_TRUE(SetFilePointerEx(file.Get(), end, nullptr, FILE_BEGIN));
            ASSERT_TRUE(SetEndOfFile(file.Get()));
        }
        std::string read;
        const bool allowed = size == 64LL * 1024 * 1024;
        EXPECT_EQ(store.ReadList(read), allowed ? tw::ListReading::read : tw::ListReading::failed);
        EXPECT_EQ(read.size(), allowed ? static_cast<std::size_t>(size) : 0u);
    }
}

TEST_F(RemovalStoreWin32, TheListIsRemovedUnlessSomeoneHoldsIt) {
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    EXPECT_TRUE(store.RemoveList()) << "nothing there: nothing to do";
    ASSERT_TRUE(store.WriteList("list"));
    {
        OpenHandle other(OpenedElsewhere(store.ListPath(), GENERIC_READ, FILE_SHARE_READ));
        ASSERT_TRUE(other.IsValid());
        EXPECT_FALSE(store.RemoveList());
    }
    EXPECT_EQ(Read(store.ListPath()), "list");
    EXPECT_TRUE(store.RemoveList());
    EXPECT_FALSE(Exists(store.ListPath()));
}

// The commit's journal beside the list: replaced whole (the earlier one stays
// when the new one cannot take its place), read back exactly, removed.
TEST_F(RemovalStoreWin32, TheJournalIsReplacedWholeReadBackAndRemoved) {
    EXPECT_EQ(store.JournalPath(), folder + "commit.jnl");
    std::string read = "left alone";
    EXPECT_EQ(store.ReadJournal(read), tw::ListReading::absent);
    EXPECT_TRUE(store.RemoveJournal()) << "nothing there: nothing to do";
    const std::string open("Tarnwhistle commit 1\r\nopen\r\n\0\xFF", 30);
    ASSERT_TRUE(store.WriteJournal(open));
    EXPECT_FALSE(Exists(folder + "commit.new")) << "moved over the journal";
    EXPECT_EQ(store.ReadJournal(read), tw::ListReading::read);
    EXPECT_EQ(read, open);
    Write(folder + "commit.new", "");
    {
        OpenHandle other(OpenedElsewhere(folder + "commit.new", GENERIC_READ, 0));
        ASSERT_TRUE(other.IsValid());
        EXPECT_FALSE(store.WriteJournal("final"));
    }
    EXPECT_EQ(Read(store.JournalPath()), open);
    ASSERT_TRUE(store.WriteJournal("final"));
    EXPECT_EQ(Read(store.JournalPath()), "final");
    EXPECT_TRUE(store.RemoveJournal());
    EXPECT_FALSE(Exists(store.JournalPath()));
    EXPECT_EQ(Read(store.ListPath()), "<none>") << "the list is another file";
}

// The entry in the registry's 32-bit view (Wow6432Node on 64-bit Windows), where
// Apps & Features finds a 32-bit installer's entry: ten values exactly, the
// texts as UTF-16 with their terminator, the numbers as DWORDs. Written again, it
// holds the later values only.
TEST_F(RemovalStoreWin32, TheEntryHoldsExactlyItsValuesInThe32BitView) {
    const std::string copy = store.CopyPath();
    const struct {
        tw::UninstallEntry entry;
        std::map<std::wstring, Value> values;
    } cases[] = {
        {{TW_TEXT_UNINSTALL_DISPLAY_NAME, "6.1.0.0", "Ostrakelle", copy + ",0",
          "F:\\\xD1\xA1\xD4\xF1\\", 0x12345678u, 1, 0, "\"" + copy + "\" /U",
          "\"" + copy + "\" /U /S"},
         {{L"DisplayName", Text(L"Varnelquist\x9A71\x52A8\x7A0B\x5E8F")},
          {L"DisplayVersion", Text(L"6.1.0.0")},
          {L"Publisher", Text(L"Ostrakelle")},
          {L"DisplayIcon", Text(Wide(copy) + L",0")},
          {L"InstallLocation", Text(L"F:\\\x9009\x62E9\\")},
          {L"EstimatedSize", Number(0x12345678u)},
          {L"NoModify", Number(1)},
          {L"NoRepair", Number(0)},
          {L"UninstallString", Text(L"\"" + Wide(copy) + L"\" /U")},
          {L"QuietUninstallString", Text(L"\"" + Wide(copy) + L"\" /U /S")}}},
        {{"D", "", "P", "I", "C:\\V\\", 0, 0, 1, "U", "Q"},
         {{L"DisplayName", Text(L"D")},
          {L"DisplayVersion", Text(L"")},
          {L"Publisher", Text(L"P")},
          {L"DisplayIcon", Text(L"I")},
          {L"InstallLocation", Text(L"C:\\V\\")},
          {L"EstimatedSize", Number(0)},
          {L"NoModify", Number(0)},
          {L"NoRepair", Number(1)},
          {L"UninstallString", Text(L"U")},
          {L"QuietUninstallString", Text(L"Q")}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.entry.displayVersion);
        ASSERT_TRUE(store.WriteEntry(c.entry));
        std::optional<std::map<std::wstring, Value>> values = ValuesOf(kEntryKey, KEY_WOW64_32KEY);
        ASSERT_TRUE(values.has_value());
        EXPECT_EQ(values->size(), c.values.size());
        for (const auto& [name, value] : c.values) {
            SCOPED_TRACE(std::string(name.begin(), name.end()));
            ASSERT_TRUE(values->count(name));
            EXPECT_EQ(values->at(name).type, value.type);
            EXPECT_EQ(values->at(name).bytes, value.bytes);
        }
        EXPECT_FALSE(ValuesOf(kEntryKey, KEY_WOW64_64KEY).has_value()) << "in the 64-bit view";
    }
    EXPECT_TRUE(store.RemoveEntry());
    EXPECT_FALSE(ValuesOf(kEntryKey, KEY_WOW64_32KEY).has_value());
    EXPECT_TRUE(store.RemoveEntry()) << "nothing there: nothing to do";
}

// The copy comes from the program file held since the start, read from its
// first byte wherever the handle stands, over a longer copy left before; while
// held, the program file can be read but neither written nor renamed.
TEST_F(RemovalStoreWin32, TheCopyIsTheProgramFileHeldSinceTheStart) {
    ASSERT_TRUE(store.WriteList("list"));
    if (!tw::RunningImageHandle()) {
        EXPECT_FALSE(store.CopyInstaller()) << "nothing held: no copy by name";
        EXPECT_FALSE(Exists(store.CopyPath()));
        tw::HoldRunningImage();
    }
    char self[MAX_PATH] = {};
    ASSERT_GT(GetModuleFileNameA(nullptr, self, MAX_PATH), 0u);
    EXPECT_EQ(tw::RunningImagePath(), self);
    HANDLE image = tw::RunningImageHandle();
    ASSERT_NE(image, nullptr);
    const std::string program = Read(self);
    ASSERT_GT(program.size(), 4096u);

    {
        OpenHandle writer(OpenedElsewhere(self, GENERIC_WRITE,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE));
        EXPECT_FALSE(writer.IsValid()) << "opened for writing while held";
        OpenHandle reader(OpenedElsewhere(self, GENERIC_READ, FILE_SHARE_READ));
        EXPECT_TRUE(reader.IsValid()) << "read while held";
    }
    const std::string moved = std::string(self) + ".moved";
    EXPECT_FALSE(MoveFileExA(self, moved.c_str(), 0)) << "renamed while held";

    Write(store.CopyPath(), program + std::string(100, 'z'));
    LARGE_INTEGER middle;
    middle.QuadPart = 1000;
    ASSERT_TRUE(SetFilePointerEx(image, middle, nullptr, FILE_BEGIN));
    EXPECT_TRUE(store.CopyInstaller());
    EXPECT_EQ(Read(store.CopyPath()), program);
}

// What a removal does with the copy: gone when it can go; moved aside to a fresh
// name of the folder and left for the restart when it runs (or cannot be
// deleted); left where it is when it can be neither deleted nor moved. The
// folder goes when it is empty, and is left for the restart otherwise.
TEST_F(RemovalStoreWin32, TheCopyGoesAtOnceOrIsMovedAsideForTheRestart) {
    const char* installer = std::getenv("TW_INSTALLER");
    enum class Copy { none, plain, readOnly, running, heldOpen };
    const struct {
        const char* what;
        Copy copy;
        bool listStays;
        tw::CopyRemoval::Outcome outcome;
    } cases[] = {
        {"no copy", Copy::none, false, tw::CopyRemoval::removed},
        {"the copy alone in the folder", Copy::plain, false, tw::CopyRemoval::removed},
        {"the copy and a list that stays", Copy::plain, true, tw::CopyRemoval::removed},
        {"a copy that cannot be deleted but moved", Copy::readOnly, false,
         tw::CopyRemoval::atRestart},
        {"the copy running", Copy::running, false, tw::CopyRemoval::atRestart},
        {"a copy held open without sharing", Copy::heldOpen, true, tw::CopyRemoval::failed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Clear();
        PendingRenamesKept pending;
        ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
        if (c.listStays) Write(store.ListPath(), "list");
        PROCESS_INFORMATION process{};
        std::optional<OpenHandle> other;
        if (c.copy == Copy::running) {
            ASSERT_TRUE(installer != nullptr) << "the runner names the installer";
            ASSERT_TRUE(CopyFileA(installer, store.CopyPath().c_str(), FALSE));
            std::string command = "\"" + store.CopyPath() + "\" /S /D=";
            STARTUPINFOA startup{};
            startup.cb = sizeof(startup);
            // Suspended: its image is mapped, it never runs a line.
            ASSERT_TRUE(CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE,
                                       CREATE_SUSPENDED, nullptr, nullptr, &startup, &process));
        } else if (c.copy != Copy::none) {
            Write(store.CopyPath(), "copy");
        }
        if (c.copy == Copy::readOnly) {
            ASSERT_TRUE(SetFileAttributesA(store.CopyPath().c_str(), FILE_ATTRIBUTE_READONLY));
        }
        if (c.copy == Copy::heldOpen) {
            other.emplace(OpenedElsewhere(store.CopyPath(), GENERIC_READ, FILE_SHARE_READ));
            ASSERT_TRUE(other->IsValid());
        }

        tw::CopyRemoval removal = store.RemoveCopyAtRestart();

        EXPECT_EQ(removal.outcome, c.outcome);
        std::vector<std::wstring> expectedPending;
        if (c.outcome == tw::CopyRemoval::atRestart) {
            EXPECT_FALSE(Exists(store.CopyPath())) << "the copy's name is free again";
            ASSERT_EQ(removal.restartName.size(), folder.size() + 24) << removal.restartName;
            EXPECT_EQ(removal.restartName.substr(0, folder.size() + 12), folder + "Tarnwhistle.");
            EXPECT_EQ(removal.restartName.substr(folder.size() + 20), ".del");
            EXPECT_EQ(removal.restartName.find_first_not_of("0123456789ABCDEF", folder.size() + 12),
                      folder.size() + 20);
            EXPECT_TRUE(Exists(removal.restartName));
            expectedPending = {L"\\??\\" + Wide(removal.restartName), L""};
        } else {
            EXPECT_EQ(removal.restartName, "");
            EXPECT_EQ(Exists(store.CopyPath()), c.outcome == tw::CopyRemoval::failed);
        }
        const bool folderEmpty = c.outcome == tw::CopyRemoval::removed && !c.listStays;
        EXPECT_EQ(Exists(folder), !folderEmpty);
        if (!folderEmpty && c.outcome != tw::CopyRemoval::failed) {
            std::wstring folderName = Wide(folder);
            folderName.pop_back();
            expectedPending.insert(expectedPending.end(), {L"\\??\\" + folderName, L""});
        }
        std::vector<std::wstring> added = pending.Added();
        // The folder's name may carry its separator: Windows takes either.
        for (std::wstring& name : added)
            if (name.size() == Wide(folder).size() + 4 && name.back() == L'\\') name.pop_back();
        EXPECT_EQ(added, expectedPending);

        if (process.hProcess) {
            TerminateProcess(process.hProcess, 0);
            WaitForSingleObject(process.hProcess, 30000);
            CloseHandle(process.hThread);
            CloseHandle(process.hProcess);
        }
    }
}

}  // namespace
