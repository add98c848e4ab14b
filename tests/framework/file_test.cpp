// CFile against real files: the same expectations hold on the host and under Wine.
#include "framework/File.h"

#include <gtest/gtest.h>

#include "framework/afx_texts.h"
#include "tests/temp_folder.h"
#include "tests/machine_offers.h"

#include <filesystem>
#include <iterator>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

long OpenError(const std::string& path, unsigned flags) {
    CFile file;
    CFileException error;
    if (file.Open(path.c_str(), flags, &error)) return 0;
    EXPECT_STREQ(error.m_strFileName, path.c_str()) << "the record names the path as given";
    EXPECT_EQ(error.m_cause, CFileException::OsErrorToException(error.m_lOsError));
    return error.m_lOsError;
}

constexpr unsigned kSource = CFile::modeRead | CFile::shareDenyWrite;
constexpr unsigned kDestination = CFile::modeCreate | CFile::modeWrite | CFile::shareExclusive;
constexpr unsigned kNewFile = CFile::modeCreateNew | CFile::modeWrite | CFile::shareExclusive;
constexpr unsigned kRecord = CFile::modeCreate | CFile::modeNoTruncate | CFile::modeReadWrite |
                             CFile::shareDenyNone | CFile::typeBinary;

}  // namespace

TEST(FileOpenFlags, MapToCreateFileArguments) {
    struct Case {
        unsigned flags;
        DWORD access, share, disposition;
    } cases[] = {
        {kSource, CFile::kGenericRead, CFile::kShareRead, CFile::kOpenExisting},
        {kDestination, CFile::kGenericWrite, 0, CFile::kCreateAlways},
        {kRecord, CFile::kGenericRead | CFile::kGenericWrite,
         CFile::kShareRead | CFile::kShareWrite, CFile::kOpenAlways},
        {CFile::modeRead | CFile::shareDenyRead, CFile::kGenericRead, CFile::kShareWrite,
         CFile::kOpenExisting},
        {kNewFile, CFile::kGenericWrite, 0, CFile::kCreateNew},
    };
    for (const Case& c : cases) {
        FileOpenRequest request = CFile::MapOpenFlags(c.flags);
        EXPECT_EQ(request.access, c.access) << std::hex << c.flags;
        EXPECT_EQ(request.share, c.share) << std::hex << c.flags;
        EXPECT_EQ(request.disposition, c.disposition) << std::hex << c.flags;
        EXPECT_TRUE(request.inheritHandle);
    }
    EXPECT_FALSE(CFile::MapOpenFlags(kSource | CFile::modeNoInherit).inheritHandle);
    EXPECT_FALSE(CFile::MapOpenFlags(kSource).noFollow);
    EXPECT_TRUE(CFile::MapOpenFlags(kSource | CFile::modeNoFollow).noFollow);
}

TEST(FileOpen, MissingFileAndMissingFolderDiffer) {
    TempFolder folder;
    EXPECT_EQ(OpenError(folder / "missing.bin", kSource), 2);
    EXPECT_EQ(OpenError(folder / "nowhere/missing.bin", kSource), 3);
    EXPECT_EQ(OpenError(folder / "nowhere/new.bin", kDestination), 3);
}

// A new file is made by its open or not at all: whatever has the name stays as it is.
TEST(FileOpen, CreateNewRefusesEveryExistingName) {
    TempFolder folder;
    WriteBytes(folder / "old.bin", "old");
    MakeFolder(folder / "sub");
    EXPECT_EQ(OpenError(folder / "old.bin", kNewFile), 80);  // ERROR_FILE_EXISTS
    EXPECT_EQ(OpenError(folder / "sub", kNewFile), 80);
    EXPECT_EQ(OpenError(folder / "nowhere/new.bin", kNewFile), 3);
#ifndef _WIN32
    ASSERT_EQ(symlink((folder / "target.bin").c_str(), (folder / "link.bin").c_str()), 0);
    EXPECT_EQ(OpenError(folder / "link.bin", kNewFile), 80) << "a dangling link is not followed";
    EXPECT_FALSE(PathExists(folder / "target.bin"));
#endif
    EXPECT_EQ(ReadBytes(folder / "old.bin"), "old");
    {
        CFile made((folder / "new.bin").c_str(), kNewFile);
        made.Write("n", 1);
    }
    EXPECT_EQ(ReadBytes(folder / "new.bin"), "n");
}

