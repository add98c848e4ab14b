// The one way a folder is opened to be held, by the installation before it writes
// into the application directory and by the removal before it deletes from it:
// the folder itself, never a link or other reparse point in its place, held so
// that nobody can rename or delete it (and so swap it) while the hold lives.
#pragma once

#include <memory>

#include "install/install_system.h"

namespace tw {

enum class FolderOpening {
    held,     // the folder itself is held
    missing,  // nothing there
    link,     // a junction, symbolic link or other reparse point: never entered
    failed,   // anything else (not a folder, access denied, ...)
};

// Opens folder (a trailing separator is dropped first: with it, a link as the
// last name would be followed) and, when it is held, hands the hold to held.
FolderOpening OpenFolderAsItself(const char* folder, std::unique_ptr<Hold>& held);

}  // namespace tw
