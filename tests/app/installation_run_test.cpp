// The silent run on the recording system: what each directory, record and
// installation outcome does, in which order, and what the log and the exit code say.
#include "app/installation_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "config/config_record.h"
#include "config/record_snapshot.h"
#include "appdir/full_path.h"
#include "tests/app/fake_run_windows.h"
#include "tests/app/run_surroundings.h"
#include "tests/install/recording_system.h"
#include "tests/temp_folder.h"

namespace {

// The full-path rule against the package folder, as the program's run has it.
const tw::FullPathFunction kFullPath = [](const char* text) -> std::optional<std::string> {
    return tw::FullPathFrom(text, "C:\\pkg");
};

// Identities are tested with the decision; here none can be read.
const tw::FolderIdentityLookup kNoIdentities = [](const char*) {
    return std::optional<tw::FolderIdentity>();
};
// The package's Driver\ is also drive P: (a substituted drive).
const tw::FolderIdentityLookup kDriverFolderAsDriveP =
    [](const char* path) -> std::optional<tw::FolderIdentity> {
    std::string folder = path;
    if (folder == "C:\\pkg\\Driver" || folder == "P:\\") return tw::FolderIdentity{7, 42};
    return std::nullopt;
};

using namespace run_tests;

struct Case {
    const char* name;
    const char* directorySwitch;  // the value of /D=; null: no /D=
    bool recordFolderExists;
    int exitCode;
    Lines asked;         // the folder tests made, in order
    std::string record;  // the text recorded; nothing when no record is written
    Lines log;           // {record} stands for the record's path
};

void Package(RecordingSystem& s) {
    s.SetListing(kSupport, {FileEntry("regsvr32.exe"), FileEntry("a.txt")});
    s.SetListing(kDriver, {FileEntry("b.dll")});
}

const Case kCases[] = {
    {"proposed directory, all installed",
     nullptr,
     true,
     0,
     {"C:\\Varnelquist"},
     "C:\\Varnelquist",
     {"directory: C:\\Varnelquist (proposed)", "directory accepted: C:\\Varnelquist\\",
      "record: {record} written",
      "copy: C:\\pkg\\driversupport\\regsvr32.exe -> C:\\Varnelquist\\regsvr32.exe: ok",
      "copy: C:\\pkg\\driversupport\\regsvr32.exe -> C:\\Varnelquist\\Driver\\regsvr32.exe: ok",
      "copy: C:\\pkg\\driversupport\\a.txt -> C:\\Varnelquist\\a.txt: ok",
      "copy: C:\\pkg\\driversupport\\a.txt -> C:\\Varnelquist\\Driver\\a.txt: ok",
      "copy: C:\\pkg\\Driver\\b.dll -> C:\\Varnelquist\\Driver\\b.dll: ok",
      "registration: \"C:\\Varnelquist\\regsvr32.exe\" /s C:\\Varnelquist\\Driver\\b.dll: exit "
      "code 0",
      "summary: files copied 5, not installed 0, registrations 1",
      // 祝贺驱动程序安装完毕!
      "result: \xE7\xA5\x9D\xE8\xB4\xBA\xE9\xA9\xB1\xE5\x8A\xA8\xE7\xA8\x8B\xE5\xBA\x8F\xE5\xAE"
      "\x89\xE8\xA3\x85\xE5\xAE\x8C\xE6\xAF\x95!",
      "exit code: 0"}},
    {"missing folder: nothing written, nothing installed",
     "D:\\Missing",
     true,
     1603,
     {"D:\\Missing"},
     "",
     {"directory: D:\\Missing (from /D=)", "directory refused: not an existing folder",
      "exit code: 1603"}},
    {"relative directory: made whole against the package folder, which it may not be",
     "Driver",
     true,
     1603,
     {"C:\\pkg\\Driver"},
     "",
     {"directory: Driver (from /D=)", "directory refused: the folder of the driver files",
      "exit code: 1603"}},
    {"a link: nothing written, nothing installed",
     "D:\\Linked",
     true,
     1603,
     {"D:\\Linked"},
     "",
     {"directory: D:\\Linked (from /D=)",
      "directory refused: a junction, symbolic link or other reparse point", "exit code: 1603"}},
    {"the package's Driver folder under another drive letter",
     "P:\\apps",
     true,
     1603,
     {"P:\\apps"},
     "",
     {"directory: P:\\apps (from /D=)", "directory refused: the folder of the driver files",
      "exit code: 1603"}},
    {"relative directory elsewhere in the package folder: recorded and used whole",
     "..\\pkg\\My Apps\\",
     true,
     0,
     {"C:\\pkg\\My Apps"},
     "C:\\pkg\\My Apps",
     {"directory: ..\\pkg\\My Apps\\ (from /D=)", "directory accepted: C:\\pkg\\My Apps\\",
      "record: {record} written",
      "copy: C:\\pkg\\driversupport\\regsvr32.exe -> C:\\pkg\\My Apps\\regsvr32.exe: ok",
      "copy: C:\\pkg\\driversupport\\regsvr32.exe -> C:\\pkg\\My "
      "Apps\\Driver\\regsvr32.exe: ok",
      "copy: C:\\pkg\\driversupport\\a.txt -> C:\\pkg\\My Apps\\a.txt: ok",
      "copy: C:\\pkg\\driversupport\\a.txt -> C:\\pkg\\My Apps\\Driver\\a.txt: ok",
      "copy: C:\\pkg\\Driver\\b.dll -> C:\\pkg\\My Apps\\Driver\\b.dll: ok",
      "registration: \"C:\\pkg\\My Apps\\regsvr32.exe\" /s \"C:\\pkg\\My "
      "Apps\\Driver\\b.dll\": exit code 0",
      "summary: files copied 5, not installed 0, registrations 1",
      "result: \xE7\xA5\x9D\xE8\xB4\xBA\xE9\xA9\xB1\xE5\x8A\xA8\xE7\xA8\x8B\xE5\xBA\x8F\xE5\xAE"
      "\x89\xE8\xA3\x85\xE5\xAE\x8C\xE6\xAF\x95!",
      "exit code: 0"}},
    {"/D= given empty: refused before anything is asked or written",
     "",
     true,
     1603,
     {},
     "",
     {"directory refused: /D= is empty", "exit code: 1603"}},
    {"trailing dots and blanks: the folder Windows opens is recorded and used",
     "D:\\My Apps. \\",
     true,
     0,
     {"D:\\My Apps"},
     "D:\\My Apps",
     {"directory: D:\\My Apps. \\ (from /D=)", "directory accepted: D:\\My Apps\\",
      "record: {record} written",
      "copy: C:\\pkg\\driversupport\\regsvr32.exe -> D:\\My Apps\\regsvr32.exe: ok",
      "copy: C:\\pkg\\driversupport\\regsvr32.exe -> D:\\My Apps\\Driver\\regsvr32.exe: ok",
      "copy: C:\\pkg\\driversupport\\a.txt -> D:\\My Apps\\a.txt: ok",
      "copy: C:\\pkg\\driversupport\\a.txt -> D:\\My Apps\\Driver\\a.txt: ok",
      "copy: C:\\pkg\\Driver\\b.dll -> D:\\My Apps\\Driver\\b.dll: ok",
      "registration: \"D:\\My Apps\\regsvr32.exe\" /s \"D:\\My Apps\\Driver\\b.dll\": exit "
      "code 0",
      "summary: files copied 5, not installed 0, registrations 1",
      "result: \xE7\xA5\x9D\xE8\xB4\xBA\xE9\xA9\xB1\xE5\x8A\xA8\xE7\xA8\x8B\xE5\xBA\x8F\xE5\xAE"
      "\x89\xE8\xA3\x85\xE5\xAE\x8C\xE6\xAF\x95!",
      "exit code: 0"}},
    {"a line break in /D= cannot forge a line of the log",
     "D:\\x\r\nexit code: 0",
     true,
     1603,
     {"D:\\x\r\nexit code: 0"},
     "",
     {"directory: D:\\x\\x0D\\x0Aexit code: 0 (from /D=)",
      "directory refused: not an existing folder", "exit code: 1603"}},
    {"record not written: nothing installed",
     "D:\\My Apps",
     false,
     1603,
     {"D:\\My Apps"},
     "",
     {"directory: D:\\My Apps (from /D=)", "directory accepted: D:\\My Apps\\",
      // {record} 中包含无效的路径。 (system error 3): a missing folder on the way
      "record: {record} not written: {record} \xE4\xB8\xAD\xE5\x8C\x85\xE5\x90\xAB\xE6\x97"
      "\xA0\xE6\x95\x88\xE7\x9A\x84\xE8\xB7\xAF\xE5\xBE\x84\xE3\x80\x82 (system error 3)",
      "exit code: 1603"}},
};

TEST(SilentRun, DecidesRecordsInstallsAndLogs) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        TempFolder folder;
        const std::string recordPath =
            c.recordFolderExists ? folder / "ZAVIDAR.CFG" : (folder / "gone") + "/ZAVIDAR.CFG";
        const std::string logPath = folder / "run.log";
        RecordingSystem system;
        Package(system);
        Lines asked;
        const std::map<std::string, std::uint32_t> entries = {
            {"C:\\Varnelquist", 0x10},  {"D:\\My Apps", 0x10}, {"C:\\pkg\\Driver", 0x10},
            {"C:\\pkg\\My Apps", 0x10}, {"D:\\Linked", 0x410}, {"P:\\apps", 0x10}};
        const tw::RunSystem platform =
            InstallationSystem({"C:\\pkg", recordPath.c_str(),
                                [&](const char* path) -> std::optional<std::uint32_t> {
                                    asked.push_back(path);
                                    auto entry = entries.find(path);
                                    if (entry == entries.end()) return std::nullopt;
                                    return entry->second;
                                },
                                kFullPath, kDriverFolderAsDriveP},
                               system);
        tw::InstallerSwitches switches{true, c.directorySwitch ? c.directorySwitch : "", logPath,
                                       c.directorySwitch != nullptr};
        int exitCode;
        {
            tw::InstallLog log(logPath);
            exitCode = Code(tw::RunSilently(switches, platform, log));
        }

