@echo off
rem Play or configure: %1 is the drive of the installed game, %2 its
rem directory, %3 the program-information file to run.
echo Orvane would now restart in MS-DOS mode: drive %1, directory %2, %3.
