// The block copy on real files (the host's and Win32's file layers), and through
// file objects that log or fail the operations. Whatever fails, the destination
// keeps what it had and no new file stays behind.
#include "install/block_copy.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <new>
#include <set>
#include <string>
#include <vector>

#include "common/path_rules.h"
#include "common/sha256.h"
#include "tests/fault_file.h"
#include "tests/temp_folder.h"
#include "tests/machine_offers.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace {

#ifdef _WIN32
constexpr const char* kSeparator = "\\";
#else
constexpr const char* kSeparator = "/";
#endif

using Names = std::vector<std::string>;

struct Probe {
    std::vector<std::string> journal;
    FaultFile source{&journal, "source"};
    FaultFile destination{&journal, "destination"};
    tw::CopyOutcome Copy(const std::string& from, const std::string& to) {
        return tw::CopyFileInBlocksThrough(source, destination, from.c_str(), to.c_str());
    }
};

// "tw", four upper-case hex digits, ".tmp".
bool IsTemporaryName(const std::string& name) {
    if (name.size() != 10 || name.rfind("tw", 0) != 0 || name.substr(6) != ".tmp") return false;
    return name.find_first_not_of("0123456789ABCDEF", 2) == 6;
}

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
        EXPECT_EQ(NamesIn(folder.Path()), (Names{"copy.bin", "source.bin"}));
    }
}

std::string Hex(const std::optional<tw::FileDigest>& written) {
    return written ? tw::ToHex(written->digest) : "none";
}

// The copy's digest is fed from the blocks it wrote: SHA-256's known answers for
// "" and "abc", and for larger files the digest of the bytes taken whole, however
// the reads came (short reads included). The file itself is never read back.
TEST(BlockCopy, ReportsTheDigestAndSizeOfWhatItWrote) {
    const std::string kEmpty = "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855";
    const std::string kAbc = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";
    EXPECT_EQ(tw::ToHex(*tw::Sha256().Finish()), kEmpty);
    const struct {
        std::string bytes;
        unsigned shortReads;  // 0: whole blocks
    } cases[] = {{"", 0},
                 {"abc", 0},
                 {PatternBytes(4096), 0},
                 {PatternBytes(4097), 0},
                 {PatternBytes(3 * 4096 + 5), 1000}};
    TempFolder folder;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes.size());
        WriteBytes(folder / "source.bin", c.bytes);
        Probe files;
        if (c.shortReads) files.source.ShortReads(c.shortReads);
        tw::CopyOutcome copied = files.Copy(folder / "source.bin", folder / "copy.bin");
        ASSERT_TRUE(copied);
        ASSERT_TRUE(copied.written);
        EXPECT_EQ(copied.written->size, c.bytes.size());
        tw::Sha256 whole;
        whole.Update(c.bytes.data(), c.bytes.size());
        EXPECT_EQ(Hex(copied.written), tw::ToHex(*whole.Finish()));
        if (c.bytes.empty()) {
            EXPECT_EQ(Hex(copied.written), kEmpty);
        }
        if (c.bytes == "abc") {
            EXPECT_EQ(Hex(copied.written), kAbc);
        }
        // Reads of the source only, none of what was written.
        EXPECT_EQ(files.destination.readResults, std::vector<unsigned>{});
    }
    // A copy that fails reports nothing written.
    Probe failing;
    failing.destination.FailAt("close", 1, 29);
    tw::CopyOutcome failed = failing.Copy(folder / "source.bin", folder / "other.bin");
    EXPECT_FALSE(failed);
    EXPECT_FALSE(failed.written);
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
        Probe files;
        ASSERT_TRUE(files.Copy(folder / "source.bin", folder / "copy.bin"));
        EXPECT_EQ(files.source.readResults, c.reads);
        EXPECT_EQ(files.destination.writeCounts, c.reads) << "each read is written as it came";
        EXPECT_EQ(ReadBytes(folder / "copy.bin"), PatternBytes(c.size));
    }
}

