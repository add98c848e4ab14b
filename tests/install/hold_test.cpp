// The holds that keep another user of the application directory from swapping
// what the engine starts or writes into: a copied file held for reading, checked
// against the package's bytes, and a folder held as itself, never through a link.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/path_rules.h"
#include "install/folder_hold.h"
#include "install/held_copy.h"
#include "install/platform_install_system.h"
#include "install/replace_file.h"
#include "tests/temp_folder.h"
#include "tests/machine_offers.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace fs = std::filesystem;

namespace {

// Symbolic links, each at link to its target: the platform's own, or under Wine,
// which makes none, Unix links made on the Unix side and removed before the
// folder that holds them goes. Make is false where neither can be made.
class Links {
public:
    bool Make(const std::string& target, const std::string& link) {
        std::error_code error;
        fs::create_symlink(target, link, error);
        if (!error) return true;
#ifdef _WIN32
        m_unixLinks.push_back(std::make_unique<UnixLink>(target, link));
        return m_unixLinks.back()->Made();
#else
        return false;
#endif
    }

private:
#ifdef _WIN32
    std::vector<std::unique_ptr<UnixLink>> m_unixLinks;
#endif
};

constexpr long kSharingViolation = 32;

}  // namespace

TEST(HeldCopy, HeldOnlyWhenTheInstalledBytesAreThePackages) {
    const std::string bytes = PatternBytes(2 * 4096 + 7, 3);
    std::string lastByteChanged = bytes;
    lastByteChanged.back() ^= 1;
    std::string secondBlockChanged = bytes;
    secondBlockChanged[4096] ^= 1;
    const struct {
        const char* what;
        const char* installed;  // nullptr: no installed file
        std::string installedBytes;
        const char* original;  // nullptr: no original
        std::string originalBytes;
        bool held;
    } cases[] = {
        {"the same bytes over three blocks", "i.dll", bytes, "o.dll", bytes, true},
        {"both empty", "i.dll", "", "o.dll", "", true},
        {"one byte shorter", "i.dll", bytes.substr(0, bytes.size() - 1), "o.dll", bytes, false},
        {"one byte longer", "i.dll", bytes + "x", "o.dll", bytes, false},
        {"the last byte differs", "i.dll", lastByteChanged, "o.dll", bytes, false},
        {"the second block's first byte differs", "i.dll", secondBlockChanged, "o.dll", bytes,
         false},
        {"empty where the package's is not", "i.dll", "", "o.dll", "x", false},
        {"no installed file", nullptr, "", "o.dll", bytes, false},
        {"no original", "i.dll", bytes, nullptr, "", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder folder;
        const std::string installed = folder / "i.dll";
        const std::string original = folder / "o.dll";
        if (c.installed) WriteBytes(installed, c.installedBytes);
        if (c.original) WriteBytes(original, c.originalBytes);
        std::unique_ptr<tw::HeldCopy> held =
            tw::HeldCopy::Open(installed.c_str(), original.c_str());
        EXPECT_EQ(held != nullptr, c.held);
        held.reset();
        CFile writer;
        if (c.installed) {
            EXPECT_TRUE(writer.Open(installed.c_str(), CFile::modeWrite | CFile::shareDenyNone))
                << "nothing stays open after a refusal or with the hold let go";
        }
    }
}

// A file that someone still has open for writing cannot be held: its bytes could
// change after the check.
TEST(HeldCopy, NotHeldWhileSomeoneMayWriteIt) {
    TempFolder folder;
    const std::string installed = folder / "i.dll";
    const std::string original = folder / "o.dll";
    WriteBytes(installed, "same");
    WriteBytes(original, "same");
    CFile writer(installed.c_str(), CFile::modeWrite | CFile::shareDenyNone);
    EXPECT_EQ(tw::HeldCopy::Open(installed.c_str(), original.c_str()), nullptr);
}

// While held, the file cannot be opened for writing, deleted or replaced; others
// may still read it. Once let go, all of that works again.
TEST(HeldCopy, NobodyCanWriteDeleteOrReplaceAHeldFile) {
    TempFolder folder;
    const std::string installed = folder / "regsvr32.exe";
    const std::string original = folder / "package.exe";
    const std::string other = folder / "other.tmp";
    WriteBytes(installed, "tool");
    WriteBytes(original, "tool");
    WriteBytes(other, "swapped");
    std::unique_ptr<Hold> held =
        PlatformInstallSystem().HoldCopy(installed.c_str(), original.c_str());
    ASSERT_NE(held, nullptr);

    CFile writer;
    CFileException error;
    EXPECT_FALSE(writer.Open(installed.c_str(), CFile::modeWrite | CFile::shareDenyNone, &error));
    EXPECT_EQ(error.m_lOsError, kSharingViolation);
    EXPECT_THROW(CFile::Remove(installed.c_str()), CFileException);
    EXPECT_NE(tw::ReplaceWithTemporary(other.c_str(), installed.c_str()), 0);
#ifdef _WIN32
    EXPECT_FALSE(MoveFileExA(installed.c_str(), (folder / "moved.exe").c_str(), 0))
        << "renamed away";
#endif
    CFile reader;
    EXPECT_TRUE(reader.Open(installed.c_str(), CFile::modeRead | CFile::shareDenyNone));
    reader.Close();
    EXPECT_EQ(ReadBytes(installed), "tool");

    held.reset();
    EXPECT_EQ(tw::ReplaceWithTemporary(other.c_str(), installed.c_str()), 0);
    EXPECT_EQ(ReadBytes(installed), "swapped");
}

TEST(HeldFolder, AFolderIsHeldAsItselfAndALinkIsRefused) {
    TempFolder folder;
    const std::string real = folder / "real";
    MakeFolder(real);
    WriteBytes(folder / "file", "f");
    Links links;
    const bool linked = links.Make(real, folder / "link");
    using tw::FolderOpening;
    const struct {
        const char* what;
        std::string path;
        FolderOpening opening;
    } cases[] = {
        {"a folder", real, FolderOpening::held},
        {"a folder with its separator", tw::WithTrailingSeparator(real), FolderOpening::held},
        {"a file", folder / "file", FolderOpening::failed},
        {"nothing there", folder / "missing", FolderOpening::missing},
        {"nothing there, with a separator", tw::WithTrailingSeparator(folder / "missing"),
         FolderOpening::missing},
        {"a link to a folder", folder / "link", FolderOpening::link},
        {"a link to a folder, with a separator", tw::WithTrailingSeparator(folder / "link"),
         FolderOpening::link},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (!linked && c.path.find("link") != std::string::npos) continue;
        // The installation's hold and the removal's opening are one and the same.
        EXPECT_EQ(PlatformInstallSystem().HoldFolder(c.path.c_str()) != nullptr,
                  c.opening == FolderOpening::held);
        std::unique_ptr<Hold> held;
        EXPECT_EQ(tw::OpenFolderAsItself(c.path.c_str(), held), c.opening);
        EXPECT_EQ(held != nullptr, c.opening == FolderOpening::held);
    }
    if (!linked)
        TW_SKIP_UNLESS_OFFERED("links")
            << "this platform made no symbolic link; the links were not tried";
}

#ifdef _WIN32

// Under Wine a link made on the Unix side of a mapped drive (by this program's
// runner, in TW_ENGINE_DRIVE) is what a program sees of a symbolic link.
TEST(HeldFolder, AUnixLinkInsideTheDriveIsRefused) {
    const char* drive = std::getenv("TW_ENGINE_DRIVE");
    if (!drive) TW_SKIP_UNLESS_OFFERED("drive") << "no drive letter mapped for this run";
    const std::string root = std::string(drive) + "\\";
    ASSERT_TRUE(fs::is_directory(root + "link target"));
    ASSERT_TRUE(fs::exists(root + "folder link"));
    EXPECT_NE(PlatformInstallSystem().HoldFolder((root + "link target\\").c_str()), nullptr);
    EXPECT_EQ(PlatformInstallSystem().HoldFolder((root + "folder link\\").c_str()), nullptr);
}

// The path a held folder is opened by again passes through no link, and keeps the
// spelling it was given where that names the folder as the system does.
TEST(HeldFolder, ItsPathWhileHeldPassesThroughNoLink) {
    const char* drive = std::getenv("TW_ENGINE_DRIVE");
    if (!drive) TW_SKIP_UNLESS_OFFERED("drive") << "no drive letter mapped for this run";
    const std::string root = std::string(drive) + "\\";
    MakeFolder(root + "link target\\Path Case");
    char shortName[MAX_PATH] = {};
    ASSERT_NE(GetShortPathNameA((root + "link target").c_str(), shortName, MAX_PATH), 0u);
    ASSERT_STRNE(shortName, (root + "link target").c_str());
    std::string lower = root + "LINK TARGET\\path case\\";
    lower[0] = static_cast<char>(lower[0] - 'A' + 'a');
    const std::string real = root + "link target\\Path Case\\";
    const struct {
        const char* what;
        std::string spelled;
        std::string path;
    } cases[] = {
        {"its own path", real, real},
        {"without its separator", root + "link target\\Path Case", real},
        {"in another letter case", lower, lower},
        {"through a link above it", root + "folder link\\Path Case\\", real},
        {"by a short name above it", std::string(shortName) + "\\Path Case\\", real},
    };
    // Whatever the spelling, the hold says which folder it is: the removal compares it.
    const std::unique_ptr<Hold> other = PlatformInstallSystem().HoldFolder(root.c_str());
    ASSERT_NE(other, nullptr);
    std::optional<tw::FolderIdentity> identity;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::unique_ptr<Hold> held = PlatformInstallSystem().HoldFolder(c.spelled.c_str());
        ASSERT_NE(held, nullptr);
        EXPECT_EQ(held->Path(), c.path);
        ASSERT_TRUE(held->Identity());
        if (!identity) identity = held->Identity();
        EXPECT_EQ(held->Identity(), identity);
        EXPECT_NE(held->Identity(), other->Identity());
    }
}

// Held, a folder cannot be removed or renamed, while files are made inside it.
TEST(HeldFolder, AHeldFolderCannotBeRenamedOrRemoved) {
    TempFolder folder;
    const std::string held = folder / "held";
    MakeFolder(held);
    std::unique_ptr<Hold> hold = PlatformInstallSystem().HoldFolder(held.c_str());
    ASSERT_NE(hold, nullptr);
    EXPECT_FALSE(MoveFileExA(held.c_str(), (folder / "moved").c_str(), 0));
    const std::string inside = (fs::path(held) / "inside.txt").string();
    WriteBytes(inside, "i");
    EXPECT_EQ(ReadBytes(inside), "i");
    EXPECT_TRUE(DeleteFileA(inside.c_str()));
    EXPECT_FALSE(RemoveDirectoryA(held.c_str()));
    EXPECT_TRUE(fs::is_directory(held));
    hold.reset();
    EXPECT_TRUE(MoveFileExA(held.c_str(), (folder / "moved").c_str(), 0));
}

#endif
