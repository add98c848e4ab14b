// The removal system of the platform the program runs on: Win32 calls in the
// program, their POSIX imitation on the host.
#pragma once

#include "uninstall/removal_system.h"

RemovalSystem& PlatformRemovalSystem();
