// The removal's platform parts of the program (Win32 only: the host's tests use
// fakes): the removal system, the store and the machine's run lock.
#pragma once

#include <memory>
#include <string>

#include "common/run_lock.h"
#include "uninstall/removal_store.h"
#include "uninstall/removal_system.h"

RemovalSystem& PlatformRemovalSystem();
tw::RemovalStore& PlatformRemovalStore();
// The store's folder under Program Files, ending in "\", which only administrators
// can write; empty when the system does not name Program Files.
std::string RemovalStoreFolder();
std::unique_ptr<tw::RunLock> MakePlatformRunLock();
