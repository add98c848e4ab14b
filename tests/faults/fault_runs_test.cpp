// Reinstallations on real folders with one fault injected each: a disk that fills,
// a read that fails, a close that fails, a destination held open, a tool that
// cannot start. Each run must keep the previous version of the file it could not
// install, leave no file of its own behind, count the failure, and end with the
// incomplete message rather than the congratulation. Then the files that another
// user of the application directory could swap or plant: a tool or a DLL swapped
// between its copy and its start, a tool planted there, and links in place of the
// directory or its Driver\ folder; nothing of theirs may ever be started. (Rights
// and owners are Win32's: their rule is tested on fakes, the calls under Wine.)
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/completion_message.h"
#include "app/installation_run.h"
#include "install/block_copy.h"
#include "install/engine.h"
#include "common/path_rules.h"
#include "common/sha256.h"
#include "install/forwarding_install_system.h"
#include "install/platform_install_system.h"
#include "install/staged_files.h"
#include "res/texts.h"
#include "tests/app/run_surroundings.h"
#include "tests/fault_file.h"
#include "tests/temp_folder.h"
#include "tests/uninstall/fake_removal.h"
#include "tests/uninstall/fake_store.h"
#include "uninstall/installed_list.h"
#include "uninstall/removal.h"

namespace {

enum class Fault {
    diskFullAfter5000,
    readErrorAfterFirstBlock,
    closeFails,
    destinationLocked,
    toolStartFails,
    swappedAfterCopy,  // another file's bytes put in the copy's place as it ends
    none
};

// The platform's installation system, with the fault of one case injected into the
// copy of one file, or into every start of the registration tool. Tools are never
// really started here: the fault runs are about files; each start is recorded.
class FaultySystem : public ForwardingInstallSystem {
public:
    FaultySystem(Fault fault, std::string target)
        : ForwardingInstallSystem(PlatformInstallSystem()),
          m_fault(fault),
          m_target(std::move(target)) {}

    void SleepOneMillisecond() override {}
    tw::CopyOutcome CopyFileTo(const char* source, const char* destination) override {
        if (m_target.empty() || !std::string(destination).ends_with(m_target))
            return Inner().CopyFileTo(source, destination);
        if (m_fault == Fault::swappedAfterCopy) {
            tw::CopyOutcome copied = Inner().CopyFileTo(source, destination);
            WriteBytes(tw::ToPosixPath(copied.staged), "swapped");
            return copied;
        }
        FaultFile in;
        auto out = std::make_unique<FaultFile>();
        if (m_fault == Fault::diskFullAfter5000) out->FillDiskAfter(5000);
        if (m_fault == Fault::readErrorAfterFirstBlock) in.FailAt("read", 2, 23);  // ERROR_CRC
        if (m_fault == Fault::closeFails) out->FailAt("close", 1, 29);  // ERROR_WRITE_FAULT
        return m_staged.StageThrough(in, std::move(out), source, destination);
    }
    long PutInPlace(const char* file, const char* destination) override {
        if (long code = m_staged.Release(file)) return code;
        return Inner().PutInPlace(file, destination);
    }
    void DiscardFile(const char* path) override {
        if (!m_staged.Discard(path)) Inner().DiscardFile(path);
    }
    std::unique_ptr<StartedTool> StartRegistration(const RegistrationRequest& request) override {
        starts.push_back(request.parameters);
        if (m_fault == Fault::toolStartFails) return nullptr;
        return std::make_unique<StartedTool>();
    }
    // A tool that was never really started registered its DLL.
    void WaitForAnyTool(const std::vector<StartedTool*>& running,
                        std::chrono::milliseconds) override {
        for (StartedTool* tool : running) tool->exitCode = 0;
    }

    std::vector<std::string> starts;  // the parameters of every start, in order

private:
    Fault m_fault;
    std::string m_target;
    tw::StagedFiles m_staged;  // the staged files this system's own copies made
};

// Nothing watches these runs: what they leave is checked on disk.
tw::InstallEvents unwatched;

using Files = std::map<std::string, std::string>;

// A package, and an application directory that holds the previous installation of
// every one of its files.
struct Reinstallation {
    TempFolder root;
    Files support = {{"readme.txt", PatternBytes(700, 1)}, {"regsvr32.exe", PatternBytes(9000, 2)}};
    Files driver = {{"a.dll", PatternBytes(3 * 4096 + 1, 3)},
                    {"b.DLL", PatternBytes(100, 4)},
                    {"notes.txt", PatternBytes(4096, 5)}};
    std::string Source() const { return root / "src"; }
    std::string App() const { return root / "app"; }
    static std::string Old(const std::string& name) { return "previous " + name; }

