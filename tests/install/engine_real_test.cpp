// The engine on real folders through the platform's installation system (the
// host's POSIX calls, or Win32's under Wine), watched by the recording system.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "common/path_rules.h"
#include "install/engine.h"
#include "install/platform_install_system.h"
#include "tests/install/recording_system.h"
#include "tests/install/tool_fixtures.h"
#include "tests/temp_folder.h"
#include "tests/machine_offers.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

constexpr const char* kFolderMark = "<folder>";

// Every file and folder below root, by relative path with "/", and its contents.
std::map<std::string, std::string> Tree(const std::string& root) {
    std::map<std::string, std::string> tree;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        std::string name = fs::relative(entry.path(), root).generic_string();
        tree[name] = entry.is_directory() ? kFolderMark : ReadBytes(entry.path().string());
    }
    return tree;
}

bool IsWritable(const std::string& path) {
    return (fs::status(path).permissions() & fs::perms::owner_write) != fs::perms::none;
}

std::vector<std::string> Starting(const RecordingSystem& system, const std::string& prefix) {
    std::vector<std::string> calls;
    for (const std::string& c : system.Calls())
        if (c.rfind(prefix, 0) == 0) calls.push_back(c);
    return calls;
}

std::vector<std::string> Sorted(std::vector<std::string> items) {
    std::sort(items.begin(), items.end());
    return items;
}

std::size_t IndexOf(const RecordingSystem& system, const std::string& call) {
    const auto& calls = system.Calls();
    return static_cast<std::size_t>(std::find(calls.begin(), calls.end(), call) - calls.begin());
}

std::string Join(const std::string& folder, const std::string& name) {
    return (fs::path(folder) / name).string();
}

// A as the engine composes it from the folder given.
std::string Normalised(const std::string& folder) { return tw::WithTrailingSeparator(folder); }

}  // namespace

TEST(EngineOnRealFolders, BothSourceFoldersMissing) {
    TempFolder package;
    TempFolder app;
    RecordingSystem system(&PlatformInstallSystem());
    InstallSummary summary = InstallDriverFiles(package.Path().c_str(), app.Path().c_str(), system);
    EXPECT_EQ(Tree(app.Path()), (std::map<std::string, std::string>{{"Driver", kFolderMark}}));
    EXPECT_TRUE(summary.NothingFound());
    EXPECT_EQ(summary.FailureCount(), 0);
}

