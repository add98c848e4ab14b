// The application-directory dialog under Wine, driven with xdotool from a watcher
// thread: opening, refusals, the data-exchange limit, the record, the file-error
// report of the framework's guard, Cancel and Browse. Drive F: is a temporary
// folder (run_ui_tests.sh), so the record lands in F:\ZAVIDAR.CFG.
#include <gtest/gtest.h>
#include <shlobj.h>

#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "app/MainFrame.h"
#include "appdir/folder_identity.h"
#include "appdir/full_path_name.h"
#include "config/config_writer.h"
#include "dialogs/AppDirDialog.h"
#include "framework/FileException.h"
#include "res/resource.h"
#include "res/texts.h"
#include "tests/ui/ui_test_app.h"
#include "tests/ui/window_probe.h"
#include "tests/ui/x_requests.h"

namespace {

using namespace ui_test;

constexpr char kRecord[] = "F:\\ZAVIDAR.CFG";

std::string ReadFile(const char* path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

bool Exists(const char* path) { return ::GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

class AppDirDialogTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(::SetCurrentDirectoryA("F:\\")); }

    void SetUp() override {
        ::DeleteFileA(kRecord);
        frame = new CMainFrame;
        TestApp().m_pMainWnd = frame;
        ASSERT_TRUE(frame->LoadFrame(IDR_MAINFRAME, 0x00CF8000, nullptr, nullptr));
        frame->ShowWindow(SW_HIDE);
        frame->UpdateWindow();
    }
    void TearDown() override {
        TestApp().DestroyMainWindow();
        ::RemoveDirectoryA(kRecord);
        ::DeleteFileA(kRecord);
    }

    // Runs the dialog with the directory preset while script drives it.
    INT_PTR Run(const char* preset, const std::function<void(HWND dialog)>& script) {
        dialog.m_strAppDir = preset;
        return RunWhileDriven([&] { return dialog.DoModal(); },
                              [&] {
                                  HWND window = WaitForDialog(TW_TEXT_APPDIR_CAPTION);
                                  if (!window) {
                                      ADD_FAILURE() << "the dialog did not open";
                                      return;
                                  }
                                  script(window);
                              });
    }

    // OK on preset is refused with message (caption "错误信息", exclamation), the text
    // left selected; Cancel then ends the dialog with nothing written.
    void ExpectRefusedThenCancelled(const char* preset, const char* shot, const char* message) {
        INT_PTR result = Run(preset, [&](HWND window) {
            MessageBoxView box = AnswerBox(PressOk(window), shot);
            EXPECT_EQ(box.text, message);
            EXPECT_EQ(box.caption, TW_TEXT_ERROR_CAPTION);
            EXPECT_EQ(box.icon, SystemIcon(IDI_EXCLAMATION));
            ExpectEditSelected(window);
            Cancel(window);
        });
        EXPECT_EQ(result, IDCANCEL);
        EXPECT_FALSE(Exists(kRecord));
        EXPECT_EQ(dialog.m_strAppDir, preset);
    }

    // Presses Return in the dialog; the OK handler answers with a box or closes it.
    static HWND PressOk(HWND dialog) {
        HWND box = nullptr;
        bool answered = PressKeysUntil(TW_TEXT_APPDIR_CAPTION, "Return", [&] {
            box = WaitForOwnedDialog(dialog, 0);
            return box || !::IsWindow(dialog);
        });
        EXPECT_TRUE(answered);
        return box;
    }

    // Presses Escape in the dialog until it is gone.
    static void Cancel(HWND dialog) {
        EXPECT_TRUE(
            PressKeysUntil(TW_TEXT_APPDIR_CAPTION, "Escape", [&] { return !::IsWindow(dialog); }));
    }

    // Reads the box, shoots it and dismisses it with Enter.
    static MessageBoxView AnswerBox(HWND box, const char* shot) {
        if (!box) {
            ADD_FAILURE() << "no message box";
            return {};
        }
        MessageBoxView view = ReadMessageBox(box);
        Screenshot(shot);
        EXPECT_TRUE(PressKeysUntil(view.caption, "Return", [&] { return !::IsWindow(box); }));
        return view;
    }

    // After a refusal: still open, and the edit focused with all its text selected.
    static void ExpectEditSelected(HWND dialog) {
        HWND edit = ::GetDlgItem(dialog, IDC_APPDIR_EDIT);
        EXPECT_TRUE(WaitUntil([&] { return FocusOfThreadOf(dialog) == edit; }, 5000));
        auto length = static_cast<DWORD>(TextOf(edit).size());
        EXPECT_EQ(EditSelection(edit), std::make_pair(DWORD{0}, length));
        EXPECT_TRUE(::IsWindowVisible(dialog));
    }

    CMainFrame* frame = nullptr;
    tw::InstallLog unlogged{""};
    // No package folder to refuse; the record in F:\ (the current directory's root).
    const tw::DirectoryPlatform platform{"", tw::kConfigRecordPath, tw::FindFirstEntryAttributes,
                                         tw::FullPathName, tw::ReadFolderIdentity};
    CAppDirDialog dialog{platform, unlogged};
};

TEST_F(AppDirDialogTest, OpensCentredOwnedByTheHiddenFrameShowingThePreset) {
    HWND frameWindow = frame->GetSafeHwnd();
    INT_PTR result = Run("C:\\Varnelquist", [&](HWND window) {
        Screenshot("appdir-open");
        HWND edit = ::GetDlgItem(window, IDC_APPDIR_EDIT);
        EXPECT_EQ(TextOf(edit), "C:\\Varnelquist");
        EXPECT_TRUE(WaitUntil([&] { return FocusOfThreadOf(window) == edit; }, 5000));
        EXPECT_EQ(::SendMessageA(edit, EM_GETLIMITTEXT, 0, 0), 256);
        EXPECT_EQ(::GetWindow(window, GW_OWNER), frameWindow);
        EXPECT_FALSE(::IsWindowEnabled(frameWindow));
        EXPECT_FALSE(::IsWindowVisible(frameWindow));
        EXPECT_EQ(CountVisibleWindows("^Tarnwhistle$"), 0);

        RECT own, screen;
        ::GetWindowRect(window, &own);
        ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &screen, 0);
        EXPECT_NEAR((own.left + own.right) / 2, (screen.left + screen.right) / 2, 1);
        EXPECT_NEAR((own.top + own.bottom) / 2, (screen.top + screen.bottom) / 2, 1);

        Cancel(window);
    });
    EXPECT_EQ(result, IDCANCEL);
    // The edit was attached by the data exchange and let go with the dialog.
    EXPECT_EQ(dialog.m_editAppDir.GetSafeHwnd(), nullptr);
    EXPECT_TRUE(::IsWindowEnabled(frameWindow));
    EXPECT_FALSE(::IsWindowVisible(frameWindow));
    EXPECT_FALSE(Exists(kRecord));
}

