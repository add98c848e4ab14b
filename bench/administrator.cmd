@echo off
rem What an administrator would write instead of the installer. Run from the
rem package folder: administrator.cmd <application directory>
rem The support files go into the directory and into its Driver folder, the
rem driver files into Driver, and every DLL in Driver is registered.
setlocal
set "app=%~1"
xcopy driversupport "%app%\" /q /y /i >nul
if errorlevel 1 exit /b 1
xcopy driversupport "%app%\Driver\" /q /y /i >nul
if errorlevel 1 exit /b 1
xcopy Driver "%app%\Driver\" /q /y /i >nul
if errorlevel 1 exit /b 1
pushd "%app%\Driver"
for %%d in (*.dll) do (
    "%SystemRoot%\System32\regsvr32.exe" /s "%%~fd"
    if errorlevel 1 exit /b 1
)
popd
