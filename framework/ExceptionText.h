// The text the framework shows for an exception that reached it: a file
// exception's own message, otherwise the standard unexpected-error text.
#pragma once

#include "framework/CString.h"

// Call only inside a catch block: the text for the exception being handled.
CString CurrentExceptionText();
