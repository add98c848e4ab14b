// CAppDirDialog: the dialog in which the user confirms, types or browses for the
// application directory. Its OK takes the dialog's step of the directory's one route
// (AcceptFromDialog): it accepts only an existing folder outside the driver
// package's own folders, and writes the configuration record with the folder's
// full path (WriteProductConfig) before it closes.
#pragma once

#include <string>

#include "app/dialog_ok.h"
#include "appdir/accept_directory.h"
#include "framework/Dialog.h"
#include "framework/Edit.h"
#include "log/install_log.h"

class CAppDirDialog : public CDialog, private tw::DialogRecord {
public:
    // The run's platform (its package folder is refused, its run lock taken at the OK
    // that accepts a directory and held to the run's end) and log, which each OK adds to.
    CAppDirDialog(const tw::DirectoryPlatform& platform, tw::InstallLog& log,
                  CWnd* parentWnd = nullptr);
    ~CAppDirDialog() override = default;

    // Refreshes m_strAppDir from the edit box and writes the record (the platform's
    // "\ZAVIDAR.CFG") for m_strFullAppDir. A file that cannot be written leaves as CFileException.
    void WriteProductConfig();

    CString m_strAppDir;  // as the user left it; never normalised here
    CEdit m_editAppDir;
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
    // The accepted directory's full path kept in m_strFullAppDir, then its record.
    void RecordFullPath(const std::string& fullPath) override;
    // The edit box with its whole text selected, its caret in view and the focus.
    void FocusDirectoryText();

    const tw::DirectoryPlatform& m_platform;
    tw::InstallLog& m_log;
};
