// The removal's store of the program (Win32 only: the host's tests use fakes).
#pragma once

#include "uninstall/removal_store.h"

tw::RemovalStore& PlatformRemovalStore();
