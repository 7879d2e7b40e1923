@echo off
rem Install: %1 is the installer's program-information file, %2 that of the
rem CD check. Windows 95 and 98 restart in MS-DOS mode through one of them;
rem systems without MS-DOS mode run the installer beside %1 directly.
rem A test run names a file in QX_TEST_RAN; each start adds a line to it, and
rem the start goes no further unless QX_TEST_CARRY_ON is set too.
if not "%QX_TEST_RAN%"=="" echo runcheck %1 %2 >>%QX_TEST_RAN%
if not "%QX_TEST_RAN%"=="" if "%QX_TEST_CARRY_ON%"=="" goto end
if "%OS%"=="Windows_NT" goto direct
rem The launcher wrote the CD check to drive C: it finds the CD again after
rem the restart and runs its installer. Without it, the installer's own
rem program-information file expects the CD in drive D:.
if exist c:\_qxchkcd.bat start %2
if not exist c:\_qxchkcd.bat start %1
goto end
:direct
start "Orvane Setup" "%~dp1install.exe"
:end
