// Who may come into the removal's store: administrators only. Nobody else may
// read it or open what it holds, so no other user can hold the list, the kept
// installer or the run lock open and make every run fail.
#pragma once

#include <string>

namespace tw {

// Owner Administrators; SYSTEM and Administrators may do everything, inherited by
// what the folder holds; nobody else is let in; protected.
constexpr const char* kLockedStoreSddl = "O:BAD:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";

// Makes the store's folder (ending in "\") with those rights when it is missing;
// gives them to one whose owner or access list lets anyone else in, before it is
// used. 0, or the system's error code (a link in the folder's place is refused).
unsigned long SecureStoreFolder(const std::string& folder);

}  // namespace tw
