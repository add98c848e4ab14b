#include "log/install_log.h"

#include <iterator>
#include <string>

#include "framework/afx_texts.h"
#include "log/log_platform.h"

namespace tw {

namespace {

// Created when missing, never cut; others may read it while the run writes; no
// registration tool inherits the handle.
constexpr unsigned kLogOpenFlags = CFile::modeCreate | CFile::modeNoTruncate | CFile::modeWrite |
                                   CFile::shareDenyWrite | CFile::modeNoInherit | CFile::typeBinary;
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

const char* SourceText(DirectorySource source) {
    switch (source) {
        case DirectorySource::proposed:
            return "proposed";
        case DirectorySource::commandLine:
            return "from /D=";
        case DirectorySource::dialog:
            return "confirmed in the dialog";
    }
    return "";
}

// Bytes below the blank and DEL as "\x0D": never the trail byte of a double-byte
// character (those start at 0x40), so each is a character of its own.
std::string WithVisibleControlBytes(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string visible;
    for (char c : text) {
        auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7F) {
            visible += c;
            continue;
        }
        visible += "\\x";
        visible += kHex[byte >> 4];
        visible += kHex[byte & 0xF];
    }
    return visible;
}

// A file error's text in its parts: the program's words around the file's name
// (ANSI), or around the program's name for an unnamed file.
struct FileErrorText {
    explicit FileErrorText(const CFileException& error) {
        std::string_view pattern = error.GetErrorText();
        std::size_t at = pattern.find("%1");
        if (at == std::string_view::npos) {
            before = pattern;
            return;
        }
        before = pattern.substr(0, at);
        after = pattern.substr(at + 2);
        if (error.m_strFileName.IsEmpty())
            name = ProgramText(AFX_TEXT_UNNAMED_FILE);
        else
            name = std::string_view(error.m_strFileName.GetString(),
                                    static_cast<std::size_t>(error.m_strFileName.GetLength()));
    }
    std::string_view before, after;
    LogText name{std::string_view{}};
};

}  // namespace

InstallLog::InstallLog(const std::string& path) {
    if (path.empty()) return;
    try {
        if (m_file.Open(path.c_str(), kLogOpenFlags) && m_file.IsOnDisk()) {
            if (m_file.Seek(0, CFile::end) == 0)
                m_file.Write(kByteOrderMark.data(), static_cast<unsigned>(kByteOrderMark.size()));
            return;
        }
    } catch (...) {
        // The mark could not be written: the file takes no appending either.
    }
    m_file.Abort();
    m_cannotBeOpened = true;
}

void InstallLog::Line(std::initializer_list<std::string_view> ansiParts) {
    if (!m_file.IsOpen()) return;
    try {
        std::string line;
        for (std::string_view part : ansiParts) line += part;
        std::string text = AnsiToUtf8(WithVisibleControlBytes(line));
        WriteLine(text);
    } catch (...) {
        // A log that failed once is not trusted with more: half lines help nobody.
        m_file.Abort();
    }
}

void InstallLog::MixedLine(std::initializer_list<LogText> parts) {
    if (!m_file.IsOpen()) return;
    try {
        std::string text;
        for (const LogText& part : parts) AppendUtf8(text, part);
        WriteLine(text);
    } catch (...) {
        m_file.Abort();
    }
}

void InstallLog::AppendUtf8(std::string& line, const LogText& part) {
    std::string visible = WithVisibleControlBytes(part.text);
    line += part.programText ? ProgramTextToUtf8(visible) : AnsiToUtf8(visible);
}

void InstallLog::WriteLine(std::string& utf8) {
    utf8 += "\r\n";
    m_file.Write(utf8.data(), static_cast<unsigned>(utf8.size()));
}

void InstallLog::Started(const std::tm& localTime, std::string_view packageFolder) {
    char time[32] = {};
    std::strftime(time, sizeof(time), "%Y-%m-%d %H:%M:%S", &localTime);
    Line({"start: ", time});
    Line({"package folder: ", packageFolder});
}

void InstallLog::DirectoryChosen(std::string_view directoryText, DirectorySource source) {
    Line({"directory: ", directoryText, " (", SourceText(source), ")"});
}

void InstallLog::DirectoryRefused(std::string_view reason) {
    Line({"directory refused: ", reason});
}

void InstallLog::DirectoryAccepted(std::string_view appDir) {
    Line({"directory accepted: ", appDir});
}

void InstallLog::Cancelled() { Line({"cancelled in the dialog"}); }

void InstallLog::RecordWritten(std::string_view path) { Line({"record: ", path, " written"}); }

void InstallLog::RecordNotWritten(std::string_view path, const CFileException& error) {
    FileErrorText text(error);
    MixedLine({"record: ", path, " not written: ", ProgramText(text.before), text.name,
               ProgramText(text.after), " (system error ", std::to_string(error.m_lOsError), ")"});
}

void InstallLog::FolderSecured(std::string_view folder, const FolderSecuring& securing) {
    switch (securing.result) {
        case FolderSecuring::Result::unchanged:
            return;
        case FolderSecuring::Result::secured:
            Line({"directory secured: ", folder});
            return;
        case FolderSecuring::Result::failed:
            Line({"directory not secured: ", folder, " (system error ",
                  std::to_string(securing.error), ")"});
            return;
    }
}

void InstallLog::UntrustedFilesFound(std::string_view folder, const UntrustedFiles& found) {
    if (found.unreadable)
        Line({"directory not checked: ", folder, " (system error ", std::to_string(found.error),
              ")"});
    for (const std::string& name : found.names)
        Line({"not trusted: ", folder, name, " (owned by no administrator)"});
}

