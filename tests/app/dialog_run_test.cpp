// The run with the dialog beside the silent run: both take the directory through
// the one route, so their logs list the same lines in the same order; a record
// that could not be written is never logged as written; an installation stopped by
// an exception is logged with the same line in both and reported while it is handled.
#include <gtest/gtest.h>

#include <algorithm>
#include <exception>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "app/installation_run.h"
#include "app/dialog_ok.h"
#include "appdir/full_path.h"
#include "config/config_writer.h"
#include "framework/FileException.h"
#include "framework/afx_texts.h"
#include "log/log_platform.h"
#include "tests/app/fake_run_windows.h"
#include "tests/app/run_surroundings.h"
#include "tests/fake_run_lock.h"
#include "tests/install/recording_system.h"
#include "tests/temp_folder.h"

namespace {

using namespace run_tests;

// One run's surroundings: a package of one support file and one DLL, the folders
// that exist, and the record in a temporary folder (or in one that is missing).
struct Surroundings {
    explicit Surroundings(bool recordFolderExists)
        : recordPath(recordFolderExists ? folder / "ZAVIDAR.CFG"
                                        : (folder / "gone") + "/ZAVIDAR.CFG"),
          logPath(folder / "run.log"),
          platform(InstallationSystem(
              {"C:\\pkg", recordPath.c_str(),
               [](const char* path) -> std::optional<std::uint32_t> {
                   const std::set<std::string> folders = {"C:\\Varnelquist", "D:\\My Apps",
                                                          "C:\\pkg\\Driver"};
                   if (!folders.count(path)) return std::nullopt;
                   return 0x10;
               },
               [](const char* text) { return tw::FullPathFrom(text, "C:\\pkg"); },
               [](const char*) { return std::optional<tw::FolderIdentity>(); }},
              system, engine)) {
        system.SetListing(kSupport, {FileEntry("regsvr32.exe"), FileEntry("a.txt")});
        system.SetListing(kDriver, {FileEntry("b.dll")});
    }

    TempFolder folder;
    std::string recordPath;
    std::string logPath;
    RecordingSystem system;
    EngineAfterStep engine;
    tw::RunSystem platform;
};

std::optional<tw::AppDirCheck> PressOk(const std::string& text, Surroundings& run,
                                       tw::InstallLog& log) {
    return FakeRunWindows::PressOk(text, run.platform, log);
}

// A dialog in which OK is pressed for each text in turn until one is accepted;
// when none is, the user cancels.
struct ScriptedDialog {
    explicit ScriptedDialog(Lines okTexts) { windows.okTexts = std::move(okTexts); }

    FakeRunWindows windows;

