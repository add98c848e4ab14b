// Whole installations on real folders with one fault injected each: a disk that
// fills, a read that fails, a destination held open, a tool that cannot start.
// Each run must leave no half-written destination, count the failure, and end
// with the incomplete message rather than the congratulation.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/completion_message.h"
#include "install/block_copy.h"
#include "install/engine.h"
#include "install/platform_install_system.h"
#include "res/texts.h"
#include "tests/temp_folder.h"

namespace {

enum class Fault { none, diskFullAfter5000, readErrorAfterFirstBlock, destinationLocked, toolStartFails };

// A destination whose disk fills after 5,000 bytes: the write that crosses the
// limit stores what fits and then reports the disk full.
class FillingDisk : public CFile {
public:
    void Write(const void* buffer, unsigned count) override {
        unsigned room = m_written >= kLimit ? 0 : kLimit - m_written;
        if (count <= room) {
            CFile::Write(buffer, count);
            m_written += count;
            return;
        }
        CFile::Write(buffer, room);
        m_written += room;
        CFileException::Throw(CFileException::diskFull, -1, GetFilePath());
    }

private:
    static constexpr unsigned kLimit = 5000;
    unsigned m_written = 0;
};

// A source whose second read fails, as a damaged medium would.
class FailingMedium : public CFile {
public:
    unsigned Read(void* buffer, unsigned count) override {
        if (m_reads++ == 1) CFileException::ThrowOsError(23, GetFilePath());  // ERROR_CRC
        return CFile::Read(buffer, count);
    }

private:
    int m_reads = 0;
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
    bool CopyFileTo(const char* source, const char* destination) override {
        if (std::string(destination).ends_with(m_target)) {
            if (m_fault == Fault::diskFullAfter5000) {
                CFile in;
                FillingDisk out;
                return CopyOneFileThrough(in, out, source, destination);
            }
            if (m_fault == Fault::readErrorAfterFirstBlock) {
                FailingMedium in;
                CFile out;
                return CopyOneFileThrough(in, out, source, destination);
            }
        }
        return m_platform.CopyFileTo(source, destination);
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

struct Package {
    TempFolder root;
    std::map<std::string, std::string> support = {{"readme.txt", PatternBytes(700, 1)},
                                                  {"regsvr32.exe", PatternBytes(9000, 2)}};
    std::map<std::string, std::string> driver = {{"a.dll", PatternBytes(3 * 4096 + 1, 3)},
                                                 {"b.DLL", PatternBytes(100, 4)},
                                                 {"notes.txt", PatternBytes(4096, 5)}};
    std::string Source() const { return root / "src"; }
    std::string App() const { return root / "app"; }

    Package() {
        MakeFolder(Source() + "/driversupport");
        MakeFolder(Source() + "/Driver");
        MakeFolder(App());
        for (auto& [name, bytes] : support) WriteBytes(Source() + "/driversupport/" + name, bytes);
        for (auto& [name, bytes] : driver) WriteBytes(Source() + "/Driver/" + name, bytes);
    }
};

std::string IncompleteText(int count) {
    char text[sizeof(TW_TEXT_INSTALL_INCOMPLETE) + 16];
    std::snprintf(text, sizeof(text), TW_TEXT_INSTALL_INCOMPLETE, count);
    return text;
}

}  // namespace

TEST(FaultRuns, EachFaultIsCountedAndLeavesNoHalfFile) {
    struct Case {
        const char* what;
        Fault fault;
        const char* target;  // destination file name under Driver/
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
        {"destination held open", Fault::destinationLocked, "Driver\\b.DLL", {"Driver\\b.DLL"}, 1},
        {"registration tool cannot start",
         Fault::toolStartFails,
         "",
         {"Driver\\a.dll", "Driver\\b.DLL"},
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Package package;
        const std::string driverFolder = package.App() + "/Driver/";
        std::unique_ptr<CFile> holder;
        if (c.fault == Fault::destinationLocked) {
            MakeFolder(driverFolder);
            WriteBytes(driverFolder + "b.DLL", "old bytes");
            holder = std::make_unique<CFile>((driverFolder + "b.DLL").c_str(),
                                             CFile::modeReadWrite | CFile::shareExclusive);
        }

        FaultySystem system(c.fault, c.target);
        InstallSummary summary = InstallDriverFiles(package.Source().c_str(), package.App().c_str(), system);
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

        for (auto& [name, bytes] : package.driver) {
            std::string installed = driverFolder + name;
            if (std::string("Driver\\") + name != c.target) {
                EXPECT_EQ(ReadBytes(installed), bytes) << name;
            } else if (c.fault == Fault::destinationLocked) {
                EXPECT_EQ(ReadBytes(installed), "old bytes") << "a locked file is left as it was";
            } else {
                EXPECT_FALSE(PathExists(installed)) << "a half-written " << name << " stayed";
            }
        }
        for (auto& [name, bytes] : package.support) {
            EXPECT_EQ(ReadBytes(package.App() + "/" + name), bytes) << name;
            EXPECT_EQ(ReadBytes(driverFolder + name), bytes) << name;
        }
    }
}
