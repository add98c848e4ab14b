// The installer shell's Win32 pieces that need no window: the current directory
// read whole, and the text the framework reports for an exception.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "appdir/full_path_name.h"

namespace {

TEST(CurrentDirectory, IsReadWholeWhenLongerThan255Bytes) {
    char before[MAX_PATH] = {};
    ASSERT_GT(::GetCurrentDirectoryA(MAX_PATH, before), 0u);
    // F:\ and folders of 50 bytes, up to a directory of 256 bytes: one byte more
    // than a 256-byte buffer holds with its terminator.
    std::vector<std::string> made;
    std::string path = "F:";
    while (path.size() < 256) {
        size_t room = 256 - path.size() - 1;
        path.append(1, '\\').append(room < 50 ? room : 50, 'd');
        ASSERT_TRUE(::CreateDirectoryA(path.c_str(), nullptr)) << path;
        made.push_back(path);
    }
    ASSERT_EQ(path.size(), 256u);
    ASSERT_TRUE(::SetCurrentDirectoryA(path.c_str()));

    const std::string current = tw::CurrentDirectory();

    ::SetCurrentDirectoryA(before);
    for (auto folder = made.rbegin(); folder != made.rend(); ++folder)
        ::RemoveDirectoryA(folder->c_str());
    EXPECT_EQ(current, path);
}

TEST(CurrentDirectory, IsTakenUnchanged) {
    ASSERT_TRUE(::SetCurrentDirectoryA("F:\\"));
    EXPECT_EQ(tw::CurrentDirectory(), "F:\\");
}

}  // namespace