// One package that holds every kind of entry, installed into an application
// directory without a registration tool.
TEST(EngineOnRealFolders, InstalledLayout) {
    TempFolder package;
    TempFolder app;
    const std::string support = package / "driversupport";
    const std::string driver = package / "Driver";
    MakeFolder(support);
    MakeFolder(driver);
    struct SourceFile {
        std::string folder;
        const char* name;
        const char* contents;
    } files[] = {
        {support, "a.txt", "a"},          {support, "shared.bin", "support"},
        {support, "s.dll", "s"},          {support, "ro.txt", "read-only"},
        {support, "hidden.sys", "h"},     {driver, "x.dll", "x"},
        {driver, "Y.DLL", "y"},           {driver, "z.dll.bak", "z"},
        {driver, "shared.bin", "driver"}, {driver, "ro.dll", "read-only dll"},
        {driver, "notes.txt", "n"},
    };
    for (const SourceFile& f : files) WriteBytes(Join(f.folder, f.name), f.contents);
    MakeReadOnly(Join(support, "ro.txt"));
    MakeReadOnly(Join(driver, "ro.dll"));
    for (const std::string& sub :
         {Join(support, "rosub"), Join(support, "archsub"), Join(driver, "sub")}) {
        MakeFolder(sub);
        WriteBytes(Join(sub, "inner.dll"), "never");
    }

    RecordingSystem system(&PlatformInstallSystem());
    system.SetAttributes("rosub", 0x11);
    system.SetAttributes("archsub", 0x30);
    system.SetAttributes("hidden.sys", 0x26);
    InstallSummary summary = InstallDriverFiles(package.Path().c_str(), app.Path().c_str(), system);

    std::map<std::string, std::string> expected = {
        {"a.txt", "a"},
        {"shared.bin", "support"},
        {"s.dll", "s"},
        {"ro.txt", "read-only"},
        {"hidden.sys", "h"},
        {"Driver", kFolderMark},
        {"Driver/a.txt", "a"},
        {"Driver/shared.bin", "driver"},
        {"Driver/s.dll", "s"},
        {"Driver/ro.txt", "read-only"},
        {"Driver/hidden.sys", "h"},
        {"Driver/x.dll", "x"},
        {"Driver/Y.DLL", "y"},
        {"Driver/z.dll.bak", "z"},
        {"Driver/ro.dll", "read-only dll"},
        {"Driver/notes.txt", "n"},
    };
    EXPECT_EQ(Tree(app.Path()), expected);
    EXPECT_TRUE(IsWritable(app / "ro.txt"));
    EXPECT_TRUE(IsWritable(Join(app / "Driver", "ro.dll")));

    const std::string a = Normalised(app.Path());
    const std::string s = Normalised(package.Path());
    EXPECT_EQ(Starting(system, "start "), std::vector<std::string>{});
    EXPECT_EQ(summary.filesCopied, 5 * 2 + 6);
    EXPECT_EQ(Sorted(summary.failedFiles),
              (std::vector<std::string>{"Driver\\Y.DLL", "Driver\\ro.dll", "Driver\\x.dll",
                                        "driversupport\\regsvr32.exe"}))
        << "no regsvr32.exe in the package: every DLL copied, none registered";

    EXPECT_EQ(IndexOf(system, "mkdir " + a + "Driver\\"), 1u);
    std::size_t driverPass = IndexOf(system, "find " + s + "Driver\\*.*");
    for (const std::string& copy : Starting(system, "copy " + s + "driversupport\\"))
        EXPECT_LT(IndexOf(system, copy), driverPass) << copy;
    // One pause per support file; one per driver entry, "." and ".." and folders included.
    EXPECT_EQ(Starting(system, "sleep").size(), 5u + 9u);
}

// The driver pass copies each file onto itself, which fails without harm.
TEST(EngineOnRealFolders, SourceAndApplicationDirectoryTheSame) {
    TempFolder package;
    MakeFolder(package / "driversupport");
    MakeFolder(package / "Driver");
    PlaceLoggingTool(Join(package / "driversupport", "regsvr32.exe"));
    WriteBytes(Join(package / "driversupport", "a.txt"), "a");
    WriteBytes(Join(package / "Driver", "x.dll"), "x");
    SetToolLog(package / "tool.log");

    InstallSummary summary =
        InstallDriverFiles(package.Path().c_str(), package.Path().c_str(), PlatformInstallSystem());

    // x.dll fails on itself, and the run is undone: the folder is as it was.
    EXPECT_TRUE(summary.undone);
    EXPECT_EQ(ReadBytes(Join(package / "Driver", "x.dll")), "x");
    EXPECT_FALSE(PathExists(package / "a.txt"));
    EXPECT_FALSE(PathExists(Join(package / "Driver", "a.txt")));
    EXPECT_TRUE(summary.registrations.empty());
    EXPECT_TRUE(
        std::count(summary.failedFiles.begin(), summary.failedFiles.end(), "Driver\\x.dll"));
    EXPECT_FALSE(PathExists(package / "tool.log"));
}

#ifdef _WIN32

// A source at a drive root: the drive letter is mapped to a fresh folder by the
// test's runner and named in TW_ENGINE_DRIVE.
TEST(EngineOnRealFolders, SourceAtADriveRootKeepsOneSeparator) {
    const char* drive = std::getenv("TW_ENGINE_DRIVE");
    if (!drive) TW_SKIP_UNLESS_OFFERED("drive") << "no drive letter mapped for this run";
    const std::string root = std::string(drive) + "\\";
    MakeFolder(root + "driversupport");
    MakeFolder(root + "Driver");
    WriteBytes(root + "driversupport\\a.txt", "a");
    WriteBytes(root + "Driver\\b.txt", "b");
    TempFolder app;

    RecordingSystem system(&PlatformInstallSystem());
    InstallSummary summary = InstallDriverFiles(root.c_str(), app.Path().c_str(), system);

    EXPECT_EQ(Starting(system, "find "),
              (std::vector<std::string>{"find " + root + "driversupport\\*.*",
                                        "find " + root + "Driver\\*.*"}));
    EXPECT_EQ(Tree(app.Path()), (std::map<std::string, std::string>{{"a.txt", "a"},
                                                                    {"Driver", kFolderMark},
                                                                    {"Driver/a.txt", "a"},
                                                                    {"Driver/b.txt", "b"}}));
    EXPECT_EQ(summary.filesCopied, 3);
    fs::remove_all(root + "driversupport");
    fs::remove_all(root + "Driver");
}