    int Run(Surroundings& run) {
        tw::InstallLog log(run.logPath);
        return Code(tw::RunWithDialog({}, run.platform, windows, log));
    }
    // The final messages.
    Lines Shown() const { return windows.Boxes(); }
    // Exceptions reported while handled.
    std::ptrdiff_t Reports() const {
        return std::count(windows.journal.begin(), windows.journal.end(), "report while handled");
    }
};

int RunSilently(const std::string& directory, Surroundings& run) {
    tw::InstallLog log(run.logPath);
    return Code(tw::RunSilently({true, directory, run.logPath, true}, run.platform, log));
}

// The silent run's line for how the directory was chosen, in the dialog's words.
Lines AsFromTheDialog(Lines lines) {
    for (std::string& line : lines) {
        const std::string silent = " (from /D=)";
        if (line.ends_with(silent))
            line = line.substr(0, line.size() - silent.size()) + " (confirmed in the dialog)";
    }
    return lines;
}

// The lines of both runs from the first directory line up to the last line
// before the run's end ("exit code", "cancelled").
Lines Route(const Lines& lines) {
    Lines route;
    for (const std::string& line : lines) {
        if (line.starts_with("exit code") || line == "cancelled in the dialog") break;
        if (!line.starts_with("start:") && !line.starts_with("package folder:"))
            route.push_back(line);
    }
    return route;
}

struct RouteCase {
    const char* name;
    std::string directory;
    bool recordFolderExists;
    Lines route;      // the shared lines, in the dialog's words; {record}: the record's path
    Lines dialogEnd;  // the dialog's run after the shared lines
    int silentExit;   // the silent run's exit code
    int dialogExit;   // the dialog's
};

const RouteCase kRouteCases[] = {
    {"accepted and installed",
     "D:\\My Apps",
     true,
     {"directory: D:\\My Apps (confirmed in the dialog)", "directory accepted: D:\\My Apps\\",
      "record: {record} written",
      "copy: C:\\pkg\\driversupport\\regsvr32.exe -> D:\\My Apps\\regsvr32.exe: ok",
      "copy: C:\\pkg\\driversupport\\regsvr32.exe -> D:\\My Apps\\Driver\\regsvr32.exe: ok",
      "copy: C:\\pkg\\driversupport\\a.txt -> D:\\My Apps\\a.txt: ok",
      "copy: C:\\pkg\\driversupport\\a.txt -> D:\\My Apps\\Driver\\a.txt: ok",
      "copy: C:\\pkg\\Driver\\b.dll -> D:\\My Apps\\Driver\\b.dll: ok",
      "registration: \"D:\\My Apps\\regsvr32.exe\" /s \"D:\\My Apps\\Driver\\b.dll\": exit code 0",
      "summary: files copied 5, not installed 0, registrations 1",
      // 祝贺驱动程序安装完毕!
      "result: \xE7\xA5\x9D\xE8\xB4\xBA\xE9\xA9\xB1\xE5\x8A\xA8\xE7\xA8\x8B\xE5\xBA\x8F\xE5\xAE"
      "\x89\xE8\xA3\x85\xE5\xAE\x8C\xE6\xAF\x95!"},
     {"exit code: 0"},
     0,
     0},
    {"refused: the dialog stays open and is cancelled",
     "D:\\Missing",
     true,
     {"directory: D:\\Missing (confirmed in the dialog)",
      "directory refused: not an existing folder"},
     {"cancelled in the dialog", "exit code: 1602"},
     1603,
     1602},
    {"record not written: never logged as written",
     "D:\\My Apps",
     false,
     {"directory: D:\\My Apps (confirmed in the dialog)", "directory accepted: D:\\My Apps\\",
      // {record} 中包含无效的路径。 (system error 3)
      "record: {record} not written: {record} \xE4\xB8\xAD\xE5\x8C\x85\xE5\x90\xAB\xE6\x97"
      "\xA0\xE6\x95\x88\xE7\x9A\x84\xE8\xB7\xAF\xE5\xBE\x84\xE3\x80\x82 (system error 3)"},
     {"cancelled in the dialog", "exit code: 1602"},
     1603,
     1602},
};

Lines WithRecord(Lines lines, const std::string& recordPath) {
    for (std::string& line : lines)
        for (std::size_t at; (at = line.find("{record}")) != std::string::npos;)
            line.replace(at, 8, recordPath);
    return lines;
}

TEST(DialogRun, LogsTheSameLinesInTheSameOrderAsTheSilentRun) {
    for (const RouteCase& c : kRouteCases) {
        SCOPED_TRACE(c.name);
        Surroundings silent(c.recordFolderExists);
        EXPECT_EQ(RunSilently(c.directory, silent), c.silentExit);
        Surroundings interactive(c.recordFolderExists);
        ScriptedDialog dialog({c.directory});
        EXPECT_EQ(dialog.Run(interactive), c.dialogExit);

        const Lines silentLines = LogLines(silent.logPath);
        const Lines dialogLines = LogLines(interactive.logPath);
        EXPECT_EQ(AsFromTheDialog(Route(silentLines)), WithRecord(c.route, silent.recordPath));
        EXPECT_EQ(Route(dialogLines), WithRecord(c.route, interactive.recordPath));
        ASSERT_GE(dialogLines.size(), c.dialogEnd.size());
        EXPECT_EQ(
            Lines(dialogLines.end() - static_cast<long>(c.dialogEnd.size()), dialogLines.end()),
            c.dialogEnd);
        EXPECT_EQ(silentLines.back(), "exit code: " + std::to_string(c.silentExit));
        EXPECT_EQ(dialog.Shown().size(), c.dialogExit == 0 ? 1u : 0u);
        EXPECT_EQ(dialog.windows.preset, "C:\\Varnelquist") << "no /D=: the proposed directory";
        EXPECT_EQ(PathExists(interactive.recordPath), c.recordFolderExists && c.dialogExit == 0);
    }
}

// Each OK of the dialog is logged, refused ones too, before the one accepted.
TEST(DialogRun, LogsEveryOkInOrder) {
    Surroundings run(true);
    ScriptedDialog dialog({"D:\\Missing", "Driver", "D:\\My Apps\\"});
    EXPECT_EQ(dialog.Run(run), 0);
    Lines lines = LogLines(run.logPath);
    ASSERT_GE(lines.size(), 6u);
    EXPECT_EQ(Lines(lines.begin(), lines.begin() + 6),
              (Lines{"directory: D:\\Missing (confirmed in the dialog)",
                     "directory refused: not an existing folder",
                     "directory: Driver (confirmed in the dialog)",
                     "directory refused: the folder of the driver files",
                     "directory: D:\\My Apps\\ (confirmed in the dialog)",
                     "directory accepted: D:\\My Apps\\"}));
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "record: " + run.recordPath + " written"), 1);
    EXPECT_EQ(run.system.Work().front(), "mkdir D:\\My Apps\\Driver\\");
}

