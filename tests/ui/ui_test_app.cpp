#include "tests/ui/ui_test_app.h"

namespace {
CUiTestApp theTestApp;
}

CUiTestApp& TestApp() { return theTestApp; }
