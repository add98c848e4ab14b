// Win32 only: the Common Controls, loaded at run time from the system folder.
// comctl32.dll is not one of the DLLs that Windows always loads from there, so
// the program does not import it: a comctl32.dll laid beside the installer (or in
// the package folder) is never the one loaded.
#pragma once

namespace tw {

// Loads comctl32.dll from the system folder once and registers the progress
// bar's window class; true when the class is there.
bool LoadCommonControls();

}  // namespace tw
