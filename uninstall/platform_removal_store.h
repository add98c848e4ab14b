// The removal's store of the program (Win32 only: the host's tests use fakes).
#pragma once

#include <string>

#include "uninstall/removal_store.h"

tw::RemovalStore& PlatformRemovalStore();
// The store's folder under Program Files, ending in "\", which only administrators
// can write; empty when the system does not name Program Files.
std::string RemovalStoreFolder();
