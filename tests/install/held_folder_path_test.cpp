// Which path a held folder is opened by again: the one given while it names the
// folder as the system does, else the system's own, which passes through no link.
#include "install/held_folder_path.h"

#include <gtest/gtest.h>

TEST(PathWhileHeld, TheSystemsPathUnlessTheOneGivenIsTheSame) {
    const struct {
        const char* what;
        const char* spelled;
        const char* final;
        const char* expected;
    } cases[] = {
        {"the same path", "C:\\Varnelquist\\", "\\\\?\\C:\\Varnelquist", "C:\\Varnelquist\\"},
        {"given without its separator", "C:\\Varnelquist", "\\\\?\\C:\\Varnelquist",
         "C:\\Varnelquist\\"},
        {"another letter case keeps the spelling", "c:\\VARNELQUIST\\", "\\\\?\\C:\\Varnelquist",
         "c:\\VARNELQUIST\\"},
        {"a drive root", "R:\\", "\\\\?\\R:\\", "R:\\"},
        {"a link on the way", "C:\\Users\\Public\\link\\A\\", "\\\\?\\D:\\elsewhere\\A",
         "D:\\elsewhere\\A\\"},
        {"a short name", "C:\\PROGRA~1\\App\\", "\\\\?\\C:\\Program Files\\App",
         "C:\\Program Files\\App\\"},
        {"a substituted drive", "S:\\A\\", "\\\\?\\C:\\work\\A", "C:\\work\\A\\"},
        {"a share, the same", "\\\\server\\share\\A\\", "\\\\?\\UNC\\server\\share\\A",
         "\\\\server\\share\\A\\"},
        {"a share, another one", "\\\\server\\share\\A\\", "\\\\?\\UNC\\other\\share\\A",
         "\\\\other\\share\\A\\"},
        {"a mapped drive", "Z:\\A\\", "\\\\?\\UNC\\server\\share\\A", "\\\\server\\share\\A\\"},
        {"a share given with the prefix", "\\\\?\\UNC\\server\\share\\A",
         "\\\\?\\UNC\\server\\share\\A", "\\\\server\\share\\A\\"},
        {"a drive reached as a share", "\\\\?\\C:\\A\\", "\\\\?\\C:\\A", "C:\\A\\"},
        // Code page 936: the trail byte 0x5C is no separator, and 0x41 no letter to fold.
        {"double-byte names", "D:\\\xB3\xCC\\\xCA\x5C\\", "\\\\?\\D:\\\xB3\xCC\\\xCA\x5C",
         "D:\\\xB3\xCC\\\xCA\x5C\\"},
        {"double-byte names told apart", "D:\\\xB3\x41\\", "\\\\?\\D:\\\xB3\x61", "D:\\\xB3\x61\\"},
        // Where the system names no path, the one given, plain (the caller compares
        // the folder it leads to with the one held).
        {"no path at all", "C:\\A", "", "C:\\A\\"},
        {"no path, given with the prefix", "\\\\?\\C:\\A\\", "", "C:\\A\\"},
        {"no path, a share given with the prefix", "\\\\?\\UNC\\s\\sh\\A\\", "", "\\\\s\\sh\\A\\"},
        {"no path, a volume given", "\\\\?\\Volume{6a1b2c3d-0000-0000-0000-100000000000}\\A", "",
         ""},
        // Nothing that leads to no drive or share is taken.
        {"a path without the prefix", "C:\\A\\", "C:\\A", ""},
        {"a volume without a letter", "C:\\A\\",
         "\\\\?\\Volume{6a1b2c3d-0000-0000-0000-100000000000}\\A", ""},
        {"a device", "C:\\A\\", "\\\\?\\GLOBALROOT\\Device\\HarddiskVolume2\\A", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(tw::PathWhileHeld(c.spelled, c.final, tw::IsCp936LeadByte), c.expected);
    }
}

TEST(ShowsTheFileOpened, AnotherFileOnlyWhereThePathsDisagree) {
    const struct {
        const char* what;
        const char* opened;
        const char* final;
        bool same;
    } cases[] = {
        {"the same path", "C:\\V\\Driver\\a.dll", "\\\\?\\C:\\V\\Driver\\a.dll", true},
        {"another letter case", "c:\\v\\DRIVER\\A.DLL", "\\\\?\\C:\\V\\Driver\\a.dll", true},
        {"a link to another name", "T:\\V\\x.dll", "\\\\?\\T:\\elsewhere\\victim.dll", false},
        {"a link to the same name elsewhere", "T:\\V\\x.dll", "\\\\?\\T:\\elsewhere\\x.dll", false},
        {"a substituted drive, the same name", "S:\\V\\a.dll", "\\\\?\\C:\\work\\V\\a.dll", true},
        {"a substituted drive, another name", "S:\\V\\a.dll", "\\\\?\\C:\\work\\V\\b.dll", false},
        {"a network drive", "Z:\\V\\a.dll", "\\\\?\\UNC\\server\\share\\V\\a.dll", true},
        {"a network drive, another name", "Z:\\V\\a.dll", "\\\\?\\UNC\\server\\share\\b.dll",
         false},
        {"no path from the system", "C:\\V\\a.dll", "", true},
        // Code page 936: the trail byte 0x5C is no separator, and 0x41 no letter to fold.
        {"double-byte names", "D:\\\xB3\xCC\\\xCA\x5C", "\\\\?\\D:\\\xB3\xCC\\\xCA\x5C", true},
        {"double-byte names told apart", "D:\\V\\\xB3\x41", "\\\\?\\D:\\V\\\xB3\x61", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(tw::ShowsTheFileOpened(c.opened, c.final, tw::IsCp936LeadByte), c.same);
    }
}