TEST(BlockCopy, WritesANewFileBesideTheDestinationWhichThenTakesItsPlace) {
    TempFolder folder;
    WriteBytes(folder / "source.bin", "abc");
    WriteBytes(folder / "copy.bin", "an older copy");
    Probe files;
    ASSERT_TRUE(files.Copy(folder / "source.bin", folder / "copy.bin"));
    EXPECT_EQ(files.destination.openFlags, kCopyTemporaryFlags);
    ASSERT_NE(files.source.openError, nullptr);
    EXPECT_EQ(files.source.openError, files.destination.openError);
    EXPECT_EQ(files.source.errorAtOpen.m_cause, CFileException::none);
    EXPECT_EQ(files.source.errorAtOpen.m_lOsError, -1);
    EXPECT_STREQ(files.source.errorAtOpen.m_strFileName, "");

    const std::string written = files.destination.openedName;
    EXPECT_EQ(tw::FolderPart(written), folder.Path() + kSeparator);
    EXPECT_TRUE(IsTemporaryName(written.substr(tw::FolderPart(written).size()))) << written;
    std::vector<std::string> order = {
        "source open",         "destination open", "destination mark",    "source read",
        "destination write 3", "source read",      "destination write 0", "destination unmark",
        "destination close",   "source close"};
    EXPECT_EQ(files.journal, order);
    EXPECT_EQ(ReadBytes(folder / "copy.bin"), "abc");
    EXPECT_EQ(NamesIn(folder.Path()), (Names{"copy.bin", "source.bin"}));
}

TEST(BlockCopy, ShortReadsAreWrittenAndTheLoopGoesOn) {
    TempFolder folder;
    std::string data = PatternBytes(10000);
    WriteBytes(folder / "source.bin", data);
    Probe files;
    files.source.ShortReads(3000);
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
    EXPECT_EQ(tw::CopyFileInBlocks((folder / "a.dll").c_str(), (folder / "a.dll").c_str()).error,
              32);
    EXPECT_EQ(ReadBytes(folder / "a.dll"), data);
    EXPECT_EQ(NamesIn(folder.Path()), Names{"a.dll"});
    EXPECT_TRUE(IsWritable(folder / "a.dll")) << "the source is closed again";
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
    TempFolder folder;
    WriteBytes(folder / "source.bin", "new");
    WriteBytes(folder / "copy.bin", "old contents");
    if (!MakeReadOnlyForEveryone(folder / "copy.bin"))
        TW_SKIP_UNLESS_OFFERED("immutable") << kReadOnlyNotEnforced;
    EXPECT_EQ(
        tw::CopyFileInBlocks((folder / "source.bin").c_str(), (folder / "copy.bin").c_str()).error,
        5);
    EXPECT_EQ(ReadBytes(folder / "copy.bin"), "old contents");
    EXPECT_TRUE(IsReadOnly(folder / "copy.bin"));
    EXPECT_EQ(NamesIn(folder.Path()), (Names{"copy.bin", "source.bin"}));
}

TEST(BlockCopy, SourceThatCannotBeOpenedLeavesTheDestinationUntouched) {
    TempFolder folder;
    WriteBytes(folder / "copy.bin", "keep");
    MakeFolder(folder / "sub");
    struct Case {
        std::string source;
        long code;
    } cases[] = {
        {folder / "missing.bin", 2},
        {folder / "nowhere" + kSeparator + "x.bin", 3},
        {folder / "sub", 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.source);
        EXPECT_EQ(tw::CopyFileInBlocks(c.source.c_str(), (folder / "copy.bin").c_str()).error,
                  c.code);
        EXPECT_EQ(ReadBytes(folder / "copy.bin"), "keep");
        EXPECT_FALSE(CopyOneFile(c.source.c_str(), (folder / "new.bin").c_str()));
        EXPECT_EQ(NamesIn(folder.Path()), (Names{"copy.bin", "sub"})) << "nothing is created";
    }
}

// The new file cannot be made in a missing folder; a folder, or a file that is held
// open without sharing, cannot be replaced.
TEST(BlockCopy, DestinationThatCannotBeReplacedKeepsWhatIsThere) {
    TempFolder folder;
    WriteBytes(folder / "source.bin", "data");
    MakeFolder(folder / "sub");
    WriteBytes(folder / "sub" + kSeparator + "inner.txt", "inner");
    WriteBytes(folder / "held.dll", "old bytes");
    struct Case {
        std::string destination;
        long code;
    } cases[] = {
        {folder / "nowhere" + kSeparator + "copy.bin", 3},  // ERROR_PATH_NOT_FOUND
        {folder / "sub", 5},
        {folder / "held.dll", 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.destination);
        Probe files;
        {
            CFile holder((folder / "held.dll").c_str(),
                         CFile::modeReadWrite | CFile::shareExclusive);
            EXPECT_EQ(files.Copy(folder / "source.bin", c.destination).error, c.code);
        }
        EXPECT_FALSE(files.source.IsOpen());
        EXPECT_FALSE(files.destination.IsOpen());
        EXPECT_TRUE(IsWritable(folder / "source.bin")) << "the source is closed again";
        EXPECT_EQ(NamesIn(folder.Path()), (Names{"held.dll", "source.bin", "sub"}));
        EXPECT_EQ(NamesIn(folder / "sub"), Names{"inner.txt"});
        EXPECT_EQ(ReadBytes(folder / "held.dll"), "old bytes");
    }
}

