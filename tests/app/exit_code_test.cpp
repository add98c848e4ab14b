#include "app/exit_code.h"

#include <gtest/gtest.h>

namespace {

struct Case {
    const char* name;
    tw::ExitCode code;
    int exitCode;
};

// The numbers the process ends with; how each run comes to its code is tested
// with the run.
TEST(ExitCode, WindowsInstallerCodes) {
    using tw::ExitCode;
    const Case cases[] = {
        {"all installed and registered, or removed", ExitCode::installed, 0},
        {"cancelled", ExitCode::cancelled, 1602},
        {"a directory refused, a record not written, the engine stopped, a file not installed",
         ExitCode::failed, 1603},
        {"log not opened", ExitCode::logNotOpened, 1622},
        {"another run holds the lock", ExitCode::alreadyRunning, 1618},
        {"installed, a file in use replaced at the next restart", ExitCode::restartPending, 3010},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(static_cast<int>(c.code), c.exitCode);
    }
}

}  // namespace
