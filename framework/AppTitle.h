// The application title, the caption of the framework's own message boxes. Apart
// from WinApp.h, so that the windows name it without depending on the
// application object (which depends on them).
#pragma once

// The application object's name; string 57344 when there is no application object.
const char* AfxGetAppName();
