#include "app/command_line.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Case {
    const char* name;
    std::string line;
    bool silent;
    std::string directory;
    std::string logPath;
};

// 淺 ends in the byte "\", 程序 is plain code page 936.
#define SHALLOW "\x9C\x5C"
#define PROGRAM "\xB3\xCC\xD0\xF2"

const Case kCases[] = {
    {"no arguments", "\"C:\\Pkg\\Tarnwhistle.exe\"", false, "", ""},
    {"the program's name is never a switch", "/S", false, "", ""},
    {"nor a quoted one", "\"/D=C:\\x\" /LOG=a.log", false, "", "a.log"},
    {"case and tabs", "T.exe\t/s\t/log=C:\\l.txt  ", true, "", "C:\\l.txt"},
    {"/D= is the rest of the line, blanks and all",
     "\"C:\\Program Files\\T.exe\" /S /D=C:\\My Apps\\V q", true, "C:\\My Apps\\V q", ""},
    {"blanks around the value dropped", "T.exe /d=   C:\\x \t ", false, "C:\\x", ""},
    {"value in quotes", "T.exe /S /D=\"C:\\My Apps\"  ", true, "C:\\My Apps", ""},
    {"whole switch in quotes", "T.exe /S \"/D=C:\\My Apps\"", true, "C:\\My Apps", ""},
    {"quotes inside the value stay", "T.exe /D=C:\\a\"b\"c", false, "C:\\a\"b\"c", ""},
    {"an empty /D= gives no directory", "T.exe /S /D=", true, "", ""},
    {"nor do quotes and blanks alone", "T.exe /D=\"  \" ", false, "", ""},
    {"/LOG= and /S after /D= belong to the directory", "T.exe /D=C:\\x /LOG=l.txt /S", false,
     "C:\\x /LOG=l.txt /S", ""},
    {"log path quoted with blanks", "T.exe \"/LOG=C:\\My Logs\\a.log\" /S", true, "",
     "C:\\My Logs\\a.log"},
    {"log value quoted, the last /LOG= wins", "T.exe /LOG=a.log /Log=\"C:\\My Logs\\b.log\"", false,
     "", "C:\\My Logs\\b.log"},
    {"an empty /LOG= is no log", "T.exe /LOG=a.log /LOG= /LOG=\"\"", false, "", ""},
    {"unknown arguments change nothing",
     "T.exe /SILENT -S S /Dir=C:\\y /D C:\\z /LOGFILE=x \"/S x\" /S /D=C:\\x", true, "C:\\x", ""},
    {"code page 936 directory, trail byte \\ before the closing quote",
     "T.exe \"/D=D:\\" PROGRAM "\\" SHALLOW "\" ", false, "D:\\" PROGRAM "\\" SHALLOW, ""},
    {"code page 936 log path", "T.exe /LOG=\"D:\\" SHALLOW " " PROGRAM ".log\"", false, "",
     "D:\\" SHALLOW " " PROGRAM ".log"},
    {"a lead byte takes a trail byte along", "T.exe /LOG=\x81\x40\x81\x7E.log /S", true, "",
     "\x81\x40\x81\x7E.log"},
    {"but never a blank: /S stays a switch", "T.exe \x81 /S", true, "", ""},
    {"nor a tab", "T.exe /LOG=a\xFE\t/S", true, "", "a\xFE"},
    {"nor a closing quote", "T.exe /D=\"C:\\x\x81\"", false, "C:\\x\x81", ""},
    {"nor DEL or 0xFF", "T.exe /LOG=\x81\x7F\x81\xFF\"\" /S", true, "", "\x81\x7F\x81\xFF"},
};

// The same answers whichever bytes the system takes as lead bytes: code page 936,
// a single-byte code page such as 1252, and the running system's.
TEST(InstallerSwitches, ParsedFromTheRawCommandLine) {
    for (tw::LeadBytePredicate isLead : {tw::LeadBytePredicate{tw::IsCp936LeadByte},
                                         tw::LeadBytePredicate{tw::IsSingleByteLeadByte},
                                         tw::LeadBytePredicate{tw::IsSystemLeadByte}}) {
        for (const Case& c : kCases) {
            SCOPED_TRACE(c.name);
            tw::InstallerSwitches switches = tw::ParseInstallerSwitches(c.line, isLead);
            EXPECT_EQ(switches.silent, c.silent);
            EXPECT_EQ(switches.directory, c.directory);
            EXPECT_EQ(switches.logPath, c.logPath);
        }
    }
}

struct RemovalCase {
    const char* line;
    bool uninstall;
    bool silent;
    std::string logPath;
};

TEST(InstallerSwitches, RemovalSwitch) {
    const RemovalCase cases[] = {
        {"T.exe /U", true, false, ""},
        {"\"C:\\Program Files (x86)\\Tarnwhistle\\Tarnwhistle.exe\" /U /S", true, true, ""},
        {"T.exe /s /u \"/LOG=C:\\My Logs\\r.log\"", true, true, "C:\\My Logs\\r.log"},
        {"/U", false, false, ""},                          // the program's name
        {"T.exe /UNINSTALL -U U /U=1", false, false, ""},  // not the switch
        {"T.exe /D=C:\\x /U", false, false, ""},           // part of the directory
        {"T.exe \"/U\"", true, false, ""},
    };
    for (const RemovalCase& c : cases) {
        SCOPED_TRACE(c.line);
        tw::InstallerSwitches switches = tw::ParseInstallerSwitches(c.line);
        EXPECT_EQ(switches.uninstall, c.uninstall);
        EXPECT_EQ(switches.silent, c.silent);
        EXPECT_EQ(switches.logPath, c.logPath);
    }
}

// On a code page 1252 system "é" (0xE9) is a letter of its own, not the lead byte
// it is in code page 936: the quote after it closes the log path.
TEST(InstallerSwitches, ASingleByteCodePageKeepsTheSwitchAfterAnAccent) {
    const tw::InstallerSwitches switches =
        tw::ParseInstallerSwitches("T.exe \"/LOG=C:\\caf\xE9\" /S", tw::IsSingleByteLeadByte);
    EXPECT_TRUE(switches.silent);
    EXPECT_EQ(switches.logPath, "C:\\caf\xE9");
}

// An empty /D= is told from none: a silent run refuses it.
TEST(InstallerSwitches, AnEmptyDirectoryIsToldFromNone) {
    struct {
        const char* line;
        bool given;
    } cases[] = {
        {"T.exe /S", false},        {"T.exe /S /D=", true},      {"T.exe /S /D=\"  \"  ", true},
        {"T.exe /S \"/D=\"", true}, {"T.exe /S /D=C:\\x", true}, {"T.exe /S /Dir=", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(tw::ParseInstallerSwitches(c.line).directoryGiven, c.given) << c.line;
}

}  // namespace
