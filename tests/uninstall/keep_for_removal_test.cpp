#include "uninstall/keep_for_removal.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>

#include "res/texts.h"
#include "tests/temp_folder.h"
#include "tests/uninstall/fake_removal.h"
#include "tests/uninstall/fake_store.h"
#include "uninstall/installed_list.h"

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// Digests from a table of file contents instead of the disk.
struct Disk {
    std::map<std::string, std::string> files;
    std::optional<tw::FileDigest> operator()(const char* path) const {
        auto file = files.find(path);
        if (file == files.end()) return std::nullopt;
        return tw::FileDigest{DigestOf(file->second), file->second.size()};
    }
};

InstallSummary Registered(std::vector<std::pair<std::string, std::uint32_t>> dlls) {
    InstallSummary summary;
    for (auto& [dll, exitCode] : dlls) {
        Registration& r = summary.registrations.emplace_back();
        r.dll = dll;
        r.outcome = RegistrationOutcome::exited;
        r.exitCode = exitCode;
    }
    return summary;
}

TEST(KeepForRemoval, FirstInstallationListsEachFileOnceWithItsRole) {
    Disk disk{{{"C:\\V\\regsvr32.exe", "TOOL"},
               {"C:\\V\\Driver\\regsvr32.exe", "TOOL"},
               {"C:\\V\\Driver\\a.dll", "A-DLL"},
               {"C:\\V\\Driver\\b.dll", std::string(2049, 'b')}}};
    InstallSummary summary = Registered({{"Driver\\a.dll", 0}, {"Driver\\b.dll", 5}});
    // The support pass and the driver pass both copied Driver\regsvr32.exe.
    tw::InstalledRun run{
        "C:\\V\\",
        "C:\\ZAVIDAR.CFG",
        {"C:\\V\\regsvr32.exe", "C:\\V\\Driver\\regsvr32.exe", "C:\\V\\Driver\\a.dll",
         "C:\\V\\Driver\\b.dll", "C:\\V\\Driver\\regsvr32.exe"},
        &summary,
        TW_TEXT_UNINSTALL_DISPLAY_NAME};
    FakeStore store;
    EXPECT_THAT(tw::KeepForRemoval(run, store, disk), IsEmpty());
    EXPECT_THAT(store.steps, ElementsAre("read list", "write list", "copy", "write entry"));
    const std::string toolHex = tw::ToHex(DigestOf("TOOL"));
    EXPECT_EQ(store.list,
              "Tarnwhistle installed files 1\r\n"
              "appdir\tC:\\V\\\r\n"
              "record\tC:\\ZAVIDAR.CFG\r\n"
              "tool\t" +
                  toolHex +
                  "\t4\tC:\\V\\regsvr32.exe\r\n"
                  "file\t" +
                  toolHex +
                  "\t4\tC:\\V\\Driver\\regsvr32.exe\r\n"
                  "dll\t" +
                  tw::ToHex(DigestOf("A-DLL")) +
                  "\t5\tC:\\V\\Driver\\a.dll\r\n"
                  "file\t" +
                  tw::ToHex(DigestOf(std::string(2049, 'b'))) + "\t2049\tC:\\V\\Driver\\b.dll\r\n");
    // 4 + 4 + 5 + 2049 bytes: 3 KB, rounded up.
    tw::UninstallEntry expected{"Varnelquist\xC7\xFD\xB6\xAF\xB3\xCC\xD0\xF2",
                                "6.1.0.0",
                                "Ostrakelle",
                                "P:\\Tw\\Tarnwhistle.exe,0",
                                "C:\\V\\",
                                3,
                                1,
                                1,
                                "\"P:\\Tw\\Tarnwhistle.exe\" /U",
                                "\"P:\\Tw\\Tarnwhistle.exe\" /U /S"};
    EXPECT_EQ(store.entry, expected);
}

