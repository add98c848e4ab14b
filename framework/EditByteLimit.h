// The typing limit of an edit box in bytes of the system's ANSI code page. The
// dialogs are Unicode windows, whose EM_LIMITTEXT counts characters: 256 Chinese
// characters would pass a 256-character limit at 512 bytes. The edit box is
// subclassed so that an edit by the user (typing, pasting, the input method) that
// would leave more than maxBytes is undone, text and selection as they were.
// Text the program puts in with WM_SETTEXT is not limited.
#pragma once

#include <windows.h>

// Limits the edit box, one of the system's edit class, to maxBytes; a second call
// only changes the limit.
void LimitEditToAnsiBytes(HWND edit, int maxBytes);
