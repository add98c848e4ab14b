// The machine's run lock (Win32 only: the host's tests use a fake).
#pragma once

#include <memory>

#include "common/run_lock.h"

std::unique_ptr<tw::RunLock> MakePlatformRunLock();