// A failure once both files are open ends in false with both files closed: the
// destination is what it was, or still absent, and the new file is gone.
TEST(BlockCopy, FailurePartWayKeepsTheOldDestination) {
    struct Case {
        const char* name;
        void (*inject)(Probe&);
        long code;
    } cases[] = {
        {"disk full after 5000 bytes", [](Probe& p) { p.destination.FillDiskAfter(5000); }, 112},
        {"disk full on the first block", [](Probe& p) { p.destination.FillDiskAfter(10); }, 112},
        {"read error on the third block", [](Probe& p) { p.source.FailAt("read", 3, 23); }, 23},
        {"destination close fails", [](Probe& p) { p.destination.FailAt("close", 1, 29); }, 29},
        {"source close fails", [](Probe& p) { p.source.FailAt("close", 1, 6); }, 6},
    };
    TempFolder folder;
    std::string data = PatternBytes(20000);
    WriteBytes(folder / "source.bin", data);
    for (const Case& c : cases) {
        for (bool existed : {true, false}) {
            SCOPED_TRACE(testing::Message() << c.name << (existed ? ", over a file" : ", new"));
            if (existed) WriteBytes(folder / "copy.bin", "an older copy");
            Probe files;
            c.inject(files);
            tw::CopyOutcome outcome;
            EXPECT_NO_THROW(outcome = files.Copy(folder / "source.bin", folder / "copy.bin"));
            EXPECT_EQ(outcome.error, c.code);
            EXPECT_FALSE(files.source.IsOpen());
            EXPECT_FALSE(files.destination.IsOpen());
            if (existed) {
                EXPECT_EQ(ReadBytes(folder / "copy.bin"), "an older copy");
                EXPECT_EQ(NamesIn(folder.Path()), (Names{"copy.bin", "source.bin"}));
            } else {
                EXPECT_EQ(NamesIn(folder.Path()), Names{"source.bin"});
            }
            EXPECT_TRUE(IsWritable(folder / "source.bin")) << "the source is released";
            EXPECT_EQ(ReadBytes(folder / "source.bin"), data);
            if (existed) CFile::Remove((folder / "copy.bin").c_str());
        }
    }
}

// The new file is marked for deletion right after its open and stays marked until
// just before its close, so that a run killed anywhere in between leaves nothing:
// every failure while it is marked ends with it closed marked; only a failure
// after the mark was cleared (or one that kept the mark from being set) leaves it
// to be deleted by its name. The old destination survives each.
TEST(BlockCopy, TheNewFileIsMarkedForDeletionUntilJustBeforeItTakesItsPlace) {
    struct Case {
        const char* name;
        void (*inject)(Probe&);
        long code;
        const char* lastStep;  // of the new file
    } cases[] = {
        {"none", [](Probe&) {}, 0, "destination close"},
        {"the mark refused", [](Probe& p) { p.destination.FailAt("mark", 1, 87); }, 87,
         "destination abort"},
        {"disk full", [](Probe& p) { p.destination.FillDiskAfter(5000); }, 112,
         "destination abort marked"},
        {"read error", [](Probe& p) { p.source.FailAt("read", 2, 23); }, 23,
         "destination abort marked"},
        {"clearing the mark refused", [](Probe& p) { p.destination.FailAt("unmark", 1, 5); }, 5,
         "destination abort marked"},
        {"close fails", [](Probe& p) { p.destination.FailAt("close", 1, 29); }, 29,
         "destination abort"},
        {"destination held open", [](Probe&) {}, 5, "destination close"},
    };
    TempFolder folder;
    WriteBytes(folder / "source.bin", PatternBytes(9000));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const bool held = std::string(c.name) == "destination held open";
        WriteBytes(folder / "copy.bin", "an older copy");
        Probe files;
        c.inject(files);
        tw::CopyOutcome outcome;
        {
            std::unique_ptr<CFile> holder;
            if (held) {
                holder = std::make_unique<CFile>((folder / "copy.bin").c_str(),
                                                 CFile::modeRead | CFile::shareExclusive);
            }
            outcome = files.Copy(folder / "source.bin", folder / "copy.bin");
        }
        EXPECT_EQ(outcome.error, c.code);
        Names steps;
        for (const std::string& step : files.journal)
            if (step.rfind("destination ", 0) == 0) steps.push_back(step);
        ASSERT_GE(steps.size(), 3u);
        EXPECT_EQ(steps[0], "destination open");
        EXPECT_EQ(steps[1], "destination mark") << "marked right after it was made";
        EXPECT_EQ(steps.back(), c.lastStep);
        for (size_t i = 2; i < steps.size(); ++i) {
            if (steps[i] == "destination close") {
                EXPECT_EQ(steps[i - 1], "destination unmark") << "cleared just before its close";
            }
        }
        EXPECT_FALSE(files.destination.IsOpen());
        EXPECT_EQ(ReadBytes(folder / "copy.bin"), c.code ? "an older copy" : PatternBytes(9000));
        EXPECT_EQ(NamesIn(folder.Path()), (Names{"copy.bin", "source.bin"})) << "no new file left";
    }
}

