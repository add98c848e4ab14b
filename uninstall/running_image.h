// The program's own file, held from the start of the run: opened for reading
// with reads shared only, so that nobody can rename, replace or change it while
// the program runs, and checked to be the image that was started. The copy kept
// for the removal is written from this handle, never taken by name.
#pragma once

#include <string>

namespace tw {

// Opens and checks the program file; once, as the program starts. A file that
// cannot be held or is not the image started stays unheld.
void HoldRunningImage();

// The held file's handle (a HANDLE), positioned anywhere; null when it is not held.
void* RunningImageHandle();
// The program file's path as the program was started; empty when it is not held.
const std::string& RunningImagePath();

}  // namespace tw
