#include "app/exit_code.h"

#include <gtest/gtest.h>

namespace {

struct Case {
    const char* name;
    tw::RunEnd end;
    bool nothingFound;
    int failureCount;
    int exitCode;
};

TEST(ExitCode, WindowsInstallerCodes) {
    using tw::RunEnd;
    const Case cases[] = {
        {"all installed and registered", RunEnd::installed, false, 0, 0},
        {"one failure", RunEnd::installed, false, 1, 1603},
        {"nothing found", RunEnd::installed, true, 0, 1603},
        {"cancelled", RunEnd::cancelled, false, 0, 1602},
        {"directory refused", RunEnd::directoryRefused, false, 0, 1603},
        {"record not written", RunEnd::recordNotWritten, false, 0, 1603},
        {"engine stopped", RunEnd::installationAborted, false, 0, 1603},
        {"log not opened", RunEnd::logNotOpened, false, 0, 1622},
        {"another run holds the lock", RunEnd::runBusy, false, 0, 1618},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(static_cast<int>(tw::ChooseExitCode(c.end, c.nothingFound, c.failureCount)),
                  c.exitCode);
    }
}

}  // namespace
