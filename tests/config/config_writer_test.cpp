// The record writer against real files in a temporary folder (never the real
// "\ZAVIDAR.CFG"), and against a file that fails on purpose at each step.
#include "config/config_writer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "framework/afx_texts.h"
#include "tests/config/record_bytes.h"
#include "tests/fault_file.h"
#include "tests/temp_folder.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

using tw::WriteConfigRecord;

namespace {

#ifndef _WIN32
// The access-denied text for a name: "对 %1 的存取被拒绝。".
std::string AccessDeniedText(const std::string& name) {
    return "\xB6\xD4 " + name + " \xB5\xC4\xB4\xE6\xC8\xA1\xB1\xBB\xBE\xDC\xBE\xF8\xA1\xA3";
}
#endif

CFileException WriteError(const std::string& path, const char* text) {
    try {
        WriteConfigRecord(path.c_str(), text);
    } catch (const CFileException& error) {
        return error;
    }
    ADD_FAILURE() << "writing " << path << " did not fail";
    return CFileException();
}

}  // namespace

TEST(ConfigWriter, NewFileHoldsExactlyTheRecord) {
    TempFolder folder;
    std::string path = folder / "ZAVIDAR.CFG";
    WriteConfigRecord(path.c_str(), "C:\\Varnelquist");
    EXPECT_EQ(ReadBytes(path), ExpectedRecord("C:\\Varnelquist"));
}

TEST(ConfigWriter, ExistingFilesAreWrittenInPlace) {
    TempFolder folder;
    std::string path = folder / "ZAVIDAR.CFG";

    std::string longer = PatternBytes(1000);
    WriteBytes(path, longer);
    WriteConfigRecord(path.c_str(), "D:\\Apps\\Varnelquist\\");
    std::string afterLonger = ReadBytes(path);
    ASSERT_EQ(afterLonger.size(), 1000u) << "no truncation";
    EXPECT_EQ(afterLonger.substr(0, 276), ExpectedRecord("D:\\Apps\\Varnelquist"));
    EXPECT_EQ(afterLonger.substr(276), longer.substr(276)) << "the tail is kept";

    WriteBytes(path, "short");
    WriteConfigRecord(path.c_str(), "C:\\Varnelquist");
    EXPECT_EQ(ReadBytes(path), ExpectedRecord("C:\\Varnelquist"));

    // A longer directory before a shorter one leaves nothing of it behind.
    WriteConfigRecord(path.c_str(), "C:\\" + std::string(250, 'x'));
    WriteConfigRecord(path.c_str(), "C:\\B");
    EXPECT_EQ(ReadBytes(path), ExpectedRecord("C:\\B"));
}

TEST(ConfigWriter, WritingTwiceGivesTheSameBytes) {
    TempFolder folder;
    std::string path = folder / "ZAVIDAR.CFG";
    std::string text = "E:\\\xD5\x5C\\";
    WriteConfigRecord(path.c_str(), text);
    std::string first = ReadBytes(path);
    WriteConfigRecord(path.c_str(), text);
    EXPECT_EQ(ReadBytes(path), first);
    EXPECT_EQ(first, ExpectedRecord("E:\\\xD5\x5C"));
}

TEST(ConfigWriter, FailedOpenNamesThePathAsPassed) {
    TempFolder folder;
    std::string nowhere = folder / "nowhere";
    nowhere += "\\ZAVIDAR.CFG";  // passed with the Windows separator, shown that way
    CFileException badPath = WriteError(nowhere, "C:\\Varnelquist");
    EXPECT_EQ(badPath.m_lOsError, 3);
    EXPECT_EQ(badPath.m_cause, CFileException::badPath);
    EXPECT_STREQ(badPath.m_strFileName, nowhere.c_str());
    // "%1 中包含无效的路径。"
    EXPECT_EQ(
        std::string(badPath.GetErrorMessage()),
        nowhere + " \xD6\xD0\xB0\xFC\xBA\xAC\xCE\xDE\xD0\xA7\xB5\xC4\xC2\xB7\xBE\xB6\xA1\xA3");

#ifndef _WIN32
    // A read-only record cannot be opened for writing. (Wine, run as root, writes
    // read-only files; there a read-only drive is tested instead.)
    std::string readOnly = folder / "ZAVIDAR.CFG";
    WriteBytes(readOnly, "old");
    MakeReadOnly(readOnly);
    CFileException denied = WriteError(readOnly, "C:\\Varnelquist");
    EXPECT_EQ(denied.m_lOsError, 5);
    EXPECT_EQ(std::string(denied.GetErrorMessage()), AccessDeniedText(readOnly));
    EXPECT_EQ(ReadBytes(readOnly), "old");
#endif

    std::string aFolder = folder / "sub";
    MakeFolder(aFolder);
    EXPECT_EQ(WriteError(aFolder, "C:\\Varnelquist").m_cause, CFileException::accessDenied);
}

