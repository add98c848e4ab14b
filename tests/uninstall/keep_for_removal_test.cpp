#include "uninstall/keep_for_removal.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "config/config_record.h"
#include "res/texts.h"
#include "tests/uninstall/fake_removal.h"
#include "tests/uninstall/fake_store.h"
#include "uninstall/installed_list.h"
#include "uninstall/removal.h"

namespace {

// Both steps, as the installation takes them: the copy and the entry only after a
// list was written.
std::vector<std::string> KeepForRemoval(const tw::InstalledRun& run, tw::RemovalStore& store) {
    tw::KeptList kept = tw::KeepListForRemoval(run, store);
    if (kept.listedBytes)
        for (std::string& name : tw::KeepEntryForRemoval(run, *kept.listedBytes, store))
            kept.failed.push_back(std::move(name));
    return kept.failed;
}

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// A completed copy that wrote bytes; without bytes, one whose hash failed.
tw::CopiedFile Copy(const std::string& path, std::optional<std::string> bytes) {
    if (!bytes) return {path, std::nullopt};
    return {path, tw::FileDigest{DigestOf(*bytes), bytes->size()}};
}

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
    InstallSummary summary = Registered({{"Driver\\a.dll", 0}, {"Driver\\b.dll", 5}});
    // Registered: its tool was never started.
    summary.registrations.push_back({"Driver\\c.dll", "", "", RegistrationOutcome::notStarted});
    // Still running at the end of the wait.
    summary.registrations.push_back({"Driver\\d.dll", "", "", RegistrationOutcome::stillRunning});
    // The support pass and the driver pass both copied Driver\regsvr32.exe; the
    // later copy's bytes count, at the place of the first.
    tw::InstalledRun run{
        "C:\\V\\",
        "C:\\ZAVIDAR.CFG",
        {Copy("C:\\V\\regsvr32.exe", "TOOL"), Copy("C:\\V\\Driver\\regsvr32.exe", "EARLIER"),
         Copy("C:\\V\\Driver\\a.dll", "A-DLL"),
         Copy("C:\\V\\Driver\\b.dll", std::string(2049, 'b')),
         Copy("C:\\V\\Driver\\REGSVR32.EXE", "TOOL"), Copy("C:\\V\\Driver\\c.dll", "C"),
         Copy("C:\\V\\Driver\\d.dll", "D")},
        &summary,
        TW_TEXT_UNINSTALL_DISPLAY_NAME};
    FakeStore store;
    EXPECT_THAT(KeepForRemoval(run, store), IsEmpty());
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
                  "\t4\tC:\\V\\Driver\\REGSVR32.EXE\r\n"
                  "dll\t" +
                  tw::ToHex(DigestOf("A-DLL")) +
                  "\t5\tC:\\V\\Driver\\a.dll\r\n"
                  "dll-in-doubt\t" +
                  tw::ToHex(DigestOf(std::string(2049, 'b'))) +
                  "\t2049\tC:\\V\\Driver\\b.dll\r\n"
                  "file\t" +
                  tw::ToHex(DigestOf("C")) +
                  "\t1\tC:\\V\\Driver\\c.dll\r\n"
                  "dll-in-doubt\t" +
                  tw::ToHex(DigestOf("D")) + "\t1\tC:\\V\\Driver\\d.dll\r\n");
    // 4 + 4 + 5 + 2049 + 1 + 1 bytes: 3 KB, rounded up.
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
    InstallSummary summary;
    tw::InstalledRun run{"C:\\V\\",
                         "C:\\ZAVIDAR.CFG",
                         {Copy("C:\\V\\readme.txt", "new")},
                         &summary,
                         TW_TEXT_UNINSTALL_DISPLAY_NAME};
    FakeStore store;
    tw::InstalledList earlier{{"C:\\V\\"},
                              {"C:\\ZAVIDAR.CFG"},
                              {{"C:\\V\\old.txt", DigestOf("old"), 3, tw::FileRole::file},
                               {"C:\\V\\readme.txt", DigestOf("was"), 3, tw::FileRole::file}}};
    store.list = tw::FormatInstalledList(earlier);
    EXPECT_THAT(KeepForRemoval(run, store), IsEmpty());
    earlier.files[1].digest = DigestOf("new");
    EXPECT_EQ(tw::ParseInstalledList(store.list.value()), earlier);
    EXPECT_EQ(store.entry->estimatedSizeKb, 1u);
}

