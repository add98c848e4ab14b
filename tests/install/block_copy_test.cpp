// The block copy on real files (the host's and Win32's file layers), and through
// file objects that count or fail the operations.
#include "install/block_copy.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/temp_folder.h"

namespace {

#ifdef _WIN32
constexpr const char* kSeparator = "\\";
#else
constexpr const char* kSeparator = "/";
#endif

// A CFile that records what the copy asks of it and can fail on cue.
class ProbeFile : public CFile {
public:
    std::vector<std::string>* journal = nullptr;  // shared by both files of a copy
    std::string label;
    CFileException* openError = nullptr;
    CFileException errorAtOpen;  // the error record as it was handed to Open
    std::vector<unsigned> readResults;
    std::vector<unsigned> writeCounts;
    int failReadAt = -1;      // the index of the read that fails
    long writeLimit = -1;     // bytes that fit before the disk is full
    unsigned shortReads = 0;  // when set, each read returns at most this many bytes
    bool failClose = false;

    BOOL Open(const char* fileName, unsigned flags, CFileException* error) override {
        openError = error;
        if (error) errorAtOpen = *error;
        Note("open");
        return CFile::Open(fileName, flags, error);
    }
    unsigned Read(void* buffer, unsigned count) override {
        if (static_cast<int>(readResults.size()) == failReadAt)
            CFileException::ThrowOsError(23, GetFilePath());  // ERROR_CRC
        unsigned got = CFile::Read(buffer, shortReads ? std::min(count, shortReads) : count);
        readResults.push_back(got);
        return got;
    }
    void Write(const void* buffer, unsigned count) override {
        writeCounts.push_back(count);
        if (writeLimit >= 0 && m_written + count > static_cast<unsigned long>(writeLimit)) {
            CFile::Write(buffer, static_cast<unsigned>(writeLimit - static_cast<long>(m_written)));
            CFileException::Throw(CFileException::diskFull, -1, GetFilePath());
        }
        CFile::Write(buffer, count);
        m_written += count;
    }
    void Close() override {
        Note("close");
        CFile::Close();
        if (failClose) CFileException::ThrowOsError(112);
    }
    void Abort() override {
        Note("abort");
        CFile::Abort();
    }

private:
    void Note(const char* what) {
        if (journal) journal->push_back(label + " " + what);
    }
    unsigned long m_written = 0;
};

struct ProbePair {
    std::vector<std::string> journal;
    ProbeFile source;
    ProbeFile destination;
    ProbePair() {
        source.journal = destination.journal = &journal;
        source.label = "source";
        destination.label = "destination";
    }
    BOOL Copy(const std::string& from, const std::string& to) {
        return CopyOneFileThrough(source, destination, from.c_str(), to.c_str());
    }
};

bool IsReadOnly(const std::string& path) {
    return (std::filesystem::status(path).permissions() & std::filesystem::perms::owner_write) ==
           std::filesystem::perms::none;
}

bool IsWritable(const std::string& path) {
    CFile file;
    if (!file.Open(path.c_str(), CFile::modeWrite | CFile::shareDenyNone)) return false;
    file.Close();
    return true;
}

}  // namespace

TEST(BlockCopy, CopiesContentsOfEverySize) {
    const size_t sizes[] = {0, 1, 4095, 4096, 4097, 8192, 3 * 1024 * 1024 + 17};
    TempFolder folder;
    for (size_t size : sizes) {
        SCOPED_TRACE(size);
        std::string data = PatternBytes(size, static_cast<unsigned>(size));
        WriteBytes(folder / "source.bin", data);
        ASSERT_TRUE(CopyOneFile((folder / "source.bin").c_str(), (folder / "copy.bin").c_str()));
        EXPECT_EQ(ReadBytes(folder / "copy.bin"), data);
        EXPECT_EQ(ReadBytes(folder / "source.bin"), data);
    }
}

// One read and one write per block of 4096 bytes, and a last read of 0 whose
// write of 0 bytes stores nothing.
TEST(BlockCopy, ReadsAndWritesWholeBlocks) {
    struct Case {
        size_t size;
        std::vector<unsigned> reads;
    } cases[] = {
        {0, {0}},
        {4096, {4096, 0}},
        {4097, {4096, 1, 0}},
        {10000, {4096, 4096, 1808, 0}},
    };
    TempFolder folder;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        WriteBytes(folder / "source.bin", PatternBytes(c.size));
        ProbePair files;
        ASSERT_TRUE(files.Copy(folder / "source.bin", folder / "copy.bin"));
        EXPECT_EQ(files.source.readResults, c.reads);
        EXPECT_EQ(files.destination.writeCounts, c.reads) << "each read is written as it came";
        EXPECT_EQ(ReadBytes(folder / "copy.bin"), PatternBytes(c.size));
    }
}

TEST(BlockCopy, OpensWithOneErrorRecordAndClosesDestinationFirst) {
    TempFolder folder;
    WriteBytes(folder / "source.bin", "abc");
    ProbePair files;
    ASSERT_TRUE(files.Copy(folder / "source.bin", folder / "copy.bin"));
    ASSERT_NE(files.source.openError, nullptr);
    EXPECT_EQ(files.source.openError, files.destination.openError);
    EXPECT_EQ(files.source.errorAtOpen.m_cause, CFileException::none);
    EXPECT_EQ(files.source.errorAtOpen.m_lOsError, -1);
    EXPECT_STREQ(files.source.errorAtOpen.m_strFileName, "");
    std::vector<std::string> order = {"source open", "destination open", "destination close",
                                      "source close"};
    EXPECT_EQ(files.journal, order);
}

