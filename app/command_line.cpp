#include "app/command_line.h"

#include <cstddef>

namespace tw {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The bytes that follow a lead byte in the double-byte code pages of Windows.
bool CanBeTrailByte(char c) {
    auto byte = static_cast<unsigned char>(c);
    return byte >= 0x40 && byte <= 0xFE && byte != 0x7F;
}

// Walks a command line character by character in the system's code page.
class Characters {
public:
    explicit Characters(LeadBytePredicate isLead) : m_isLead(isLead) {}

    // Bytes of the character at text[at]: a lead byte takes the next byte with it
    // when that can be its trail byte.
    std::size_t Length(std::string_view text, std::size_t at) const {
        bool lead = m_isLead(static_cast<unsigned char>(text[at]));
        return lead && at + 1 < text.size() && CanBeTrailByte(text[at + 1]) ? 2 : 1;
    }

    // text without blanks at either end. A blank is never a trail byte, so those at
    // the start are found byte by byte; the end is found by walking whole characters.
    std::string_view WithoutOuterBlanks(std::string_view text) const {
        std::size_t first = 0;
        while (first < text.size() && IsBlank(text[first])) ++first;
        std::size_t end = first;
        for (std::size_t at = first; at < text.size(); at += Length(text, at))
            if (Length(text, at) > 1 || !IsBlank(text[at])) end = at + Length(text, at);
        return text.substr(first, end - first);
    }

    bool EndsWithQuote(std::string_view text) const {
        std::size_t last = 0;
        for (std::size_t at = 0; at < text.size(); at += Length(text, at)) last = at;
        return !text.empty() && last + 1 == text.size() && text[last] == '"';
    }

    // The value of /D=: rest is the line after "/D="; insideQuotes tells whether a
    // quote opened before the switch ("/D=C:\My Apps"). The quote opening the value
    // and the quotes closing it, or the whole switch, are dropped.
    std::string DirectoryValue(std::string_view rest, bool insideQuotes) const {
        int closingQuotes = insideQuotes ? 1 : 0;
        rest = WithoutOuterBlanks(rest);
        if (!rest.empty() && rest.front() == '"') {
            rest.remove_prefix(1);
            ++closingQuotes;
        }
        rest = WithoutOuterBlanks(rest);
        for (; closingQuotes > 0 && EndsWithQuote(rest); --closingQuotes)
            rest = WithoutOuterBlanks(rest.substr(0, rest.size() - 1));
        return std::string(rest);
    }

private:
    LeadBytePredicate m_isLead;
};

}  // namespace

InstallerSwitches ParseInstallerSwitches(std::string_view line, LeadBytePredicate isLead) {
    const Characters characters(isLead);
    InstallerSwitches switches;
    bool programName = true;  // the first argument names the program and is never a switch
    std::size_t at = 0;
    for (;;) {
        while (at < line.size() && IsBlank(line[at])) ++at;
        if (at == line.size()) return switches;

        std::string argument;
        bool insideQuotes = false;
        while (at < line.size() && (insideQuotes || !IsBlank(line[at]))) {
            if (line[at] == '"') {
                insideQuotes = !insideQuotes;
                ++at;
                continue;
            }
            std::size_t length = characters.Length(line, at);
            argument.append(line.substr(at, length));
            at += length;
            if (!programName && EqualsIgnoringCase(argument, "/d=")) {
                switches.directory = characters.DirectoryValue(line.substr(at), insideQuotes);
                switches.directoryGiven = true;
                return switches;
            }
        }

        if (programName)
            programName = false;
        else if (EqualsIgnoringCase(argument, "/s"))
            switches.silent = true;
        else if (EqualsIgnoringCase(argument, "/u"))
            switches.uninstall = true;
        else if (EqualsIgnoringCase(std::string_view(argument).substr(0, 5), "/log="))
            switches.logPath = argument.substr(5);
    }
}

}  // namespace tw
