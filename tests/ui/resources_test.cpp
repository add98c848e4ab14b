// The resources of the built Tarnwhistle.exe, read back from the file.
#include <windows.h>
#include <winver.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "dialogs/common_controls.h"
#include "framework/FileException.h"
#include "res/resource.h"
#include "framework/afx_texts.h"
#include "res/texts.h"
#include "tests/ui/x_requests.h"

namespace {

std::wstring Wide(const std::string& ansi) {
    int length = ::MultiByteToWideChar(936, 0, ansi.c_str(), -1, nullptr, 0);
    std::wstring text(static_cast<size_t>(length), L'\0');
    ::MultiByteToWideChar(936, 0, ansi.c_str(), -1, text.data(), length);
    text.resize(text.size() - 1);
    return text;
}

class InstallerResources : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        const char* installer = std::getenv("TW_UI_INSTALLER");
        ASSERT_NE(installer, nullptr) << "TW_UI_INSTALLER names the built Tarnwhistle.exe";
        path = ui_test::WindowsPathOf(installer);
        module = ::LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(module, nullptr) << path;
    }
    static void TearDownTestSuite() {
        if (module) ::FreeLibrary(module);
        module = nullptr;
    }

    static std::string String(UINT id) {
        char text[1024] = {};
        int length = ::LoadStringA(module, id, text, sizeof(text));
        return std::string(text, static_cast<size_t>(length));
    }

    // A callback of the system's: stdcall on i686, which no lambda converts to.
    static BOOL CALLBACK AddBlock(HMODULE, LPCSTR, LPSTR name, LONG_PTR blocks) {
        if (IS_INTRESOURCE(name))
            reinterpret_cast<std::set<UINT>*>(blocks)->insert(
                static_cast<UINT>(reinterpret_cast<ULONG_PTR>(name)));
        return TRUE;
    }

    // The id of every string in the table: its blocks hold 16 ids each, block n
    // the ids from (n - 1) * 16.
    static std::set<UINT> StringIds() {
        std::set<UINT> blocks;
        ::EnumResourceNamesA(module, RT_STRING, AddBlock, reinterpret_cast<LONG_PTR>(&blocks));
        std::set<UINT> ids;
        for (UINT block : blocks)
            for (UINT id = (block - 1) * 16; id < block * 16; ++id)
                if (!String(id).empty()) ids.insert(id);
        return ids;
    }

    static std::vector<unsigned char> Resource(LPCSTR name, LPCSTR type) {
        HRSRC found = ::FindResourceA(module, name, type);
        if (!found) return {};
        auto* bytes =
            static_cast<const unsigned char*>(::LockResource(::LoadResource(module, found)));
        return std::vector<unsigned char>(bytes, bytes + ::SizeofResource(module, found));
    }

    static inline std::string path;
    static inline HMODULE module = nullptr;
};