// What the mark does on the platform: a marked file goes when its handle closes,
// whichever way (a killed process's handles are closed by the system); a file
// whose mark was cleared stays.
TEST(BlockCopy, AMarkedFileGoesWithItsHandle) {
    TempFolder folder;
    const std::string path = folder / "tw0001.tmp";
    for (bool cleared : {false, true}) {
        for (bool throughClose : {false, true}) {
            SCOPED_TRACE(testing::Message() << (cleared ? "cleared" : "marked")
                                            << (throughClose ? ", closed" : ", aborted"));
            {
                CFile file;
                ASSERT_TRUE(file.Open(path.c_str(), kCopyTemporaryFlags));
                file.SetDeleteOnClose(true);
                file.Write("bytes", 5);
                if (cleared) file.SetDeleteOnClose(false);
                if (throughClose) file.Close();
                // else the destructor closes it
            }
            EXPECT_EQ(NamesIn(folder.Path()), cleared ? Names{"tw0001.tmp"} : Names{});
            if (cleared) {
                EXPECT_EQ(ReadBytes(path), "bytes");
                CFile::Remove(path.c_str());
            }
        }
    }
}

TEST(BlockCopy, AFailureOutsideTheFileLayerPassesOnAndLeavesNoNewFile) {
    TempFolder folder;
    WriteBytes(folder / "source.bin", PatternBytes(10000));
    WriteBytes(folder / "copy.bin", "an older copy");
    {
        Probe files;
        files.destination.FailAt("write", 2, 0);
        EXPECT_THROW(files.Copy(folder / "source.bin", folder / "copy.bin"), std::bad_alloc);
        EXPECT_FALSE(files.destination.IsOpen());
    }
    EXPECT_EQ(ReadBytes(folder / "copy.bin"), "an older copy");
    EXPECT_EQ(NamesIn(folder.Path()), (Names{"copy.bin", "source.bin"}));
}

// A folder of 249 bytes with its separator leaves room for the new file's name
// within 260 bytes, the terminator included; one byte more, and the copy fails
// without opening anything beside the destination. Either way the old file
// survives every fault.
TEST(BlockCopy, EveryFolderLengthKeepsTheOldFileThroughEveryFault) {
    struct Fault {
        const char* name;
        void (*inject)(Probe&);
        long code;
    } faults[] = {
        {"none", [](Probe&) {}, 0},
        {"disk full", [](Probe& p) { p.destination.FillDiskAfter(5000); }, 112},
        {"read error", [](Probe& p) { p.source.FailAt("read", 2, 23); }, 23},
        {"close fails", [](Probe& p) { p.destination.FailAt("close", 1, 29); }, 29},
    };
    TempFolder folder;
    WriteBytes(folder / "source.bin", PatternBytes(9000));
    for (size_t length : {249u, 250u}) {
        const std::string deep = folder / std::string(length - folder.Path().size() - 2, 'd');
        const std::string destination = deep + kSeparator + "copy.bin";
        ASSERT_EQ(tw::FolderPart(destination).size(), length);
        MakeFolder(deep);
        const bool fits = length == 249;
        for (const Fault& fault : faults) {
            SCOPED_TRACE(testing::Message() << length << ", " << fault.name);
            WriteBytes(destination, "an older copy");
            Probe files;
            fault.inject(files);
            tw::CopyOutcome outcome = files.Copy(folder / "source.bin", destination);
            EXPECT_EQ(outcome.error, fits ? fault.code : 206);  // ERROR_FILENAME_EXCED_RANGE
            EXPECT_EQ(ReadBytes(destination),
                      fits && !fault.code ? PatternBytes(9000) : "an older copy");
            EXPECT_EQ(NamesIn(deep), Names{"copy.bin"}) << "no new file left";
            EXPECT_FALSE(files.source.IsOpen());
            if (!fits) {
                EXPECT_EQ(files.journal, (Names{"source open", "source abort"}))
                    << "nothing is opened beside the destination";
            }
        }
        std::filesystem::remove_all(deep);
    }
}

