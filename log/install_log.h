// The install log of /LOG=: one line per event of a run (log/log_events.h lists
// them with their words), appended to a file in UTF-8 (a new or empty file starts
// with the byte-order mark, so that Notepad shows the Chinese texts on any
// system). Names and paths arrive in the system's ANSI code page, the program's
// own texts (ProgramText) in code page 936. Control bytes of the texts are written
// visibly ("\x0A"), so that no text can start a line of its own. A log that cannot
// be opened for appending is reported to the run (which then ends before it writes
// anything); a write that fails later stays silent: nothing more of the run
// depends on it.
#pragma once

#include <concepts>
#include <ctime>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "framework/FileException.h"
#include "install/install_summary.h"
#include "log/log_events.h"
#include "log/log_platform.h"

namespace tw {

// A value of a log line: a name or path in the system's ANSI code page, a number,
// or, made with ProgramText, words of the program's own texts (code page 936).
// It only looks at the text it is given, which must outlive the line's writing: a
// value made at each of the many places that log costs the program next to nothing.
struct LogText {
    LogText(std::string_view ansi) : text(ansi) {}
    template <std::integral Number>
    requires(!std::same_as<Number, bool> && !std::same_as<Number, char>) LogText(Number value)
        : number(static_cast<long long>(value)), isNumber(true) {}
    LogText(std::string_view bytes, bool program) : text(bytes), programText(program) {}

    // The bytes of the value as the line holds them.
    std::string Bytes() const { return isNumber ? std::to_string(number) : std::string(text); }

    std::string_view text;
    long long number = 0;
    bool isNumber = false;
    bool programText = false;
};

inline LogText ProgramText(std::string_view text) { return {text, true}; }

// A file error's text in three values: the program's words around the file's name
// (ANSI), or around the program's name for an unnamed file. The values look at the
// object's own copy of the texts.
struct FileErrorText {
    explicit FileErrorText(const CFileException& error);
    FileErrorText(const FileErrorText&) = delete;
    FileErrorText& operator=(const FileErrorText&) = delete;

    LogText before, name, after;

private:
    std::string m_text, m_name;
};

// The time as the start's line shows it: "2024-05-07 09:05:03".
std::string StartTimeText(const std::tm& localTime);

// A piece of a message's text: the program's own words (code page 936) or the
// names of files (the system's ANSI code page). Each is turned into UTF-16 with
// its own code page before it is shown, and into UTF-8 for the log.
struct TextPart {
    std::string bytes;
    bool fileNames;
};

class InstallLog {
public:
    // An empty path makes a log that writes nothing.
    explicit InstallLog(const std::string& path);
    InstallLog(const InstallLog&) = delete;
    InstallLog& operator=(const InstallLog&) = delete;

    // True when a path was given and no file on disk could be opened there for
    // appending: a missing folder, a folder, a device, a file that is read-only or
    // held by another program.
    bool CannotBeOpened() const { return m_cannotBeOpened; }

    enum class ToolRun { registration, unregistration };

    // The event's line: its text (log_events.h) with the values in its holes, in
    // order. A line with a program text among its values is converted part by part,
    // any other as a whole.
    template <LogEvent event, class... Values>
    void Write(const Values&... values) {
        static_assert(HoleCount(TextOf(event)) == sizeof...(Values),
                      "one value for each {} of the event's text");
        WriteLine(TextOf(event), {LogText(values)...});
    }
    // The event's line once for each value.
    template <LogEvent event>
    void WriteEach(const std::vector<std::string>& values) {
        for (const std::string& value : values) Write<event>(value);
    }
    // A registration's or an unregistration's line: the tool's command line and how
    // it ended.
    void WriteToolRun(ToolRun kind, const ::Registration& run);
    enum class Stopped { installation, removal };
    // Call only inside a catch block: "installation stopped: " (or "removal
    // stopped: ") and the text of the exception being handled, as the framework's
    // report shows it.
    void WriteStopByCurrentException(Stopped what = Stopped::installation);
    // "result: " and the final message's text: its second and later lines follow as
    // lines of their own.
    void WriteResult(const std::vector<TextPart>& result);

private:
    template <LogEvent exited, LogEvent stillRunning, LogEvent notStarted>
    void WriteToolRunAs(const ::Registration& run);
    void WriteLine(std::string_view text, std::initializer_list<LogText> values);
    // part made visible and converted, added to line.
    static void AppendUtf8(std::string& line, const LogText& part);
    // Ends utf8 with CR LF and appends it to the file; a failure leaves as an exception.
    void Append(std::string& utf8);

    LogFile m_file;
    bool m_cannotBeOpened = false;
};

}  // namespace tw