namespace {

// Once A and its Driver\ are held, before anything is written, points the link
// "above" (to "above one") at "above two" instead, as another user could who
// may change the folder holding the link. Wine renames what a link leads to, not
// the link: the link is made anew on the Unix side, which Wine starts without a
// wait, so the change is polled for.
class RetargetingAtTheFirstLock : public RecordingSystem {
public:
    RetargetingAtTheFirstLock(const std::string& root)
        : RecordingSystem(&PlatformInstallSystem()), m_root(root) {}
    tw::FolderSecuring SecureFolder(const char* folder) override {
        if (!m_tried) {
            m_tried = true;
            Retarget();
        }
        return RecordingSystem::SecureFolder(folder);
    }
    bool retargeted = false;

private:
    void Retarget() {
        const char* unixFolder = std::getenv("TW_DRIVE_FOLDER");
        if (!unixFolder) return;
        retargeted =
            RunUnix(std::string("Z:\\usr\\bin\\ln -sfn \"above two\" \"") + unixFolder + "/above\"",
                    [&] { return PathExists(m_root + "above\\A\\mark"); });
    }

    const std::string m_root;
    bool m_tried = false;
};

}  // namespace

// Every open after the holds goes by the path of the folders held: the link above
// A pointed elsewhere meanwhile sends nothing there.
TEST(EngineOnRealFolders, ALinkAboveARetargetedWhileHeldChangesNothing) {
    const char* drive = std::getenv("TW_ENGINE_DRIVE");
    if (!drive) TW_SKIP_UNLESS_OFFERED("drive") << "no drive letter mapped for this run";
    const std::string root = std::string(drive) + "\\";
    const std::string held = root + "above one\\A\\";
    MakeFolder(root + "above one\\A");
    MakeFolder(root + "above two\\A");
    WriteBytes(root + "above two\\A\\mark", "two");
    TempFolder package;
    MakeFolder(package / "driversupport");
    MakeFolder(package / "Driver");
    PlaceLoggingTool(Join(package / "driversupport", "regsvr32.exe"));
    WriteBytes(Join(package / "driversupport", "readme.txt"), "r");
    WriteBytes(Join(package / "Driver", "x.dll"), "x");
    SetToolLog(package / "tool.log");

    RetargetingAtTheFirstLock system(root);
    InstallSummary summary =
        InstallDriverFiles(package.Path().c_str(), (root + "above\\A").c_str(), system);

    ASSERT_TRUE(system.retargeted);
    EXPECT_EQ(ReadBytes(root + "above\\A\\mark"), "two") << "the path given leads elsewhere now";
    std::map<std::string, std::string> tree = Tree(held);
    std::vector<std::string> names;
    for (const auto& [name, bytes] : tree) names.push_back(name);
    EXPECT_EQ(names, (std::vector<std::string>{"Driver", "Driver/readme.txt", "Driver/regsvr32.exe",
                                               "Driver/x.dll", "readme.txt", "regsvr32.exe"}));
    EXPECT_EQ(tree["Driver/x.dll"], "x");
    EXPECT_EQ(Tree(root + "above two\\A"), (std::map<std::string, std::string>{{"mark", "two"}}));
    EXPECT_EQ(summary.FailureCount(), 0);
    EXPECT_EQ(
        Starting(system, "secure folder "),
        (std::vector<std::string>{"secure folder " + held, "secure folder " + held + "Driver\\"}));
    const std::vector<std::string> copies = Starting(system, "copy ");
    EXPECT_EQ(copies.size(), 5u);
    for (const std::string& copy : copies)
        EXPECT_NE(copy.find(" > " + held), std::string::npos) << copy;
    // The tool from the held A, for the DLL there, in the held A.
    const std::string dll = held + "Driver\\x.dll";
    EXPECT_EQ(
        Starting(system, "start "),
        std::vector<std::string>{"start " + held + "regsvr32.exe | /s \"" + dll + "\" | " + held});
    EXPECT_EQ(LogLines(package / "tool.log"),
              std::vector<std::string>{"/s \"" + dll + "\"\t" +
                                       ReportedDirectory(root + "above one\\A")});
}

