// The install log: the file's bytes (mark, UTF-8, CR LF, appending), every event's
// line, the installation's and the removal's, and a log that cannot be written.
#include "log/install_log.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <stdexcept>
#include <string>

#include "app/completion_message.h"
#include "tests/temp_folder.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

constexpr const char* kMark = "\xEF\xBB\xBF";

// D:\程序\淺 in code page 936 (淺 ends in the byte "\") and in UTF-8.
constexpr const char* kFolderAnsi = "D:\\\xB3\xCC\xD0\xF2\\\x9C\x5C";
constexpr const char* kFolderUtf8 = "D:\\\xE7\xA8\x8B\xE5\xBA\x8F\\\xE6\xB7\xBA";

TEST(InstallLog, EveryEventAsOneUtf8Line) {
    TempFolder folder;
    const std::string path = folder / "install.log";
    {
        using E = tw::LogEvent;
        tw::InstallLog log(path);
        std::tm time{};
        time.tm_year = 2024 - 1900;
        time.tm_mon = 4;
        time.tm_mday = 7;
        time.tm_hour = 9;
        time.tm_min = 5;
        time.tm_sec = 3;
        log.Write<E::started>(tw::StartTimeText(time));
        log.Write<E::packageFolder>(kFolderAnsi);
        log.Write<E::directoryProposed>("C:\\Varnelquist");
        log.Write<E::directoryFromCommandLine>("D:\\My Apps");
        log.Write<E::directoryConfirmed>("E:\\V");
        log.Write<E::directoryRefused>("not an existing folder");
        log.Write<E::directoryAccepted>("D:\\My Apps\\");
        log.Write<E::recordWritten>("\\ZAVIDAR.CFG");
        const CFileException denied(CFileException::accessDenied, 5, "\\ZAVIDAR.CFG");
        const tw::FileErrorText deniedText(denied);
        log.Write<E::recordNotWritten>("\\ZAVIDAR.CFG", deniedText.before, deniedText.name,
                                       deniedText.after, denied.m_lOsError);
        log.Write<E::copied>("S\\a.dll", "A\\a.dll");
        log.Write<E::copyFailed>("S\\b.dll", "A\\b.dll", 32);
        log.Write<E::installationStopped>("why");
        InstallSummary summary;
        summary.filesCopied = 4;
        summary.failedFiles = {"Driver\\b.dll", std::string(kFolderAnsi)};
        const char* tool = "A\\regsvr32.exe";
        summary.registrations = {
            {"Driver\\a.dll", tool, "/s A\\a.dll", RegistrationOutcome::exited, 0},
            {"Driver\\b.dll", tool, "/s A\\b.dll", RegistrationOutcome::notStarted, 0},
            {"Driver\\c.dll", tool, "/s A\\c.dll", RegistrationOutcome::exited, 3},
            {"Driver\\d.dll", tool, "/s A\\d.dll", RegistrationOutcome::stillRunning, 0}};
        for (const Registration& registration : summary.registrations)
            log.WriteToolRun(tw::InstallLog::ToolRun::registration, registration);
        log.Write<E::installationSummary>(summary.filesCopied, summary.failedFiles.size(),
                                          summary.registrations.size());
        log.WriteEach<E::notInstalled>(summary.failedFiles);
        log.WriteResult({{"not done:\n\nDriver\\b.dll\n", false}, {kFolderAnsi, true}});
        log.Write<E::cancelled>();
        log.Write<E::exitCode>(1603);
    }
    EXPECT_EQ(ReadBytes(path),
              std::string(kMark) + "start: 2024-05-07 09:05:03\r\n" +
                  "package folder: " + kFolderUtf8 + "\r\n" +
                  "directory: C:\\Varnelquist (proposed)\r\n"
                  "directory: D:\\My Apps (from /D=)\r\n"
                  "directory: E:\\V (confirmed in the dialog)\r\n"
                  "directory refused: not an existing folder\r\n"
                  "directory accepted: D:\\My Apps\\\r\n"
                  "record: \\ZAVIDAR.CFG written\r\n"
                  // 对 \ZAVIDAR.CFG 的存取被拒绝。
                  "record: \\ZAVIDAR.CFG not written: \xE5\xAF\xB9 \\ZAVIDAR.CFG "
                  "\xE7\x9A\x84\xE5\xAD\x98\xE5\x8F\x96\xE8\xA2\xAB\xE6\x8B\x92\xE7\xBB\x9D"
                  "\xE3\x80\x82 (system error 5)\r\n"
                  "copy: S\\a.dll -> A\\a.dll: ok\r\n"
                  "copy: S\\b.dll -> A\\b.dll: failed (system error 32)\r\n"
                  "installation stopped: why\r\n"
                  "registration: \"A\\regsvr32.exe\" /s A\\a.dll: exit code 0\r\n"
                  "registration: \"A\\regsvr32.exe\" /s A\\b.dll: not started\r\n"
                  "registration: \"A\\regsvr32.exe\" /s A\\c.dll: exit code 3\r\n"
                  "registration: \"A\\regsvr32.exe\" /s A\\d.dll: still running when the "
                  "wait ended\r\n"
                  "summary: files copied 4, not installed 2, registrations 4\r\n"
                  "not installed: Driver\\b.dll\r\n"
                  "not installed: " +
                  kFolderUtf8 + "\r\n" + "result: not done:\r\n\r\nDriver\\b.dll\r\n" +
                  kFolderUtf8 + "\r\n" + "cancelled in the dialog\r\n" + "exit code: 1603\r\n");
}