// A file that its open reports as taken, by another run or by someone else meanwhile.
class TakenNames : public FaultFile {
public:
    TakenNames(int taken, long code) : m_taken(taken), m_code(code) {}
    BOOL Open(const char* fileName, unsigned flags, CFileException* error) override {
        tried.push_back(fileName);
        if (m_taken-- <= 0) return FaultFile::Open(fileName, flags, error);
        error->m_lOsError = m_code;
        return FALSE;
    }
    std::vector<std::string> tried;

private:
    int m_taken;
    long m_code;
};

// A name that exists is never opened: the next one is tried, a hundred names in
// all; any other refusal ends the copy at once.
TEST(BlockCopy, ANewFileNameThatIsTakenIsNeverOpened) {
    struct Case {
        int taken;
        long code;
        long error;       // the copy's outcome
        size_t attempts;  // names tried
    } cases[] = {
        {0, 80, 0, 1},    {1, 80, 0, 2},      {3, 183, 0, 4},  // ERROR_ALREADY_EXISTS
        {99, 80, 0, 100}, {100, 80, 80, 100}, {1, 5, 5, 1},   {2, 3, 3, 1},
    };
    TempFolder folder;
    WriteBytes(folder / "source.bin", "new bytes");
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.taken << " taken with " << c.code);
        WriteBytes(folder / "copy.bin", "an older copy");
        FaultFile source;
        TakenNames newFile(c.taken, c.code);
        tw::CopyOutcome outcome = tw::CopyFileInBlocksThrough(
            source, newFile, (folder / "source.bin").c_str(), (folder / "copy.bin").c_str());
        EXPECT_EQ(outcome.error, c.error);
        ASSERT_EQ(newFile.tried.size(), c.attempts);
        std::set<std::string> distinct(newFile.tried.begin(), newFile.tried.end());
        EXPECT_EQ(distinct.size(), c.attempts) << "each name is tried once";
        for (const std::string& name : newFile.tried) {
            EXPECT_EQ(tw::FolderPart(name), folder.Path() + kSeparator);
            EXPECT_TRUE(IsTemporaryName(name.substr(tw::FolderPart(name).size()))) << name;
        }
        EXPECT_EQ(ReadBytes(folder / "copy.bin"), c.error ? "an older copy" : "new bytes");
        EXPECT_FALSE(source.IsOpen());
        EXPECT_EQ(NamesIn(folder.Path()), (Names{"copy.bin", "source.bin"}));
    }
}

#ifndef _WIN32
// Through a link the new file replaces the link itself; what the link led to, or
// the file's other names, keep the old bytes.
TEST(BlockCopy, LinkedDestinationsAreReplacedAndWhatTheyShareIsKept) {
    TempFolder folder;
    WriteBytes(folder / "source.bin", "new");
    WriteBytes(folder / "target.bin", "target bytes");
    ASSERT_EQ(symlink((folder / "target.bin").c_str(), (folder / "soft.bin").c_str()), 0);
    WriteBytes(folder / "hard.bin", "old bytes");
    ASSERT_EQ(link((folder / "hard.bin").c_str(), (folder / "other.bin").c_str()), 0);

    for (const char* name : {"soft.bin", "hard.bin"}) {
        ASSERT_TRUE(CopyOneFile((folder / "source.bin").c_str(), (folder / name).c_str())) << name;
        EXPECT_EQ(ReadBytes(folder / name), "new") << name;
    }
    EXPECT_FALSE(std::filesystem::is_symlink(folder / "soft.bin"));
    EXPECT_EQ(ReadBytes(folder / "target.bin"), "target bytes");
    EXPECT_EQ(ReadBytes(folder / "other.bin"), "old bytes");
    EXPECT_EQ(NamesIn(folder.Path()),
              (Names{"hard.bin", "other.bin", "soft.bin", "source.bin", "target.bin"}));
}
#endif