// An engine that stops with an exception: the same line in both runs, the
// exception's own text, reported by the dialog's run while it is handled.
TEST(DialogRun, AnInstallationStoppedByAnExceptionIsLoggedAlikeAndReported) {
    struct Stop {
        const char* name;
        std::function<void()> raise;
        std::string text;  // ANSI
    };
    const Stop stops[] = {
        {"file exception", [] { CFileException::ThrowOsError(112, "D:\\My Apps\\Driver\\b.dll"); },
         CFileException(CFileException::diskFull, 112, "D:\\My Apps\\Driver\\b.dll")
             .GetErrorMessage()
             .GetString()},
        {"anything else", [] { throw std::runtime_error("lost"); }, AFX_TEXT_UNEXPECTED_ERROR},
    };
    for (const Stop& stop : stops) {
        SCOPED_TRACE(stop.name);
        const std::string expected = "installation stopped: " + tw::AnsiToUtf8(stop.text);

        Surroundings silent(true);
        silent.engine.step = stop.raise;
        EXPECT_EQ(RunSilently("D:\\My Apps", silent), 1603);
        Surroundings interactive(true);
        interactive.engine.step = stop.raise;
        ScriptedDialog dialog({"D:\\My Apps"});
        EXPECT_EQ(dialog.Run(interactive), 1603);

        for (const Lines& lines : {LogLines(silent.logPath), LogLines(interactive.logPath)}) {
            ASSERT_GE(lines.size(), 2u);
            EXPECT_EQ(lines[lines.size() - 2], expected);
            EXPECT_EQ(lines.back(), "exit code: 1603");
        }
        EXPECT_EQ(dialog.Reports(), 1);
        EXPECT_TRUE(dialog.Shown().empty());
    }
}

TEST(DialogRun, ADialogThatCannotBeShownEndsTheRunAsFailed) {
    Surroundings run(true);
    tw::InstallLog log(run.logPath);
    FakeRunWindows windows;
    windows.dialogShown = false;
    EXPECT_EQ(Code(tw::RunWithDialog({}, run.platform, windows, log)), 1603);
    EXPECT_TRUE(windows.Boxes().empty());
    EXPECT_TRUE(run.system.Calls().empty());
    EXPECT_EQ(LogLines(run.logPath),
              (Lines{"installation stopped: the dialog could not be shown", "exit code: 1603"}));
}

// The progress hook of a run with the dialog: opened once after OK, shown every
// step, and gone before the final message and before the report of an exception,
// with the exception still being handled then.
struct ProgressEvents : tw::ProgressObserver {
    explicit ProgressEvents(Lines& events) : m_events(events) { m_events.push_back("opened"); }
    ~ProgressEvents() override { m_events.push_back("closed"); }
    void Show(tw::ProgressStep step, const std::string& file, int) override {
        m_events.push_back((step == tw::ProgressStep::copying ? "copying " : "registering ") +
                           file);
    }

private:
    Lines& m_events;
};