TEST_F(AppDirDialogTest, RefusesAMissingFolderAndCancelAfterwardsWritesNothing) {
    ExpectRefusedThenCancelled("F:\\missing", "appdir-missing", TW_TEXT_APPDIR_MISSING);
}

// run_ui_tests.sh makes F:\Linked a link to a folder.
TEST_F(AppDirDialogTest, RefusesALinkWithItsOwnMessage) {
    DWORD attributes = ::GetFileAttributesA("F:\\Linked");
    ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES) << "run_ui_tests.sh laid out no link";
    ASSERT_NE(attributes & FILE_ATTRIBUTE_REPARSE_POINT, 0u);
    ExpectRefusedThenCancelled("F:\\Linked", "appdir-link", TW_TEXT_APPDIR_IS_LINK);
}

TEST_F(AppDirDialogTest, RefusesMoreThan256Characters) {
    std::string tooLong = "F:\\" + std::string(254, 'a');  // 257 bytes
    INT_PTR result = Run(tooLong.c_str(), [&](HWND window) {
        MessageBoxView box = AnswerBox(PressOk(window), "appdir-too-long");
        // “请填入不多于256个的字符。”
        EXPECT_EQ(box.text,
                  "\xA1\xB0\xC7\xEB\xCC\xEE\xC8\xEB\xB2\xBB\xB6\xE0\xD3\xDA"
                  "256\xB8\xF6\xB5\xC4\xD7\xD6\xB7\xFB\xA1\xA3\xA1\xB1");
        EXPECT_EQ(box.caption, "Tarnwhistle");
        EXPECT_EQ(box.icon, SystemIcon(IDI_EXCLAMATION));
        ExpectEditSelected(window);
        Cancel(window);
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_FALSE(Exists(kRecord));
    // The refused exchange had already taken the text into the member.
    EXPECT_EQ(dialog.m_strAppDir, tooLong.c_str());
}

// Puts text on the clipboard as Unicode; false when the clipboard is not to be had.
bool PutOnClipboard(const std::wstring& text) {
    if (!::OpenClipboard(nullptr)) return false;
    ::EmptyClipboard();
    size_t size = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, size);
    bool put = false;
    if (memory) {
        memcpy(::GlobalLock(memory), text.c_str(), size);
        ::GlobalUnlock(memory);
        put = ::SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
        if (!put) ::GlobalFree(memory);
    }
    ::CloseClipboard();
    return put;
}

std::pair<DWORD, DWORD> WideSelection(HWND edit) {
    DWORD start = 0, end = 0;
    ::SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                   reinterpret_cast<LPARAM>(&end));
    return {start, end};
}

