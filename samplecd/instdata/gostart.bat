@echo off
rem Play or configure: %1 is the drive of the installed game, %2 its
rem directory, %3 the program-information file to run.
echo Orvane would now restart in MS-DOS mode: drive %1, directory %2, %3.
rem A test run names a file in QX_TEST_RAN; each start adds a line to it.
if not "%QX_TEST_RAN%"=="" echo gostart %1 %2 %3 >>%QX_TEST_RAN%
