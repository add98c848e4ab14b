#include "dialogs/AppDirDialog.h"

#include <string>
#include <string_view>

#include "app/dialog_ok.h"
#include "config/config_writer.h"
#include "dialogs/FolderBrowser.h"
#include "framework/WinApp.h"
#include "res/resource.h"
#include "res/texts.h"

const MessageMap CAppDirDialog::messageMap{&CDialog::messageMap,
                                           {
                                               OnBnClicked<&CAppDirDialog::OnBrowse>(IDC_BROWSE),
                                           }};

CAppDirDialog::CAppDirDialog(const tw::DirectoryPlatform& platform, tw::InstallLog& log,
                             CWnd* parentWnd)
    : CDialog(IDD_APPDIR, parentWnd),
      m_strAppDir("C:\\Varnelquist\\800x600"),
      m_platform(platform),
      m_log(log) {}

void CAppDirDialog::DoDataExchange(CDataExchange* dx) {
    CDialog::DoDataExchange(dx);
    DDX_Control(dx, IDC_APPDIR_EDIT, m_editAppDir);
    DDX_Text(dx, IDC_APPDIR_EDIT, m_strAppDir);
    DDV_MaxChars(dx, m_strAppDir, static_cast<int>(tw::kAppDirMaxBytes));
}

BOOL CAppDirDialog::OnInitDialog() {
    CDialog::OnInitDialog();
    return TRUE;
}

void CAppDirDialog::OnOK() {
    if (!UpdateData(TRUE)) return;
    // A record that cannot be written leaves as CFileException: the dialog stays open.
    tw::AppDirCheck check = tw::AcceptFromDialog(m_strAppDir.GetString(), m_platform, m_log, this);
    switch (check.verdict) {
        case tw::AppDirVerdict::accepted:
            CDialog::OnOK();
            return;
        case tw::AppDirVerdict::tooLong:
            // A text within the limit whose full path is not: the exchange's own refusal.
            MessageBox(MaxCharsMessage(static_cast<int>(tw::kAppDirMaxBytes)), AfxGetAppName(),
                       MB_OK | MB_ICONEXCLAMATION);
            break;
        case tw::AppDirVerdict::packageFolder:
            MessageBox(TW_TEXT_APPDIR_IS_PACKAGE, TW_TEXT_ERROR_CAPTION,
                       MB_OK | MB_ICONEXCLAMATION);
            break;
        case tw::AppDirVerdict::link:
            MessageBox(TW_TEXT_APPDIR_IS_LINK, TW_TEXT_ERROR_CAPTION, MB_OK | MB_ICONEXCLAMATION);
            break;
        case tw::AppDirVerdict::runBusy:
            // Another run holds the machine: 确定 tries again, Cancel ends the run.
            MessageBox(TW_TEXT_RUN_BUSY, TW_TEXT_ERROR_CAPTION, MB_OK | MB_ICONEXCLAMATION);
            break;
        case tw::AppDirVerdict::missing:
            MessageBox(TW_TEXT_APPDIR_MISSING, TW_TEXT_ERROR_CAPTION, MB_OK | MB_ICONEXCLAMATION);
            break;
    }
    FocusDirectoryText();
}

void CAppDirDialog::OnCancel() { CDialog::OnCancel(); }

void CAppDirDialog::OnBrowse() {
    UpdateData(TRUE);
    CFolderBrowser browser;
    browser.m_strTitle = TW_TEXT_BROWSE_TITLE;
    browser.m_hwndOwner = m_hWnd;
    if (!browser.Browse()) return;
    m_strAppDir = browser.m_strPath;
    UpdateData(FALSE);
    FocusDirectoryText();
}

void CAppDirDialog::WriteProductConfig() {
    UpdateData(TRUE);
    tw::WriteConfigRecord(m_platform.recordPath, m_strFullAppDir.GetString());
}

void CAppDirDialog::RecordFullPath(const std::string& fullPath) {
    m_strFullAppDir = fullPath.c_str();
    WriteProductConfig();
}

void CAppDirDialog::FocusDirectoryText() {
    m_editAppDir.SetSel(0, -1);
    if (CWnd* edit = GetDlgItem(IDC_APPDIR_EDIT)) edit->SetFocus();
}