TEST(FileOpen, FolderIsNoFile) {
    TempFolder folder;
    MakeFolder(folder / "sub");
    EXPECT_EQ(OpenError(folder / "sub", kSource), 5);
    EXPECT_EQ(OpenError(folder / "sub", kDestination), 5);
}

TEST(FileOpen, ReadOnlyFileRefusesWriting) {
    TempFolder folder;
    WriteBytes(folder / "ro.bin", "old");
    if (!MakeReadOnlyForEveryone(folder / "ro.bin"))
        TW_SKIP_UNLESS_OFFERED("immutable") << kReadOnlyNotEnforced;
    EXPECT_EQ(OpenError(folder / "ro.bin", kDestination), 5);
    EXPECT_EQ(OpenError(folder / "ro.bin", kRecord), 5);
    EXPECT_EQ(ReadBytes(folder / "ro.bin"), "old");
}

TEST(FileOpen, SharingModesHoldBetweenOpens) {
    TempFolder folder;
    std::string path = folder / "a.bin";
    WriteBytes(path, "data");
    {
        CFile source;
        ASSERT_TRUE(source.Open(path.c_str(), kSource));
        EXPECT_EQ(OpenError(path, kDestination), 32) << "the open source cannot be written";
        EXPECT_EQ(OpenError(path, kRecord), 32);
        EXPECT_EQ(OpenError(path, kSource), 0) << "others may still read it";
    }
    EXPECT_EQ(ReadBytes(path), "data") << "a refused open truncates nothing";
    {
        CFile destination;
        ASSERT_TRUE(destination.Open(path.c_str(), kDestination));
        EXPECT_EQ(OpenError(path, kSource), 32) << "nobody may open an exclusive file";
    }
    EXPECT_EQ(OpenError(path, kDestination), 0) << "closing releases the share";
}

// The handles this process has open, where the platform lists them; -1 elsewhere.
long OpenHandleCount() {
#ifdef _WIN32
    return -1;
#else
    auto handles = std::filesystem::directory_iterator("/proc/self/fd");
    return static_cast<long>(std::distance(begin(handles), end(handles)));
#endif
}

TEST(FileOpen, RefusedOpensOfExistingFilesHoldNothing) {
    constexpr unsigned kWriteExisting = CFile::modeWrite | CFile::shareExclusive;
    constexpr unsigned kReadExclusive = CFile::modeRead | CFile::shareExclusive;
    TempFolder folder;
    std::string held = folder / "held.bin";
    std::string readOnly = folder / "ro.bin";
    WriteBytes(held, "data");
    WriteBytes(readOnly, "old");
    MakeReadOnly(readOnly);
    MakeFolder(folder / "sub");
    const long handlesBefore = OpenHandleCount();
    {
        CFile holder;
        ASSERT_TRUE(holder.Open(held.c_str(), kSource));
        // Repeated: a refused open that kept a handle or a share would pile up.
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(OpenError(held, kWriteExisting), 32);
            EXPECT_EQ(OpenError(folder / "sub", kSource), 5);
            if (ReadOnlyIsEnforced()) {
                EXPECT_EQ(OpenError(readOnly, kWriteExisting), 5);
            }
        }
        if (handlesBefore >= 0) {
            EXPECT_EQ(OpenHandleCount(), handlesBefore + 1);
        }
    }
    if (handlesBefore >= 0) {
        EXPECT_EQ(OpenHandleCount(), handlesBefore);
    }
    EXPECT_EQ(OpenError(held, kWriteExisting), 0) << "the refused opens hold no share";
    EXPECT_EQ(OpenError(readOnly, kReadExclusive), 0) << "the refused opens hold no share";
    EXPECT_EQ(ReadBytes(held), "data");
    EXPECT_EQ(ReadBytes(readOnly), "old");
}

