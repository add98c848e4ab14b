// CAppDirDialog: the dialog in which the user confirms, types or browses for the
// application directory. Its OK takes the directory's one route (AcceptDirectory):
// it accepts only an existing folder outside the driver package's own folders, and
// writes the configuration record with the folder's full path before it closes.
#pragma once

#include "framework/Dialog.h"
#include "framework/Edit.h"
#include "common/run_lock.h"
#include "log/install_log.h"

class CAppDirDialog : public CDialog {
public:
    explicit CAppDirDialog(CWnd* parentWnd = nullptr);
    ~CAppDirDialog() override = default;

    // Refreshes m_strAppDir from the edit box and writes the record "\ZAVIDAR.CFG"
    // for m_strFullAppDir. A file that cannot be written leaves as CFileException.
    void WriteProductConfig();

    CString m_strAppDir;  // as the user left it; never normalised here
    CEdit m_editAppDir;
    // Set by the caller: the folder the driver files are installed from, which
    // the directory may not be (empty: no such test).
    CString m_strPackageFolder;
    // Set by the caller: the run's log, which each OK adds its steps to (none: not logged).
    tw::InstallLog* m_pLog = nullptr;
    // Set by the caller: the machine's run lock, taken at the OK that accepts the
    // directory and held by the caller to the end of the run (none: not taken).
    tw::RunLock* m_pRunLock = nullptr;
    // After IDOK: the accepted directory's full path, which the record holds and
    // the installation uses.
    CString m_strFullAppDir;

    const MessageMap& GetMessageMap() const override { return messageMap; }
    static const MessageMap messageMap;

protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    void OnBrowse();

private:
    // The edit box with its whole text selected, its caret in view and the focus.
    void FocusDirectoryText();
};
