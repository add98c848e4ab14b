// The passes on the recording system: what is created, searched, copied where and
// in which order, which tool command lines are started and waited for, and what
// the summary counts. The one-millisecond pauses are left out of these, except
// where their placement is the point.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "install/engine.h"
#include "tests/install/recording_system.h"

namespace {

using Calls = std::vector<std::string>;
using Setup = std::function<void(RecordingSystem&)>;

constexpr const char* kSupport = "C:\\pkg\\driversupport\\*.*";
constexpr const char* kDriver = "C:\\pkg\\Driver\\*.*";

// The package's registration tool, without which no DLL is registered.
const DirectoryEntry kTool = FileEntry("regsvr32.exe");

std::vector<DirectoryEntry> WithDots(std::vector<DirectoryEntry> entries) {
    entries.insert(entries.begin(), {FolderEntry("."), FolderEntry("..")});
    return entries;
}

// A registration record on one line: package name | tool | parameters | outcome.
std::vector<std::string> Described(const std::vector<Registration>& registrations) {
    std::vector<std::string> lines;
    for (const Registration& r : registrations) {
        std::string outcome = r.outcome == RegistrationOutcome::exited
                                  ? "exit " + std::to_string(r.exitCode)
                              : r.outcome == RegistrationOutcome::stillRunning ? "still running"
                                                                               : "not started";
        lines.push_back(r.dll + " | " + r.toolPath + " | " + r.parameters + " | " + outcome);
    }
    return lines;
}

// The work without its pauses.
Calls WithoutPauses(const Calls& calls) {
    Calls kept;
    std::copy_if(calls.begin(), calls.end(), std::back_inserter(kept),
                 [](const std::string& call) { return call != "sleep"; });
    return kept;
}

struct Expected {
    int filesCopied;
    std::vector<std::string> failedFiles;
};

struct Case {
    const char* name;
    const char* sourceRoot;
    const char* appDir;
    Setup setup;
    Calls work;
    Expected summary;
};

void Check(const Case& c) {
    SCOPED_TRACE(c.name);
    RecordingSystem system;
    c.setup(system);
    InstallSummary summary = InstallDriverFiles(c.sourceRoot, c.appDir, system);
    EXPECT_EQ(WithoutPauses(system.Work()), c.work);
    EXPECT_EQ(summary.filesCopied, c.summary.filesCopied);
    EXPECT_EQ(summary.failedFiles, c.summary.failedFiles);
    EXPECT_EQ(summary.FailureCount(), static_cast<int>(c.summary.failedFiles.size()));
}

const Case kLayoutCases[] = {
    {"both source folders missing: Driver\\ is still created",
     "C:\\pkg",
     "C:\\App\\",
     [](RecordingSystem&) {},
     {"mkdir C:\\App\\Driver\\", std::string("find ") + kSupport, std::string("find ") + kDriver},
     {0, {}}},

    {"dots and subfolders skipped",
     "C:\\pkg",
     "C:\\App\\",
     [](RecordingSystem& s) {
         s.SetListing(kSupport, WithDots({kTool, FolderEntry("sub"), FileEntry("a.txt")}));
         s.SetListing(kDriver, WithDots({FileEntry("b.dll"), FolderEntry("inner")}));
     },
     {"mkdir C:\\App\\Driver\\", std::string("find ") + kSupport,
      "copy C:\\pkg\\driversupport\\regsvr32.exe > C:\\App\\regsvr32.exe",
      "copy C:\\pkg\\driversupport\\regsvr32.exe > C:\\App\\Driver\\regsvr32.exe",
      "copy C:\\pkg\\driversupport\\a.txt > C:\\App\\a.txt",
      "copy C:\\pkg\\driversupport\\a.txt > C:\\App\\Driver\\a.txt", std::string("find ") + kDriver,
      "copy C:\\pkg\\Driver\\b.dll > C:\\App\\Driver\\b.dll",
      "start C:\\App\\regsvr32.exe | /s C:\\App\\Driver\\b.dll | C:\\App\\",
      "wait 1 tools, 300000 ms"},
     {5, {}}},

    {"folders with further bits are skipped; hidden, system and read-only files are copied",
     "C:\\pkg",
     "C:\\App\\",
     [](RecordingSystem& s) {
         s.SetListing(kSupport, {kTool, FolderEntry("ro", 0x11), FolderEntry("arch", 0x30),
                                 FileEntry("h.sys", 0x26), FileEntry("ro.txt", 0x21)});
         s.SetListing(kDriver, {FolderEntry("hid", 0x12), FileEntry("h.dll", 0x22)});
     },
     {"mkdir C:\\App\\Driver\\", std::string("find ") + kSupport,
      "copy C:\\pkg\\driversupport\\regsvr32.exe > C:\\App\\regsvr32.exe",
      "copy C:\\pkg\\driversupport\\regsvr32.exe > C:\\App\\Driver\\regsvr32.exe",
      "copy C:\\pkg\\driversupport\\h.sys > C:\\App\\h.sys",
      "copy C:\\pkg\\driversupport\\h.sys > C:\\App\\Driver\\h.sys",
      "copy C:\\pkg\\driversupport\\ro.txt > C:\\App\\ro.txt",
      "copy C:\\pkg\\driversupport\\ro.txt > C:\\App\\Driver\\ro.txt",
      std::string("find ") + kDriver, "copy C:\\pkg\\Driver\\h.dll > C:\\App\\Driver\\h.dll",
      "start C:\\App\\regsvr32.exe | /s C:\\App\\Driver\\h.dll | C:\\App\\",
      "wait 1 tools, 300000 ms"},
     {7, {}}},

    {"a DLL in driversupport\\ is copied twice and never registered; a shared name ends with "
     "the driver pass's copy",
     "C:\\pkg",
     "C:\\App\\",
     [](RecordingSystem& s) {
         s.SetListing(kSupport, {kTool, FileEntry("s.dll"), FileEntry("both.dll")});
         s.SetListing(kDriver, {FileEntry("both.dll")});
     },
     {"mkdir C:\\App\\Driver\\", std::string("find ") + kSupport,
      "copy C:\\pkg\\driversupport\\regsvr32.exe > C:\\App\\regsvr32.exe",
      "copy C:\\pkg\\driversupport\\regsvr32.exe > C:\\App\\Driver\\regsvr32.exe",
      "copy C:\\pkg\\driversupport\\s.dll > C:\\App\\s.dll",
      "copy C:\\pkg\\driversupport\\s.dll > C:\\App\\Driver\\s.dll",
      "copy C:\\pkg\\driversupport\\both.dll > C:\\App\\both.dll",
      "copy C:\\pkg\\driversupport\\both.dll > C:\\App\\Driver\\both.dll",
      std::string("find ") + kDriver, "copy C:\\pkg\\Driver\\both.dll > C:\\App\\Driver\\both.dll",
      "start C:\\App\\regsvr32.exe | /s C:\\App\\Driver\\both.dll | C:\\App\\",
      "wait 1 tools, 300000 ms"},
     {7, {}}},

    {"names ending in .dll in any case are registered; .dll.bak is not, nor is a file under a "
     "folder named tools.dll",
     "C:\\pkg",
     "C:\\tools.dll\\",
     [](RecordingSystem& s) {
         s.SetListing(kSupport, {kTool});
         s.SetListing(kDriver, {FileEntry("X.DLL"), FileEntry("y.Dll"), FileEntry("x.dll.bak"),
                                FileEntry("notes.txt")});
     },
     {"mkdir C:\\tools.dll\\Driver\\", std::string("find ") + kSupport,
      "copy C:\\pkg\\driversupport\\regsvr32.exe > C:\\tools.dll\\regsvr32.exe",
      "copy C:\\pkg\\driversupport\\regsvr32.exe > C:\\tools.dll\\Driver\\regsvr32.exe",
      std::string("find ") + kDriver, "copy C:\\pkg\\Driver\\X.DLL > C:\\tools.dll\\Driver\\X.DLL",
      "copy C:\\pkg\\Driver\\y.Dll > C:\\tools.dll\\Driver\\y.Dll",
      "copy C:\\pkg\\Driver\\x.dll.bak > C:\\tools.dll\\Driver\\x.dll.bak",
      "copy C:\\pkg\\Driver\\notes.txt > C:\\tools.dll\\Driver\\notes.txt",
      "start C:\\tools.dll\\regsvr32.exe | /s C:\\tools.dll\\Driver\\X.DLL | C:\\tools.dll\\",
      "start C:\\tools.dll\\regsvr32.exe | /s C:\\tools.dll\\Driver\\y.Dll | C:\\tools.dll\\",
      "wait 2 tools, 300000 ms"},
     {6, {}}},

    {"a DLL path with a blank is quoted; the tool and its folder are not",
     "C:\\pkg",
     "C:\\Program Files\\App\\",
     [](RecordingSystem& s) {
         s.SetListing(kSupport, {kTool});
         s.SetListing(kDriver, {FileEntry("a.dll")});
     },
     {"mkdir C:\\Program Files\\App\\Driver\\", std::string("find ") + kSupport,
      "copy C:\\pkg\\driversupport\\regsvr32.exe > C:\\Program Files\\App\\regsvr32.exe",
      "copy C:\\pkg\\driversupport\\regsvr32.exe > C:\\Program Files\\App\\Driver\\regsvr32.exe",
      std::string("find ") + kDriver,
      "copy C:\\pkg\\Driver\\a.dll > C:\\Program Files\\App\\Driver\\a.dll",
      "start C:\\Program Files\\App\\regsvr32.exe | /s \"C:\\Program Files\\App\\Driver\\a.dll\" | "
      "C:\\Program Files\\App\\",
      "wait 1 tools, 300000 ms"},
     {3, {}}},

    {"a DLL named with a tab or a quote is copied, never started, and counts as a failure",
     "C:\\pkg",
     "C:\\App\\",
     [](RecordingSystem& s) {
         s.SetListing(kDriver, {FileEntry("t\t.dll"), FileEntry("q\".dll")});
     },
     {"mkdir C:\\App\\Driver\\", std::string("find ") + kSupport, std::string("find ") + kDriver,
      "copy C:\\pkg\\Driver\\t\t.dll > C:\\App\\Driver\\t\t.dll",
      "copy C:\\pkg\\Driver\\q\".dll > C:\\App\\Driver\\q\".dll"},
     {2, {"Driver\\t\t.dll", "Driver\\q\".dll"}}},

    {"a source at a drive root keeps its single separator",
     "X:\\",
     "C:\\App\\",
     [](RecordingSystem& s) {
         s.SetListing("X:\\driversupport\\*.*", {kTool});
         s.SetListing("X:\\Driver\\*.*", {FileEntry("a.dll")});
     },
     {"mkdir C:\\App\\Driver\\", "find X:\\driversupport\\*.*",
      "copy X:\\driversupport\\regsvr32.exe > C:\\App\\regsvr32.exe",
      "copy X:\\driversupport\\regsvr32.exe > C:\\App\\Driver\\regsvr32.exe",
      "find X:\\Driver\\*.*", "copy X:\\Driver\\a.dll > C:\\App\\Driver\\a.dll",
      "start C:\\App\\regsvr32.exe | /s C:\\App\\Driver\\a.dll | C:\\App\\",
      "wait 1 tools, 300000 ms"},
     {3, {}}},

    {"a separator is added after a trail byte 0x5C, and the application directory gets one too",
     "D:\\\xD5\x5C",
     "C:\\App",
     [](RecordingSystem&) {},
     {"mkdir C:\\App\\Driver\\", "find D:\\\xD5\x5C\\driversupport\\*.*",
      "find D:\\\xD5\x5C\\Driver\\*.*"},
     {0, {}}},

    {"source root and application directory the same folder: each driver copy fails on itself, "
     "and the run is undone",
     "C:\\App",
     "C:\\App\\",
     [](RecordingSystem& s) {
         s.SetListing("C:\\App\\driversupport\\*.*", {FileEntry("a.dll")});
         s.SetListing("C:\\App\\Driver\\*.*", WithDots({FileEntry("a.dll"), FileEntry("b.dll")}));
         for (const char* dll : {"C:\\App\\Driver\\a.dll", "C:\\App\\Driver\\b.dll"})
             s.FailCopy(dll, dll);
     },
     {"mkdir C:\\App\\Driver\\", "find C:\\App\\driversupport\\*.*",
      "copy C:\\App\\driversupport\\a.dll > C:\\App\\a.dll",
      "copy C:\\App\\driversupport\\a.dll > C:\\App\\Driver\\a.dll", "find C:\\App\\Driver\\*.*",
      "copy C:\\App\\Driver\\a.dll > C:\\App\\Driver\\a.dll",
      "copy C:\\App\\Driver\\b.dll > C:\\App\\Driver\\b.dll"},
     {0, {"Driver\\a.dll", "Driver\\b.dll"}}},

    {"the tool cannot start: each DLL counts; every file is copied all the same",
     "C:\\pkg",
     "C:\\App\\",
     [](RecordingSystem& s) {
         s.SetListing(kSupport, {kTool, FileEntry("a.txt")});
         s.SetListing(kDriver, {FileEntry("a.dll"), FileEntry("b.dll")});
         s.FailToolStarts();
     },
     {"mkdir C:\\App\\Driver\\", std::string("find ") + kSupport,
      "copy C:\\pkg\\driversupport\\regsvr32.exe > C:\\App\\regsvr32.exe",
      "copy C:\\pkg\\driversupport\\regsvr32.exe > C:\\App\\Driver\\regsvr32.exe",
      "copy C:\\pkg\\driversupport\\a.txt > C:\\App\\a.txt",
      "copy C:\\pkg\\driversupport\\a.txt > C:\\App\\Driver\\a.txt", std::string("find ") + kDriver,
      "copy C:\\pkg\\Driver\\a.dll > C:\\App\\Driver\\a.dll",
      "copy C:\\pkg\\Driver\\b.dll > C:\\App\\Driver\\b.dll",
      "start C:\\App\\regsvr32.exe | /s C:\\App\\Driver\\a.dll | C:\\App\\",
      "start C:\\App\\regsvr32.exe | /s C:\\App\\Driver\\b.dll | C:\\App\\"},
     {6, {"Driver\\a.dll", "Driver\\b.dll"}}},

    {"failed copies count once per source file, a support file with both copies failed too; the "
     "run is undone and no DLL registered",
     "C:\\pkg",
     "C:\\App\\",
     [](RecordingSystem& s) {
         s.SetListing(kSupport, {kTool, FileEntry("a.txt"), FileEntry("b.txt")});
         s.SetListing(kDriver, {FileEntry("a.dll"), FileEntry("b.dll")});
         s.FailCopyTo("C:\\App\\Driver\\a.txt");
         s.FailCopyTo("C:\\App\\b.txt");
         s.FailCopyTo("C:\\App\\Driver\\b.txt");
         s.FailCopyTo("C:\\App\\Driver\\a.dll");
     },
     {"mkdir C:\\App\\Driver\\", std::string("find ") + kSupport,
      "copy C:\\pkg\\driversupport\\regsvr32.exe > C:\\App\\regsvr32.exe",
      "copy C:\\pkg\\driversupport\\regsvr32.exe > C:\\App\\Driver\\regsvr32.exe",
      "copy C:\\pkg\\driversupport\\a.txt > C:\\App\\a.txt",
      "copy C:\\pkg\\driversupport\\a.txt > C:\\App\\Driver\\a.txt",
      "copy C:\\pkg\\driversupport\\b.txt > C:\\App\\b.txt",
      "copy C:\\pkg\\driversupport\\b.txt > C:\\App\\Driver\\b.txt", std::string("find ") + kDriver,
      "copy C:\\pkg\\Driver\\a.dll > C:\\App\\Driver\\a.dll",
      "copy C:\\pkg\\Driver\\b.dll > C:\\App\\Driver\\b.dll"},
     {0, {"driversupport\\a.txt", "driversupport\\b.txt", "Driver\\a.dll"}}},

    {"a listing that fails midway ends its pass there and counts; the other pass runs as usual, "
     "and the run is undone",
     "C:\\pkg",
     "C:\\App\\",
     [](RecordingSystem& s) {
         s.SetListing(kSupport, {FileEntry("a.txt"), FileEntry("b.txt"), FileEntry("c.txt")});
         s.FailListingAfter(kSupport, 1);
         s.SetListing(kDriver, {FileEntry("d.txt")});
     },
     {"mkdir C:\\App\\Driver\\", std::string("find ") + kSupport,
      "copy C:\\pkg\\driversupport\\a.txt > C:\\App\\a.txt",
      "copy C:\\pkg\\driversupport\\a.txt > C:\\App\\Driver\\a.txt", std::string("find ") + kDriver,
      "copy C:\\pkg\\Driver\\d.txt > C:\\App\\Driver\\d.txt"},
     {0, {"driversupport\\"}}},

    {"a folder that exists but cannot be listed (access denied) counts once",
     "C:\\pkg",
     "C:\\App\\",
     [](RecordingSystem& s) {
         s.SetListing(kDriver, {FileEntry("a.dll")});
         s.FailListingAfter(kDriver, 0);
     },
     {"mkdir C:\\App\\Driver\\", std::string("find ") + kSupport, std::string("find ") + kDriver},
     {0, {"Driver\\"}}},
};

}  // namespace

