// The installation system of the platform the program runs on: Win32 calls in the
// program, POSIX calls on the host. Copies go through CopyOneFile.
#pragma once

#include "install/install_system.h"

InstallSystem& PlatformInstallSystem();
