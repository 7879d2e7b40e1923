#include "cdprograms/install/InstallFileSystem_win.h"

#include "res/CdContract.h"

#include <string.h>

static_assert(kAttributeReadOnly == FILE_ATTRIBUTE_READONLY && kAttributeHidden == FILE_ATTRIBUTE_HIDDEN &&
                  kAttributeSystem == FILE_ATTRIBUTE_SYSTEM && kAttributeArchive == FILE_ATTRIBUTE_ARCHIVE,
              "the interface numbers attributes as Win32 does");

namespace {

// The last error, never 0: a call that failed without one still failed.
InstallError LastError()
{
    const DWORD nError = GetLastError();
    return nError ? nError : ERROR_GEN_FAILURE;
}

HANDLE SearchHandle(const InstallFind* pFind)
{
    HANDLE hFind;
    memcpy(&hFind, pFind->abData, sizeof(hFind));
    return hFind;
}

InstallError TakeEntry(const WIN32_FIND_DATAA& data, InstallFindEntry* pEntry)
{
    const size_t n = strlen(data.cFileName);
    if (n >= sizeof(pEntry->szName))
        return ERROR_FILENAME_EXCED_RANGE;
    memcpy(pEntry->szName, data.cFileName, n + 1);
    pEntry->bFolder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    return 0;
}

HANDLE FileHandle(InstallHandle hFile)
{
    return reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(hFile));
}

} // namespace

void CWin32Texts::LoadText(unsigned nId, char* pszOut, unsigned nSize)
{
    if (LoadStringA(GetModuleHandleA(nullptr), nId, pszOut, static_cast<int>(nSize)) <= 0)
        pszOut[0] = '\0';
}

void CWin32Texts::DescribeError(InstallError nError, char* pszOut, unsigned nSize)
{
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, nError, 0,
                             pszOut, nSize, nullptr);
    while (n > 0 && (pszOut[n - 1] == '\r' || pszOut[n - 1] == '\n' || pszOut[n - 1] == ' '))
        --n;
    if (n == 0)
        wsprintfA(pszOut, "Error %lu.", nError);
    else
        pszOut[n] = '\0';
}

InstallError CWin32FileSystem::GetKind(const char* pszPath, InstallFileKind* pKind)
{
    const DWORD nAttributes = GetFileAttributesA(pszPath);
    if (nAttributes == INVALID_FILE_ATTRIBUTES) {
        const InstallError nError = LastError();
        if (nError != ERROR_FILE_NOT_FOUND && nError != ERROR_PATH_NOT_FOUND)
            return nError;
        *pKind = kKindNothing;
        return 0;
    }
    *pKind = nAttributes & FILE_ATTRIBUTE_DIRECTORY ? kKindFolder : kKindFile;
    return 0;
}

InstallError CWin32FileSystem::FindFirst(const char* pszFolder, InstallFind* pFind, InstallFindEntry* pEntry)
{
    static_assert(sizeof(HANDLE) <= sizeof(pFind->abData), "a search handle fits");
    // "C:\GAMES\*": the system finds nothing for a folder that ends in a backslash.
    char szPattern[MAX_PATH + 2];
    const size_t nFolder = strlen(pszFolder);
    if (nFolder + 3 > sizeof(szPattern))
        return ERROR_FILENAME_EXCED_RANGE;
    memcpy(szPattern, pszFolder, nFolder + 1);
    memcpy(szPattern + nFolder, "\\*", 3);
    WIN32_FIND_DATAA data;
    HANDLE hFind = FindFirstFileA(szPattern, &data);
    memcpy(pFind->abData, &hFind, sizeof(hFind));
    if (hFind == INVALID_HANDLE_VALUE) {
        const InstallError nError = LastError();
        if (nError != ERROR_FILE_NOT_FOUND && nError != ERROR_NO_MORE_FILES)
            return nError;
        pEntry->szName[0] = '\0';
        return 0;
    }
    const InstallError nError = TakeEntry(data, pEntry);
    if (nError)
        ::FindClose(hFind);
    return nError;
}

InstallError CWin32FileSystem::FindNext(InstallFind* pFind, InstallFindEntry* pEntry)
{
    HANDLE hFind = SearchHandle(pFind);
    WIN32_FIND_DATAA data;
    if (hFind == INVALID_HANDLE_VALUE || !FindNextFileA(hFind, &data)) {
        const InstallError nError = hFind == INVALID_HANDLE_VALUE ? ERROR_NO_MORE_FILES : LastError();
        if (nError != ERROR_NO_MORE_FILES)
            return nError;
        pEntry->szName[0] = '\0';
        return 0;
    }
    return TakeEntry(data, pEntry);
}

void CWin32FileSystem::FindClose(InstallFind* pFind)
{
    HANDLE hFind = SearchHandle(pFind);
    if (hFind != INVALID_HANDLE_VALUE)
        ::FindClose(hFind);
}

InstallError CWin32FileSystem::CreateFolder(const char* pszPath)
{
    return CreateDirectoryA(pszPath, nullptr) ? 0 : LastError();
}

