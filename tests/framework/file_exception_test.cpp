#include "framework/FileException.h"

#include <gtest/gtest.h>

#include "framework/afx_texts.h"

TEST(FileException, PlatformCodesSelectTheirClass) {
    struct Case {
        long code;
        int cause;
    } cases[] = {
        {2, CFileException::fileNotFound},      {3, CFileException::badPath},
        {5, CFileException::accessDenied},      {19, CFileException::accessDenied},
        {21, CFileException::hardIO},           {32, CFileException::sharingViolation},
        {39, CFileException::diskFull},         {112, CFileException::diskFull},
        {4, CFileException::tooManyOpenFiles},  {33, CFileException::lockViolation},
        {87, CFileException::genericException}, {-1, CFileException::genericException},
        {0, CFileException::genericException},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CFileException::OsErrorToException(c.code), c.cause) << "code " << c.code;
}

TEST(FileException, TextsNameTheFile) {
    // "对 \ZAVIDAR.CFG 的存取被拒绝。"
    CFileException denied(CFileException::accessDenied, 5, "\\ZAVIDAR.CFG");
    EXPECT_STREQ(denied.GetErrorMessage(),
                 "\xB6\xD4 \\ZAVIDAR.CFG \xB5\xC4\xB4\xE6\xC8\xA1\xB1\xBB\xBE\xDC\xBE\xF8\xA1\xA3");
    // "%1 中包含无效的路径。" with the name first.
    CFileException badPath(CFileException::badPath, 3, "X:\\a");
    EXPECT_STREQ(badPath.GetErrorMessage(),
                 "X:\\a \xD6\xD0\xB0\xFC\xBA\xAC\xCE\xDE\xD0\xA7\xB5\xC4\xC2\xB7\xBE\xB6\xA1\xA3");
}

TEST(FileException, UnnamedFileAndUnknownCause) {
    // A seek or close failure carries no name: "在存取 一未命名文件 时磁盘已满。"
    CFileException seek(CFileException::diskFull, 112);
    EXPECT_STREQ(seek.GetErrorMessage(), "\xD4\xDA\xB4\xE6\xC8\xA1 " AFX_TEXT_UNNAMED_FILE
                                         " \xCA\xB1\xB4\xC5\xC5\xCC\xD2\xD1\xC2\xFA\xA1\xA3");
    // "在对 f 进行访问时发生了一个不明错误。"
    CFileException odd(99, 1234, "f");
    EXPECT_STREQ(odd.GetErrorMessage(),
                 "\xD4\xDA\xB6\xD4 f \xBD\xF8\xD0\xD0\xB7\xC3\xCE\xCA\xCA\xB1\xB7\xA2\xC9\xFA"
                 "\xC1\xCB\xD2\xBB\xB8\xF6\xB2\xBB\xC3\xF7\xB4\xED\xCE\xF3\xA1\xA3");
}

TEST(FileException, EveryCauseHasItsOwnText) {
    // Named pairs, so that a text table shifted by one place is caught.
    const struct {
        int cause;
        const char* text;
    } cases[] = {
        {CFileException::genericException, AFX_TEXT_FILE_GENERIC},
        {CFileException::fileNotFound, AFX_TEXT_FILE_NOT_FOUND},
        {CFileException::badPath, AFX_TEXT_FILE_BAD_PATH},
        {CFileException::tooManyOpenFiles, AFX_TEXT_FILE_TOO_MANY_OPEN},
        {CFileException::accessDenied, AFX_TEXT_FILE_ACCESS_DENIED},
        {CFileException::invalidFile, AFX_TEXT_FILE_INVALID},
        {CFileException::removeCurrentDir, AFX_TEXT_FILE_REMOVE_CURRENT_DIR},
        {CFileException::directoryFull, AFX_TEXT_FILE_DIRECTORY_FULL},
        {CFileException::badSeek, AFX_TEXT_FILE_BAD_SEEK},
        {CFileException::hardIO, AFX_TEXT_FILE_HARD_IO},
        {CFileException::sharingViolation, AFX_TEXT_FILE_SHARING_VIOLATION},
        {CFileException::lockViolation, AFX_TEXT_FILE_LOCK_VIOLATION},
        {CFileException::diskFull, AFX_TEXT_FILE_DISK_FULL},
        {CFileException::endOfFile, AFX_TEXT_FILE_END_OF_FILE},
    };
    for (const auto& c : cases) {
        CString expected = c.text;
        int at = expected.Find("%1");
        ASSERT_GE(at, 0);
        expected = expected.Left(at) + "N" + expected.Mid(at + 2, 1000);
        EXPECT_STREQ(CFileException(c.cause, 0, "N").GetErrorMessage(), expected) << c.cause;
    }
}
