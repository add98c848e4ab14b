// The one run from the switches: which of the three runs each set of switches
// takes, what the log's first lines say, and a log that cannot be opened, which
// ends every run before anything is asked, shown (but its own message) or done.
#include "app/run.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "appdir/full_path.h"
#include "res/texts.h"
#include "tests/app/fake_run_windows.h"
#include "tests/app/run_surroundings.h"
#include "tests/install/recording_system.h"
#include "tests/temp_folder.h"
#include "tests/uninstall/fake_store.h"

namespace {

using namespace run_tests;

// A package of one DLL, every folder but D:\Missing there, and no installed-files list.
struct Machine {
    Machine() { install.SetListing(kDriver, {FileEntry("b.dll")}); }

    tw::RunSystem System() {
        return {{"C:\\pkg", record.c_str(),
                 [](const char* path) -> std::optional<std::uint32_t> {
                     if (std::string(path) == "D:\\Missing") return std::nullopt;
                     return 0x10;
                 },
                 [](const char* text) { return tw::FullPathFrom(text, "C:\\pkg"); },
                 [](const char*) { return std::optional<tw::FolderIdentity>(); }},
                install,
                TheEngine(),
                store,
                removal};
    }

    TempFolder folder;
    std::string record = folder / "ZAVIDAR.CFG";
    std::string log = folder / "run.log";
    RecordingSystem install;
    FakeStore store;
    NoRemovalSystem removal;
};

const std::string kErrorBox = TW_TEXT_ERROR_CAPTION " 48: ";

TEST(Run, EachSetOfSwitchesTakesItsRun) {
    struct Case {
        const char* name;
        bool silent, uninstall;
        const char* directory;  // /D=; null: not given
        int exitCode;
        Lines journal;       // what was shown or asked
        std::string preset;  // what the dialog showed at first
        Lines log;           // after the start's two lines
    };
    const Case cases[] = {
        {"the dialog, proposing the directory",
         false,
         false,
         nullptr,
         1602,
         {"dialog"},
         "C:\\Varnelquist",
         {"cancelled in the dialog", "exit code: 1602"}},
        {"the dialog, showing /D=",
         false,
         false,
         "D:\\Missing",
         1602,
         {"dialog"},
         "D:\\Missing",
         {"cancelled in the dialog", "exit code: 1602"}},
        {"the dialog, /D= given empty: the proposed directory",
         false,
         false,
         "",
         1602,
         {"dialog"},
         "C:\\Varnelquist",
         {"cancelled in the dialog", "exit code: 1602"}},
        {"/S: no dialog, the directory of /D=",
         true,
         false,
         "D:\\Missing",
         1603,
         {},
         "",
         {"directory: D:\\Missing (from /D=)", "directory refused: not an existing folder",
          "exit code: 1603"}},
        {"/U: the removal, which finds no list",
         false,
         true,
         nullptr,
         1603,
         {kErrorBox + TW_TEXT_NOTHING_INSTALLED},
         "",
         {"removal: list P:\\Tw\\installed-files.lst", "removal: no installed-files list",
          "exit code: 1603"}},
        {"/U /S: the removal, nothing shown",
         true,
         true,
         nullptr,
         1603,
         {},
         "",
         {"removal: list P:\\Tw\\installed-files.lst", "removal: no installed-files list",
          "exit code: 1603"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Machine machine;
        FakeRunWindows windows;
        const tw::InstallerSwitches switches{c.silent, c.directory ? c.directory : "", machine.log,
                                             c.directory != nullptr, c.uninstall};
        EXPECT_EQ(Code(tw::Run(switches, machine.System(), windows)), c.exitCode);
        EXPECT_EQ(windows.journal, c.journal);
        EXPECT_EQ(windows.preset, c.preset);
        EXPECT_TRUE(machine.install.Calls().empty());
        EXPECT_EQ(machine.store.steps, c.uninstall ? Lines{"read list"} : Lines{});

        const Lines lines = LogLines(machine.log);
        ASSERT_GE(lines.size(), 2u);
        // "start: 2026-12-09 20:32:10": the local time, to the second.
        EXPECT_EQ(lines[0].substr(0, 7), "start: ");
        EXPECT_EQ(lines[0].size(), 26u);
        EXPECT_EQ(lines[1], "package folder: C:\\pkg");
        EXPECT_EQ(Lines(lines.begin() + 2, lines.end()), c.log);
    }
}

TEST(Run, ALogThatCannotBeOpenedEndsTheRunBeforeAnything) {
    for (bool uninstall : {false, true}) {
        for (bool silent : {false, true}) {
            SCOPED_TRACE(testing::Message()
                         << (uninstall ? "/U" : "install") << (silent ? " /S" : ""));
            Machine machine;
            FakeRunWindows windows;
            const std::string folderAsLog = machine.folder / "";
            const tw::InstallerSwitches switches{silent, "", folderAsLog, false, uninstall};
            EXPECT_EQ(Code(tw::Run(switches, machine.System(), windows)), 1622);
            if (silent)
                EXPECT_TRUE(windows.journal.empty());
            else
                EXPECT_EQ(windows.journal,
                          Lines{kErrorBox + tw::LogNotOpenedMessage(folderAsLog).text});
            EXPECT_TRUE(machine.install.Calls().empty());
            EXPECT_TRUE(machine.store.steps.empty());
            EXPECT_FALSE(PathExists(machine.record));
        }
    }
}

}  // namespace
