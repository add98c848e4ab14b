// The switches on arbitrary command lines: nothing is read out of bounds, "/D="
// always takes the rest of the line (bare, value quoted or whole switch quoted),
// an unknown argument placed first changes nothing, the same switches come out
// whichever bytes the system takes as lead bytes (code page 936 or 1252), and a
// switch after a blank is seen whatever byte stands before the blank.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/command_line.h"
#include "fuzz/fuzz_check.h"

namespace {

constexpr std::string_view kProgram = "\"C:\\Program Files\\T\\Tarnwhistle.exe\" ";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string WithoutQuotes(std::string_view text) {
    std::string kept;
    for (char c : text)
        if (c != '"') kept += c;
    return kept;
}

bool StartsWithUpper(const std::string& text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if ((text[i] >= 'a' && text[i] <= 'z' ? text[i] - 32 : text[i]) != prefix[i]) return false;
    return true;
}

// An argument of printable ASCII without quotes or blanks that is none of the
// switches; empty when word cannot make one.
std::string UnknownArgument(std::string_view word) {
    std::string argument;
    for (char c : word)
        if (c > ' ' && c < 0x7F && c != '"') argument += c;
    bool known = (argument.size() == 2 &&
                  (StartsWithUpper(argument, "/S") || StartsWithUpper(argument, "/U"))) ||
                 StartsWithUpper(argument, "/D=") || StartsWithUpper(argument, "/LOG=");
    return known ? std::string() : argument;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    if (size > 1200) return 0;
    // Three parts, cut at the first two zero bytes: a line's arguments, a word, a directory.
    std::string_view input(reinterpret_cast<const char*>(data), size);
    size_t cut1 = input.find('\0');
    std::string_view rest = input.substr(0, cut1);
    std::string_view word = cut1 == std::string_view::npos ? "" : input.substr(cut1 + 1);
    size_t cut2 = word.find('\0');
    std::string_view value = cut2 == std::string_view::npos ? "" : word.substr(cut2 + 1);
    word = word.substr(0, cut2);

    const std::string line = std::string(kProgram) + std::string(rest);
    const tw::InstallerSwitches parsed = tw::ParseInstallerSwitches(line, tw::IsCp936LeadByte);
    tw::ParseInstallerSwitches(rest);  // the program's name is arbitrary too
    Check(tw::ParseInstallerSwitches(line, tw::IsSingleByteLeadByte) == parsed);

    // A lead byte never takes the blank after it along.
    std::string plain;
    for (char c : word)
        if (!IsBlank(c) && c != '"') plain += c;
    if (!StartsWithUpper(plain, "/D="))
        Check(tw::ParseInstallerSwitches(std::string(kProgram) + plain + " /S").silent);

    std::string unknown = UnknownArgument(word);
    if (!unknown.empty())
        Check(tw::ParseInstallerSwitches(std::string(kProgram) + unknown + " " +
                                         std::string(rest)) == parsed);

    // The directory: no quotes, no blank at either end, not empty.
    std::string directory = WithoutQuotes(value);
    while (!directory.empty() && IsBlank(directory.front())) directory.erase(0, 1);
    while (!directory.empty() && IsBlank(directory.back())) directory.pop_back();
    if (directory.empty()) return 0;
    // The arguments before it, without quotes.
    std::string before = std::string(kProgram) + WithoutQuotes(word) + "\t ";
    bool earlierSwitch = before.find('=') != std::string::npos;

    tw::InstallerSwitches bare = tw::ParseInstallerSwitches(before + "/D=" + directory);
    Check(bare.directory.size() >= directory.size() &&
          bare.directory.compare(bare.directory.size() - directory.size(), directory.size(),
                                 directory) == 0);
    if (earlierSwitch) return 0;
    Check(bare.directory == directory);
    // A quote is never the partner of a lead byte before it.
    Check(tw::ParseInstallerSwitches(before + "/D=\"" + directory + "\"").directory == directory);
    Check(tw::ParseInstallerSwitches(before + "\"/D=" + directory + "\" ").directory == directory);
    return 0;
}