Lines RunWithProgress(Surroundings& run, bool engineThrows) {
    if (engineThrows) run.engine.step = [] { throw std::runtime_error("lost"); };
    tw::InstallLog log(run.logPath);
    FakeRunWindows windows;
    windows.okTexts = {"D:\\My Apps"};
    windows.progress = [&] { return std::make_unique<ProgressEvents>(windows.journal); };
    tw::RunWithDialog({}, run.platform, windows, log);
    Lines events = windows.journal;
    const Lines boxes = windows.Boxes();
    for (std::string& event : events)
        if (std::find(boxes.begin(), boxes.end(), event) != boxes.end()) event = "message";
    return events;
}

TEST(DialogRun, TheProgressGoesBeforeTheFinalMessage) {
    Surroundings run(true);
    EXPECT_EQ(
        RunWithProgress(run, false),
        (Lines{"dialog", "opened", "copying driversupport\\regsvr32.exe",
               "copying driversupport\\regsvr32.exe", "copying driversupport\\a.txt",
               "copying driversupport\\a.txt", "copying Driver\\b.dll", "registering Driver\\b.dll",
               "registering Driver\\b.dll", "registering Driver\\b.dll", "closed", "message"}));
}

TEST(DialogRun, TheProgressGoesBeforeTheReportOfAnException) {
    Surroundings run(true);
    EXPECT_EQ(RunWithProgress(run, true),
              (Lines{"dialog", "opened", "closed", "report while handled"}));
}

