#include "app/command_line.h"

#include <cstddef>

#include "common/path_rules.h"

namespace tw {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Bytes of the character at text[at]: a lead byte takes the next byte with it.
std::size_t CharacterLength(std::string_view text, std::size_t at) {
    bool lead = IsCp936LeadByte(static_cast<unsigned char>(text[at]));
    return lead && at + 1 < text.size() ? 2 : 1;
}

bool IsBlankCharacter(std::string_view text, std::size_t at) {
    return CharacterLength(text, at) == 1 && IsBlank(text[at]);
}

// text without blanks at either end. Neither a blank nor a quote is ever a trail
// byte, but a lead byte before one takes it along, so the end is found by
// walking whole characters.
std::string_view WithoutOuterBlanks(std::string_view text) {
    std::size_t first = 0;
    while (first < text.size() && IsBlank(text[first])) ++first;
    std::size_t end = first;
    for (std::size_t at = first; at < text.size(); at += CharacterLength(text, at))
        if (!IsBlankCharacter(text, at)) end = at + CharacterLength(text, at);
    return text.substr(first, end - first);
}

bool EndsWithQuoteCharacter(std::string_view text) {
    std::size_t last = 0;
    for (std::size_t at = 0; at < text.size(); at += CharacterLength(text, at)) last = at;
    return !text.empty() && last + 1 == text.size() && text[last] == '"';
}

char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// prefix is upper-case ASCII.
bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (UpperAscii(text[i]) != prefix[i]) return false;
    return true;
}

bool EqualsIgnoringCase(std::string_view text, std::string_view upper) {
    return text.size() == upper.size() && StartsWithIgnoringCase(text, upper);
}

// The value of /D=: rest is the line after "/D="; insideQuotes tells whether a
// quote opened before the switch ("/D=C:\My Apps"). The quote opening the value
// and the quotes closing it, or the whole switch, are dropped.
std::string DirectoryValue(std::string_view rest, bool insideQuotes) {
    int closingQuotes = insideQuotes ? 1 : 0;
    rest = WithoutOuterBlanks(rest);
    if (!rest.empty() && rest.front() == '"') {
        rest.remove_prefix(1);
        ++closingQuotes;
    }
    rest = WithoutOuterBlanks(rest);
    for (; closingQuotes > 0 && EndsWithQuoteCharacter(rest); --closingQuotes)
        rest = WithoutOuterBlanks(rest.substr(0, rest.size() - 1));
    return std::string(rest);
}

}  // namespace

InstallerSwitches ParseInstallerSwitches(std::string_view line) {
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
            std::size_t length = CharacterLength(line, at);
            argument.append(line.substr(at, length));
            at += length;
            if (!programName && EqualsIgnoringCase(argument, "/D=")) {
                switches.directory = DirectoryValue(line.substr(at), insideQuotes);
                return switches;
            }
        }

        if (programName)
            programName = false;
        else if (EqualsIgnoringCase(argument, "/S"))
            switches.silent = true;
        else if (EqualsIgnoringCase(argument, "/U"))
            switches.uninstall = true;
        else if (StartsWithIgnoringCase(argument, "/LOG="))
            switches.logPath = argument.substr(5);
    }
}

}  // namespace tw