#ifndef _WIN32
// Real failures after the open: a device that is always full, and a pipe, which
// cannot seek.
TEST(ConfigWriter, FailedWriteNamesTheFullPath) {
    TempFolder folder;
    ASSERT_EQ(symlink("/dev/full", (folder / "full").c_str()), 0);
    CurrentDirectory inFolder(folder.Path());
    CFileException full = WriteError("full", "C:\\Varnelquist");
    EXPECT_EQ(full.m_cause, CFileException::diskFull);
    EXPECT_STREQ(full.m_strFileName, (folder / "full").c_str());
    // "在存取 %1 时磁盘已满。"
    EXPECT_EQ(std::string(full.GetErrorMessage()),
              "\xD4\xDA\xB4\xE6\xC8\xA1 " + (folder / "full") +
                  " \xCA\xB1\xB4\xC5\xC5\xCC\xD2\xD1\xC2\xFA\xA1\xA3");
}

// The host's imitation of the lock: whatever mode the record had (a new one gets
// the umask's), afterwards only its owner may write it, and everyone may read it;
// its bytes after the 276th stay.
TEST(ConfigWriter, TheRecordIsLockedToItsOwnerWhateverItsModeWas) {
    TempFolder folder;
    const std::string path = folder / "ZAVIDAR.CFG";
    for (mode_t before : {mode_t{0666}, mode_t{0600}, mode_t{0777}}) {
        SCOPED_TRACE(before);
        const std::string tail = PatternBytes(400);
        WriteBytes(path, tail);
        ASSERT_EQ(chmod(path.c_str(), before), 0);
        WriteConfigRecord(path.c_str(), "C:\\Varnelquist");
        struct stat st {};
        ASSERT_EQ(stat(path.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0644u);
        const std::string bytes = ReadBytes(path);
        EXPECT_EQ(bytes.substr(0, 276), ExpectedRecord("C:\\Varnelquist"));
        EXPECT_EQ(bytes.substr(276), tail.substr(276));
    }
    const std::string fresh = folder / "fresh.cfg";
    const mode_t mask = umask(0);
    WriteConfigRecord(fresh.c_str(), "C:\\Varnelquist");
    umask(mask);
    struct stat st {};
    ASSERT_EQ(stat(fresh.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u) << "a new record, created while anyone may write";
}

// The record's seek fails (a pipe in its place): the text names "一未命名文件".
TEST(ConfigWriter, FailedSeekNamesAnUnnamedFile) {
    TempFolder folder;
    std::string pipe = folder / "pipe";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0666), 0);
    CFileException seek = WriteError(pipe, "C:\\Varnelquist");
    EXPECT_STREQ(seek.m_strFileName, "");
    const std::string text(seek.GetErrorMessage().GetString());
    EXPECT_NE(text.find(" " AFX_TEXT_UNNAMED_FILE " "), std::string::npos) << text;
    EXPECT_EQ(text.find(pipe), std::string::npos) << text;
}
#endif

TEST(ConfigWriter, AFailureAtAnyStepThrowsAndKeepsWhatWasWrittenBefore) {
    // Step n of the writer (seek, write the header, seek, write the field, close) as
    // the nth step of its kind.
    const std::pair<const char*, int> failing[] = {{"", 0},     {"seek", 1},  {"write", 1},
                                                   {"seek", 2}, {"write", 2}, {"close", 1}};
    TempFolder folder;
    std::string path = folder / "ZAVIDAR.CFG";
    std::string old = PatternBytes(300, 7);
    std::string record = ExpectedRecord("C:\\Varnelquist");
    // What the file holds after a failure at each step (0: none fails).
    const std::string afterFailure[] = {
        record + old.substr(276),
        old,
        old,
        record.substr(0, 20) + old.substr(20),
        record.substr(0, 20) + old.substr(20),
        record + old.substr(276),
    };
    for (int failingStep = 0; failingStep <= 5; ++failingStep) {
        SCOPED_TRACE(testing::Message() << "failing step " << failingStep);
        WriteBytes(path, old);
        bool threw = false;
        std::vector<std::string> steps;
        {
            FaultFile file(&steps);
            ASSERT_TRUE(file.Open(path.c_str(), tw::kConfigRecordOpenFlags, nullptr));
            file.FailAt(failing[failingStep].first, failing[failingStep].second, 21);
            try {
                tw::WriteConfigRecordBytes(file, "C:\\Varnelquist");
                file.Close();
            } catch (const CFileException& error) {
                threw = true;
                EXPECT_EQ(error.m_lOsError, 21);
            }
        }  // the file object closes what is still open
        EXPECT_EQ(threw, failingStep != 0);
        EXPECT_EQ(ReadBytes(path), afterFailure[failingStep]);
    }
}
