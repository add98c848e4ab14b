#include "framework/ExceptionReport.h"

#include "framework/FileException.h"
#include "framework/WinApp.h"
#include "framework/afx_texts.h"

CString CurrentExceptionText() {
    try {
        throw;
    } catch (const CFileException& error) {
        return error.GetErrorMessage();
    } catch (...) {
        return AFX_TEXT_UNEXPECTED_ERROR;
    }
}

void ReportCurrentException(HWND owner) {
    CString text = CurrentExceptionText();
    ::MessageBoxA(owner, text, AfxGetAppName(), MB_OK | MB_ICONSTOP);
}
