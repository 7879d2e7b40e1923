// The system's side of the first-run writer (WholeFile.h) on Windows.
#include "app/WholeFile.h"

#include <string.h>
#include <windows.h>

FileState GetFileState(const char* pszPath, unsigned nRecentSeconds)
{
    // A search takes '*' and '?' as wildcards: such a name is no one file.
    if (strchr(pszPath, '*') != nullptr || strchr(pszPath, '?') != nullptr)
        return kNoFile;
    WIN32_FIND_DATAA findData;
    const HANDLE hFind = ::FindFirstFileA(pszPath, &findData);
    if (hFind == INVALID_HANDLE_VALUE)
        return kNoFile;
    ::FindClose(hFind);
    if ((findData.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return kNoFile;

    // Both in 100-nanosecond steps of universal time; a FAT drive's local
    // dates come converted. A date ahead of now (a clock set back) counts
    // by its distance too.
    FILETIME now;
    ::GetSystemTimeAsFileTime(&now);
    const ULONGLONG nNow = static_cast<ULONGLONG>(now.dwHighDateTime) << 32 | now.dwLowDateTime;
    const ULONGLONG nWritten = static_cast<ULONGLONG>(findData.ftLastWriteTime.dwHighDateTime) << 32 |
                               findData.ftLastWriteTime.dwLowDateTime;
    const ULONGLONG nDistance = nNow > nWritten ? nNow - nWritten : nWritten - nNow;
    return nDistance < nRecentSeconds * 10000000ULL ? kFileRecent : kFileOlder;
}
