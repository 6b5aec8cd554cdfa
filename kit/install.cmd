@echo off
rem Registers Keystack.dll and Pagestack.dll from the folders beside this script.
rem   install [x86 ^| x64 ^| both] [/user]
rem (uninstall.cmd calls it with /remove to undo it.)
rem x86\ holds the libraries for 32-bit report hosts, x64\ those for 64-bit hosts.
rem Without /user the libraries are registered for all users (an elevated prompt is needed);
rem with /user for the current user only.
setlocal EnableExtensions
set "ACTION=register"
set "KIT=%~dp0"
set "WHICH="
set "SCOPE=machine"
:args
if "%~1"=="" goto :parsed
if /i "%~1"=="x86" (set "WHICH=x86" & shift & goto :args)
if /i "%~1"=="x64" (set "WHICH=x64" & shift & goto :args)
if /i "%~1"=="both" (set "WHICH=both" & shift & goto :args)
if /i "%~1"=="/user" (set "SCOPE=user" & shift & goto :args)
if /i "%~1"=="/remove" (set "ACTION=unregister" & shift & goto :args)
if /i "%~1"=="/?" goto :usage
echo Unknown argument: %~1
goto :usage
:parsed

rem A 64-bit Windows runs hosts of both bitnesses; a 32-bit one only 32-bit hosts.
set "OS64="
if exist "%SystemRoot%\SysWOW64\" set "OS64=1"
if not defined WHICH (if defined OS64 (set "WHICH=both") else (set "WHICH=x86"))

if "%SCOPE%"=="machine" (
    reg add "HKLM\Software\Classes\Folioscope.InstallCheck" /f >nul 2>&1
    if errorlevel 1 (
        echo Changing the registration for all users needs an elevated command prompt ^(Run as administrator^).
        echo For your user account only, add /user.
        exit /b 5
    )
    reg delete "HKLM\Software\Classes\Folioscope.InstallCheck" /f >nul 2>&1
)

set "FAILED="
if /i "%WHICH%"=="x64" call :one x64
if /i "%WHICH%"=="x86" call :one x86
if /i "%WHICH%"=="both" (call :one x86 & call :one x64)
if defined FAILED exit /b 1
exit /b 0

rem :one BITNESS - registers or unregisters both libraries of one folder.
:one
set "BITS=%~1"
if /i "%BITS%"=="x64" (
    if not defined OS64 (echo x64\: this Windows is 32-bit and runs no 64-bit hosts.& set "FAILED=1"& goto :eof)
    set "HOSTS=64-bit"
    set "REGSVR=%SystemRoot%\System32\regsvr32.exe"
    if exist "%SystemRoot%\Sysnative\regsvr32.exe" set "REGSVR=%SystemRoot%\Sysnative\regsvr32.exe"
) else (
    set "HOSTS=32-bit"
    set "REGSVR=%SystemRoot%\System32\regsvr32.exe"
    if defined OS64 set "REGSVR=%SystemRoot%\SysWOW64\regsvr32.exe"
)
if not exist "%REGSVR%" (echo %BITS%\: %REGSVR% was not found: this Windows cannot register %HOSTS% libraries.& set "FAILED=1"& goto :eof)
rem Both libraries or neither: a folder with one missing is reported, and nothing of it is
rem registered or removed.
set "MISSING="
for %%L in (Keystack Pagestack) do if not exist "%KIT%%BITS%\%%L.dll" echo %BITS%\%%L.dll was not found beside this script.
for %%L in (Keystack Pagestack) do if not exist "%KIT%%BITS%\%%L.dll" set "MISSING=1"
if defined MISSING (set "FAILED=1"& goto :eof)
set "OPTIONS=/s"
if "%ACTION%"=="unregister" set "OPTIONS=/s /u"
if "%SCOPE%"=="user" set "OPTIONS=%OPTIONS% /n /i:user"
for %%L in (Keystack Pagestack) do call :lib %%L
goto :eof

:lib
set "DLL=%KIT%%BITS%\%~1.dll"
"%REGSVR%" %OPTIONS% "%DLL%"
if errorlevel 1 (echo %~1 ^(%HOSTS% hosts^): %ACTION% failed ^(regsvr32 exit code %errorlevel%^).& set "FAILED=1"& goto :eof)
if "%SCOPE%"=="user" (set "WHO=for the current user") else (set "WHO=for all users")
echo %~1 ^(%HOSTS% hosts^): %ACTION%ed %WHO%.
goto :eof

:usage
set "NAME=install"
if "%ACTION%"=="unregister" set "NAME=uninstall"
echo Usage: %NAME% [x86 ^| x64 ^| both] [/user]
echo   x86    the libraries for 32-bit report hosts (folder x86\)
echo   x64    the libraries for 64-bit report hosts (folder x64\)
echo   both   both folders (the default on 64-bit Windows)
echo   /user  for the current user only; without it, for all users (needs elevation)
exit /b 2