TEST(EngineOnFake, InstalledLayoutAndToolRequests) {
    for (const Case& c : kLayoutCases) Check(c);
}

namespace {

// One letter a call of the work: m mkdir, f find, c copy, s start, w wait, . pause.
std::string Shape(const Calls& work) {
    std::string shape;
    for (const std::string& call : work)
        shape += call == "sleep" ? '.' : call.rfind("wait", 0) == 0 ? 'w' : call[0];
    return shape;
}

struct PauseCase {
    const char* name;
    Setup setup;
    std::string shape;  // of the work
};

}  // namespace

// The support pass pauses once after each file's turn, the driver pass once before
// every entry, dots and folders included; a file whose copies fail or whose
// destination is refused still takes its pause, an entry never listed takes none.
TEST(EngineOnFake, PausesFollowEachSupportFileAndPrecedeEveryDriverEntry) {
    const PauseCase cases[] = {
        {"dots and subfolders",
         [](RecordingSystem& s) {
             s.SetListing(kSupport, WithDots({kTool, FolderEntry("sub"), FileEntry("a.txt")}));
             s.SetListing(kDriver, WithDots({FileEntry("b.dll"), FolderEntry("inner")}));
         },
         "mfcc.cc.f...c.sw"},
        {"failed copies",
         [](RecordingSystem& s) {
             s.SetListing(kSupport, {kTool, FileEntry("a.txt"), FileEntry("b.txt")});
             s.SetListing(kDriver, {FileEntry("a.dll"), FileEntry("b.dll")});
             s.FailCopyTo("C:\\App\\b.txt");
             s.FailCopyTo("C:\\App\\Driver\\b.txt");
             s.FailCopyTo("C:\\App\\Driver\\a.dll");
         },
         "mfcc.cc.cc.f.c.c"},
        {"the application directory a link",
         [](RecordingSystem& s) {
             s.SetListing(kSupport, {kTool, FileEntry("a.txt")});
             s.SetListing(kDriver, {FileEntry("a.dll"), FileEntry("b.dll")});
             s.RefuseFolder("C:\\App\\");
         },
         "f..f.."},
        {"a listing that fails after its first entry",
         [](RecordingSystem& s) {
             s.SetListing(kSupport, {FileEntry("a.txt"), FileEntry("b.txt"), FileEntry("c.txt")});
             s.FailListingAfter(kSupport, 1);
             s.SetListing(kDriver, {FileEntry("d.txt")});
         },
         "mfcc.f.c"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingSystem system;
        c.setup(system);
        InstallDriverFiles("C:\\pkg", "C:\\App\\", system);
        EXPECT_EQ(Shape(system.Work()), c.shape);
    }
}

namespace {

const Calls kToolCopied = {
    "copy C:\\pkg\\driversupport\\regsvr32.exe > C:\\App\\regsvr32.exe",
    "copy C:\\pkg\\driversupport\\regsvr32.exe > C:\\App\\Driver\\regsvr32.exe"};

Calls Joined(std::initializer_list<Calls> parts) {
    Calls all;
    for (const Calls& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

const Calls kStart = {"mkdir C:\\App\\Driver\\", std::string("find ") + kSupport};
const Calls kDriverPassOfTwoDlls = {std::string("find ") + kDriver,
                                    "copy C:\\pkg\\Driver\\a.dll > C:\\App\\Driver\\a.dll",
                                    "copy C:\\pkg\\Driver\\b.dll > C:\\App\\Driver\\b.dll"};
const std::vector<DirectoryEntry> kTwoDlls = {FileEntry("a.dll"), FileEntry("b.dll")};

// Only the tool and the DLLs that this run copied, still as the package has them,
// are started; links in place of the destination folders get nothing.
const Case kGuardCases[] = {
    {"no tool in the package: nothing is started, the DLLs and the tool count",
     "C:\\pkg",
     "C:\\App\\",
     [](RecordingSystem& s) { s.SetListing(kDriver, kTwoDlls); },
     Joined({kStart, kDriverPassOfTwoDlls}),
     {2, {"driversupport\\regsvr32.exe", "Driver\\a.dll", "Driver\\b.dll"}}},

    {"the tool's copy into A failed (a planted file that cannot be replaced): named once, and "
     "the run is undone",
     "C:\\pkg",
     "C:\\App\\",
     [](RecordingSystem& s) {
         s.SetListing(kSupport, {kTool});
         s.SetListing(kDriver, kTwoDlls);
         s.FailCopyTo("C:\\App\\regsvr32.exe");
     },
     Joined({kStart, kToolCopied, kDriverPassOfTwoDlls}),
     {0, {"driversupport\\regsvr32.exe"}}},

    {"the tool's copy into Driver\\ failed: the run is undone and nothing started",
     "C:\\pkg",
     "C:\\App\\",
     [](RecordingSystem& s) {
         s.SetListing(kSupport, {kTool});
         s.SetListing(kDriver, {FileEntry("a.dll")});
         s.FailCopyTo("C:\\App\\Driver\\regsvr32.exe");
     },
     Joined({kStart,
             kToolCopied,
             {std::string("find ") + kDriver,
              "copy C:\\pkg\\Driver\\a.dll > C:\\App\\Driver\\a.dll"}}),
     {0, {"driversupport\\regsvr32.exe"}}},

    {"the tool named in capitals is the same file on Windows, and is started",
     "C:\\pkg",
     "C:\\App\\",
     [](RecordingSystem& s) {
         s.SetListing(kSupport, {FileEntry("REGSVR32.EXE")});
         s.SetListing(kDriver, {FileEntry("a.dll")});
     },
     Joined(
         {kStart,
          {"copy C:\\pkg\\driversupport\\REGSVR32.EXE > C:\\App\\REGSVR32.EXE",
           "copy C:\\pkg\\driversupport\\REGSVR32.EXE > C:\\App\\Driver\\REGSVR32.EXE",
           std::string("find ") + kDriver, "copy C:\\pkg\\Driver\\a.dll > C:\\App\\Driver\\a.dll",
           "start C:\\App\\regsvr32.exe | /s C:\\App\\Driver\\a.dll | C:\\App\\",
           "wait 1 tools, 300000 ms"}}),
     {3, {}}},

    {"a later copy of the tool under another case failed: the run is undone",
     "C:\\pkg",
     "C:\\App\\",
     [](RecordingSystem& s) {
         s.SetListing(kSupport, {kTool, FileEntry("Regsvr32.exe")});
         s.SetListing(kDriver, {FileEntry("a.dll")});
         s.FailCopyTo("C:\\App\\Regsvr32.exe");
     },
     Joined({kStart,
             kToolCopied,
             {"copy C:\\pkg\\driversupport\\Regsvr32.exe > C:\\App\\Regsvr32.exe",
              "copy C:\\pkg\\driversupport\\Regsvr32.exe > C:\\App\\Driver\\Regsvr32.exe",
              std::string("find ") + kDriver,
              "copy C:\\pkg\\Driver\\a.dll > C:\\App\\Driver\\a.dll"}}),
     {0, {"driversupport\\Regsvr32.exe"}}},

    {"the tool no longer holds the package's bytes when held: nothing is started",
     "C:\\pkg",
     "C:\\App\\",
     [](RecordingSystem& s) {
         s.SetListing(kSupport, {kTool});
         s.SetListing(kDriver, kTwoDlls);
         s.RefuseCopy("C:\\App\\regsvr32.exe");
     },
     Joined({kStart, kToolCopied, kDriverPassOfTwoDlls}),
     {4, {"driversupport\\regsvr32.exe", "Driver\\a.dll", "Driver\\b.dll"}}},

    {"a DLL that no longer holds the package's bytes is not started and counts",
     "C:\\pkg",
     "C:\\App\\",
     [](RecordingSystem& s) {
         s.SetListing(kSupport, {kTool});
         s.SetListing(kDriver, kTwoDlls);
         s.RefuseCopy("C:\\App\\Driver\\a.dll");
     },
     Joined({kStart,
             kToolCopied,
             kDriverPassOfTwoDlls,
             {"start C:\\App\\regsvr32.exe | /s C:\\App\\Driver\\b.dll | C:\\App\\",
              "wait 1 tools, 300000 ms"}}),
     {4, {"Driver\\a.dll"}}},

    {"A a link: no folder is created and nothing copied; every file counts",
     "C:\\pkg",
     "C:\\App\\",
     [](RecordingSystem& s) {
         s.SetListing(kSupport, {kTool, FileEntry("a.txt")});
         s.SetListing(kDriver, kTwoDlls);
         s.RefuseFolder("C:\\App\\");
     },
     {std::string("find ") + kSupport, std::string("find ") + kDriver},
     {0,
      {"driversupport\\regsvr32.exe", "driversupport\\a.txt", "Driver\\a.dll", "Driver\\b.dll"}}},

    {"A\\Driver a link: only A gets its copies, then undone; every file counts",
     "C:\\pkg",
     "C:\\App\\",
     [](RecordingSystem& s) {
         s.SetListing(kSupport, {kTool, FileEntry("a.txt")});
         s.SetListing(kDriver, kTwoDlls);
         s.RefuseFolder("C:\\App\\Driver\\");
     },
     Joined(
         {kStart,
          {"copy C:\\pkg\\driversupport\\regsvr32.exe > C:\\App\\regsvr32.exe",
           "copy C:\\pkg\\driversupport\\a.txt > C:\\App\\a.txt", std::string("find ") + kDriver}}),
     {0,
      {"driversupport\\regsvr32.exe", "driversupport\\a.txt", "Driver\\a.dll", "Driver\\b.dll"}}},
};

}  // namespace

TEST(EngineOnFake, OnlyWhatThisRunCopiedIsStartedAndLinksGetNothing) {
    for (const Case& c : kGuardCases) Check(c);
}

// At most 64 tools run at once: a further start waits for one of them to end, at
// most until the bound has passed since the last start; a DLL that finds no slot
// by then is not started and counts. The wait for the end takes the tools that
// have not ended yet.
TEST(EngineOnFake, AtMost64ToolsRunAtOnce) {
    const struct {
        int dlls;
        bool toolsEnd;
        Calls waits;  // the waits, in order
        int started;
    } cases[] = {
        {64, true, {"wait 64 tools, 300000 ms"}, 64},
        {65, true, {"wait for one of 64 tools, 300000 ms", "wait 1 tools, 300000 ms"}, 65},
        {66,
         false,
         {"wait for one of 64 tools, 300000 ms", "wait for one of 64 tools, 300000 ms",
          "wait 64 tools, 300000 ms"},
         64},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.dlls);
        RecordingSystem system;
        system.SetListing(kSupport, {kTool});
        std::vector<DirectoryEntry> dlls;
        for (int i = 1; i <= c.dlls; ++i) {
            // Appended piece by piece: GCC 12 at -O2 misreads "d" + std::to_string(i).
            std::string name = "d";
            name += std::to_string(i);
            name += ".dll";
            dlls.push_back(FileEntry(name));
            if (!c.toolsEnd) system.SetToolOutcome("/s C:\\App\\Driver\\" + name, std::nullopt);
        }
        system.SetListing(kDriver, dlls);
        InstallSummary summary = InstallDriverFiles("C:\\pkg", "C:\\App\\", system);

        Calls waits;
        int starts = 0;
        std::size_t firstWait = 0;
        const Calls work = system.Work();
        for (std::size_t i = 0; i < work.size(); ++i) {
            if (work[i].rfind("wait", 0) == 0) waits.push_back(work[i]);
            if (work[i].rfind("wait for one", 0) == 0 && firstWait == 0) firstWait = i;
            if (work[i].rfind("start", 0) == 0) ++starts;
        }
        EXPECT_EQ(waits, c.waits);
        EXPECT_EQ(starts, c.started);
        if (firstWait != 0) {
            EXPECT_EQ(work[firstWait - 1],
                      "start C:\\App\\regsvr32.exe | /s C:\\App\\Driver\\d64.dll | C:\\App\\")
                << "the 65th waits for a slot after the 64th start";
        }
        EXPECT_EQ(summary.registrations.size(), static_cast<std::size_t>(c.dlls));
        EXPECT_EQ(summary.FailureCount(), c.toolsEnd ? 0 : c.dlls);
    }
}

// Both destination folders are held before anything is written into them; the
// tool is held and checked once, before its first start, and each DLL before its
// own; the registrations start once every file is in place.
TEST(EngineOnFake, HoldsComeBeforeWhatTheyGuardAndStartsAfterTheCommit) {
    RecordingSystem system;
    system.SetListing(kSupport, {kTool});
    system.SetListing(kDriver, {FileEntry("a.dll"), FileEntry("b.txt"), FileEntry("c.dll")});
    InstallDriverFiles("C:\\pkg", "C:\\App\\", system);
    Calls expected = {"hold folder C:\\App\\",
                      "mkdir C:\\App\\Driver\\",
                      "hold folder C:\\App\\Driver\\",
                      "secure folder C:\\App\\",
                      "secure folder C:\\App\\Driver\\",
                      std::string("find ") + kSupport,
                      "copy C:\\pkg\\driversupport\\regsvr32.exe > C:\\App\\regsvr32.exe",
                      "copy C:\\pkg\\driversupport\\regsvr32.exe > C:\\App\\Driver\\regsvr32.exe",
                      "next",
                      std::string("find ") + kDriver,
                      "copy C:\\pkg\\Driver\\a.dll > C:\\App\\Driver\\a.dll",
                      "next",
                      "copy C:\\pkg\\Driver\\b.txt > C:\\App\\Driver\\b.txt",
                      "next",
                      "copy C:\\pkg\\Driver\\c.dll > C:\\App\\Driver\\c.dll",
                      "next",
                      "put C:\\App\\regsvr32.exe.new > C:\\App\\regsvr32.exe",
                      "put C:\\App\\Driver\\regsvr32.exe.new > C:\\App\\Driver\\regsvr32.exe",
                      "put C:\\App\\Driver\\a.dll.new > C:\\App\\Driver\\a.dll",
                      "put C:\\App\\Driver\\b.txt.new > C:\\App\\Driver\\b.txt",
                      "put C:\\App\\Driver\\c.dll.new > C:\\App\\Driver\\c.dll",
                      "check files in C:\\App\\",
                      "check files in C:\\App\\Driver\\",
                      "hold C:\\App\\regsvr32.exe = C:\\pkg\\driversupport\\regsvr32.exe",
                      "hold C:\\App\\Driver\\a.dll = C:\\pkg\\Driver\\a.dll",
                      "start C:\\App\\regsvr32.exe | /s C:\\App\\Driver\\a.dll | C:\\App\\",
                      "hold C:\\App\\Driver\\c.dll = C:\\pkg\\Driver\\c.dll",
                      "start C:\\App\\regsvr32.exe | /s C:\\App\\Driver\\c.dll | C:\\App\\",
                      "wait 2 tools, 300000 ms"};
    EXPECT_EQ(WithoutPauses(system.Calls()), expected);
}

// Every tool is waited for after the driver pass, until it has ended or the bound
// has passed (the tool left running is waited for again, with what is left of the
// bound); only an exit code of 0 counts as registered, and each DLL that is not
// counts once among the failures.
TEST(EngineOnFake, RegistrationsAreJudgedByTheirExitCodes) {
    RecordingSystem system;
    system.SetListing(kSupport, {kTool});
    system.SetListing(kDriver, {FileEntry("ok.dll"), FileEntry("bad.dll"), FileEntry("hang.dll"),
                                FileEntry("x.txt")});
    system.SetToolOutcome("/s C:\\App\\Driver\\bad.dll", 1);
    system.SetToolOutcome("/s C:\\App\\Driver\\hang.dll", std::nullopt);
    InstallSummary summary = InstallDriverFiles("C:\\pkg", "C:\\App\\", system);

    Calls work = system.Work();
    Calls waits;
    std::copy_if(work.begin(), work.end(), std::back_inserter(waits),
                 [](const std::string& call) { return call.rfind("wait", 0) == 0; });
    const Calls finalWaits = {"wait 3 tools, 300000 ms", "wait 1 tools, 300000 ms"};
    EXPECT_EQ(waits, finalWaits);
    EXPECT_EQ(Calls(work.end() - 2, work.end()), finalWaits);
    EXPECT_EQ(Described(summary.registrations),
              (std::vector<std::string>{
                  "Driver\\ok.dll | C:\\App\\regsvr32.exe | /s C:\\App\\Driver\\ok.dll | exit 0",
                  "Driver\\bad.dll | C:\\App\\regsvr32.exe | /s C:\\App\\Driver\\bad.dll | exit 1",
                  "Driver\\hang.dll | C:\\App\\regsvr32.exe | /s C:\\App\\Driver\\hang.dll | still "
                  "running"}));
    EXPECT_EQ(summary.failedFiles,
              (std::vector<std::string>{"Driver\\bad.dll", "Driver\\hang.dll"}));
}

TEST(EngineOnFake, SummaryTellsWhenNothingWasFound) {
    RecordingSystem empty;
    empty.SetListing(kSupport, WithDots({FolderEntry("sub")}));
    empty.SetListing(kDriver, WithDots({}));
    InstallSummary nothing = InstallDriverFiles("C:\\pkg", "C:\\App\\", empty);
    EXPECT_TRUE(nothing.NothingFound());
    EXPECT_EQ(nothing.FailureCount(), 0);

    RecordingSystem failing;
    failing.SetListing(kDriver, {FileEntry("a.dll")});
    failing.FailCopyTo("C:\\App\\Driver\\a.dll");
    InstallSummary failed = InstallDriverFiles("C:\\pkg", "C:\\App\\", failing);
    EXPECT_FALSE(failed.NothingFound()) << "a file was found even though its copy failed";
    EXPECT_EQ(failed.FailureCount(), 1);

    RecordingSystem unreadable;
    unreadable.FailListingAfter(kSupport, 0);
    InstallSummary denied = InstallDriverFiles("C:\\pkg", "C:\\App\\", unreadable);
    EXPECT_FALSE(denied.NothingFound()) << "a folder that cannot be listed may hold files";
    EXPECT_EQ(denied.FailureCount(), 1);
}

namespace {

// A folder path of exactly length bytes on drive X:, ending in "\".
std::string FolderOfLength(std::size_t length) {
    return "X:\\" + std::string(length - 4, 'f') + "\\";
}

// A file name of exactly length bytes ending in extension.
std::string NameOfLength(std::size_t length, const std::string& extension = ".txt") {
    return std::string(length - extension.size(), 'n') + extension;
}

bool Recorded(const RecordingSystem& system, const std::string& call) {
    for (const std::string& c : system.Calls())
        if (c == call) return true;
    return false;
}

}  // namespace

// Paths hold at most 260 bytes: an entry whose source or destination would be
// longer is skipped whole and reported by name; its neighbours are staged, and the
// run is then undone.
TEST(EngineOnFake, PathsThatDoNotFitAreSkippedAndCounted) {
    const std::string app = FolderOfLength(20);
    const std::string fits = NameOfLength(233);     // app + "Driver\" + name = 260
    const std::string tooLong = NameOfLength(234);  // 261
    RecordingSystem system;
    system.SetListing("X:\\driversupport\\*.*", {FileEntry(fits), FileEntry(tooLong)});
    system.SetListing("X:\\Driver\\*.*", {FileEntry(tooLong), FileEntry(fits)});
    InstallSummary summary = InstallDriverFiles("X:\\", app.c_str(), system);

    EXPECT_EQ(summary.filesCopied, 0) << "undone";
    EXPECT_EQ(summary.failedFiles,
              (std::vector<std::string>{"driversupport\\" + tooLong, "Driver\\" + tooLong}));
    EXPECT_TRUE(Recorded(system, "copy X:\\Driver\\" + fits + " > " + app + "Driver\\" + fits));
    EXPECT_FALSE(Recorded(system, "copy X:\\driversupport\\" + tooLong + " > " + app + tooLong))
        << "the first copy is not made when the second cannot be";
    Calls sleeps;
    for (const std::string& c : system.Calls())
        if (c == "sleep") sleeps.push_back(c);
    EXPECT_EQ(sleeps.size(), 4u) << "a skipped file still takes its turn's pause";
}

TEST(EngineOnFake, SourcePathsThatDoNotFitAreSkipped) {
    const std::string source = FolderOfLength(100);
    const std::string fits = NameOfLength(153);     // source + "Driver\" + name = 260
    const std::string tooLong = NameOfLength(154);  // 261
    RecordingSystem system;
    system.SetListing(source + "Driver\\*.*", {FileEntry(fits), FileEntry(tooLong)});
    InstallSummary summary = InstallDriverFiles(source.c_str(), "C:\\A\\", system);
    EXPECT_TRUE(summary.undone);
    EXPECT_EQ(summary.failedFiles, std::vector<std::string>{"Driver\\" + tooLong});
}

TEST(EngineOnFake, SearchPatternThatDoesNotFitSkipsItsPassAndIsReported) {
    const std::string source = FolderOfLength(245);  // + "driversupport\*.*" = 262
    RecordingSystem system;
    system.SetListing(source + "Driver\\*.*", {FileEntry("a.txt")});
    InstallSummary summary = InstallDriverFiles(source.c_str(), "C:\\A\\", system);
    EXPECT_FALSE(Recorded(system, "find " + source + "driversupport\\*.*"));
    EXPECT_TRUE(Recorded(system, "find " + source + "Driver\\*.*"));
    EXPECT_EQ(summary.failedFiles, std::vector<std::string>{"driversupport\\"});
    EXPECT_TRUE(summary.undone);
}

TEST(EngineOnFake, ApplicationDirectoryTooLongForItsDriverFolder) {
    const std::string app = FolderOfLength(255);  // + "Driver\" = 262
    RecordingSystem system;
    system.SetListing("C:\\pkg\\driversupport\\*.*", {FileEntry("a.txt")});
    system.SetListing("C:\\pkg\\Driver\\*.*", {FileEntry("b.dll")});
    InstallSummary summary = InstallDriverFiles("C:\\pkg", app.c_str(), system);
    Calls expected = {"find C:\\pkg\\driversupport\\*.*", "find C:\\pkg\\Driver\\*.*"};
    EXPECT_EQ(WithoutPauses(system.Work()), expected)
        << "no folder is created and nothing is copied";
    EXPECT_EQ(summary.failedFiles,
              (std::vector<std::string>{"driversupport\\a.txt", "Driver\\b.dll"}));
}

// The tool's path is 12 bytes longer than A, the shortest DLL path only 11.
TEST(EngineOnFake, ToolPathThatDoesNotFitCountsAsAFailedStart) {
    const std::string app = FolderOfLength(249);
    RecordingSystem system;
    system.SetListing("C:\\pkg\\Driver\\*.*", {FileEntry(".dll")});
    InstallSummary summary = InstallDriverFiles("C:\\pkg", app.c_str(), system);
    EXPECT_EQ(summary.filesCopied, 1);
    EXPECT_EQ(Described(summary.registrations),
              std::vector<std::string>{"Driver\\.dll | " + app + "regsvr32.exe | /s " + app +
                                       "Driver\\.dll | not started"});
    EXPECT_EQ(summary.failedFiles, std::vector<std::string>{"Driver\\.dll"});
    for (const std::string& c : system.Calls()) EXPECT_NE(c.rfind("start", 0), 0u) << c;
}

// A DLL path of the full 260 bytes with a blank still gets its quotes.
TEST(EngineOnFake, LongestDllPathIsQuotedWhole) {
    const std::string app = "C:\\A B\\";
    const std::string name = NameOfLength(260 - app.size() - 7, ".dll");
    RecordingSystem system;
    system.SetListing(kSupport, {kTool});
    system.SetListing("C:\\pkg\\Driver\\*.*", {FileEntry(name)});
    InstallSummary summary = InstallDriverFiles("C:\\pkg", app.c_str(), system);
    ASSERT_EQ(summary.FailureCount(), 0);
    EXPECT_TRUE(Recorded(
        system, "start C:\\A B\\regsvr32.exe | /s \"C:\\A B\\Driver\\" + name + "\" | C:\\A B\\"));
}
