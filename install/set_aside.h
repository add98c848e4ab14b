// The first step of putting a staged file in place: the file it replaces is
// renamed, in its own folder, to a fresh name, so that the run can still put it
// back until the whole installation is in place.
#pragma once

#include <string>

namespace tw {

// The name an installed file is set aside under: "tw", four hex digits, ".old".
constexpr const char* kAsideNameFormat = "tw%04X.old";

// Renames destination to aside (a name chosen beforehand in its folder, which must
// be free), or when aside is empty to a free name of kAsideNameFormat there,
// returned in aside. 0 when it was set aside; kErrorFileNotFound when there is
// nothing to set aside; else the code of the rename that failed. aside is empty
// unless it was set aside.
long SetAsideFile(const char* destination, std::string& aside);

}  // namespace tw
