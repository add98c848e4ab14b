#include "framework/ExceptionReport.h"

#include <string>

#include "framework/FileException.h"
#include "framework/WideText.h"
#include "framework/afx_texts.h"

void ReportCurrentException(HWND owner, const char* caption) {
    // The file's name is in the ANSI code page, the text around it in code page 936.
    std::wstring text;
    try {
        throw;
    } catch (const CFileException& error) {
        text = error.m_strFileName.IsEmpty()
                   ? WideFromProgramText(error.GetErrorMessage().GetString())
                   : ProgramTextWithFile(error.GetErrorText(), error.m_strFileName.GetString());
    } catch (...) {
        text = WideFromProgramText(AFX_TEXT_UNEXPECTED_ERROR);
    }
    ShowMessageBox(owner, text, WideFromProgramText(caption), MB_OK | MB_ICONSTOP);
}
