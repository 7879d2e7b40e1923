@echo off
rem Play or configure: %1 is the drive of the installed game, then comes its
rem folder, and last the program-information file to run from that folder
rem (qx.pif to play, qxconfig.pif to configure). The launcher passes the
rem folder unquoted, by its short name when it has blanks; should one arrive
rem in pieces all the same, everything between the drive and the last
rem argument is the folder.
set QXDRIVE=%1
set QXDIR=%2
set QXPIF=%3
:join
if "%4"=="" goto joined
set QXDIR=%QXDIR% %3
set QXPIF=%4
shift
goto join
:joined
rem A test run names a file in QX_TEST_RAN; each start adds a line to it with
rem the drive, the folder and the file as this batch file sees them, and the
rem start goes no further unless QX_TEST_CARRY_ON is set too.
if not "%QX_TEST_RAN%"=="" echo gostart %QXDRIVE% %QXDIR% %QXPIF% >>%QX_TEST_RAN%
if not "%QX_TEST_RAN%"=="" if "%QX_TEST_CARRY_ON%"=="" goto done
rem The recorded folder may be gone, be a file, or hold no game: a start
rem that fails would fail unseen, so the user is told here and reads it.
if not exist "%QXDIR%\orvane.exe" goto missing
if "%OS%"=="Windows_NT" goto direct
rem Windows 95 and 98: the program-information file in the game's folder
rem restarts the machine in MS-DOS mode and runs the game there.
%QXDRIVE%:
cd "%QXDIR%"
start %QXPIF%
goto done
:direct
rem No MS-DOS mode: run the game directly, to configure for qxconfig.pif.
set QXARGS=
if /i "%QXPIF%"=="qxconfig.pif" set QXARGS=/setup
rem A game program that is there but cut short does not start; the check
rem comes first, as set clears the error level on some systems.
start "Orvane" /d "%QXDIR%" "%QXDIR%\orvane.exe" %QXARGS%
if errorlevel 1 goto broken
goto done
:missing
echo Orvane cannot start: %QXDIR%\orvane.exe is not there.
echo Please install the game again from the CD.
pause
goto done
:broken
echo Orvane cannot start: %QXDIR%\orvane.exe did not run.
echo Please install the game again from the CD.
pause
:done
set QXARGS=
set QXDRIVE=
set QXDIR=
set QXPIF=