// The box is a Unicode control: its limit must count the bytes of the ANSI code
// page (936 here, two bytes a Chinese character), not its characters.
TEST_F(AppDirDialogTest, TypingAndPastingStopAt256BytesOfTheCodePage) {
    ASSERT_EQ(::GetACP(), 936u);
    std::string chinese;
    for (int i = 0; i < 126; ++i) chinese += "\xD6\xD0";  // 中
    const std::string preset = "F:\\" + chinese;          // 255 bytes, 129 characters
    INT_PTR result = Run(preset.c_str(), [&](HWND window) {
        HWND edit = ::GetDlgItem(window, IDC_APPDIR_EDIT);
        ::SendMessageW(edit, EM_SETSEL, 5, 5);
        // One more Chinese character would make 257 bytes: refused, caret kept.
        ::SendMessageW(edit, WM_CHAR, 0x4E2D, 0);
        EXPECT_EQ(TextOf(edit), preset);
        EXPECT_EQ(WideSelection(edit), std::make_pair(DWORD{5}, DWORD{5}));
        // A selection replaced by a longer text is refused with the selection kept.
        ::SendMessageW(edit, EM_SETSEL, 3, 4);
        ::SendMessageW(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"abcd"));
        EXPECT_EQ(TextOf(edit), preset);
        EXPECT_EQ(WideSelection(edit), std::make_pair(DWORD{3}, DWORD{4}));
        // One byte still fits: 256 bytes.
        ::SendMessageW(edit, EM_SETSEL, 3, 3);
        ::SendMessageW(edit, WM_CHAR, 'a', 0);
        const std::string full = "F:\\a" + chinese;
        EXPECT_EQ(TextOf(edit), full);
        ::SendMessageW(edit, WM_CHAR, 'b', 0);
        EXPECT_EQ(TextOf(edit), full);
        EXPECT_EQ(WideSelection(edit), std::make_pair(DWORD{4}, DWORD{4}));
        // Pasting by the message: two characters for one are refused, the selection kept.
        ASSERT_TRUE(PutOnClipboard(L"\u4E2D\u4E2D"));
        ::SendMessageW(edit, EM_SETSEL, 4, 5);
        ::SendMessageW(edit, WM_PASTE, 0, 0);
        EXPECT_EQ(TextOf(edit), full);
        EXPECT_EQ(WideSelection(edit), std::make_pair(DWORD{4}, DWORD{5}));
        // By Ctrl+V: one for one is taken.
        const std::string pasted = "F:\\a\xB9\xFA" + chinese.substr(2);  // 国
        ASSERT_TRUE(PutOnClipboard(L"\u56FD"));
        EXPECT_TRUE(PressKeysUntil(TW_TEXT_APPDIR_CAPTION, "ctrl+v",
                                   [&] { return TextOf(edit) == pasted; }));
        // Two for one are refused: the caret at the end, where End pressed after
        // Ctrl+V puts it, shows that the paste was handled and left the text as it was.
        ASSERT_TRUE(PutOnClipboard(L"\u4E2D\u4E2D"));
        ::SendMessageW(edit, EM_SETSEL, 4, 5);
        const auto end = static_cast<DWORD>(::GetWindowTextLengthW(edit));
        EXPECT_TRUE(PressKeysUntil(TW_TEXT_APPDIR_CAPTION, "ctrl+v End", [&] {
            return WideSelection(edit) == std::make_pair(end, end);
        }));
        EXPECT_EQ(TextOf(edit), pasted);
        // Deleting is always allowed.
        ::SendMessageW(edit, EM_SETSEL, 5, 5);
        ::SendMessageW(edit, WM_CHAR, VK_BACK, 0);
        EXPECT_EQ(TextOf(edit), "F:\\a" + chinese.substr(2));
        Screenshot("appdir-byte-limit");
        Cancel(window);
    });
    EXPECT_EQ(result, IDCANCEL);
}

