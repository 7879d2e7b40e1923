// The batch file for MS-DOS mode as it must stand on disk, in one place for
// the test of its writer and the tests of the launcher that writes it:
// CR LF line ends, and none after the last line.
#pragma once

#include <string>

// For a launcher in strSourceDir: the batch file tests for the installer
// there, and runs it.
inline std::string ExpectedCdCheckBatch(const std::string& strSourceDir)
{
    const std::string strInstaller = strSourceDir + "\\install.exe";
    return "@echo off\r\n"
           "if exist " +
           strInstaller +
           " goto found_cd\r\n"
           "echo The Orvane Win95 installer can't find a cdrom drive installed\r\n"
           "echo  when in MS-DOS mode. Please try going to a MS-DOS prompt and\r\n"
           "echo  switch to your cdrom drive (usually D: [enter]), then type\r\n"
           "echo  \"install\" (minus the quotes, of course) and press enter.\r\n"
           "goto post_install\r\n"
           ":found_cd\r\n" +
           strInstaller +
           " %1 %2 %3 %4 %5 %6\r\n"
           ":post_install\r\n"
           "echo Trying to return to Windows 95.\r\n"
           "pause\r\n"
           "echo please ignore the 'batch file missing' message you are about to see\r\n"
           "del c:\\_qxchkcd.bat";
}
