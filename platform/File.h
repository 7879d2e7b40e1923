// File status queries.
#pragma once

#include <windows.h>

struct CFileStatus
{
    FILETIME m_ctime;
    FILETIME m_atime;
    FILETIME m_mtime;
    DWORD m_size;
    BYTE m_attribute;
    char m_szFullName[MAX_PATH];
};

class CFile
{
public:
    // TRUE when the name can be made into a full path on a volume that
    // answers, and a directory search for the name as passed finds an entry.
    static BOOL GetStatus(const char* pszFileName, CFileStatus& rStatus);
};