// A result over several lines ends each of them in CR LF, like every other line,
// and a line end that already has its CR keeps one.
// The removal's events, with names in the system's code page, and each kind of
// tool run: the unregistrations' lines are the registrations' with their own word.
TEST(InstallLog, TheRemovalsEventsAsOneUtf8LineEach) {
    TempFolder folder;
    const std::string path = folder / "removal.log";
    const std::string tool = std::string(kFolderAnsi) + "\\regsvr32.exe";
    const Registration runs[] = {
        {"Driver\\a.dll", tool, "/u /s A\\a.dll", RegistrationOutcome::exited, 4},
        {"Driver\\b.dll", tool, "/u /s A\\b.dll", RegistrationOutcome::stillRunning, 0},
        {"Driver\\c.dll", tool, "/u /s A\\c.dll", RegistrationOutcome::notStarted, 0}};
    {
        using E = tw::LogEvent;
        tw::InstallLog log(path);
        log.Write<E::removalStarted>("P:\\Tw\\installed-files.lst");
        log.Write<E::noList>();
        log.Write<E::listUnreadable>("P:\\Tw\\l.lst");
        log.Write<E::answeredNo>();
        for (const Registration& run : runs)
            log.WriteToolRun(tw::InstallLog::ToolRun::unregistration, run);
        for (const Registration& run : runs)
            log.WriteToolRun(tw::InstallLog::ToolRun::registration, run);
        log.Write<E::folderRemoved>(kFolderAnsi);
        log.Write<E::recordRemoved>("D:\\ZAVIDAR.CFG");
        log.Write<E::recordKept>("E:\\ZAVIDAR.CFG");
        log.Write<E::changedFileKept>("A\\x.txt");
        log.Write<E::notRemoved>("A\\y.txt");
        log.Write<E::notUnregistered>("A\\Driver\\z.dll");
        log.Write<E::removalSummary>(7, 1, 2, 3);
        log.Write<E::entryRemoved>("HKLM\\U\\Tarnwhistle");
        log.Write<E::listRemoved>("P:\\Tw\\l.lst");
        log.Write<E::copyRemoved>("P:\\Tw\\T.exe");
        log.Write<E::copyMovedForRestart>("P:\\Tw\\T.exe", "P:\\Tw\\T.1.del");
        log.Write<E::keptForAnotherRemoval>("E", "L", "C");
        log.Write<E::listRewritten>("P:\\Tw\\l.lst");
        log.Write<E::listNotRewritten>("P:\\Tw\\l.lst");
    }
    const std::string toolUtf8 = std::string("\"") + kFolderUtf8 + "\\regsvr32.exe\" /u /s A\\";
    EXPECT_EQ(ReadBytes(path),
              std::string(kMark) + "removal: list P:\\Tw\\installed-files.lst\r\n" +
                  "removal: no installed-files list\r\n" +
                  "removal: the installed-files list cannot be read: P:\\Tw\\l.lst\r\n" +
                  "removal: answered No\r\n" + "unregistration: " + toolUtf8 +
                  "a.dll: exit code 4\r\n" + "unregistration: " + toolUtf8 +
                  "b.dll: still running when the wait ended\r\n" + "unregistration: " + toolUtf8 +
                  "c.dll: not started\r\n" + "registration: " + toolUtf8 +
                  "a.dll: exit code 4\r\n" + "registration: " + toolUtf8 +
                  "b.dll: still running when the wait ended\r\n" + "registration: " + toolUtf8 +
                  "c.dll: not started\r\n" + "folder removed: " + kFolderUtf8 + "\r\n" +
                  "record removed: D:\\ZAVIDAR.CFG\r\n"
                  "record kept: E:\\ZAVIDAR.CFG (not exactly the record of a directory removed)\r\n"
                  "kept, changed since it was installed: A\\x.txt\r\n"
                  "not removed: A\\y.txt\r\n"
                  "not unregistered: A\\Driver\\z.dll (the file was gone: its registration "
                  "stays)\r\n"
                  "summary: files removed 7, changed 1, not removed 2, not unregistered 3\r\n"
                  "entry removed: HKLM\\U\\Tarnwhistle\r\n"
                  "list removed: P:\\Tw\\l.lst\r\n"
                  "copy of the installer: P:\\Tw\\T.exe removed\r\n"
                  "copy of the installer: P:\\Tw\\T.exe moved to P:\\Tw\\T.1.del, removed at the "
                  "next restart\r\n"
                  "kept for another removal: E, L, C\r\n"
                  "list rewritten: P:\\Tw\\l.lst\r\n"
                  "list not rewritten: P:\\Tw\\l.lst\r\n");
}

