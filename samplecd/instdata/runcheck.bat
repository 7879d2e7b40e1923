@echo off
rem Install: %1 and %2 are the program-information files for the installer
rem and the CD check.
echo Orvane setup would now restart in MS-DOS mode with %1 and %2.
rem A test run names a file in QX_TEST_RAN; each start adds a line to it.
if not "%QX_TEST_RAN%"=="" echo runcheck %1 %2 >>%QX_TEST_RAN%