#endif

// The platform's listing reports the words Windows gives, "." and ".." included.
TEST(PlatformInstallSystem, ListingReportsWindowsAttributeWords) {
    TempFolder folder;
    WriteBytes(folder / "plain.txt", "p");
    WriteBytes(folder / "ro.txt", "r");
    MakeReadOnly(folder / "ro.txt");
    MakeFolder(folder / "sub");

    std::map<std::string, std::uint32_t> words;
    DirectoryEntry entry;
    std::string pattern = Normalised(folder.Path()) + "*.*";
    std::unique_ptr<FileSearch> search =
        PlatformInstallSystem().FindFirst(pattern.c_str(), entry).search;
    ASSERT_NE(search, nullptr);
    do {
        words[entry.cFileName] = entry.dwFileAttributes;
    } while (search->FindNext(entry));

    ASSERT_EQ(words.size(), 5u);
    EXPECT_EQ(words["."], 0x10u);
    EXPECT_EQ(words[".."], 0x10u);
    EXPECT_EQ(words["sub"], 0x10u);
    EXPECT_TRUE(words["plain.txt"] == 0x20u || words["plain.txt"] == 0x80u) << words["plain.txt"];
    EXPECT_EQ(words["ro.txt"] & 0x11u, 0x01u);
}

// No search either way; only a folder that exists and cannot be listed is a failure.
TEST(PlatformInstallSystem, AbsentFolderIsToldFromOneThatCannotBeListed) {
    TempFolder folder;
    WriteBytes(folder / "file", "f");
    const struct {
        std::string folder;
        bool unreadable;
    } cases[] = {
        {folder / "missing", false},
        {Join(folder / "missing", "sub"), false},
        {Join(folder / "file", "sub"), false},
        {folder / "file", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.folder);
        DirectoryEntry entry;
        std::string pattern = Normalised(c.folder) + "*.*";
        SearchStart start = PlatformInstallSystem().FindFirst(pattern.c_str(), entry);
        EXPECT_EQ(start.search, nullptr);
        EXPECT_EQ(start.unreadable, c.unreadable);
    }
}

#ifndef _WIN32
// Listed by another user in a child process, so that the refusal is met even when
// the tests run as root.
TEST(PlatformInstallSystem, FolderWithoutPermissionCannotBeListed) {
    TempFolder folder;
    const std::string locked = folder / "locked";
    MakeFolder(locked);
    WriteBytes(Join(locked, "a.txt"), "a");
    ASSERT_EQ(chmod(locked.c_str(), 0), 0);
    const std::string pattern = Normalised(locked) + "*.*";
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (geteuid() == 0 && setuid(65534) != 0) _exit(2);
        DirectoryEntry entry;
        SearchStart start = PlatformInstallSystem().FindFirst(pattern.c_str(), entry);
        _exit(!start.search && start.unreadable ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    chmod(locked.c_str(), 0700);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: listed or called absent; 2: could not change user";
}
#endif

TEST(PlatformInstallSystem, CreateFolderTellsWhetherItMadeOne) {
    TempFolder folder;
    std::string driver = Normalised(folder.Path()) + "Driver\\";
    EXPECT_TRUE(PlatformInstallSystem().CreateFolder(driver.c_str()));
    EXPECT_TRUE(fs::is_directory(folder / "Driver"));
    EXPECT_FALSE(PlatformInstallSystem().CreateFolder(driver.c_str())) << "it exists already";
}
