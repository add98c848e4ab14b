// The MSI's custom action: runs Tarnwhistle.exe, waits for it, and hands its exit
// code on to the Windows Installer, which would otherwise make every code but 0 a
// 1603 and a 3010 a failure. Deferred and not impersonating, so the program runs as
// the installation's system account; its data is "<folder>|<program>|<arguments>",
// the working folder first.
#include <windows.h>
#include <msi.h>
#include <msiquery.h>

#include <string>

#include "common/win32_handles.h"

namespace {

using MsiRecord = tw::UniqueHandle<MSIHANDLE, MsiCloseHandle>;

// One line in the MSI log (msiexec /l*v).
void Log(MSIHANDLE install, const std::string& line) {
    MsiRecord record(MsiCreateRecord(0));
    MsiRecordSetStringA(record.Get(), 0, line.c_str());
    MsiProcessMessage(install, INSTALLMESSAGE_INFO, record.Get());
}

std::string CustomActionData(MSIHANDLE install) {
    DWORD size = 0;
    char empty[1] = "";
    MsiGetPropertyA(install, "CustomActionData", empty, &size);
    std::string data(size + 1, '\0');
    size = static_cast<DWORD>(data.size());
    if (MsiGetPropertyA(install, "CustomActionData", data.data(), &size) != ERROR_SUCCESS)
        return {};
    data.resize(size);
    return data;
}

struct Run {
    std::string folder, program, arguments;
};

bool Parse(const std::string& data, Run& run) {
    const size_t first = data.find('|');
    const size_t second = first == std::string::npos ? first : data.find('|', first + 1);
    if (second == std::string::npos) return false;
    run = {data.substr(0, first), data.substr(first + 1, second - first - 1),
           data.substr(second + 1)};
    return !run.folder.empty() && !run.program.empty();
}

// The program's exit code, or nothing when it could not be started.
bool Execute(MSIHANDLE install, const Run& run, DWORD& exitCode) {
    std::string commandLine = "\"" + run.program + "\" " + run.arguments;
    Log(install, "Tarnwhistle: starting " + commandLine + " in " + run.folder);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessA(run.program.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                        CREATE_NO_WINDOW, nullptr, run.folder.c_str(), &startup, &started)) {
        Log(install,
            "Tarnwhistle: not started (system error " + std::to_string(GetLastError()) + ")");
        return false;
    }
    tw::KernelHandle process(started.hProcess);
    tw::KernelHandle thread(started.hThread);
    WaitForSingleObject(process.Get(), INFINITE);
    if (!GetExitCodeProcess(process.Get(), &exitCode)) return false;
    Log(install, "Tarnwhistle: exit code " + std::to_string(exitCode));
    return true;
}

// 3010 asks for a restart at the end, which the package's REBOOT=ReallySuppress turns
// into msiexec's own 3010 instead of a restart.
UINT PassOn(MSIHANDLE install, DWORD exitCode) {
    if (exitCode == ERROR_SUCCESS_REBOOT_REQUIRED) {
        MsiSetMode(install, MSIRUNMODE_REBOOTATEND, TRUE);
        return ERROR_SUCCESS;
    }
    if (exitCode == ERROR_SUCCESS || exitCode == ERROR_INSTALL_USEREXIT) return exitCode;
    return ERROR_INSTALL_FAILURE;
}

UINT RunFromData(MSIHANDLE install, bool missingProgramIsDone) {
    Run run;
    if (!Parse(CustomActionData(install), run)) {
        Log(install, "Tarnwhistle: CustomActionData is not <folder>|<program>|<arguments>");
        return ERROR_INSTALL_FAILURE;
    }
    if (missingProgramIsDone &&
        GetFileAttributesA(run.program.c_str()) == INVALID_FILE_ATTRIBUTES) {
        Log(install, "Tarnwhistle: " + run.program + " is gone: nothing left to remove");
        return ERROR_SUCCESS;
    }
    DWORD exitCode = 0;
    if (!Execute(install, run, exitCode)) return ERROR_INSTALL_FAILURE;
    return PassOn(install, exitCode);
}

}  // namespace

// The installation: the package's own Tarnwhistle.exe must run.
extern "C" __declspec(dllexport) UINT __stdcall RunInstaller(MSIHANDLE install) {
    return RunFromData(install, false);
}

// The removal: the kept uninstaller is gone when the drivers were removed already
// (from Apps & Features, which shows the installer's own entry), and then the MSI
// has nothing left to do but go.
extern "C" __declspec(dllexport) UINT __stdcall RunUninstaller(MSIHANDLE install) {
    return RunFromData(install, true);
}