// A text the program puts in (a folder chosen with Browse) may pass the limit; the
// user can still shorten it, but not lengthen it.
TEST_F(AppDirDialogTest, AProgramTextPastTheLimitCanBeShortenedButNotLengthened) {
    std::string tooLong = "F:\\";
    for (int i = 0; i < 130; ++i) tooLong += "\xD6\xD0";  // 263 bytes, 133 characters
    INT_PTR result = Run(tooLong.c_str(), [&](HWND window) {
        HWND edit = ::GetDlgItem(window, IDC_APPDIR_EDIT);
        EXPECT_EQ(TextOf(edit), tooLong);
        ::SendMessageW(edit, EM_SETSEL, 133, 133);
        ::SendMessageW(edit, WM_CHAR, 'b', 0);
        EXPECT_EQ(TextOf(edit), tooLong);
        ::SendMessageW(edit, WM_CHAR, VK_BACK, 0);
        EXPECT_EQ(TextOf(edit), tooLong.substr(0, 261));
        Cancel(window);
    });
    EXPECT_EQ(result, IDCANCEL);
}

TEST_F(AppDirDialogTest, AcceptsAnExistingFolderAndWritesTheRecord) {
    ASSERT_TRUE(::CreateDirectoryA("F:\\Varnelquist Apps", nullptr) ||
                ::GetLastError() == ERROR_ALREADY_EXISTS);
    INT_PTR result = Run("F:\\Varnelquist Apps\\", [&](HWND window) {
        Screenshot("appdir-existing");
        EXPECT_EQ(PressOk(window), nullptr);
    });
    EXPECT_EQ(result, IDOK);
    // The member keeps the text as typed; the record drops the separator.
    EXPECT_EQ(dialog.m_strAppDir, "F:\\Varnelquist Apps\\");
    std::string record = ReadFile(kRecord);
    ASSERT_EQ(record.size(), 276u);
    EXPECT_EQ(record.substr(0, 20), std::string("Varnelquist V4.00\0\0\0", 20));
    EXPECT_EQ(record.substr(20, 20), std::string("F:\\Varnelquist Apps\0", 20));
    ::RemoveDirectoryA("F:\\Varnelquist Apps");
}

TEST_F(AppDirDialogTest, AcceptsAFolderWithFurtherAttributeBits) {
    // A hidden folder: attribute word 0x12. Wine shows one whose name starts with a
    // dot as hidden by itself; Windows is asked to.
    const char* folder = "F:\\.Varnelquist";
    ASSERT_TRUE(::CreateDirectoryA(folder, nullptr));
    ::SetFileAttributesA(folder, FILE_ATTRIBUTE_HIDDEN);
    ASSERT_EQ(::GetFileAttributesA(folder),
              static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN));
    INT_PTR result = Run(folder, [&](HWND window) { EXPECT_EQ(PressOk(window), nullptr); });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(ReadFile(kRecord).substr(20, 15), std::string("F:\\.Varnelquist\0", 15));
    ::RemoveDirectoryA(folder);
}