TEST_F(InstallerResources, VersionRecordCarriesEveryField) {
    DWORD handle = 0;
    DWORD size = ::GetFileVersionInfoSizeA(path.c_str(), &handle);
    ASSERT_GT(size, 0u);
    std::vector<char> record(size);
    ASSERT_TRUE(::GetFileVersionInfoA(path.c_str(), 0, size, record.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(::VerQueryValueA(record.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00060001u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00060001u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0u);

    WORD* translation = nullptr;
    ASSERT_TRUE(::VerQueryValueA(record.data(), "\\VarFileInfo\\Translation",
                                 reinterpret_cast<void**>(&translation), &length));
    ASSERT_EQ(length, 4u);
    EXPECT_EQ(translation[0], 0x0804);
    EXPECT_EQ(translation[1], 0x04B0);

    const std::pair<const char*, std::string> fields[] = {
        {"CompanyName", "Ostrakelle"},           {"FileDescription", TW_TEXT_FILE_DESCRIPTION},
        {"FileVersion", "6, 1, 0, 0"},           {"InternalName", "Tarnwhistle"},
        {"OriginalFilename", "Tarnwhistle.EXE"}, {"ProductName", TW_TEXT_PRODUCT_NAME},
        {"ProductVersion", "6, 1, 0, 0"},
    };
    for (const auto& [name, expected] : fields) {
        SCOPED_TRACE(name);
        char* value = nullptr;
        std::string query = std::string("\\StringFileInfo\\080404b0\\") + name;
        ASSERT_TRUE(::VerQueryValueA(record.data(), query.c_str(), reinterpret_cast<void**>(&value),
                                     &length));
        EXPECT_EQ(std::string(value), expected);
    }
}

TEST_F(InstallerResources, StringTableHoldsTheProgramsTexts) {
    const std::pair<UINT, std::string> strings[] = {
        {IDR_MAINFRAME, "Tarnwhistle\n\nDriver\n\n\nTarnwhistle.Document\nDriver Document"},
        {AFX_IDS_APP_TITLE, "Tarnwhistle"},
        {AFX_IDS_IDLEMESSAGE, AFX_TEXT_READY},
        {AFX_IDS_UNNAMED_FILE, AFX_TEXT_UNNAMED_FILE},
        {AFX_IDP_PARSE_STRING_SIZE, AFX_TEXT_MAX_CHARS},
        {AFX_IDP_UNEXPECTED_ERROR, AFX_TEXT_UNEXPECTED_ERROR},
    };
    std::set<UINT> expectedIds;
    for (const auto& [id, expected] : strings) {
        SCOPED_TRACE(id);
        EXPECT_EQ(String(id), expected);
        expectedIds.insert(id);
    }
    for (UINT id = AFX_IDP_FILE_GENERIC; id <= AFX_IDP_FILE_EOF; ++id) expectedIds.insert(id);
    // Nothing else: a string that nothing loads has no place in the table.
    EXPECT_EQ(StringIds(), expectedIds);
}

TEST_F(InstallerResources, FileErrorTextsAreTheFileLayersInCauseOrder) {
    for (int cause = CFileException::genericException; cause <= CFileException::endOfFile;
         ++cause) {
        SCOPED_TRACE(cause);
        std::string text = String(static_cast<UINT>(AFX_IDP_FILE_GENERIC + cause - 1));
        size_t at = text.find("%1");
        ASSERT_NE(at, std::string::npos);
        text.replace(at, 2, "C:\\ZAVIDAR.CFG");
        EXPECT_EQ(text, CFileException(cause, -1, "C:\\ZAVIDAR.CFG").GetErrorMessage().GetString());
    }
}

// Reads the fields of a DLGTEMPLATE and its items.
INT_PTR CALLBACK NoDialogProcedure(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

class TemplateReader {
public:
    explicit TemplateReader(const std::vector<unsigned char>& bytes) : m_bytes(bytes) {}
    WORD Word() {
        WORD value = 0;
        if (m_at + 2 <= m_bytes.size()) std::memcpy(&value, m_bytes.data() + m_at, 2);
        m_at += 2;
        return value;
    }
    DWORD Dword() {
        DWORD low = Word();
        return low | static_cast<DWORD>(Word()) << 16;
    }
    short Short() { return static_cast<short>(Word()); }
    // A string, or "#n" for an ordinal.
    std::wstring Text() {
        std::wstring text;
        WORD first = Word();
        if (first == 0xFFFF) return L"#" + std::to_wstring(Word());
        for (WORD c = first; c && !PastTheEnd(); c = Word()) text += static_cast<wchar_t>(c);
        return text;
    }
    bool PastTheEnd() const { return m_at > m_bytes.size(); }
    void AlignDword() { m_at = (m_at + 3) & ~size_t{3}; }

private:
    const std::vector<unsigned char>& m_bytes;
    size_t m_at = 0;
};

TEST_F(InstallerResources, Dialog214IsTheApplicationDirectoryDialog) {
    std::vector<unsigned char> bytes = Resource(MAKEINTRESOURCEA(IDD_APPDIR), RT_DIALOG);
    ASSERT_FALSE(bytes.empty());
    TemplateReader in(bytes);
    EXPECT_EQ(in.Dword(), 0x80C800C0u);  // style
    EXPECT_EQ(in.Dword(), 0u);           // extended style
    ASSERT_EQ(in.Word(), 5);             // controls
    EXPECT_EQ(in.Short(), 0);
    EXPECT_EQ(in.Short(), 0);
    EXPECT_EQ(in.Short(), 201);
    EXPECT_EQ(in.Short(), 57);
    EXPECT_EQ(in.Text(), L"");  // no menu
    EXPECT_EQ(in.Text(), L"");  // no class of its own
    EXPECT_EQ(in.Text(), Wide(TW_TEXT_APPDIR_CAPTION));
    EXPECT_EQ(in.Word(), 8);
    EXPECT_EQ(in.Text(), L"MS Sans Serif");

    struct Control {
        WORD id;
        std::wstring windowClass;  // #0x80 button, #0x81 edit
        std::wstring text;
        DWORD style;
        short x, y, cx, cy;
    };
    const Control controls[] = {
        {0xFFFF, L"#128", Wide(TW_TEXT_APPDIR_GROUP), 0x50000007, 4, 4, 194, 33},
        {IDC_APPDIR_EDIT, L"#129", L"", 0x50810080, 9, 17, 183, 12},
        {IDOK, L"#128", Wide(TW_TEXT_OK), 0x50010001, 93, 40, 50, 14},
        {IDCANCEL, L"#128", Wide(TW_TEXT_CANCEL), 0x50010000, 147, 40, 50, 14},
        {IDC_BROWSE, L"#128", Wide(TW_TEXT_BROWSE), 0x50010000, 39, 40, 50, 14},
    };
    for (const Control& expected : controls) {
        SCOPED_TRACE(expected.id);
        in.AlignDword();
        EXPECT_EQ(in.Dword(), expected.style);
        EXPECT_EQ(in.Dword(), 0u);
        EXPECT_EQ(in.Short(), expected.x);
        EXPECT_EQ(in.Short(), expected.y);
        EXPECT_EQ(in.Short(), expected.cx);
        EXPECT_EQ(in.Short(), expected.cy);
        EXPECT_EQ(in.Word(), expected.id);
        EXPECT_EQ(in.Text(), expected.windowClass);
        EXPECT_EQ(in.Text(), expected.text);
        EXPECT_EQ(in.Word(), 0);  // no creation data
    }
    EXPECT_FALSE(in.PastTheEnd());
}

TEST_F(InstallerResources, Dialog214LoadsWithItsTabOrder) {
    HWND dialog =
        ::CreateDialogParamA(module, MAKEINTRESOURCEA(IDD_APPDIR), nullptr, NoDialogProcedure, 0);
    ASSERT_NE(dialog, nullptr);
    char text[64] = {};
    ::GetWindowTextA(dialog, text, sizeof(text));
    EXPECT_STREQ(text, TW_TEXT_APPDIR_CAPTION);
    const std::pair<int, const char*> labels[] = {
        {IDOK, TW_TEXT_OK}, {IDCANCEL, TW_TEXT_CANCEL}, {IDC_BROWSE, TW_TEXT_BROWSE}};
    for (const auto& [id, label] : labels) {
        ::GetDlgItemTextA(dialog, id, text, sizeof(text));
        EXPECT_STREQ(text, label);
    }
    EXPECT_EQ(LOWORD(::SendMessageA(dialog, DM_GETDEFID, 0, 0)), IDOK);

    HWND edit = ::GetDlgItem(dialog, IDC_APPDIR_EDIT);
    ASSERT_NE(edit, nullptr);
    HWND tabStop = edit;
    for (int id : {IDOK, IDCANCEL, IDC_BROWSE, IDC_APPDIR_EDIT}) {
        tabStop = ::GetNextDlgTabItem(dialog, tabStop, FALSE);
        EXPECT_EQ(::GetDlgCtrlID(tabStop), id);
    }
    ::DestroyWindow(dialog);
}

TEST_F(InstallerResources, ManifestAsksForAdministrator) {
    std::vector<unsigned char> bytes = Resource(MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
    std::string manifest(bytes.begin(), bytes.end());
    EXPECT_NE(manifest.find("level=\"requireAdministrator\""), std::string::npos);
    for (const char* os :
         {"35138b9a-5d96-4fbd-8e2d-a2440225f93a", "4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38",
          "1f676c76-80e1-4239-95bb-83d0f6d0da78", "8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a"})
        EXPECT_NE(manifest.find(os), std::string::npos) << os;
}

TEST_F(InstallerResources, ManifestAsksForTheScreensOwnDpi) {
    std::vector<unsigned char> bytes = Resource(MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
    std::string manifest(bytes.begin(), bytes.end());
    for (const char* declared : {">PerMonitorV2, PerMonitor</dpiAwareness>", ">true/pm</dpiAware>",
                                 "http://schemas.microsoft.com/SMI/2016/WindowsSettings",
                                 "http://schemas.microsoft.com/SMI/2005/WindowsSettings"})
        EXPECT_NE(manifest.find(declared), std::string::npos) << declared;
}

TEST_F(InstallerResources, Dialog215IsTheProgressWindow) {
    ASSERT_TRUE(tw::LoadCommonControls());
    HWND dialog =
        ::CreateDialogParamW(module, MAKEINTRESOURCEW(IDD_PROGRESS), nullptr, NoDialogProcedure, 0);
    ASSERT_NE(dialog, nullptr);
    wchar_t text[64] = {};
    ::GetWindowTextW(dialog, text, 64);
    EXPECT_EQ(std::wstring(text), Wide(TW_TEXT_PROGRESS_CAPTION));
    EXPECT_EQ(static_cast<DWORD>(::GetWindowLongW(dialog, GWL_STYLE)) & WS_VISIBLE, 0u);
    char windowClass[64] = {};
    ASSERT_NE(::GetDlgItem(dialog, IDC_PROGRESS_BAR), nullptr);
    ::GetClassNameA(::GetDlgItem(dialog, IDC_PROGRESS_BAR), windowClass, sizeof(windowClass));
    EXPECT_STREQ(windowClass, "msctls_progress32");
    auto lineStyle =
        static_cast<DWORD>(::GetWindowLongW(::GetDlgItem(dialog, IDC_PROGRESS_STEP), GWL_STYLE));
    EXPECT_EQ(lineStyle & (SS_NOPREFIX | SS_ENDELLIPSIS), DWORD{SS_NOPREFIX | SS_ENDELLIPSIS});
    ::DestroyWindow(dialog);
}

TEST_F(InstallerResources, MenuAndAcceleratorsOfResourceSet128) {
    HMENU menu = ::LoadMenuA(module, MAKEINTRESOURCEA(IDR_MAINFRAME));
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(::GetMenuItemCount(menu), 3);
    const char* titles[] = {TW_TEXT_MENU_FILE, TW_TEXT_MENU_EDIT, TW_TEXT_MENU_HELP};
    for (int i = 0; i < 3; ++i) {
        char title[64] = {};
        ::GetMenuStringA(menu, static_cast<UINT>(i), title, sizeof(title), MF_BYPOSITION);
        EXPECT_STREQ(title, titles[i]);
    }
    auto ids = [&](int position) {
        std::vector<UINT> list;
        HMENU popup = ::GetSubMenu(menu, position);
        for (int i = 0; i < ::GetMenuItemCount(popup); ++i)
            list.push_back(::GetMenuItemID(popup, i));
        return list;
    };
    EXPECT_EQ(ids(0), (std::vector<UINT>{ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_SAVE, ID_FILE_SAVE_AS,
                                         0, ID_FILE_MRU_FILE1, 0, ID_APP_EXIT}));
    EXPECT_EQ(ids(1),
              (std::vector<UINT>{ID_EDIT_UNDO, 0, ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE}));
    EXPECT_EQ(ids(2), (std::vector<UINT>{ID_APP_ABOUT}));
    ::DestroyMenu(menu);

    HACCEL table = ::LoadAcceleratorsA(module, MAKEINTRESOURCEA(IDR_MAINFRAME));
    ASSERT_NE(table, nullptr);
    ACCEL keys[20];
    ASSERT_EQ(::CopyAcceleratorTableA(table, keys, 20), 13);
    const ACCEL expected[] = {
        {FVIRTKEY | FCONTROL, 'N', ID_FILE_NEW},
        {FVIRTKEY | FCONTROL, 'O', ID_FILE_OPEN},
        {FVIRTKEY | FCONTROL, 'S', ID_FILE_SAVE},
        {FVIRTKEY | FCONTROL, 'Z', ID_EDIT_UNDO},
        {FVIRTKEY | FCONTROL, 'X', ID_EDIT_CUT},
        {FVIRTKEY | FCONTROL, 'C', ID_EDIT_COPY},
        {FVIRTKEY | FCONTROL, 'V', ID_EDIT_PASTE},
        {FVIRTKEY | FALT, VK_BACK, ID_EDIT_UNDO},
        {FVIRTKEY | FSHIFT, VK_DELETE, ID_EDIT_CUT},
        {FVIRTKEY | FCONTROL, VK_INSERT, ID_EDIT_COPY},
        {FVIRTKEY | FSHIFT, VK_INSERT, ID_EDIT_PASTE},
        {FVIRTKEY, VK_F6, ID_NEXT_PANE},
        {FVIRTKEY | FSHIFT, VK_F6, ID_PREV_PANE},
    };
    for (int i = 0; i < 13; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(keys[i].fVirt & ~0x80, expected[i].fVirt);
        EXPECT_EQ(keys[i].key, expected[i].key);
        EXPECT_EQ(keys[i].cmd, expected[i].cmd);
    }
    ::DestroyAcceleratorTable(table);
}

TEST_F(InstallerResources, IconsAndAboutBox) {
    for (int id : {IDR_MAINFRAME, IDR_DRIVERTYPE}) {
        SCOPED_TRACE(id);
        EXPECT_FALSE(Resource(MAKEINTRESOURCEA(id), RT_GROUP_ICON).empty());
        HICON icon =
            static_cast<HICON>(::LoadImageA(module, MAKEINTRESOURCEA(id), IMAGE_ICON, 16, 16, 0));
        EXPECT_NE(icon, nullptr);
        if (icon) ::DestroyIcon(icon);
    }
    EXPECT_FALSE(Resource(MAKEINTRESOURCEA(IDD_ABOUTBOX), RT_DIALOG).empty());
}

}  // namespace
