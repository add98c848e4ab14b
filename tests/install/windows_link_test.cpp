// The held copy and the platform's own symbolic links. A program of its own: Wine
// makes no Windows link (a Unix link made beside it opens as the file it points
// at), so under Wine this program shows as skipped while the host and Windows run it.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "framework/File.h"
#include "framework/FileException.h"
#include "install/held_copy.h"
#include "tests/machine_offers.h"
#include "tests/temp_folder.h"

namespace fs = std::filesystem;

// A link in the copy's place is refused, even one to the package's own file,
// and so is a link to a link; the file it points at is left as it was.
TEST(HeldCopy, ALinkInTheCopysPlaceIsRefused) {
    TempFolder folder;
    const std::string original = folder / "o.dll";
    WriteBytes(original, "same");
    std::error_code error;
    fs::create_symlink(original, folder / "i.dll", error);
    if (error) TW_SKIP_UNLESS_OFFERED("windows-links") << "this platform made no symbolic link";
    fs::create_symlink(folder / "i.dll", folder / "j.dll", error);
    ASSERT_FALSE(error);
    for (const char* name : {"i.dll", "j.dll"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(tw::HeldCopy::Open((folder / name).c_str(), original.c_str()), nullptr);
        CFile link;
        CFileException why;
        EXPECT_FALSE(link.Open((folder / name).c_str(), tw::kHoldFlags, &why));
        EXPECT_EQ(why.m_lOsError, 1920);  // ERROR_CANT_ACCESS_FILE
    }
    // Through the link, the same bytes would have been held.
    EXPECT_NE(tw::HeldCopy::Open(original.c_str(), (folder / "i.dll").c_str()), nullptr);
    EXPECT_EQ(ReadBytes(original), "same");
}
