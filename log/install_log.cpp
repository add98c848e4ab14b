#include "log/install_log.h"

#include <string>

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
        std::string text = AnsiToUtf8(WithVisibleControlBytes(line)) + "\r\n";
        m_file.Write(text.data(), static_cast<unsigned>(text.size()));
    } catch (...) {
        // A log that failed once is not trusted with more: half lines help nobody.
        m_file.Abort();
    }
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
    Line({"record: ", path, " not written: ", error.GetErrorMessage().GetString(),
          " (system error ", std::to_string(error.m_lOsError), ")"});
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

void InstallLog::Registration(const ::Registration& registration) {
    const std::string commandLine = "\"" + registration.toolPath + "\" " + registration.parameters;
    switch (registration.outcome) {
        case RegistrationOutcome::exited:
            Line({"registration: ", commandLine, ": exit code ",
                  std::to_string(registration.exitCode)});
            break;
        case RegistrationOutcome::stillRunning:
            Line({"registration: ", commandLine, ": still running when the wait ended"});
            break;
        case RegistrationOutcome::notStarted:
            Line({"registration: ", commandLine, ": not started"});
            break;
    }
}

void InstallLog::InstallationStopped(std::string_view what) {
    Line({"installation stopped: ", what});
}

void InstallLog::Summary(const InstallSummary& summary, std::string_view resultText) {
    for (const ::Registration& registration : summary.registrations) Registration(registration);
    Line({"summary: files copied ", std::to_string(summary.filesCopied), ", not installed ",
          std::to_string(summary.failedFiles.size()), ", registrations ",
          std::to_string(summary.registrations.size())});
    for (const std::string& path : summary.failedFiles) Line({"not installed: ", path});
    // The incomplete message runs over several lines: each is a line of the log,
    // ending in CR LF like every other; a CR already before its LF is not repeated.
    std::string_view prefix = "result: ";
    for (;;) {
        std::size_t end = resultText.find('\n');
        std::string_view line = resultText.substr(0, end);
        if (end != std::string_view::npos && line.ends_with('\r')) line.remove_suffix(1);
        Line({prefix, line});
        if (end == std::string_view::npos) break;
        resultText.remove_prefix(end + 1);
        prefix = {};
    }
}

void InstallLog::Finished(int exitCode) { Line({"exit code: ", std::to_string(exitCode)}); }

}  // namespace tw
