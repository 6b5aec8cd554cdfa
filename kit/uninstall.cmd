@echo off
rem Removes what install.cmd registered: uninstall [x86 ^| x64 ^| both] [/user]
rem Handed over without CALL: CALL would show its own help for a /? argument, and the
rem exit code is install.cmd's.
"%~dp0install.cmd" /remove %*