TEST(KeepForRemoval, EveryFailureIsNamedAndNothingAfterItIsWritten) {
    struct Case {
        const char* name;
        std::function<void(FakeStore&, std::vector<tw::CopiedFile>&)> fault;
        std::vector<std::string> failed;
        std::vector<std::string> steps;
    };
    const Case cases[] = {
        {"a file whose copy gave no digest is left out of the list and named",
         [](FakeStore&, std::vector<tw::CopiedFile>& c) { c[1] = Copy("C:\\V\\b.txt", {}); },
         {"C:\\V\\b.txt"},
         {"read list", "write list", "copy", "write entry"}},
        {"an unreadable list is never overwritten",
         [](FakeStore& s, std::vector<tw::CopiedFile>&) { s.unreadable = true; },
         {"P:\\Tw\\installed-files.lst"},
         {"read list"}},
        {"nor is one that is not a list",
         [](FakeStore& s, std::vector<tw::CopiedFile>&) { s.list = "garbage\r\n"; },
         {"P:\\Tw\\installed-files.lst"},
         {"read list"}},
        {"the list not written",
         [](FakeStore& s, std::vector<tw::CopiedFile>&) { s.failing.insert("write list"); },
         {"P:\\Tw\\installed-files.lst"},
         {"read list", "write list"}},
        {"the installer not copied: no entry that could not start",
         [](FakeStore& s, std::vector<tw::CopiedFile>&) { s.failing.insert("copy"); },
         {"P:\\Tw\\Tarnwhistle.exe"},
         {"read list", "write list", "copy"}},
        {"the entry not written",
         [](FakeStore& s, std::vector<tw::CopiedFile>&) { s.failing.insert("write entry"); },
         {"HKLM\\...\\Uninstall\\Tarnwhistle"},
         {"read list", "write list", "copy", "write entry"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<tw::CopiedFile> copied{Copy("C:\\V\\a.txt", "a"), Copy("C:\\V\\b.txt", "b")};
        FakeStore store;
        c.fault(store, copied);
        InstallSummary summary;
        tw::InstalledRun run{"C:\\V\\", "C:\\ZAVIDAR.CFG", copied, &summary,
                             TW_TEXT_UNINSTALL_DISPLAY_NAME};
        EXPECT_EQ(KeepForRemoval(run, store), c.failed);
        EXPECT_EQ(store.steps, c.steps);
    }
}

}  // namespace

// However the user spelled A, the run worked under the path of the folder it held:
// the list names A, keys the roles and says what A and A\Driver were by that path,
// keeps the spelling for the record and the entry, and the removal that reads it
// takes everything away.
TEST(KeepForRemoval, ASpelledOtherwiseIsListedByTheFolderHeldAndRemovedWhole) {
    const struct {
        const char* what;
        std::string given;
        std::string held;
    } cases[] = {
        {"its own path", "C:\\Program Files\\V\\", "C:\\Program Files\\V\\"},
        {"another letter case", "c:\\PROGRAM FILES\\v\\", "c:\\PROGRAM FILES\\v\\"},
        {"a short name", "C:\\PROGRA~1\\V\\", "C:\\Program Files\\V\\"},
        {"a link above A", "C:\\Users\\Public\\link\\V\\", "D:\\real\\V\\"},
        {"a substituted drive", "S:\\V\\", "C:\\work\\V\\"},
        {"a mapped drive", "Z:\\V\\", "\\\\server\\share\\V\\"},
        {"the long prefix", "\\\\?\\C:\\V\\", "C:\\V\\"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string tool = c.held + "regsvr32.exe";
        const std::string dll = c.held + "Driver\\a.dll";
        InstallSummary summary = Registered({{"Driver\\a.dll", 0}});
        summary.appFolder = {c.held, tw::FolderIdentity{7, 1}, true};
        summary.driverFolder = {c.held + "Driver\\", tw::FolderIdentity{7, 2}, true};
        tw::InstalledRun run{c.given,
                             "C:\\ZAVIDAR.CFG",
                             {Copy(tool, "TOOL"), Copy(dll, "DLL")},
                             &summary,
                             TW_TEXT_UNINSTALL_DISPLAY_NAME};
        FakeStore store;
        ASSERT_THAT(KeepForRemoval(run, store), IsEmpty());
        EXPECT_EQ(store.entry->installLocation, c.given);
        const tw::InstalledList list = tw::ParseInstalledList(store.list.value()).value();
        EXPECT_EQ(list.appDirs, std::vector<std::string>{c.held});
        EXPECT_EQ(list.givenDirs.size(), c.given == c.held ? 0u : 1u);
        EXPECT_EQ(list.folders, (std::vector<tw::ListedFolder>{
                                    {c.held, {7, 1}, true}, {c.held + "Driver\\", {7, 2}, true}}));
        ASSERT_EQ(list.files.size(), 2u);
        EXPECT_EQ(list.files[0].role, tw::FileRole::tool);
        EXPECT_EQ(list.files[1].role, tw::FileRole::dll);

        FakeRemovalSystem system;
        FakeTools tools(system);
        system.files = {{tool, "TOOL"}, {dll, "DLL"}};
        const tw::ConfigRecord record = tw::BuildConfigRecord(c.given);
        system.files["C:\\ZAVIDAR.CFG"] = std::string(record.begin(), record.end());
        system.identities = {{c.held, {7, 1}}, {c.held + "Driver\\", {7, 2}}};
        const tw::RemovalSummary removed = tw::RemoveInstalledFiles(list, system, tools, tools);
        EXPECT_TRUE(removed.Complete());
        EXPECT_THAT(removed.failedFiles, IsEmpty());
        ASSERT_EQ(removed.unregistrations.size(), 1u);
        EXPECT_EQ(removed.unregistrations[0].toolPath, tool);
        EXPECT_THAT(system.files, IsEmpty());
    }
}