// The run lock of an installation: taken once the directory is accepted, before
// the record is written, and held while the engine runs. A run that finds it held
// by another writes nothing and ends with 1618; one that cannot take it at all
// writes nothing and fails; a refused directory never asks for it.
TEST(RunLock, TheSilentRunTakesItBetweenTheDecisionAndTheRecord) {
    struct Case {
        const char* name;
        std::string directory;
        tw::RunLockTaking answer;
        int exitCode;
        int takes;
        Lines route;  // {record}: the record's path
    } cases[] = {
        {"taken",
         "D:\\My Apps",
         tw::RunLockTaking::taken,
         0,
         1,
         {"directory: D:\\My Apps (from /D=)", "directory accepted: D:\\My Apps\\",
          "record: {record} written"}},
        {"held by another run",
         "D:\\My Apps",
         tw::RunLockTaking::busy,
         1618,
         1,
         {"directory: D:\\My Apps (from /D=)", "directory accepted: D:\\My Apps\\",
          "another installation or removal is running", "exit code: 1618"}},
        {"cannot be taken",
         "D:\\My Apps",
         tw::RunLockTaking::failed,
         1603,
         1,
         {"directory: D:\\My Apps (from /D=)", "directory accepted: D:\\My Apps\\",
          "run lock: P:\\Tw\\run.lock not taken (system error 5)", "exit code: 1603"}},
        {"directory refused",
         "D:\\Missing",
         tw::RunLockTaking::taken,
         1603,
         0,
         {"directory: D:\\Missing (from /D=)", "directory refused: not an existing folder",
          "exit code: 1603"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Surroundings run(true);
        FakeRunLock lock;
        lock.answers = {c.answer};
        run.platform.runLock = &lock;
        bool heldWhileInstalling = false;
        bool recordBeforeInstalling = false;
        run.engine.step = [&] {
            heldWhileInstalling = lock.held;
            recordBeforeInstalling = std::filesystem::exists(run.recordPath);
        };
        EXPECT_EQ(RunSilently(c.directory, run), c.exitCode);
        EXPECT_EQ(lock.takes, c.takes);
        Lines lines = LogLines(run.logPath);
        lines.resize(std::min(lines.size(), c.route.size()));
        EXPECT_EQ(lines, WithRecord(c.route, run.recordPath));
        const bool installed = c.exitCode == 0;
        EXPECT_EQ(std::filesystem::exists(run.recordPath), installed);
        EXPECT_EQ(heldWhileInstalling, installed);
        EXPECT_EQ(recordBeforeInstalling, installed);
        if (!installed) {
            EXPECT_TRUE(run.system.Calls().empty()) << "nothing installed";
        }
    }
}

// The dialog's 确定 records the directory's full path, through the dialog's own
// step where it has one; a refused text reaches neither and writes nothing.
TEST(DialogOk, RecordsTheFullPathThroughTheDialogsOwnStep) {
    Surroundings run(true);
    tw::InstallLog log(run.logPath);
    struct Dialog : tw::DialogRecord {
        Lines written;
        void RecordFullPath(const std::string& fullPath) override { written.push_back(fullPath); }
    } dialog;
    EXPECT_EQ(tw::AcceptFromDialog("D:\\missing", run.platform, log, &dialog).verdict,
              tw::AppDirVerdict::missing);
    EXPECT_TRUE(dialog.written.empty());
    EXPECT_FALSE(std::filesystem::exists(run.recordPath));

    EXPECT_TRUE(tw::AcceptFromDialog("D:\\My Apps\\", run.platform, log, &dialog).Accepted());
    EXPECT_EQ(dialog.written, Lines{"D:\\My Apps\\"});
    EXPECT_FALSE(std::filesystem::exists(run.recordPath)) << "the dialog's step writes it";

    // Without a step of its own the record is written here, without the separator.
    EXPECT_TRUE(tw::AcceptFromDialog("D:\\My Apps\\", run.platform, log, nullptr).Accepted());
    const std::string record = ReadBytes(run.recordPath);
    ASSERT_EQ(record.size(), 276u);
    EXPECT_EQ(record.substr(20, 11), std::string("D:\\My Apps\0", 11));
}

// At 确定 the dialog finds the lock held: nothing is written and the dialog stays
// open; the next 确定 takes it and the run goes on, or Cancel ends the run. A
// record that cannot be written lets the lock go while the dialog stays open.
TEST(RunLock, TheDialogsOkTriesAgainAndCancelEndsTheRun) {
    {
        Surroundings run(true);
        FakeRunLock lock;
        lock.answers = {tw::RunLockTaking::busy, tw::RunLockTaking::taken};
        run.platform.runLock = &lock;
        tw::InstallLog log(run.logPath);
        std::optional<tw::AppDirCheck> first = PressOk("D:\\My Apps", run, log);
        ASSERT_TRUE(first);
        EXPECT_EQ(first->verdict, tw::AppDirVerdict::runBusy);
        EXPECT_FALSE(first->Accepted());
        EXPECT_FALSE(std::filesystem::exists(run.recordPath));
        EXPECT_FALSE(lock.held);
        std::optional<tw::AppDirCheck> second = PressOk("D:\\My Apps", run, log);
        ASSERT_TRUE(second);
        EXPECT_TRUE(second->Accepted());
        EXPECT_TRUE(lock.held);
        EXPECT_TRUE(std::filesystem::exists(run.recordPath));
        EXPECT_EQ(lock.takes, 2);
    }
    {
        Surroundings run(true);
        FakeRunLock lock;
        lock.answers = {tw::RunLockTaking::busy};
        run.platform.runLock = &lock;
        ScriptedDialog dialog({"D:\\My Apps"});
        EXPECT_EQ(dialog.Run(run), 1602);
        EXPECT_FALSE(std::filesystem::exists(run.recordPath));
        EXPECT_TRUE(run.system.Calls().empty());
        const Lines lines = LogLines(run.logPath);
        EXPECT_EQ(Lines(lines.end() - 3, lines.end()),
                  (Lines{"another installation or removal is running", "cancelled in the dialog",
                         "exit code: 1602"}));
    }
    {
        Surroundings run(false);
        std::vector<std::string> journal;
        FakeRunLock lock(&journal);
        run.platform.runLock = &lock;
        tw::InstallLog log(run.logPath);
        EXPECT_FALSE(PressOk("D:\\My Apps", run, log)) << "the record's failure leaves";
        EXPECT_EQ(journal, (Lines{"lock taken", "lock released"}));
    }
}

}  // namespace
