// The program's own file, held from the start of the run: opened for reading
// with reads shared only, so that nobody can rename, replace or change it while
// the program runs. The copy kept for the removal is written from the bytes read
// through this handle, never taken by name, and only once they have been shown
// to be the image that is running (uninstall/loaded_image.h).
#pragma once

#include <optional>
#include <string>

namespace tw {

// Opens the program file by the name it was started from; once, as the program
// starts. A file that cannot be opened stays unheld.
void HoldRunningImage();

// The held file's handle (a HANDLE), positioned anywhere; null when it is not held.
void* RunningImageHandle();
// The program file's path as the program was started; empty when it is not held.
const std::string& RunningImagePath();

// The held file's bytes, read whole from its start through the handle held, when
// they are byte for byte the image that is running, compared with the image as
// the loader left it before any of the program's code ran; nothing when no file
// is held, it cannot be read or it holds anything else.
std::optional<std::string> ReadRunningImageFile();

}  // namespace tw
