/* Stands in for Tarnwhistle.exe in the MSI's tests: writes the command line it was
   given to command-line.txt in its working directory and ends with the code that
   exit-code.txt there holds, or with 3010 (a restart pending), which the real
   installer does not give yet. */
#include <windows.h>
#include <stdlib.h>
#include <string.h>

int main(void) {
    int exitCode = 3010;
    char text[16] = "";
    DWORD read = 0;
    HANDLE given = CreateFileA("exit-code.txt", GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, NULL);
    if (given != INVALID_HANDLE_VALUE) {
        if (ReadFile(given, text, sizeof text - 1, &read, NULL)) exitCode = atoi(text);
        CloseHandle(given);
    }
    HANDLE file = CreateFileA("command-line.txt", GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return 1;
    const char* line = GetCommandLineA();
    DWORD written = 0;
    BOOL wrote = WriteFile(file, line, (DWORD)strlen(line), &written, NULL);
    CloseHandle(file);
    return wrote ? exitCode : 1;
}