TEST(InstallLog, AMultiLineResultEndsEachLineInCrLf) {
    const struct {
        std::string text;
        std::string bytes;
    } cases[] = {
        {"one", "result: one\r\n"},
        {"2 files\n\nDriver\\a.dll\nDriver\\b.dll",
         "result: 2 files\r\n\r\nDriver\\a.dll\r\nDriver\\b.dll\r\n"},
        {"a\r\nb\n", "result: a\r\nb\r\n\r\n"},
        {"\n", "result: \r\n\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        TempFolder folder;
        const std::string path = folder / "result.log";
        tw::InstallLog(path).WriteResult({{c.text, false}});
        EXPECT_EQ(ReadBytes(path), std::string(kMark) + c.bytes);
    }
    // The incomplete message itself, as the run logs it.
    TempFolder folder;
    const std::string path = folder / "incomplete.log";
    tw::InstallLog(path).WriteResult(
        tw::ChooseCompletionMessage(false, {"Driver\\a.dll", "Driver\\b.dll"}).parts);
    const std::string bytes = ReadBytes(path);
    // 驱动程序安装未完成，有 2 个文件未能安装!
    EXPECT_EQ(
        bytes.substr(bytes.find("result: ")),
        "result: \xE9\xA9\xB1\xE5\x8A\xA8\xE7\xA8\x8B\xE5\xBA\x8F\xE5\xAE\x89\xE8\xA3\x85"
        "\xE6\x9C\xAA\xE5\xAE\x8C\xE6\x88\x90\xEF\xBC\x8C\xE6\x9C\x89 2 "
        "\xE4\xB8\xAA\xE6\x96\x87\xE4\xBB\xB6\xE6\x9C\xAA\xE8\x83\xBD\xE5\xAE\x89\xE8\xA3\x85!"
        "\r\n\r\nDriver\\a.dll\r\nDriver\\b.dll\r\n");
}

#ifndef _WIN32
// On a western Windows (ANSI code page 1252) the program's own texts are still
// code page 936: each part of a line is read in its own code page. "Café" is
// "Caf\xE9" in 1252, a lead byte without its trail in 936.
class WesternCodePage {
public:
    WesternCodePage() { ::setenv("TW_HOST_ANSI_CODE_PAGE", "CP1252", 1); }
    ~WesternCodePage() { ::unsetenv("TW_HOST_ANSI_CODE_PAGE"); }
};

TEST(InstallLog, ProgramTextsAreReadInCodePage936AndNamesInTheSystemsCodePage) {
    WesternCodePage western;
    TempFolder folder;
    const std::string path = folder / "western.log";
    {
        tw::InstallLog log(path);
        log.Write<tw::LogEvent::directoryAccepted>("C:\\Caf\xE9");
        const CFileException denied(CFileException::accessDenied, 5, "C:\\Caf\xE9\\ZAVIDAR.CFG");
        const tw::FileErrorText text(denied);
        log.Write<tw::LogEvent::recordNotWritten>("\\ZAVIDAR.CFG", text.before, text.name,
                                                  text.after, denied.m_lOsError);
        try {
            CFileException::ThrowOsError(5);
        } catch (...) {
            log.WriteStopByCurrentException();
        }
        try {
            throw std::runtime_error("lost");
        } catch (...) {
            log.WriteStopByCurrentException();
        }
        log.WriteResult(tw::ChooseCompletionMessage(false, {"C:\\Caf\xE9\\a.dll"}).parts);
    }
    EXPECT_EQ(ReadBytes(path),
              std::string(kMark) +
                  "directory accepted: C:\\Caf\xC3\xA9\r\n"
                  // 对 C:\Café\ZAVIDAR.CFG 的存取被拒绝。
                  "record: \\ZAVIDAR.CFG not written: \xE5\xAF\xB9 C:\\Caf\xC3\xA9\\ZAVIDAR.CFG "
                  "\xE7\x9A\x84\xE5\xAD\x98\xE5\x8F\x96\xE8\xA2\xAB\xE6\x8B\x92\xE7\xBB\x9D"
                  "\xE3\x80\x82 (system error 5)\r\n"
                  // 对 一未命名文件 的存取被拒绝。
                  "installation stopped: \xE5\xAF\xB9 "
                  "\xE4\xB8\x80\xE6\x9C\xAA\xE5\x91\xBD\xE5\x90\x8D\xE6\x96\x87\xE4\xBB\xB6 "
                  "\xE7\x9A\x84\xE5\xAD\x98\xE5\x8F\x96\xE8\xA2\xAB\xE6\x8B\x92\xE7\xBB\x9D"
                  "\xE3\x80\x82\r\n"
                  // 发生了意外错误，操作未能完成。
                  "installation stopped: \xE5\x8F\x91\xE7\x94\x9F\xE4\xBA\x86\xE6\x84\x8F\xE5"
                  "\xA4\x96\xE9\x94\x99\xE8\xAF\xAF\xEF\xBC\x8C\xE6\x93\x8D\xE4\xBD\x9C\xE6\x9C"
                  "\xAA\xE8\x83\xBD\xE5\xAE\x8C\xE6\x88\x90\xE3\x80\x82\r\n"
                  // 驱动程序安装未完成，有 1 个文件未能安装!
                  "result: \xE9\xA9\xB1\xE5\x8A\xA8\xE7\xA8\x8B\xE5\xBA\x8F\xE5\xAE\x89\xE8\xA3"
                  "\x85\xE6\x9C\xAA\xE5\xAE\x8C\xE6\x88\x90\xEF\xBC\x8C\xE6\x9C\x89 1 "
                  "\xE4\xB8\xAA\xE6\x96\x87\xE4\xBB\xB6\xE6\x9C\xAA\xE8\x83\xBD\xE5\xAE\x89\xE8"
                  "\xA3\x85!\r\n\r\nC:\\Caf\xC3\xA9\\a.dll\r\n");
}
#endif

// A line of names alone is converted as a whole, so a double-byte character that
// two names share at their joint stays one character; a line with a program text
// among its values is converted part by part, each from its own code page.
TEST(InstallLog, ALineOfNamesIsConvertedWholeAndAMixedLineByItsParts) {
    TempFolder folder;
    const std::string path = folder / "joints.log";
    {
        tw::InstallLog log(path);
        // 程 is "\xB3\xCC" in code page 936.
        log.Write<tw::LogEvent::notTrusted>("D:\\\xB3", "\xCC\\x.txt");
        log.Write<tw::LogEvent::recordNotWritten>("D:\\\xB3", tw::ProgramText("\xCC"), "", "", 5);
    }
    const std::string bytes = ReadBytes(path);
    const std::string whole =
        std::string(kMark) + "not trusted: D:\\\xE7\xA8\x8B\\x.txt (owned by no administrator)\r\n";
    ASSERT_EQ(bytes.substr(0, whole.size()), whole);
    const std::string mixed = bytes.substr(whole.size());
    EXPECT_TRUE(mixed.starts_with("record: D:\\")) << mixed;
    EXPECT_TRUE(mixed.ends_with(" (system error 5)\r\n")) << mixed;
    EXPECT_EQ(mixed.find("\xE7\xA8\x8B"), std::string::npos) << mixed;
}

TEST(InstallLog, MarkOnlyAtTheStartOfANewOrEmptyFile) {
    TempFolder folder;
    const std::string kept = folder / "kept.log";
    const std::string empty = folder / "empty.log";
    WriteBytes(kept, "earlier run\r\n");
    WriteBytes(empty, "");
    for (int run = 0; run < 2; ++run) {
        tw::InstallLog keptLog(kept);
        keptLog.Write<tw::LogEvent::exitCode>(run);
    }
    tw::InstallLog(empty).Write<tw::LogEvent::exitCode>(0);
    EXPECT_EQ(ReadBytes(kept), "earlier run\r\nexit code: 0\r\nexit code: 1\r\n");
    EXPECT_EQ(ReadBytes(empty), std::string(kMark) + "exit code: 0\r\n");
}

// A log that cannot be opened for appending is reported, and nothing is made.
TEST(InstallLog, ALogThatCannotBeOpenedIsReported) {
    TempFolder folder;
    WriteBytes(folder / "held.log", "kept");
    CFile holder((folder / "held.log").c_str(), CFile::modeRead | CFile::shareDenyWrite);
    struct Case {
        std::string path;
        bool refused;
    } cases[] = {
        {"", false},  // no /LOG=: no log, and nothing to refuse
        {folder / "new.log", false},
        {(folder / "missing") + "/x.log", true},
        {folder.Path(), true},
        {folder / "held.log", true},  // another program writes it
#ifdef _WIN32
        {"NUL", true},
        {"\\\\.\\COM9", true},
#else
        {"/dev/null", true},
        {"/dev/full", true},
#endif
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        tw::InstallLog log(c.path);
        EXPECT_EQ(log.CannotBeOpened(), c.refused);
        log.Write<tw::LogEvent::exitCode>(0);
    }
    EXPECT_FALSE(PathExists(folder / "missing"));
    EXPECT_EQ(ReadBytes(folder / "held.log"), "kept");
    EXPECT_EQ(ReadBytes(folder / "new.log"), std::string(kMark) + "exit code: 0\r\n");
}

// No text can end a line: control bytes are written as "\x" and two hex digits,
// every other byte as it is (a trail byte "\" included).
TEST(InstallLog, ControlBytesAreWrittenVisibly) {
    TempFolder folder;
    const std::string path = folder / "install.log";
    std::string controls;
    for (char c = 1; c < 0x20; ++c) controls += c;
    {
        tw::InstallLog log(path);
        log.Write<tw::LogEvent::directoryFromCommandLine>("D:\\x\r\nexit code: 0");
        log.Write<tw::LogEvent::directoryRefused>(controls + "\x7F" + std::string(1, '\0') + "~");
        log.Write<tw::LogEvent::directoryAccepted>(kFolderAnsi);
    }
    EXPECT_EQ(ReadBytes(path),
              std::string(kMark) +
                  "directory: D:\\x\\x0D\\x0Aexit code: 0 (from /D=)\r\n"
                  "directory refused: \\x01\\x02\\x03\\x04\\x05\\x06\\x07\\x08\\x09\\x0A\\x0B"
                  "\\x0C\\x0D\\x0E\\x0F\\x10\\x11\\x12\\x13\\x14\\x15\\x16\\x17\\x18\\x19\\x1A"
                  "\\x1B\\x1C\\x1D\\x1E\\x1F\\x7F\\x00~\r\n"
                  "directory accepted: " +
                  kFolderUtf8 + "\r\n");
}

}  // namespace
