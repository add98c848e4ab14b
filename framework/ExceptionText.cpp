#include "framework/ExceptionText.h"

#include "framework/FileException.h"
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
