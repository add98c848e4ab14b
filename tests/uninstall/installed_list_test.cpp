#include "uninstall/installed_list.h"

#include <gtest/gtest.h>

#include <string>

#include "common/sha256.h"

namespace {

using tw::FileRole;
using tw::InstalledList;
using tw::ListedFile;

tw::Sha256Digest Digest(unsigned char fill) {
    tw::Sha256Digest digest{};
    digest.fill(fill);
    digest[31] = 0x0F;
    return digest;
}

const std::string kHexA = "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa0f";
const std::string kHexB = "bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb0f";

TEST(InstalledList, WrittenByteForByte) {
    InstalledList list;
    list.appDirs = {"C:\\Program Files\\V q\\"};
    list.recordPaths = {"C:\\ZAVIDAR.CFG"};
    list.files = {{"C:\\Program Files\\V q\\regsvr32.exe", Digest(0xAA), 4096, FileRole::tool},
                  {"C:\\Program Files\\V q\\Driver\\\xB3\xCC.dll", Digest(0xBB), 0, FileRole::dll},
                  {"C:\\Program Files\\V q\\readme.txt", Digest(0xAA), 12, FileRole::file}};
    const std::string expected =
        "Tarnwhistle installed files 1\r\n"
        "appdir\tC:\\Program Files\\V q\\\r\n"
        "record\tC:\\ZAVIDAR.CFG\r\n"
        "tool\t" +
        kHexA +
        "\t4096\tC:\\Program Files\\V q\\regsvr32.exe\r\n"
        "dll\t" +
        kHexB +
        "\t0\tC:\\Program Files\\V q\\Driver\\\xB3\xCC.dll\r\n"
        "file\t" +
        kHexA + "\t12\tC:\\Program Files\\V q\\readme.txt\r\n";
    EXPECT_EQ(tw::FormatInstalledList(list), expected);
    EXPECT_EQ(tw::ParseInstalledList(expected), list);
}

TEST(InstalledList, PathsALineCannotCarryAreNeverWritten) {
    for (const char* path : {"C:\\a\tb", "C:\\a\r\nfile", "", "C:\\\x01"}) {
        SCOPED_TRACE(path);
        InstalledList dirs{{path}, {}, {}};
        InstalledList records{{}, {path}, {}};
        InstalledList files{{}, {}, {{path, Digest(1), 1, FileRole::file}}};
        EXPECT_FALSE(tw::FormatInstalledList(dirs));
        EXPECT_FALSE(tw::FormatInstalledList(records));
        EXPECT_FALSE(tw::FormatInstalledList(files));
    }
}

TEST(InstalledList, AnythingNotWrittenByTheWriterIsRefused) {
    const std::string header = "Tarnwhistle installed files 1\r\n";
    const std::string line = "file\t" + kHexA + "\t12\tC:\\a\\b.txt\r\n";
    struct Case {
        const char* name;
        std::string bytes;
        bool accepted;
    };
    const Case cases[] = {
        {"header alone", header, true},
        {"header and a file", header + line, true},
        {"digest in upper case", header + "file\t" + std::string(62, 'A') + "0F\t1\tC:\\a\r\n",
         true},
        {"empty", "", false},
        {"another version", "Tarnwhistle installed files 2\r\n", false},
        {"header without CR", "Tarnwhistle installed files 1\n", false},
        {"last line cut short", header + line.substr(0, line.size() - 2), false},
        {"unknown role", header + "exe\t" + kHexA + "\t1\tC:\\a\r\n", false},
        {"digest too short", header + "file\t" + kHexA.substr(1) + "\t1\tC:\\a\r\n", false},
        {"digest not hex", header + "file\t" + std::string(63, 'a') + "g\t1\tC:\\a\r\n", false},
        {"size not a number", header + "file\t" + kHexA + "\t1x\tC:\\a\r\n", false},
        {"size with a leading zero", header + "file\t" + kHexA + "\t01\tC:\\a\r\n", false},
        {"size negative", header + "file\t" + kHexA + "\t-1\tC:\\a\r\n", false},
        {"size too large", header + "file\t" + kHexA + "\t18446744073709551616\tC:\\a\r\n", false},
        {"empty path", header + "file\t" + kHexA + "\t1\t\r\n", false},
        {"a fifth field", header + "file\t" + kHexA + "\t1\tC:\\a\tx\r\n", false},
        {"appdir with two fields", header + "appdir\tC:\\a\tC:\\b\r\n", false},
        {"empty appdir", header + "appdir\t\r\n", false},
        {"unknown two-field line", header + "folder\tC:\\a\r\n", false},
        {"blank line", header + "\r\n", false},
        {"a control byte in a path", header + "record\tC:\\\x01.cfg\r\n", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(tw::ParseInstalledList(c.bytes).has_value(), c.accepted);
    }
}

TEST(InstalledList, LaterInstallationsAreMergedIn) {
    const ListedFile tool{"C:\\V\\regsvr32.exe", Digest(1), 10, FileRole::tool};
    const ListedFile dll{"C:\\V\\Driver\\a.dll", Digest(2), 20, FileRole::dll};
    const ListedFile readme{"C:\\V\\readme.txt", Digest(3), 30, FileRole::file};
    struct Case {
        const char* name;
        InstalledList earlier;
        InstalledList later;
        InstalledList merged;
    };
    const Case cases[] = {
        {"first installation",
         {},
         {{"C:\\V\\"}, {"C:\\ZAVIDAR.CFG"}, {tool, dll}},
         {{"C:\\V\\"}, {"C:\\ZAVIDAR.CFG"}, {tool, dll}}},
        {"reinstall: same files get new digests and sizes, in their places",
         {{"C:\\V\\"}, {"C:\\ZAVIDAR.CFG"}, {tool, dll, readme}},
         {{"c:\\v\\"},
          {"c:\\zavidar.cfg"},
          {{"C:\\V\\README.TXT", Digest(9), 99, FileRole::file},
           {"C:\\V\\Driver\\A.dll", Digest(8), 88, FileRole::dll}}},
         {{"C:\\V\\"},
          {"C:\\ZAVIDAR.CFG"},
          {tool,
           {"C:\\V\\Driver\\A.dll", Digest(8), 88, FileRole::dll},
           {"C:\\V\\README.TXT", Digest(9), 99, FileRole::file}}}},
        {"a DLL registered before stays one to unregister when this run's registration failed",
         {{"C:\\V\\"}, {}, {dll}},
         {{"C:\\V\\"}, {}, {{dll.path, Digest(7), 21, FileRole::file}}},
         {{"C:\\V\\"}, {}, {{dll.path, Digest(7), 21, FileRole::dll}}}},
        {"a file registered only now becomes a DLL to unregister",
         {{"C:\\V\\"}, {}, {{dll.path, Digest(7), 21, FileRole::file}}},
         {{"C:\\V\\"}, {}, {dll}},
         {{"C:\\V\\"}, {}, {dll}}},
        {"a DLL in doubt becomes registered once a registration succeeds",
         {{"C:\\V\\"}, {}, {{dll.path, Digest(7), 21, FileRole::dllInDoubt}}},
         {{"C:\\V\\"}, {}, {dll}},
         {{"C:\\V\\"}, {}, {dll}}},
        {"a registered DLL stays registered when this run's registration is in doubt",
         {{"C:\\V\\"}, {}, {dll}},
         {{"C:\\V\\"}, {}, {{dll.path, Digest(7), 21, FileRole::dllInDoubt}}},
         {{"C:\\V\\"}, {}, {{dll.path, Digest(7), 21, FileRole::dll}}}},
        {"a DLL in doubt stays in doubt when this run did not register it",
         {{"C:\\V\\"}, {}, {{dll.path, Digest(7), 21, FileRole::dllInDoubt}}},
         {{"C:\\V\\"}, {}, {{dll.path, Digest(6), 22, FileRole::file}}},
         {{"C:\\V\\"}, {}, {{dll.path, Digest(6), 22, FileRole::dllInDoubt}}}},
        {"files of an earlier run that this run did not copy stay listed",
         {{"C:\\V\\"}, {}, {tool, readme}},
         {{"C:\\V\\"}, {}, {dll}},
         {{"C:\\V\\"}, {}, {tool, readme, dll}}},
        {"another application directory and another record are added after the first",
         {{"C:\\V\\"}, {"C:\\ZAVIDAR.CFG"}, {readme}},
         {{"D:\\W\\"}, {"D:\\ZAVIDAR.CFG"}, {{"D:\\W\\readme.txt", Digest(3), 30}}},
         {{"C:\\V\\", "D:\\W\\"},
          {"C:\\ZAVIDAR.CFG", "D:\\ZAVIDAR.CFG"},
          {readme, {"D:\\W\\readme.txt", Digest(3), 30}}}},
        // The trail byte 0x5C of a double-byte character is no separator and
        // 0xC3 0x61 is not 0xC3 0x41: names differ where a byte-wise case fold
        // would join them.
        {"double-byte characters are compared exactly",
         {{}, {}, {{"C:\\V\\\xC3\x61.txt", Digest(1), 1}}},
         {{}, {}, {{"C:\\V\\\xC3\x41.txt", Digest(2), 2}}},
         {{}, {}, {{"C:\\V\\\xC3\x61.txt", Digest(1), 1}, {"C:\\V\\\xC3\x41.txt", Digest(2), 2}}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        InstalledList merged = tw::MergeInstalledLists(c.earlier, c.later);
        EXPECT_EQ(merged, c.merged);
        // What is merged is what the next run reads back.
        EXPECT_EQ(tw::ParseInstalledList(tw::FormatInstalledList(merged).value_or("")), merged);
    }
}

TEST(Sha256, TheLibrarysDigestInHex) {
    struct Case {
        std::string input;
        const char* hex;
    };
    const Case cases[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {std::string(1000000, 'a'),
         "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const Case& c : cases) {
        tw::Sha256 hash;
        // In two pieces: the digest is of everything added.
        std::size_t half = c.input.size() / 2;
        ASSERT_TRUE(hash.Update(c.input.data(), half));
        ASSERT_TRUE(hash.Update(c.input.data() + half, c.input.size() - half));
        std::optional<tw::Sha256Digest> digest = hash.Finish();
        ASSERT_TRUE(digest);
        EXPECT_EQ(tw::ToHex(*digest), c.hex);
        EXPECT_EQ(tw::FromHex(c.hex), digest);
        EXPECT_FALSE(hash.Finish()) << "a finished hash gives no second digest";
    }
}

// The role of a DLL whose registration is in doubt, written and read back; a list
// written before that role existed reads as it always did.
TEST(InstalledList, ADllInDoubtHasARoleOfItsOwn) {
    const InstalledList list{
        {"C:\\V\\"}, {}, {{"C:\\V\\Driver\\b.dll", Digest(4), 5, FileRole::dllInDoubt}}};
    const std::string bytes = "Tarnwhistle installed files 1\r\nappdir\tC:\\V\\\r\ndll-in-doubt\t" +
                              tw::ToHex(Digest(4)) + "\t5\tC:\\V\\Driver\\b.dll\r\n";
    EXPECT_EQ(tw::FormatInstalledList(list), bytes);
    EXPECT_EQ(tw::ParseInstalledList(bytes), list);
    EXPECT_FALSE(tw::ParseInstalledList("Tarnwhistle installed files 1\r\ndll-in-doub\t" +
                                        tw::ToHex(Digest(4)) + "\t5\tC:\\b.dll\r\n"));
    EXPECT_TRUE(tw::IsUnregistered(FileRole::dllInDoubt));
    EXPECT_TRUE(tw::IsUnregistered(FileRole::dll));
    EXPECT_FALSE(tw::IsUnregistered(FileRole::file));
    EXPECT_FALSE(tw::IsUnregistered(FileRole::tool));
}

}  // namespace

namespace {

const std::string kFolders =
    "Tarnwhistle installed files 1\r\n"
    "appdir\tC:\\Program Files\\V\\\r\n"
    "given\tC:\\PROGRA~1\\V\\\r\n"
    "folder\t00000000c0ffee01\t0001000000000a2f\tlocked\tC:\\Program Files\\V\\\r\n"
    "folder\tffffffffffffffff\t0000000000000000\tunlocked\tC:\\Program Files\\V\\Driver\\\r\n";

}  // namespace

TEST(InstalledList, WhatTheFoldersWereWrittenByteForByte) {
    InstalledList list;
    list.appDirs = {"C:\\Program Files\\V\\"};
    list.givenDirs = {"C:\\PROGRA~1\\V\\"};
    list.folders = {{"C:\\Program Files\\V\\", {0xC0FFEE01, 0x1000000000A2F}, true},
                    {"C:\\Program Files\\V\\Driver\\", {~std::uint64_t{0}, 0}, false}};
    EXPECT_EQ(tw::FormatInstalledList(list), kFolders);
    EXPECT_EQ(tw::ParseInstalledList(kFolders), list);
}

TEST(InstalledList, FolderLinesNotWrittenByTheWriterAreRefused) {
    const std::string header = "Tarnwhistle installed files 1\r\n";
    const std::string number = "0000000000000001";
    const struct {
        const char* name;
        std::string line;
    } cases[] = {
        {"15 digits", "folder\t" + number.substr(1) + "\t" + number + "\tlocked\tC:\\V\\"},
        {"17 digits", "folder\t0" + number + "\t" + number + "\tlocked\tC:\\V\\"},
        {"not hex", "folder\t" + number + "\t000000000000000g\tlocked\tC:\\V\\"},
        {"a sign", "folder\t" + number + "\t-000000000000001\tlocked\tC:\\V\\"},
        {"neither locked nor unlocked", "folder\t" + number + "\t" + number + "\tyes\tC:\\V\\"},
        {"no path", "folder\t" + number + "\t" + number + "\tlocked\t"},
        {"no lock field", "folder\t" + number + "\t" + number + "\tC:\\V\\"},
        {"given without a path", "given\t"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(tw::ParseInstalledList(header + c.line + "\r\n"));
    }
}

// A folder installed into again may have been made anew: the later run's word counts.
TEST(InstalledList, AFolderListedAgainTakesWhatTheLaterRunFound) {
    InstalledList earlier = tw::ParseInstalledList(kFolders).value();
    InstalledList later;
    later.appDirs = {"c:\\program files\\v\\"};
    later.givenDirs = {"c:\\progra~1\\v\\", "S:\\V\\"};
    later.folders = {{"c:\\program files\\v\\driver\\", {5, 6}, true}, {"D:\\W\\", {7, 8}, true}};
    InstalledList expected = earlier;
    expected.givenDirs.push_back("S:\\V\\");
    expected.folders[1] = later.folders[0];
    expected.folders.push_back(later.folders[1]);
    EXPECT_EQ(tw::MergeInstalledLists(earlier, later), expected);
}
