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
rem the restart and runs its installer (or says where it is). Without it,
rem the installer's own program-information file expects the CD in drive D:.
rem A file that is missing is told here, where the user reads it, rather than
rem by a start that fails unseen.
set QXPIF=%1
if exist c:\_qxchkcd.bat set QXPIF=%2
if not exist %QXPIF% goto nopif
start %QXPIF%
set QXPIF=
goto end
:nopif
echo Orvane Setup cannot start: %QXPIF% is not there.
echo Please check that the Orvane CD is in its drive.
set QXPIF=
pause
goto end
:direct
if not exist "%~dp1install.exe" goto missing
start "Orvane Setup" "%~dp1install.exe"
if errorlevel 1 goto missing
goto end
:missing
echo Orvane Setup cannot start from %~dp1install.exe.
echo Please check that the Orvane CD is in its drive.
pause
:end