        EXPECT_EQ(exitCode, c.exitCode);
        EXPECT_EQ(asked, c.asked);
        if (c.record.empty()) {
            EXPECT_FALSE(PathExists(recordPath));
            EXPECT_TRUE(system.Calls().empty());
        } else {
            tw::ConfigRecord record = tw::BuildConfigRecord(c.record);
            EXPECT_EQ(ReadBytes(recordPath), std::string(record.begin(), record.end()));
        }
        Lines expected;
        for (std::string line : c.log) {
            for (std::size_t at; (at = line.find("{record}")) != std::string::npos;)
                line.replace(at, 8, recordPath);
            expected.push_back(line);
        }
        EXPECT_EQ(LogLines(logPath), expected);
    }
}

// What the engine reports decides the code; the registration starts count too.
TEST(SilentRun, AnIncompleteInstallationFails) {
    const std::function<void(RecordingSystem&)> outcomes[] = {
        [](RecordingSystem& s) {
            Package(s);
            s.FailCopyTo("C:\\Varnelquist\\Driver\\a.txt");
        },
        [](RecordingSystem& s) {
            Package(s);
            s.FailToolStarts();
        },
        [](RecordingSystem&) {},  // nothing found
    };
    for (const auto& setup : outcomes) {
        TempFolder folder;
        const std::string recordPath = folder / "ZAVIDAR.CFG";
        RecordingSystem system;
        setup(system);
        const tw::RunSystem platform =
            InstallationSystem({"C:\\pkg", recordPath.c_str(),
                                [](const char*) { return std::optional<std::uint32_t>(0x10); },
                                kFullPath, kNoIdentities},
                               system);
        tw::InstallLog log("");
        EXPECT_EQ(Code(tw::RunSilently({true, "", "", false}, platform, log)), 1603);
        EXPECT_TRUE(PathExists(recordPath));
    }
}

