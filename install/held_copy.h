// A copied file held open so that it cannot be swapped: opened for reading with
// reads shared only, so nobody can write, rename or delete it while it is held,
// and checked, once opened, to hold exactly the bytes of the file it was copied
// from. What is started or loaded from it then is what the package brought.
#pragma once

#include <memory>

#include "framework/File.h"
#include "install/install_system.h"

namespace tw {

// Read only, reads shared (FILE_SHARE_READ alone), not handed to started programs,
// and never through a link: a link or other reparse point in the copy's place
// is refused, whatever it points at.
constexpr unsigned kHoldFlags =
    CFile::modeRead | CFile::shareDenyWrite | CFile::modeNoInherit | CFile::modeNoFollow;

class HeldCopy : public Hold {
public:
    // The hold of installed, when it opens and its bytes are original's (read with
    // the same flags, but through a link); null otherwise, with nothing left open.
    static std::unique_ptr<HeldCopy> Open(const char* installed, const char* original);

private:
    CFile m_file;
};

}  // namespace tw