void InstallLog::Copied(std::string_view source, std::string_view destination,
                        CopyOutcome outcome) {
    if (outcome)
        Line({"copy: ", source, " -> ", destination, ": ok"});
    else
        Line({"copy: ", source, " -> ", destination, ": failed (system error ",
              std::to_string(outcome.error), ")"});
}

void InstallLog::FolderNotHeld(std::string_view folder) {
    Line({"not held: ", folder, " (a link, or it cannot be opened): no copy into it is tried"});
}

void InstallLog::Registration(const ::Registration& registration) {
    ToolRun("registration: ", registration);
}

void InstallLog::Unregistration(const ::Registration& unregistration) {
    ToolRun("unregistration: ", unregistration);
}

void InstallLog::ToolRun(std::string_view kind, const ::Registration& run) {
    const std::string commandLine = "\"" + run.toolPath + "\" " + run.parameters;
    switch (run.outcome) {
        case RegistrationOutcome::exited:
            Line({kind, commandLine, ": exit code ", std::to_string(run.exitCode)});
            break;
        case RegistrationOutcome::stillRunning:
            Line({kind, commandLine, ": still running when the wait ended"});
            break;
        case RegistrationOutcome::notStarted:
            Line({kind, commandLine, ": not started"});
            break;
    }
}

void InstallLog::InstallationStopped(std::string_view what) {
    Line({"installation stopped: ", what});
}

void InstallLog::InstallationStoppedByCurrentException() {
    StoppedByCurrentException("installation stopped: ");
}

void InstallLog::RemovalStoppedByCurrentException() {
    StoppedByCurrentException("removal stopped: ");
}

void InstallLog::StoppedByCurrentException(std::string_view words) {
    try {
        throw;
    } catch (const CFileException& error) {
        FileErrorText text(error);
        MixedLine({words, ProgramText(text.before), text.name, ProgramText(text.after)});
    } catch (...) {
        MixedLine({words, ProgramText(AFX_TEXT_UNEXPECTED_ERROR)});
    }
}

void InstallLog::Summary(const InstallSummary& summary, const std::vector<TextPart>& result) {
    for (const ::Registration& registration : summary.registrations) Registration(registration);
    Line({"summary: files copied ", std::to_string(summary.filesCopied), ", not installed ",
          std::to_string(summary.failedFiles.size()), ", registrations ",
          std::to_string(summary.registrations.size())});
    for (const std::string& path : summary.failedFiles) Line({"not installed: ", path});
    Result(result);
}

void InstallLog::Result(const std::vector<TextPart>& result) {
    // The incomplete message runs over several lines: each is a line of the log,
    // ending in CR LF like every other; a CR already before its LF is not repeated.
    if (!m_file.IsOpen()) return;
    try {
        std::string line = "result: ";
        for (const TextPart& part : result) {
            std::string_view rest = part.bytes;
            const bool program = !part.fileNames;
            for (std::size_t end; (end = rest.find('\n')) != std::string_view::npos;) {
                std::string_view piece = rest.substr(0, end);
                if (piece.ends_with('\r')) piece.remove_suffix(1);
                AppendUtf8(line, {piece, program});
                WriteLine(line);
                line.clear();
                rest.remove_prefix(end + 1);
            }
            AppendUtf8(line, {rest, program});
        }
        WriteLine(line);
    } catch (...) {
        m_file.Abort();
    }
}

void InstallLog::RunLockNotTaken(const RunLock& lock, RunLockTaking taking) {
    if (taking == RunLockTaking::busy)
        Line({"another installation or removal is running"});
    else
        Line({"run lock: ", lock.Path(), " not taken (system error ", std::to_string(lock.Error()),
              ")"});
}

void InstallLog::Finished(int exitCode) { Line({"exit code: ", std::to_string(exitCode)}); }

void InstallLog::Removal(RemovalEvent event, std::string_view name) {
    struct Words {
        const char* before;
        const char* after;
    };
    static constexpr Words kWords[] = {
        {"removal: list ", ""},
        {"removal: no installed-files list", ""},
        {"removal: the installed-files list cannot be read: ", ""},
        {"removal: answered No", ""},
        {"folder removed: ", ""},
        {"record removed: ", ""},
        {"record kept: ", " (not exactly the record of a directory removed)"},
        {"kept, changed since it was installed: ", ""},
        {"not removed: ", ""},
        {"not unregistered: ", " (the file was gone: its registration stays)"},
        {"entry removed: ", ""},
        {"list removed: ", ""},
        {"copy of the installer: ", " removed"},
        {"list rewritten: ", ""},
        {"list not rewritten: ", ""},
    };
    static_assert(std::size(kWords) ==
                  static_cast<std::size_t>(RemovalEvent::listNotRewritten) + 1);
    const Words& words = kWords[static_cast<std::size_t>(event)];
    Line({words.before, name, words.after});
}

void InstallLog::Removal(RemovalEvent event, const std::vector<std::string>& names) {
    for (const std::string& name : names) Removal(event, name);
}

void InstallLog::RemovalCounts(int removed, std::size_t changed, std::size_t notRemoved,
                               std::size_t notUnregistered) {
    Line({"summary: files removed ", std::to_string(removed), ", changed ", std::to_string(changed),
          ", not removed ", std::to_string(notRemoved), ", not unregistered ",
          std::to_string(notUnregistered)});
}

void InstallLog::CopyMovedForRestart(std::string_view copy, std::string_view restartName) {
    Line({"copy of the installer: ", copy, " moved to ", restartName,
          ", removed at the next restart"});
}

void InstallLog::KeptForAnotherRemoval(std::string_view entry, std::string_view list,
                                       std::string_view copy) {
    Line({"kept for another removal: ", entry, ", ", list, ", ", copy});
}

}  // namespace tw