// A file in use: the run is complete and ends with 3010; the log says what waits
// for the restart (a file replaced then, a DLL registered then, a file set aside
// deleted then), and the result that the installation is complete once Windows
// restarts.
TEST(SilentRun, AFileInUseEndsWith3010AndSaysWhatWaits) {
    const std::string kDll = "C:\\Varnelquist\\Driver\\b.dll";
    const std::string kRegistration =
        "registration: \"C:\\Varnelquist\\regsvr32.exe\" /s C:\\Varnelquist\\Driver\\b.dll: ";
    // 驱动程序将在 Windows 重新启动后安装完毕!
    const std::string kResult =
        "result: \xE9\xA9\xB1\xE5\x8A\xA8\xE7\xA8\x8B\xE5\xBA\x8F\xE5\xB0\x86\xE5\x9C\xA8 "
        "Windows \xE9\x87\x8D\xE6\x96\xB0\xE5\x90\xAF\xE5\x8A\xA8\xE5\x90\x8E\xE5\xAE\x89\xE8"
        "\xA3\x85\xE5\xAE\x8C\xE6\xAF\x95!";
    struct InUseCase {
        const char* name;
        std::function<void(RecordingSystem&)> inUse;
        Lines after;  // the log after the last copy
    };
    const InUseCase cases[] = {
        {"a DLL held without sharing",
         [&](RecordingSystem& s) { s.SetHeld(kDll); },
         {"replaced at the next restart: " + kDll,
          kRegistration + "at the next restart (once its DLL is in place)",
          "summary: files copied 5, not installed 0, registrations 1", kResult, "exit code: 3010"}},
        {"a loaded DLL",
         [&](RecordingSystem& s) { s.SetLoaded(kDll); },
         {"in use: " + kDll + ".old deleted at the next restart", kRegistration + "exit code 0",
          "summary: files copied 5, not installed 0, registrations 1", kResult, "exit code: 3010"}},
        {"a text held without sharing",
         [](RecordingSystem& s) { s.SetHeld("C:\\Varnelquist\\a.txt"); },
         {"replaced at the next restart: C:\\Varnelquist\\a.txt", kRegistration + "exit code 0",
          "summary: files copied 5, not installed 0, registrations 1", kResult, "exit code: 3010"}},
    };
    for (const InUseCase& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder folder;
        const std::string recordPath = folder / "ZAVIDAR.CFG";
        const std::string logPath = folder / "run.log";
        RecordingSystem system;
        Package(system);
        c.inUse(system);
        const tw::RunSystem platform =
            InstallationSystem({"C:\\pkg", recordPath.c_str(),
                                [](const char*) { return std::optional<std::uint32_t>(0x10); },
                                kFullPath, kNoIdentities},
                               system);
        {
            tw::InstallLog log(logPath);
            EXPECT_EQ(Code(tw::RunSilently({true, "", logPath, false}, platform, log)), 3010);
        }
        const Lines lines = LogLines(logPath);
        auto lastCopy = std::find(lines.begin(), lines.end(),
                                  "copy: C:\\pkg\\Driver\\b.dll -> " + kDll + ": ok");
        ASSERT_NE(lastCopy, lines.end());
        EXPECT_EQ(Lines(lastCopy + 1, lines.end()), c.after);
    }
}

