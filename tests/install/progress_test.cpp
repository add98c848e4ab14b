// The progress of an installation: the plan counted from the listings, the bar's
// positions, and what the engine's events show, step by step, without changing
// a single call of the installation.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "install/engine.h"
#include "install/install_progress.h"
#include "install/progress_plan.h"
#include "tests/install/recording_system.h"

namespace {

using Lines = std::vector<std::string>;

constexpr const char* kSupport = "C:\\pkg\\driversupport\\*.*";
constexpr const char* kDriver = "C:\\pkg\\Driver\\*.*";

// Shows each step as "copying|registering <file> @<position>".
class RecordingObserver : public tw::ProgressObserver {
public:
    void Show(tw::ProgressStep step, const std::string& file, int position) override {
        shown.push_back((step == tw::ProgressStep::copying ? "copying " : "registering ") + file +
                        " @" + std::to_string(position));
    }
    Lines shown;
};

void StandardPackage(RecordingSystem& s) {
    s.SetListing(kSupport, {FolderEntry("."), FolderEntry(".."), FileEntry("regsvr32.exe"),
                            FileEntry("a.txt")});
    s.SetListing(kDriver, {FileEntry("b.dll"), FolderEntry("sub"), FileEntry("c.sys")});
}

TEST(ProgressPlan, CountsTwoCopiesASupportFileOneADriverFileAndEachDllOnce) {
    struct Case {
        const char* name;
        std::vector<DirectoryEntry> support;  // empty: the folder is missing
        std::vector<DirectoryEntry> driver;
        int copies;
        int registrations;
    };
    const Case cases[] = {
        {"folders and dots count nothing",
         {FolderEntry("."), FolderEntry(".."), FolderEntry("inner", 0x11), FileEntry("a.txt"),
          FileEntry("helper.dll")},
         {FileEntry("x.dll"), FileEntry("Y.DLL"), FileEntry("z.dll.bak"), FileEntry("w.sys")},
         2 * 2 + 4,
         2},
        {"both folders missing", {}, {}, 0, 0},
        {"only Driver\\", {}, {FileEntry("x.dll")}, 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingSystem system;
        if (!c.support.empty()) system.SetListing(kSupport, c.support);
        if (!c.driver.empty()) system.SetListing(kDriver, c.driver);
        tw::ProgressPlan plan = tw::PlanInstallation(system, "C:\\pkg");
        EXPECT_EQ(plan.copies, c.copies);
        EXPECT_EQ(plan.registrations, c.registrations);
        EXPECT_EQ(plan.Steps(), c.copies + c.registrations);
        EXPECT_EQ(system.Work(),
                  (Lines{std::string("find ") + kSupport, std::string("find ") + kDriver}));
    }
}

TEST(ProgressPlan, TakesARootThatEndsInItsSeparatorAsIs) {
    RecordingSystem system;
    tw::PlanInstallation(system, "X:\\");
    EXPECT_EQ(system.Work(), (Lines{"find X:\\driversupport\\*.*", "find X:\\Driver\\*.*"}));
}

TEST(ProgressMeter, MovesForwardOnlyAndStaysFull) {
    struct Case {
        int planned;
        int steps;
        std::vector<int> positions;  // before the first step, then after each
    };
    const Case cases[] = {
        {4, 5, {0, 250, 500, 750, 1000, 1000}},
        {3, 3, {0, 333, 666, 1000}},
        {0, 2, {0, 0, 0}},
        {1000000, 1, {0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.planned);
        tw::ProgressMeter meter(c.planned);
        std::vector<int> positions{meter.Position()};
        for (int i = 0; i < c.steps; ++i) {
            meter.StepDone();
            positions.push_back(meter.Position());
        }
        EXPECT_EQ(positions, c.positions);
        meter.Finish();
        EXPECT_EQ(meter.Position(), tw::kProgressRange);
    }
}

TEST(InstallProgress, ShowsEveryCopyAndRegistrationInTheOrderOfTheRun) {
    RecordingSystem plain;
    StandardPackage(plain);
    InstallDriverFiles("C:\\pkg", "C:\\App\\", plain);

    RecordingSystem inner;
    StandardPackage(inner);
    tw::ProgressPlan plan = tw::PlanInstallation(inner, "C:\\pkg");
    Lines planning = inner.Work();
    RecordingObserver observer;
    tw::InstallProgress shown("C:\\pkg", "C:\\App\\", plan, observer);
    tw::InstallEventsFanOut events(inner.Events(), shown);
    InstallDriverFiles("C:\\pkg", "C:\\App\\", inner, events);

    // Six copies and one registration (the tool starts: this run copied it): each
    // step is a seventh of the bar.
    EXPECT_EQ(observer.shown, (Lines{
                                  "copying driversupport\\regsvr32.exe @0",
                                  "copying driversupport\\regsvr32.exe @142",
                                  "copying driversupport\\a.txt @285",
                                  "copying driversupport\\a.txt @428",
                                  "copying Driver\\b.dll @571",
                                  "copying Driver\\c.sys @714",
                                  "registering Driver\\b.dll @857",
                                  "registering Driver\\b.dll @857",
                                  "registering Driver\\b.dll @1000",
                              }));
    // Planning lists the two folders once; after it, the installation makes
    // exactly the calls it makes unobserved, in the same order.
    Lines work = inner.Work();
    ASSERT_EQ(work.size(), planning.size() + plain.Work().size());
    EXPECT_EQ(Lines(work.begin(), work.begin() + 2), planning);
    EXPECT_EQ(Lines(work.begin() + 2, work.end()), plain.Work());
    EXPECT_EQ(inner.Calls().size() - plain.Calls().size(), 2 + 4 + 3u);  // two finds, seven nexts
}

TEST(InstallProgress, NamesAQuotedDllAndAFileOutsideTheFoldersWhole) {
    RecordingObserver observer;
    tw::InstallProgress shown("C:\\pkg\\", "C:\\My App", {2, 1}, observer);
    shown.CopyBegins("D:\\elsewhere\\x.dll");
    shown.Staged("D:\\elsewhere\\x.dll", "C:\\My App\\Driver\\x.dll", {});
    shown.RegistrationStarts(
        {"C:\\My App\\regsvr32.exe", "/s \"C:\\My App\\Driver\\x.dll\"", "C:\\My App\\"});
    shown.CopyBegins("C:\\pkg\\Driver\\y.sys");
    EXPECT_EQ(observer.shown,
              (Lines{"copying D:\\elsewhere\\x.dll @0", "registering Driver\\x.dll @333",
                     "copying Driver\\y.sys @333"}));
}

}  // namespace
