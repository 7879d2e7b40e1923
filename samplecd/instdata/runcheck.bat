@echo off
rem Install: %1 and %2 are the program-information files for the installer
rem and the CD check.
echo Orvane setup would now restart in MS-DOS mode with %1 and %2.
