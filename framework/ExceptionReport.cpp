#include "framework/ExceptionReport.h"

void ReportCurrentException(HWND owner, const char* caption) {
    CString text = CurrentExceptionText();
    ::MessageBoxA(owner, text, caption, MB_OK | MB_ICONSTOP);
}