TEST(FileIo, OpenAlwaysKeepsTheTailAndSeeksWrite) {
    TempFolder folder;
    std::string path = folder / "rec.bin";
    WriteBytes(path, "0123456789");
    {
        CFile file(path.c_str(), kRecord);
        EXPECT_EQ(file.Seek(4, CFile::begin), 4);
        file.Write("ab", 2);
        file.Write("", 0);
        file.Close();
        EXPECT_FALSE(file.IsOpen());
        file.Close();  // closing a closed file does nothing
    }
    EXPECT_EQ(ReadBytes(path), "0123ab6789");
}

TEST(FileIo, CreateAlwaysTruncatesAndReadEndsWithZero) {
    TempFolder folder;
    std::string path = folder / "d.bin";
    WriteBytes(path, std::string(10000, 'x'));
    {
        CFile out(path.c_str(), kDestination);
        out.Write("short", 5);
    }  // the destructor closes
    CFile in(path.c_str(), kSource);
    char buffer[16];
    EXPECT_EQ(in.Read(buffer, sizeof(buffer)), 5u);
    EXPECT_EQ(std::string(buffer, 5), "short");
    EXPECT_EQ(in.Read(buffer, sizeof(buffer)), 0u);
    EXPECT_FALSE(in.GetFilePath().IsEmpty());
}

TEST(FileIo, ThrowingConstructorAndRemove) {
    TempFolder folder;
    std::string path = folder / "none.bin";
    try {
        CFile file(path.c_str(), kSource);
        FAIL() << "opened a missing file";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.m_cause, CFileException::fileNotFound);
        EXPECT_EQ(e.m_lOsError, 2);
        EXPECT_STREQ(e.m_strFileName, path.c_str());
    }
    WriteBytes(path, "x");
    CFile::Remove(path.c_str());
    EXPECT_FALSE(PathExists(path));
    EXPECT_THROW(CFile::Remove(path.c_str()), CFileException);
}

namespace {

// A file whose handle the platform has already closed, so that its own close fails.
class ClosedBehindItsBack : public CFile {
public:
    using CFile::CFile;
    void LoseHandle() {
#ifdef _WIN32
        ::CloseHandle(m_hFile);
#else
        ::close(m_hFile);
#endif
    }
};

}  // namespace

// A failed seek or close names no file: the text says "一未命名文件" where a
// failed open or write names the file.
TEST(FileIo, FailedSeekAndCloseNameAnUnnamedFile) {
    TempFolder folder;
    std::string path = folder / "rec.bin";
    WriteBytes(path, "0123456789");
    ClosedBehindItsBack file(path.c_str(), kRecord);
    const std::string name = file.GetFilePath().GetString();
    try {
        file.Seek(-10, CFile::begin);
        ADD_FAILURE() << "a seek before the start succeeded";
    } catch (const CFileException& e) {
        EXPECT_STREQ(e.m_strFileName, "");
        EXPECT_NE(std::string(e.GetErrorMessage()).find(AFX_TEXT_UNNAMED_FILE), std::string::npos);
        EXPECT_EQ(std::string(e.GetErrorMessage()).find(name), std::string::npos);
    }
    file.LoseHandle();
    try {
        file.Close();
        ADD_FAILURE() << "closing a lost handle succeeded";
    } catch (const CFileException& e) {
        EXPECT_STREQ(e.m_strFileName, "");
        EXPECT_NE(std::string(e.GetErrorMessage()).find(AFX_TEXT_UNNAMED_FILE), std::string::npos);
        EXPECT_EQ(std::string(e.GetErrorMessage()).find(name), std::string::npos);
    }
    EXPECT_FALSE(file.IsOpen());
}
