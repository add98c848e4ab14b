// What the UI tests ask of the X side (tests/ui/run_ui_tests.sh does it): key
// presses with xdotool, window searches and screenshots of the virtual display.
#pragma once

#include <string>

namespace ui_test {

// The Windows path of a Unix path (Wine's drive Z:).
std::string WindowsPathOf(const std::string& unixPath);

// Texts in code page 936 as UTF-8, for X window names.
std::string Utf8FromAnsi(const std::string& ansi);

// Presses the keys (xdotool names, space-separated) in the visible X window whose
// name matches nameRegex, once it is there. Waits until they are pressed.
bool PressKeys(const std::string& nameRegex, const std::string& keys);
// The number of visible X windows whose name matches nameRegex.
int CountVisibleWindows(const std::string& nameRegex);
// Saves a screenshot of the whole display as ARTEFACTS/name.png.
bool Screenshot(const std::string& name);

}  // namespace ui_test
