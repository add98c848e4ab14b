// A failed property ends the fuzz run with a crash report.
#pragma once

#include <cstdlib>

inline void Check(bool condition) {
    if (!condition) std::abort();
}
