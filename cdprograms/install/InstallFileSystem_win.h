// The installation's file system and texts on Win32, as Windows 95 has them.
#pragma once

#include "cdprograms/install/InstallFileSystem.h"
#include "cdprograms/install/InstallMessage.h"

#include <windows.h>

// The texts from the program's string table, the errors in the system's words.
class CWin32Texts : public CInstallTexts
{
public:
    void LoadText(unsigned nId, char* pszOut, unsigned nSize) override;
    void DescribeError(InstallError nError, char* pszOut, unsigned nSize) override;
};

class CWin32FileSystem : public CInstallFileSystem
{
public:
    // Progress goes to the static control hProgress, and hDialog's messages
    // are handled meanwhile so that it repaints; the dialog takes no
    // command while it installs.
    CWin32FileSystem(HWND hDialog, HWND hProgress) : m_hDialog(hDialog), m_hProgress(hProgress) {}

    InstallError GetKind(const char* pszPath, InstallFileKind* pKind) override;
    InstallError FindFirst(const char* pszFolder, InstallFind* pFind, InstallFindEntry* pEntry) override;
    InstallError FindNext(InstallFind* pFind, InstallFindEntry* pEntry) override;
    void FindClose(InstallFind* pFind) override;
    InstallError CreateFolder(const char* pszPath) override;
    InstallError RemoveFolder(const char* pszPath) override;
    InstallError OpenToRead(const char* pszPath, InstallHandle* phFile) override;
    InstallError CreateToWrite(const char* pszPath, InstallHandle* phFile) override;
    InstallError Read(InstallHandle hFile, void* pBuffer, unsigned nSize, unsigned* pnRead) override;
    InstallError Write(InstallHandle hFile, const void* pData, unsigned nSize) override;
    InstallError Close(InstallHandle hFile) override;
    InstallError Delete(const char* pszPath) override;
    InstallError GetAttributes(const char* pszPath, unsigned* pnAttributes) override;
    InstallError SetAttributes(const char* pszPath, unsigned nAttributes) override;
    InstallError Rename(const char* pszFrom, const char* pszTo) override;
    void FlushSettings(const char* pszIniPath) override;
    void OnProgress(unsigned long nFile, unsigned long nFiles, const char* pszName) override;
    bool ConfirmSetting(const char* pszIniPath, const char* pszValue) override;

private:
    HWND m_hDialog;
    HWND m_hProgress;
    CWin32Texts m_texts;
};
