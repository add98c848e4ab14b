// A test that needs what only some machines offer (root, the immutable flag,
// symbolic links, a drive letter its runner maps) skips where the machine lacks it.
// tools/test-program.sh names in TW_MACHINE_OFFERS what it found this machine
// offers: a test that finds one of those missing has met a fault, not a poorer
// machine, and fails.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>

inline bool MachineOffers(const std::string& what) {
    const char* offers = std::getenv("TW_MACHINE_OFFERS");
    std::istringstream words(offers ? offers : "");
    std::string word;
    while (words >> word)
        if (word == what) return true;
    return false;
}

// Ends the test: skipped where the machine lacks `what`, failed where it offers it.
// More of the reason may follow with <<.
#define TW_SKIP_UNLESS_OFFERED(what)                                                       \
    return ::testing::internal::AssertHelper(                                              \
               MachineOffers(what) ? ::testing::TestPartResult::kFatalFailure              \
                                   : ::testing::TestPartResult::kSkip,                     \
               __FILE__, __LINE__,                                                         \
               MachineOffers(what) ? "this machine offers " what ", yet the test lacks it" \
                                   : "this machine does not offer " what) = ::testing::Message()