TEST(BlockCopy, ShortReadsAreWrittenAndTheLoopGoesOn) {
    TempFolder folder;
    std::string data = PatternBytes(10000);
    WriteBytes(folder / "source.bin", data);
    ProbePair files;
    files.source.shortReads = 3000;
    ASSERT_TRUE(files.Copy(folder / "source.bin", folder / "copy.bin"));
    EXPECT_EQ(files.source.readResults, (std::vector<unsigned>{3000, 3000, 3000, 1000, 0}));
    EXPECT_EQ(ReadBytes(folder / "copy.bin"), data);
}

TEST(BlockCopy, ReplacesALongerDestination) {
    TempFolder folder;
    WriteBytes(folder / "source.bin", "short");
    WriteBytes(folder / "copy.bin", PatternBytes(20000));
    ASSERT_TRUE(CopyOneFile((folder / "source.bin").c_str(), (folder / "copy.bin").c_str()));
    EXPECT_EQ(ReadBytes(folder / "copy.bin"), "short");
}

TEST(BlockCopy, SameFileFailsAndLeavesItUnchanged) {
    TempFolder folder;
    std::string data = PatternBytes(5000);
    WriteBytes(folder / "a.dll", data);
    EXPECT_FALSE(CopyOneFile((folder / "a.dll").c_str(), (folder / "a.dll").c_str()));
    EXPECT_EQ(ReadBytes(folder / "a.dll"), data);
}

TEST(BlockCopy, ReadOnlySourceGivesAWritableCopy) {
    TempFolder folder;
    WriteBytes(folder / "source.bin", "ro");
    MakeReadOnly(folder / "source.bin");
    ASSERT_TRUE(CopyOneFile((folder / "source.bin").c_str(), (folder / "copy.bin").c_str()));
    EXPECT_EQ(ReadBytes(folder / "copy.bin"), "ro");
    EXPECT_FALSE(IsReadOnly(folder / "copy.bin"));
    EXPECT_TRUE(IsWritable(folder / "copy.bin"));
    EXPECT_TRUE(IsReadOnly(folder / "source.bin")) << "the source keeps its attributes";
}

TEST(BlockCopy, ReadOnlyDestinationFailsAndStaysUnchanged) {
    if (!ReadOnlyIsEnforced()) GTEST_SKIP() << kReadOnlyNotEnforced;
    TempFolder folder;
    WriteBytes(folder / "source.bin", "new");
    WriteBytes(folder / "copy.bin", "old contents");
    MakeReadOnly(folder / "copy.bin");
    EXPECT_FALSE(CopyOneFile((folder / "source.bin").c_str(), (folder / "copy.bin").c_str()));
    EXPECT_EQ(ReadBytes(folder / "copy.bin"), "old contents");
}

TEST(BlockCopy, SourceThatCannotBeOpenedLeavesTheDestinationUntouched) {
    TempFolder folder;
    WriteBytes(folder / "copy.bin", "keep");
    MakeFolder(folder / "sub");
    const std::string sources[] = {folder / "missing.bin",
                                   folder / "nowhere" + kSeparator + "x.bin", folder / "sub"};
    for (const std::string& source : sources) {
        SCOPED_TRACE(source);
        EXPECT_FALSE(CopyOneFile(source.c_str(), (folder / "copy.bin").c_str()));
        EXPECT_EQ(ReadBytes(folder / "copy.bin"), "keep");
        EXPECT_FALSE(CopyOneFile(source.c_str(), (folder / "new.bin").c_str()));
        EXPECT_FALSE(PathExists(folder / "new.bin")) << "no destination is created";
    }
}

TEST(BlockCopy, DestinationThatCannotBeOpenedReleasesTheSource) {
    TempFolder folder;
    WriteBytes(folder / "source.bin", "data");
    MakeFolder(folder / "sub");
    ProbePair files;
    EXPECT_FALSE(files.Copy(folder / "source.bin", folder / "nowhere" + kSeparator + "copy.bin"));
    EXPECT_FALSE(files.Copy(folder / "source.bin", folder / "sub"));
    EXPECT_TRUE(IsWritable(folder / "source.bin")) << "the source is closed again";
    EXPECT_EQ(ReadBytes(folder / "source.bin"), "data");
}

// A failure once both files are open ends in false, both files closed and no
// fragment left where the destination was.
TEST(BlockCopy, FailureMidCopyRemovesThePartialDestination) {
    struct Case {
        const char* name;
        int failReadAt;
        long writeLimit;
        bool failDestinationClose;
        bool failSourceClose;
    } cases[] = {
        {"disk full after 5000 bytes", -1, 5000, false, false},
        {"disk full on the first block", -1, 10, false, false},
        {"read error on the third block", 2, -1, false, false},
        {"destination close fails", -1, -1, true, false},
        {"source close fails", -1, -1, false, true},
    };
    TempFolder folder;
    std::string data = PatternBytes(20000);
    WriteBytes(folder / "source.bin", data);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteBytes(folder / "copy.bin", "an older copy");
        ProbePair files;
        files.source.failReadAt = c.failReadAt;
        files.destination.writeLimit = c.writeLimit;
        files.destination.failClose = c.failDestinationClose;
        files.source.failClose = c.failSourceClose;
        BOOL copied = TRUE;
        EXPECT_NO_THROW(copied = files.Copy(folder / "source.bin", folder / "copy.bin"));
        EXPECT_FALSE(copied);
        EXPECT_FALSE(PathExists(folder / "copy.bin"));
        EXPECT_FALSE(files.source.IsOpen());
        EXPECT_FALSE(files.destination.IsOpen());
        EXPECT_TRUE(IsWritable(folder / "source.bin")) << "the source is released";
        EXPECT_EQ(ReadBytes(folder / "source.bin"), data);
    }
}
