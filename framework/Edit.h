// CEdit: an edit control of a dialog, attached by the data exchange.
#pragma once

#include "framework/Wnd.h"

class CEdit : public CWnd {
public:
    // Selects the bytes from start up to end (-1: to the end of the text), then
    // scrolls the caret into view unless noScroll.
    void SetSel(int start, int end, BOOL noScroll = FALSE) {
        SendMessage(EM_SETSEL, static_cast<WPARAM>(start), static_cast<LPARAM>(end));
        if (!noScroll) SendMessage(EM_SCROLLCARET);
    }
};
