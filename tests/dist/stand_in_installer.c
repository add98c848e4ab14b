/* Stands in for Tarnwhistle.exe in the MSI's tests: writes the command line it was
   given to command-line.txt in its working directory and ends with 3010 (a restart
   pending), which the real installer does not give yet. */
#include <windows.h>
#include <string.h>

int main(void) {
    HANDLE file = CreateFileA("command-line.txt", GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return 1;
    const char* line = GetCommandLineA();
    DWORD written = 0;
    BOOL wrote = WriteFile(file, line, (DWORD)strlen(line), &written, NULL);
    CloseHandle(file);
    return wrote ? 3010 : 1;
}
