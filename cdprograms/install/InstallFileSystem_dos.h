// The installation's file system in MS-DOS mode: the interface of
// InstallFileSystem.h on DOS's own services (int 21h, through the MS-DOS
// run-time), and the installer's words for DOS's error codes.
#pragma once

#include "cdprograms/install/InstallFileSystem.h"
#include "cdprograms/install/InstallMessage.h"

class CDosFileSystem : public CInstallFileSystem
{
public:
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
    // DOS keeps no profile cache.
    void FlushSettings(const char*) override {}
    // Prints "Copying NAME (n of N)", a line for each file.
    void OnProgress(unsigned long nFile, unsigned long nFiles, const char* pszName) override;
};

// The texts of InstallText.h, compiled in, and DOS's error codes in words.
class CDosTexts : public CInstallTexts
{
public:
    void LoadText(unsigned nId, char* pszOut, unsigned nSize) override;
    void DescribeError(InstallError nError, char* pszOut, unsigned nSize) override;
};