    Reinstallation() {
        MakeFolder(Source() + "/driversupport");
        MakeFolder(Source() + "/Driver");
        MakeFolder(App() + "/Driver");
        for (auto& [name, bytes] : support) {
            WriteBytes(Source() + "/driversupport/" + name, bytes);
            WriteBytes(App() + "/" + name, Old(name));
            WriteBytes(App() + "/Driver/" + name, Old(name));
        }
        for (auto& [name, bytes] : driver) {
            WriteBytes(Source() + "/Driver/" + name, bytes);
            WriteBytes(App() + "/Driver/" + name, Old(name));
        }
    }
};

std::string IncompleteText(int count, bool undone = false) {
    char text[sizeof(TW_TEXT_INSTALL_UNDONE) + 16];
    std::snprintf(text, sizeof(text), undone ? TW_TEXT_INSTALL_UNDONE : TW_TEXT_INSTALL_INCOMPLETE,
                  count);
    return text;
}

}  // namespace

// A file that cannot be installed undoes the run: every previous file stays, and
// nothing is registered. A registration that fails leaves the new files.
TEST(FaultRuns, EachFaultKeepsThePreviousInstallationAndIsCounted) {
    struct Case {
        const char* what;
        Fault fault;
        const char* target;  // the destination under Driver\ that the fault hits
        std::vector<std::string> failedFiles;
        int registered;
        bool undone;
    } cases[] = {
        {"disk full after 5,000 bytes",
         Fault::diskFullAfter5000,
         "Driver\\a.dll",
         {"Driver\\a.dll"},
         0,
         true},
        {"read error after the first block",
         Fault::readErrorAfterFirstBlock,
         "Driver\\a.dll",
         {"Driver\\a.dll"},
         0,
         true},
        {"close of the new file fails",
         Fault::closeFails,
         "Driver\\a.dll",
         {"Driver\\a.dll"},
         0,
         true},
        {"destination held open",
         Fault::destinationLocked,
         "Driver\\b.DLL",
         {"Driver\\b.DLL"},
         0,
         true},
        {"registration tool cannot start",
         Fault::toolStartFails,
         "",
         {"Driver\\a.dll", "Driver\\b.DLL"},
         0,
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Reinstallation install;
        const std::string driverFolder = install.App() + "/Driver/";
        std::unique_ptr<CFile> holder;
        if (c.fault == Fault::destinationLocked)
            holder = std::make_unique<CFile>((driverFolder + "b.DLL").c_str(),
                                             CFile::modeReadWrite | CFile::shareExclusive);

        FaultySystem system(c.fault, c.target);
        InstallSummary summary =
            InstallDriverFiles(install.Source().c_str(), install.App().c_str(), system, unwatched);
        holder.reset();
        summary.holds.clear();  // the files set aside go with them

        std::vector<std::string> failed = summary.failedFiles;
        std::sort(failed.begin(), failed.end());
        EXPECT_EQ(failed, c.failedFiles);
        EXPECT_EQ(std::count_if(summary.registrations.begin(), summary.registrations.end(),
                                [](const Registration& r) { return r.Succeeded(); }),
                  c.registered);
        EXPECT_FALSE(summary.NothingFound());
        EXPECT_EQ(summary.undone, c.undone);
        tw::CompletionMessage message =
            c.undone ? tw::UndoneMessage(summary.failedFiles)
                     : tw::ChooseCompletionMessage(summary.NothingFound(), summary.failedFiles);
        EXPECT_EQ(message.text.substr(0, message.text.find('\n')),
                  IncompleteText(static_cast<int>(c.failedFiles.size()), c.undone));
        EXPECT_EQ(message.style, tw::kBoxOk | tw::kBoxIconExclamation);

        Files inApp = {{"Driver", "<folder>"}};
        Files inDriver;
        for (auto& [name, bytes] : install.support)
            inApp[name] = inDriver[name] = c.undone ? install.Old(name) : bytes;
        for (auto& [name, bytes] : install.driver)
            inDriver[name] = c.undone ? install.Old(name) : bytes;
        Files installedApp;
        Files installedDriver;
        for (const std::string& name : NamesIn(install.App()))
            installedApp[name] =
                name == "Driver" ? "<folder>" : ReadBytes(install.App() + "/" + name);
        for (const std::string& name : NamesIn(driverFolder))
            installedDriver[name] = ReadBytes(driverFolder + name);
        EXPECT_EQ(installedApp, inApp) << "no file of the copy is left behind";
        EXPECT_EQ(installedDriver, inDriver);
    }
}

namespace {

using Prepare = std::function<void(Reinstallation&)>;

// Every file below folder, by relative path, with its bytes.
Files TreeOf(const std::string& folder) {
    Files tree;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
        tree[std::filesystem::relative(entry.path(), folder).generic_string()] =
            entry.is_directory() ? "<folder>" : ReadBytes(entry.path().string());
    return tree;
}

// Moves the folder elsewhere and puts a symbolic link to it in its place.
std::string ReplaceWithLink(const std::string& folder, const std::string& elsewhere) {
    std::filesystem::rename(folder, elsewhere);
    std::filesystem::create_directory_symlink(elsewhere, folder);
    return elsewhere;
}

}  // namespace

TEST(FaultRuns, OnlyTheToolAndTheDllsThisRunCopiedAreStarted) {
    const std::vector<std::string> everyFile = {"Driver\\a.dll", "Driver\\b.DLL",
                                                "Driver\\notes.txt", "driversupport\\readme.txt",
                                                "driversupport\\regsvr32.exe"};
    const std::vector<std::string> dllsAndTool = {"Driver\\a.dll", "Driver\\b.DLL",
                                                  "driversupport\\regsvr32.exe"};
    struct Case {
        const char* what;
        Prepare prepare;
        Fault fault;
        const char* target;  // the destination the fault hits
        std::vector<std::string> failedFiles;
        std::vector<std::string> startedDlls;
        // A folder whose tree the run must leave as it was ("" for none).
        std::function<std::string(Reinstallation&)> untouched;
    } cases[] = {
        {"a DLL swapped between its copy and its start",
         [](Reinstallation&) {},
         Fault::swappedAfterCopy,
         "Driver\\a.dll",
         {"Driver\\a.dll"},
         {"b.DLL"},
         nullptr},
        {"the tool swapped between its copy and the first start",
         [](Reinstallation&) {},
         Fault::swappedAfterCopy,
         "app\\regsvr32.exe",
         dllsAndTool,
         {},
         nullptr},
        {"a tool planted in the directory, none in the package",
         [](Reinstallation& r) {
             std::filesystem::remove(r.Source() + "/driversupport/regsvr32.exe");
             r.support.erase("regsvr32.exe");
         },
         Fault::none,
         "",
         {"Driver\\a.dll", "Driver\\b.DLL", "driversupport\\regsvr32.exe"},
         {},
         nullptr},
        {"a read-only tool planted in the directory, which the package's copy cannot replace: "
         "the run is undone",
         [](Reinstallation& r) { MakeReadOnly(r.App() + "/regsvr32.exe"); },
         Fault::none,
         "",
         {"driversupport\\regsvr32.exe"},
         {},
         nullptr},
        {"the application directory a link",
         [](Reinstallation&) {},
         Fault::none,
         "",
         everyFile,
         {},
         [](Reinstallation& r) { return ReplaceWithLink(r.App(), r.root / "elsewhere"); }},
        {"its Driver\\ folder a link",
         [](Reinstallation&) {},
         Fault::none,
         "",
         everyFile,
         {},
         [](Reinstallation& r) {
             return ReplaceWithLink(r.App() + "/Driver", r.root / "elsewhere");
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Reinstallation install;
        c.prepare(install);
        std::string untouched = c.untouched ? c.untouched(install) : "";
        Files before = untouched.empty() ? Files{} : TreeOf(untouched);

        FaultySystem system(c.fault, c.target);
        InstallSummary summary =
            InstallDriverFiles(install.Source().c_str(), install.App().c_str(), system, unwatched);

        std::vector<std::string> failed = summary.failedFiles;
        std::sort(failed.begin(), failed.end());
        EXPECT_EQ(failed, c.failedFiles);
        std::vector<std::string> started;
        for (const std::string& parameters : system.starts)
            started.push_back(parameters.substr(parameters.find_last_of('\\') + 1));
        EXPECT_EQ(started, c.startedDlls);
        if (!untouched.empty()) {
            EXPECT_EQ(TreeOf(untouched), before) << "written through a link";
        }
    }
}

namespace {

// A hold that, as it is let go, lets another user of the directory in at once:
// the file it held gets that user's bytes.
class SwappedOnRelease : public Hold {
public:
    SwappedOnRelease(std::unique_ptr<Hold> hold, std::string path)
        : m_hold(std::move(hold)), m_path(std::move(path)) {}
    ~SwappedOnRelease() override {
        m_hold.reset();
        WriteBytes(tw::ToPosixPath(m_path), "the other user's program");
    }

private:
    std::unique_ptr<Hold> m_hold;
    std::string m_path;
};

class SwappingSystem : public FaultySystem {
public:
    SwappingSystem() : FaultySystem(Fault::none, "") {}
    std::unique_ptr<Hold> HoldCopy(const char* installed, const char* original) override {
        std::unique_ptr<Hold> hold = Inner().HoldCopy(installed, original);
        if (!hold) return nullptr;
        return std::make_unique<SwappedOnRelease>(std::move(hold), installed);
    }
};

std::string DigestText(const std::string& bytes) {
    tw::Sha256 hash;
    hash.Update(bytes.data(), bytes.size());
    return tw::ToHex(*hash.Finish());
}

}  // namespace

// Another user swaps the tool and a DLL the moment the installation lets go of
// them: the list holds the package's digests all the same (taken from the copies'
// own blocks, while everything was still held), so the removal starts no tool,
// loads no DLL, keeps the swapped files and names them as changed.
TEST(FaultRuns, ASwapTheMomentTheHoldsEndNeverReachesTheListOrATool) {
    Reinstallation install;
    SwappingSystem system;
    // Nothing swapped yet when the list is written: the engine's holds last until then.
    struct StoreThatLooks : FakeStore {
        explicit StoreThatLooks(Reinstallation& installed) : m_installed(installed) {}
        bool WriteList(std::string_view bytes) override {
            EXPECT_EQ(ReadBytes(m_installed.App() + "/regsvr32.exe"),
                      m_installed.support["regsvr32.exe"]);
            return FakeStore::WriteList(bytes);
        }
        Reinstallation& m_installed;
    } store(install);
    const std::string record = install.root / "ZAVIDAR.CFG";
    const tw::RunSystem platform = run_tests::KeepingInstallationSystem(
        {install.Source(), record.c_str(), nullptr,
         [](const char*) { return std::optional<std::string>("C:\\ZAVIDAR.CFG"); }, nullptr},
        system, store);
    const std::string app = tw::WithTrailingSeparator(install.App());
    tw::InstallLog log("");
    EXPECT_EQ(run_tests::Code(tw::InstallAndLog(platform, app, log).exitCode), 0);
    EXPECT_EQ(system.starts.size(), 2u);
    const std::string swapped = "the other user's program";
    EXPECT_EQ(ReadBytes(install.App() + "/regsvr32.exe"), swapped);
    EXPECT_EQ(ReadBytes(install.App() + "/Driver/a.dll"), swapped);

    ASSERT_TRUE(store.list);
    std::optional<tw::InstalledList> list = tw::ParseInstalledList(*store.list);
    ASSERT_TRUE(list);
    std::map<std::string, std::string> listed;  // path -> role and digest
    for (const tw::ListedFile& file : list->files)
        listed[file.path] =
            std::to_string(static_cast<int>(file.role)) + " " + tw::ToHex(file.digest);
    const std::string tool = app + "regsvr32.exe";
    const std::string dll = app + "Driver\\a.dll";
    EXPECT_EQ(listed[tool], "1 " + DigestText(install.support["regsvr32.exe"]));
    EXPECT_EQ(listed[dll], "2 " + DigestText(install.driver["a.dll"]));

    // The removal reads the files as they are on disk now, in the folders listed.
    FakeRemovalSystem disk;
    for (const tw::ListedFile& file : list->files)
        disk.files[file.path] = ReadBytes(tw::ToPosixPath(file.path));
    for (const tw::ListedFolder& folder : list->folders)
        disk.identities[folder.path] = folder.identity;
    FaultySystem tools(Fault::none, "");
    tw::RemovalEvents unseen;
    tw::RemovalSummary removal = tw::RemoveInstalledFiles(*list, disk, tools, unseen);
    EXPECT_TRUE(tools.starts.empty()) << "no tool started, no DLL loaded";
    EXPECT_EQ(disk.files[tool], swapped);
    EXPECT_EQ(disk.files[dll], swapped);
    // Changed since installed: the other user's now, kept and named, no failure.
    EXPECT_THAT(removal.changedFiles, ::testing::IsSupersetOf({tool, dll, app + "Driver\\b.DLL"}));
    EXPECT_THAT(removal.notUnregistered, ::testing::IsEmpty());
    EXPECT_THAT(removal.failedFiles, ::testing::IsEmpty());
}