// A run undone gives the record back exactly what it held before (or removes it
// when there was none), logs that nothing changed and ends with 1603.
TEST(SilentRun, AnUndoneRunGivesTheRecordBack) {
    const tw::ConfigRecord other = tw::BuildConfigRecord("E:\\Elsewhere");
    const std::optional<std::string> befores[] = {
        std::nullopt,                                           // no record
        std::string(other.begin(), other.end()),                // another directory's
        std::string(other.begin(), other.end()) + "tail kept",  // longer: the tail stays
        std::string("short"),                                   // shorter than a record
    };
    for (const std::optional<std::string>& before : befores) {
        SCOPED_TRACE(before ? before->size() : 0);
        TempFolder folder;
        const std::string recordPath = folder / "ZAVIDAR.CFG";
        const std::string logPath = folder / "run.log";
        if (before) WriteBytes(recordPath, *before);
        RecordingSystem system;
        Package(system);
        system.FailCopyTo("C:\\Varnelquist\\Driver\\b.dll");
        tw::RecordSnapshot snapshot;
        tw::RunSystem platform = InstallationSystem(
            {"C:\\pkg", recordPath.c_str(),
             [](const char*) { return std::optional<std::uint32_t>(0x10); }, kFullPath,
             kNoIdentities, nullptr,
             [&](tw::InstallLog&) { snapshot = tw::ReadRecordSnapshot(recordPath.c_str()); }},
            system);
        platform.recordBefore = &snapshot;
        {
            tw::InstallLog log(logPath);
            EXPECT_EQ(Code(tw::RunSilently({true, "", "", false}, platform, log)), 1603);
        }
        if (before)
            EXPECT_EQ(ReadBytes(recordPath), *before);
        else
            EXPECT_FALSE(PathExists(recordPath));
        const Lines lines = LogLines(logPath);
        auto restored =
            std::find(lines.begin(), lines.end(), "record: " + recordPath + " restored");
        ASSERT_NE(restored, lines.end());
        // The result runs over three lines: the words, an empty line, the file.
        EXPECT_EQ(Lines(restored, lines.end()),
                  (Lines{"record: " + recordPath + " restored",
                         "summary: files copied 0, not installed 1, registrations 0",
                         "not installed: Driver\\b.dll", "installation undone: nothing changed",
                         // 驱动程序安装失败，有 1 个文件未能安装，没有做任何更改!
                         "result: "
                         "\xE9\xA9\xB1\xE5\x8A\xA8\xE7\xA8\x8B\xE5\xBA\x8F\xE5\xAE\x89\xE8\xA3\x85"
                         "\xE5\xA4\xB1\xE8\xB4\xA5\xEF\xBC\x8C\xE6\x9C\x89 1 "
                         "\xE4\xB8\xAA\xE6\x96\x87\xE4\xBB\xB6\xE6\x9C\xAA\xE8\x83\xBD\xE5\xAE\x89"
                         "\xE8\xA3\x85\xEF\xBC\x8C\xE6\xB2\xA1\xE6\x9C\x89\xE5\x81\x9A\xE4\xBB\xBB"
                         "\xE4\xBD\x95\xE6\x9B\xB4\xE6\x94\xB9!",
                         "", "Driver\\b.dll", "exit code: 1603"}));
    }
}

