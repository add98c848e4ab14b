# Cross build for 64-bit Windows with MinGW-w64: the Win32 unit tests where i386 is
# emulated (tools/run-win32-tests.sh). The shipped program stays i686.
set(TW_MINGW_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-i686.cmake)