InstallError CWin32FileSystem::RemoveFolder(const char* pszPath)
{
    return RemoveDirectoryA(pszPath) ? 0 : LastError();
}

InstallError CWin32FileSystem::OpenToRead(const char* pszPath, InstallHandle* phFile)
{
    HANDLE hFile = CreateFileA(pszPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return LastError();
    *phFile = reinterpret_cast<UINT_PTR>(hFile);
    return 0;
}

InstallError CWin32FileSystem::CreateToWrite(const char* pszPath, InstallHandle* phFile)
{
    HANDLE hFile =
        CreateFileA(pszPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return LastError();
    *phFile = reinterpret_cast<UINT_PTR>(hFile);
    return 0;
}

InstallError CWin32FileSystem::Read(InstallHandle hFile, void* pBuffer, unsigned nSize, unsigned* pnRead)
{
    DWORD nRead = 0;
    if (!ReadFile(FileHandle(hFile), pBuffer, nSize, &nRead, nullptr))
        return LastError();
    *pnRead = nRead;
    return 0;
}

InstallError CWin32FileSystem::Write(InstallHandle hFile, const void* pData, unsigned nSize)
{
    DWORD nWritten = 0;
    if (!WriteFile(FileHandle(hFile), pData, nSize, &nWritten, nullptr))
        return LastError();
    // A write cut short is a full disk, whatever the call said.
    return nWritten == nSize ? 0 : ERROR_DISK_FULL;
}

InstallError CWin32FileSystem::Close(InstallHandle hFile)
{
    return CloseHandle(FileHandle(hFile)) ? 0 : LastError();
}

InstallError CWin32FileSystem::Delete(const char* pszPath)
{
    if (DeleteFileA(pszPath))
        return 0;
    const InstallError nError = LastError();
    // An earlier copy from the CD may be read-only.
    const DWORD nAttributes = GetFileAttributesA(pszPath);
    if (nAttributes == INVALID_FILE_ATTRIBUTES || !(nAttributes & FILE_ATTRIBUTE_READONLY) ||
        !SetFileAttributesA(pszPath, nAttributes & ~FILE_ATTRIBUTE_READONLY))
        return nError;
    if (DeleteFileA(pszPath))
        return 0;
    const InstallError nRetryError = LastError();
    SetFileAttributesA(pszPath, nAttributes);
    return nRetryError;
}

InstallError CWin32FileSystem::GetAttributes(const char* pszPath, unsigned* pnAttributes)
{
    *pnAttributes = 0;
    const DWORD nAttributes = GetFileAttributesA(pszPath);
    if (nAttributes == INVALID_FILE_ATTRIBUTES) {
        const InstallError nError = LastError();
        return nError == ERROR_FILE_NOT_FOUND || nError == ERROR_PATH_NOT_FOUND ? 0 : nError;
    }
    *pnAttributes = nAttributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                   FILE_ATTRIBUTE_ARCHIVE);
    return 0;
}

InstallError CWin32FileSystem::SetAttributes(const char* pszPath, unsigned nAttributes)
{
    return SetFileAttributesA(pszPath, nAttributes) ? 0 : LastError();
}

InstallError CWin32FileSystem::Rename(const char* pszFrom, const char* pszTo)
{
    // Windows 95 refuses to rename a file that is open; the NT family renames
    // even a running program. Asking for the file alone, to write, finds out
    // first on both: a running program's file is never granted for writing.
    // A read-only file (an earlier copy from the CD) is asked for to read.
    const DWORD nAttributes = GetFileAttributesA(pszFrom);
    const DWORD nAccess = nAttributes != INVALID_FILE_ATTRIBUTES && (nAttributes & FILE_ATTRIBUTE_READONLY)
                              ? GENERIC_READ
                              : GENERIC_WRITE;
    HANDLE hFile = CreateFileA(pszFrom, nAccess, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return LastError();
    CloseHandle(hFile);
    return MoveFileA(pszFrom, pszTo) ? 0 : LastError();
}

void CWin32FileSystem::FlushSettings(const char* pszIniPath)
{
    // Writes out what the profile cache holds for the file, and drops it.
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, pszIniPath);
}

void CWin32FileSystem::OnProgress(unsigned long nFile, unsigned long nFiles, const char* pszName)
{
    char szText[2 * MAX_PATH];
    DescribeInstallProgress(m_texts, nFile, nFiles, pszName, szText, sizeof(szText));
    SetWindowTextA(m_hProgress, szText);
    // Repaints and the like, meanwhile; the dialog refuses commands while busy.
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (!IsDialogMessageA(m_hDialog, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}

bool CWin32FileSystem::ConfirmSetting(const char* pszIniPath, const char* pszValue)
{
    // The profile reader sees a file saved as Unicode, say, otherwise than
    // the installer's own reader does: the launcher's view decides.
    char szValue[MAX_PATH + 1];
    GetPrivateProfileStringA(QX_INI_SECTION, QX_INI_KEY, "", szValue, sizeof(szValue), pszIniPath);
    return strcmp(szValue, pszValue) == 0;
}