// With the windows' progress the two folders are listed once more before the
// installation, which then runs and is logged exactly as without it; the progress
// opens once, under the installation's own caption.
TEST(InstallAndLog, WithProgressListsThePackageFirstAndInstallsAsWithout) {
    struct Shown : tw::ProgressObserver {
        explicit Shown(Lines& steps) : m_steps(steps) {}
        void Show(tw::ProgressStep, const std::string& file, int position) override {
            m_steps.push_back(file + " @" + std::to_string(position));
        }
        Lines& m_steps;
    };
    Lines logs[2], work[2];
    Lines steps;
    FakeRunWindows windows;
    windows.progress = [&] { return std::make_unique<Shown>(steps); };
    for (int observed = 0; observed < 2; ++observed) {
        TempFolder folder;
        const std::string logPath = folder / "install.log";
        RecordingSystem system;
        Package(system);
        const tw::RunSystem platform =
            InstallationSystem({"C:\\pkg", "", nullptr, kFullPath, kNoIdentities}, system);
        {
            tw::InstallLog log(logPath);
            tw::InstallResult result =
                tw::InstallAndLog(platform, "C:\\App\\", log, observed ? &windows : nullptr);
            EXPECT_EQ(Code(result.exitCode), 0);
        }
        logs[observed] = LogLines(logPath);
        work[observed] = system.Work();
    }
    EXPECT_EQ(logs[1], logs[0]);
    Lines planned{std::string("find ") + kSupport, std::string("find ") + kDriver};
    planned.insert(planned.end(), work[0].begin(), work[0].end());
    EXPECT_EQ(work[1], planned);
    EXPECT_EQ(steps,
              (Lines{"driversupport\\regsvr32.exe @0", "driversupport\\regsvr32.exe @166",
                     "driversupport\\a.txt @333", "driversupport\\a.txt @500", "Driver\\b.dll @666",
                     "Driver\\b.dll @833", "Driver\\b.dll @833", "Driver\\b.dll @1000"}));
    EXPECT_EQ(windows.captions, Lines{""});
    EXPECT_TRUE(windows.journal.empty()) << "no box: the run shows the message";
}

}  // namespace
