#include "platform/File.h"

#include <string.h>

namespace {

// The root of a full path: "X:\" or "\\server\share\". FALSE when the path
// has neither shape or the root does not fit.
BOOL GetVolumeRoot(const char* pszFullPath, char* pszRoot, size_t cchRoot)
{
    size_t nLen = 0;
    if (pszFullPath[0] && pszFullPath[1] == ':') {
        nLen = 2;
    } else if (pszFullPath[0] == '\\' && pszFullPath[1] == '\\') {
        const char* pszServerEnd = strchr(pszFullPath + 2, '\\');
        if (!pszServerEnd)
            return FALSE;
        const char* pszShareEnd = strchr(pszServerEnd + 1, '\\');
        nLen = pszShareEnd ? static_cast<size_t>(pszShareEnd - pszFullPath) : strlen(pszFullPath);
    } else {
        return FALSE;
    }
    if (nLen + 2 > cchRoot)
        return FALSE;
    memcpy(pszRoot, pszFullPath, nLen);
    pszRoot[nLen] = '\\';
    pszRoot[nLen + 1] = '\0';
    return TRUE;
}

} // namespace

BOOL CFile::GetStatus(const char* pszFileName, CFileStatus& rStatus)
{
    memset(&rStatus, 0, sizeof(rStatus));

    char* pszFilePart = nullptr;
    const DWORD nLen = ::GetFullPathNameA(pszFileName, MAX_PATH, rStatus.m_szFullName, &pszFilePart);
    if (nLen == 0 || nLen >= MAX_PATH) {
        rStatus.m_szFullName[0] = '\0';
        return FALSE;
    }

    char szRoot[MAX_PATH];
    if (!GetVolumeRoot(rStatus.m_szFullName, szRoot, sizeof(szRoot)) ||
        !::GetVolumeInformationA(szRoot, nullptr, 0, nullptr, nullptr, nullptr, nullptr, 0)) {
        return FALSE;
    }

    // The search takes the name as given: a relative name is found from the
    // current directory, and a trailing backslash or a bare root finds nothing.
    WIN32_FIND_DATAA findData;
    HANDLE hFind = ::FindFirstFileA(pszFileName, &findData);
    if (hFind == INVALID_HANDLE_VALUE)
        return FALSE;
    ::FindClose(hFind);

    rStatus.m_ctime = findData.ftCreationTime;
    rStatus.m_atime = findData.ftLastAccessTime;
    rStatus.m_mtime = findData.ftLastWriteTime;
    rStatus.m_size = findData.nFileSizeLow;
    rStatus.m_attribute = static_cast<BYTE>(findData.dwFileAttributes);
    return TRUE;
}
