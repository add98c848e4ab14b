// Puts the rights of a descriptor on a file or folder that this run holds open:
// the owner and a protected access list, so nothing is inherited from above.
// Win32 only.
#pragma once

#include <windows.h>

#include <string>

namespace tw {

// The SID as Windows writes it ("S-1-5-32-544"); empty when there is none.
std::string SidText(PSID sid);

// The owner and access list of descriptor, set through handle (opened with
// WRITE_DAC and WRITE_OWNER); 0 or the Win32 error code.
DWORD ApplyRights(HANDLE handle, PSECURITY_DESCRIPTOR descriptor);

// The same, for a descriptor given in the system's descriptor language.
DWORD ApplyRights(HANDLE handle, const char* sddl);

}  // namespace tw