TEST_F(AppDirDialogTest, RefusesAPatternEvenWhenAFolderMatchesIt) {
    ASSERT_TRUE(::CreateDirectoryA("F:\\Varnelquist", nullptr) ||
                ::GetLastError() == ERROR_ALREADY_EXISTS);
    INT_PTR result = Run("F:\\Varnel*", [&](HWND window) {
        MessageBoxView box = AnswerBox(PressOk(window), "appdir-pattern");
        EXPECT_EQ(box.text, TW_TEXT_APPDIR_MISSING);
        ExpectEditSelected(window);
        Cancel(window);
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_FALSE(Exists(kRecord));
    ::RemoveDirectoryA("F:\\Varnelquist");
}

TEST_F(AppDirDialogTest, ARecordThatCannotBeWrittenIsReportedAndTheDialogStaysOpen) {
    ASSERT_TRUE(::CreateDirectoryA("F:\\Varnelquist", nullptr) ||
                ::GetLastError() == ERROR_ALREADY_EXISTS);
    // A folder where the record belongs: the open is refused.
    ASSERT_TRUE(::CreateDirectoryA(kRecord, nullptr));
    INT_PTR result = Run("F:\\Varnelquist", [&](HWND window) {
        MessageBoxView box = AnswerBox(PressOk(window), "appdir-record-refused");
        EXPECT_EQ(box.caption, "Tarnwhistle");
        EXPECT_EQ(box.text, CFileException(CFileException::accessDenied, 5, "\\ZAVIDAR.CFG")
                                .GetErrorMessage()
                                .GetString());
        EXPECT_EQ(box.icon, SystemIcon(IDI_HAND));
        // The OK handler ended at the exception: the dialog is still there.
        EXPECT_TRUE(::IsWindowVisible(window));
        EXPECT_TRUE(::IsWindowEnabled(window));
        Screenshot("appdir-after-record-refused");
        Cancel(window);
    });
    EXPECT_EQ(result, IDCANCEL);
    ::RemoveDirectoryA("F:\\Varnelquist");
}

TEST_F(AppDirDialogTest, BrowseOpensTheFolderWindowAndCancelKeepsTheText) {
    INT_PTR result = Run("C:\\Varnelquist", [&](HWND window) {
        HWND browseButton = ::GetDlgItem(window, IDC_BROWSE);
        ::PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDC_BROWSE, BN_CLICKED),
                       reinterpret_cast<LPARAM>(browseButton));
        HWND folders = WaitForOwnedDialog(window, 60000);
        ASSERT_NE(folders, nullptr);
        bool titled = WaitUntil([&] {
            for (HWND child = ::GetWindow(folders, GW_CHILD); child;
                 child = ::GetWindow(child, GW_HWNDNEXT))
                if (TextOf(child) == TW_TEXT_BROWSE_TITLE) return true;
            return false;
        });
        EXPECT_TRUE(titled);
        EXPECT_FALSE(::IsWindowEnabled(window));
        Screenshot("appdir-browse");
        EXPECT_TRUE(
            PressKeysUntil(TextOf(folders), "Escape", [&] { return !::IsWindow(folders); }));
        EXPECT_EQ(TextOf(::GetDlgItem(window, IDC_APPDIR_EDIT)), "C:\\Varnelquist");
        EXPECT_TRUE(WaitUntil([&] { return ::IsWindowEnabled(window) != FALSE; }));
        Cancel(window);
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_FALSE(Exists(kRecord));
}

// A folder chosen in the shell's folder window: the edit box shows its full path,
// selected, and 确定 accepts it (the record names it).
TEST_F(AppDirDialogTest, BrowseToAChosenFolderShowsItSelectedAndOkAcceptsIt) {
    // On C:, which the shell's tree shows in any prefix; a drive mapped just
    // before may be missing from it in a fresh one.
    const char* chosen = "C:\\\xD1\xA1\xD4\xF1";  // C:\选择
    ASSERT_TRUE(::CreateDirectoryA(chosen, nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS);
    INT_PTR result = Run("C:\\Varnelquist", [&](HWND window) {
        ::PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDC_BROWSE, BN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(window, IDC_BROWSE)));
        HWND folders = WaitForOwnedDialog(window, 60000);
        ASSERT_NE(folders, nullptr);
        // The folder window's own message selects the folder in its tree, as a click would.
        ::SendMessageW(folders, BFFM_SETSELECTIONW, TRUE,
                       reinterpret_cast<LPARAM>(L"C:\\\x9009\x62E9"));
        Screenshot("appdir-browse-chosen");
        HWND ok = ::GetDlgItem(folders, IDOK);
        ASSERT_NE(ok, nullptr);
        EXPECT_TRUE(::IsWindowEnabled(ok));
        ::PostMessageA(folders, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                       reinterpret_cast<LPARAM>(ok));
        EXPECT_TRUE(WaitForGone(folders));
        HWND edit = ::GetDlgItem(window, IDC_APPDIR_EDIT);
        EXPECT_TRUE(WaitUntil([&] { return TextOf(edit) == chosen; }));
        EXPECT_TRUE(WaitUntil([&] { return FocusOfThreadOf(window) == edit; }, 5000));
        EXPECT_EQ(WideSelection(edit),
                  std::make_pair(DWORD{0}, static_cast<DWORD>(::GetWindowTextLengthW(edit))));
        Screenshot("appdir-browse-shown");
        EXPECT_EQ(PressOk(window), nullptr);
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(dialog.m_strAppDir, chosen);
    EXPECT_EQ(dialog.m_strFullAppDir, chosen);
    EXPECT_EQ(ReadFile(kRecord).substr(20, 8), std::string(chosen, 8));
    ::RemoveDirectoryA(chosen);
}

TEST(DialogFramework, AMissingTemplateFailsDoModal) {
    CDialog dialog(9999);
    EXPECT_EQ(dialog.DoModal(), -1);
}

}  // namespace