TEST(KeepForRemoval, ReinstallAddsToTheEarlierList) {
    Disk disk{{{"C:\\V\\readme.txt", "new"}}};
    InstallSummary summary;
    tw::InstalledRun run{"C:\\V\\",
                         "C:\\ZAVIDAR.CFG",
                         {"C:\\V\\readme.txt"},
                         &summary,
                         TW_TEXT_UNINSTALL_DISPLAY_NAME};
    FakeStore store;
    tw::InstalledList earlier{{"C:\\V\\"},
                              {"C:\\ZAVIDAR.CFG"},
                              {{"C:\\V\\old.txt", DigestOf("old"), 3, tw::FileRole::file},
                               {"C:\\V\\readme.txt", DigestOf("was"), 3, tw::FileRole::file}}};
    store.list = tw::FormatInstalledList(earlier);
    EXPECT_THAT(tw::KeepForRemoval(run, store, disk), IsEmpty());
    earlier.files[1].digest = DigestOf("new");
    EXPECT_EQ(tw::ParseInstalledList(store.list.value()), earlier);
    EXPECT_EQ(store.entry->estimatedSizeKb, 1u);
}

TEST(KeepForRemoval, EveryFailureIsNamedAndNothingAfterItIsWritten) {
    struct Case {
        const char* name;
        std::function<void(FakeStore&, Disk&)> fault;
        std::vector<std::string> failed;
        std::vector<std::string> steps;
    };
    const Case cases[] = {
        {"a file that cannot be read is left out of the list and named",
         [](FakeStore&, Disk& d) { d.files.erase("C:\\V\\b.txt"); },
         {"C:\\V\\b.txt"},
         {"read list", "write list", "copy", "write entry"}},
        {"an unreadable list is never overwritten",
         [](FakeStore& s, Disk&) { s.unreadable = true; },
         {"P:\\Tw\\installed-files.lst"},
         {"read list"}},
        {"nor is one that is not a list",
         [](FakeStore& s, Disk&) { s.list = "garbage\r\n"; },
         {"P:\\Tw\\installed-files.lst"},
         {"read list"}},
        {"the list not written",
         [](FakeStore& s, Disk&) { s.failing.insert("write list"); },
         {"P:\\Tw\\installed-files.lst"},
         {"read list", "write list"}},
        {"the installer not copied: no entry that could not start",
         [](FakeStore& s, Disk&) { s.failing.insert("copy"); },
         {"P:\\Tw\\Tarnwhistle.exe"},
         {"read list", "write list", "copy"}},
        {"the entry not written",
         [](FakeStore& s, Disk&) { s.failing.insert("write entry"); },
         {"HKLM\\...\\Uninstall\\Tarnwhistle"},
         {"read list", "write list", "copy", "write entry"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Disk disk{{{"C:\\V\\a.txt", "a"}, {"C:\\V\\b.txt", "b"}}};
        FakeStore store;
        c.fault(store, disk);
        InstallSummary summary;
        tw::InstalledRun run{"C:\\V\\",
                             "C:\\ZAVIDAR.CFG",
                             {"C:\\V\\a.txt", "C:\\V\\b.txt"},
                             &summary,
                             TW_TEXT_UNINSTALL_DISPLAY_NAME};
        EXPECT_EQ(tw::KeepForRemoval(run, store, disk), c.failed);
        EXPECT_EQ(store.steps, c.steps);
    }
}

TEST(KeepForRemoval, DigestOfTheFileOnDisk) {
    TempFolder folder;
    WriteBytes(folder / "f.bin", std::string(70000, 'x'));
    std::optional<tw::FileDigest> digest = tw::DigestOfFile((folder / "f.bin").c_str());
    ASSERT_TRUE(digest);
    EXPECT_EQ(digest->size, 70000u);
    EXPECT_EQ(digest->digest, DigestOf(std::string(70000, 'x')));
    EXPECT_FALSE(tw::DigestOfFile((folder / "missing.bin").c_str()));
}

}  // namespace
