// Reinstallations on real folders with one fault injected each: a disk that fills,
// a read that fails, a close that fails, a destination held open, a tool that
// cannot start. Each run must keep the previous version of the file it could not
// install, leave no file of its own behind, count the failure, and end with the
// incomplete message rather than the congratulation.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/completion_message.h"
#include "install/block_copy.h"
#include "install/engine.h"
#include "install/platform_install_system.h"
#include "res/texts.h"
#include "tests/fault_file.h"
#include "tests/temp_folder.h"

namespace {

enum class Fault {
    diskFullAfter5000,
    readErrorAfterFirstBlock,
    closeFails,
    destinationLocked,
    toolStartFails
};

// The platform's installation system, with the fault of one case injected into the
// copy of one file, or into every start of the registration tool. Tools are never
// really started here: the fault runs are about files.
class FaultySystem : public InstallSystem {
public:
    FaultySystem(Fault fault, std::string target) : m_fault(fault), m_target(std::move(target)) {}

    bool CreateFolder(const char* path) override { return m_platform.CreateFolder(path); }
    SearchStart FindFirst(const char* pattern, DirectoryEntry& first) override {
        return m_platform.FindFirst(pattern, first);
    }
    void SleepOneMillisecond() override {}
    tw::CopyOutcome CopyFileTo(const char* source, const char* destination) override {
        if (m_target.empty() || !std::string(destination).ends_with(m_target))
            return m_platform.CopyFileTo(source, destination);
        FaultFile in;
        FaultFile out;
        if (m_fault == Fault::diskFullAfter5000) out.FillDiskAfter(5000);
        if (m_fault == Fault::readErrorAfterFirstBlock) in.FailAt("read", 2, 23);  // ERROR_CRC
        if (m_fault == Fault::closeFails) out.FailAt("close", 1, 29);  // ERROR_WRITE_FAULT
        return tw::CopyFileInBlocksThrough(in, out, source, destination);
    }
    std::unique_ptr<StartedTool> StartRegistration(const RegistrationRequest&) override {
        if (m_fault == Fault::toolStartFails) return nullptr;
        return std::make_unique<StartedTool>();
    }
    // A tool that was never really started registered its DLL.
    void WaitForTools(const std::vector<StartedTool*>& tools, std::chrono::milliseconds) override {
        for (StartedTool* tool : tools) tool->exitCode = 0;
    }

private:
    InstallSystem& m_platform = PlatformInstallSystem();
    Fault m_fault;
    std::string m_target;
};

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

std::string IncompleteText(int count) {
    char text[sizeof(TW_TEXT_INSTALL_INCOMPLETE) + 16];
    std::snprintf(text, sizeof(text), TW_TEXT_INSTALL_INCOMPLETE, count);
    return text;
}

}  // namespace

TEST(FaultRuns, EachFaultKeepsThePreviousFileAndIsCounted) {
    struct Case {
        const char* what;
        Fault fault;
        const char* target;  // the destination under Driver\ that the fault hits
        std::vector<std::string> failedFiles;
        int registered;
    } cases[] = {
        {"disk full after 5,000 bytes",
         Fault::diskFullAfter5000,
         "Driver\\a.dll",
         {"Driver\\a.dll"},
         1},
        {"read error after the first block",
         Fault::readErrorAfterFirstBlock,
         "Driver\\a.dll",
         {"Driver\\a.dll"},
         1},
        {"close of the new file fails", Fault::closeFails, "Driver\\a.dll", {"Driver\\a.dll"}, 1},
        {"destination held open", Fault::destinationLocked, "Driver\\b.DLL", {"Driver\\b.DLL"}, 1},
        {"registration tool cannot start",
         Fault::toolStartFails,
         "",
         {"Driver\\a.dll", "Driver\\b.DLL"},
         0},
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
            InstallDriverFiles(install.Source().c_str(), install.App().c_str(), system);
        holder.reset();

        std::vector<std::string> failed = summary.failedFiles;
        std::sort(failed.begin(), failed.end());
        EXPECT_EQ(failed, c.failedFiles);
        EXPECT_EQ(std::count_if(summary.registrations.begin(), summary.registrations.end(),
                                [](const Registration& r) { return r.Succeeded(); }),
                  c.registered);
        EXPECT_FALSE(summary.NothingFound());
        tw::CompletionMessage message =
            tw::ChooseCompletionMessage(summary.NothingFound(), summary.failedFiles);
        EXPECT_EQ(message.text.substr(0, message.text.find('\n')),
                  IncompleteText(static_cast<int>(c.failedFiles.size())));
        EXPECT_EQ(message.style, tw::kBoxOk | tw::kBoxIconExclamation);

        Files inApp = {{"Driver", "<folder>"}};
        Files inDriver;
        for (auto& [name, bytes] : install.support) inApp[name] = inDriver[name] = bytes;
        for (auto& [name, bytes] : install.driver)
            inDriver[name] = std::string("Driver\\") + name == c.target ? install.Old(name) : bytes;
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
