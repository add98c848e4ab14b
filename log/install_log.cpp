#include "log/install_log.h"

#include <algorithm>
#include <string>
#include <vector>

#include "framework/afx_texts.h"
#include "log/log_platform.h"

namespace tw {

namespace {

// Created when missing, never cut; others may read it while the run writes; no
// registration tool inherits the handle.
constexpr unsigned kLogOpenFlags = CFile::modeCreate | CFile::modeNoTruncate | CFile::modeWrite |
                                   CFile::shareDenyWrite | CFile::modeNoInherit | CFile::typeBinary;
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

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

FileErrorText::FileErrorText(const CFileException& error)
    : before(""), name(""), after(ProgramText("")), m_text(error.GetErrorText()) {
    const std::string_view text = m_text;
    const std::size_t at = text.find("%1");
    if (at == std::string_view::npos) {
        before = ProgramText(text);
        return;
    }
    before = ProgramText(text.substr(0, at));
    after = ProgramText(text.substr(at + 2));
    if (error.m_strFileName.IsEmpty()) {
        name = ProgramText(AFX_TEXT_UNNAMED_FILE);
    } else {
        m_name.assign(error.m_strFileName.GetString(),
                      static_cast<std::size_t>(error.m_strFileName.GetLength()));
        name = LogText(m_name);
    }
}

std::string StartTimeText(const std::tm& localTime) {
    char time[32] = {};
    std::strftime(time, sizeof(time), "%Y-%m-%d %H:%M:%S", &localTime);
    return time;
}

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

void InstallLog::WriteLine(std::string_view text, std::initializer_list<LogText> values) {
    if (!m_file.IsOpen()) return;
    try {
        // The event's words and the values between them, in order.
        std::vector<LogText> parts;
        const LogText* value = values.begin();
        for (std::size_t hole; (hole = text.find("{}")) != std::string_view::npos;) {
            parts.emplace_back(text.substr(0, hole));
            parts.push_back(*value++);
            text.remove_prefix(hole + 2);
        }
        parts.emplace_back(text);
        std::string line;
        if (std::any_of(values.begin(), values.end(),
                        [](const LogText& part) { return part.programText; })) {
            for (const LogText& part : parts) AppendUtf8(line, part);
        } else {
            std::string ansi;
            for (const LogText& part : parts) ansi += part.Bytes();
            line = AnsiToUtf8(WithVisibleControlBytes(ansi));
        }
        Append(line);
    } catch (...) {
        // A log that failed once is not trusted with more: half lines help nobody.
        m_file.Abort();
    }
}

void InstallLog::AppendUtf8(std::string& line, const LogText& part) {
    std::string visible = WithVisibleControlBytes(part.Bytes());
    line += part.programText ? ProgramTextToUtf8(visible) : AnsiToUtf8(visible);
}

void InstallLog::Append(std::string& utf8) {
    utf8 += "\r\n";
    m_file.Write(utf8.data(), static_cast<unsigned>(utf8.size()));
}

void InstallLog::WriteToolRun(ToolRun kind, const ::Registration& run) {
    if (kind == ToolRun::registration)
        WriteToolRunAs<LogEvent::registrationExited, LogEvent::registrationStillRunning,
                       LogEvent::registrationNotStarted>(run);
    else
        WriteToolRunAs<LogEvent::unregistrationExited, LogEvent::unregistrationStillRunning,
                       LogEvent::unregistrationNotStarted>(run);
}

template <LogEvent exited, LogEvent stillRunning, LogEvent notStarted>
void InstallLog::WriteToolRunAs(const ::Registration& run) {
    switch (run.outcome) {
        case RegistrationOutcome::exited:
            Write<exited>(run.toolPath, run.parameters, run.exitCode);
            break;
        case RegistrationOutcome::stillRunning:
            Write<stillRunning>(run.toolPath, run.parameters);
            break;
        case RegistrationOutcome::notStarted:
            Write<notStarted>(run.toolPath, run.parameters);
            break;
        case RegistrationOutcome::atRestart:  // registrations only
            Write<LogEvent::registrationAtRestart>(run.toolPath, run.parameters);
            break;
    }
}

void InstallLog::WriteStopByCurrentException(Stopped what) {
    const bool removal = what == Stopped::removal;
    try {
        throw;
    } catch (const CFileException& error) {
        const FileErrorText text(error);
        if (removal)
            Write<LogEvent::removalStoppedByFileError>(text.before, text.name, text.after);
        else
            Write<LogEvent::installationStoppedByFileError>(text.before, text.name, text.after);
    } catch (...) {
        const LogText words = ProgramText(AFX_TEXT_UNEXPECTED_ERROR);
        if (removal)
            Write<LogEvent::removalStopped>(words);
        else
            Write<LogEvent::installationStopped>(words);
    }
}

void InstallLog::WriteResult(const std::vector<TextPart>& result) {
    // The incomplete message runs over several lines: each is a line of the log,
    // ending in CR LF like every other; a CR already before its LF is not repeated.
    if (!m_file.IsOpen()) return;
    try {
        constexpr std::string_view kText = TextOf(LogEvent::result);
        static_assert(kText.ends_with("{}") && HoleCount(kText) == 1);
        std::string line(kText.substr(0, kText.size() - 2));
        for (const TextPart& part : result) {
            std::string_view rest = part.bytes;
            const bool program = !part.fileNames;
            for (std::size_t end; (end = rest.find('\n')) != std::string_view::npos;) {
                std::string_view piece = rest.substr(0, end);
                if (piece.ends_with('\r')) piece.remove_suffix(1);
                AppendUtf8(line, {piece, program});
                Append(line);
                line.clear();
                rest.remove_prefix(end + 1);
            }
            AppendUtf8(line, {rest, program});
        }
        Append(line);
    } catch (...) {
        m_file.Abort();
    }
}

}  // namespace tw
