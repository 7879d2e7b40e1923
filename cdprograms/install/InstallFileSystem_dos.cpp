#include "cdprograms/install/InstallFileSystem_dos.h"

#include "cdprograms/dos/DosRuntime.h"

#include <string.h>

namespace {

static_assert(kAttributeReadOnly == kDosReadOnly && kAttributeHidden == kDosHidden &&
                  kAttributeSystem == kDosSystem && kAttributeArchive == kDosArchive,
              "the interface numbers attributes as DOS does");

// The DOS search record lives in the room the caller gives each search.
static_assert(sizeof(DosFind) <= sizeof(InstallFind::abData), "a search record fits");

DosFind* SearchOf(InstallFind* pFind)
{
    return reinterpret_cast<DosFind*>(pFind->abData);
}

// The entry a search found, or an empty name at its end.
InstallError Found(uint16_t nError, const DosFind* pFound, InstallFindEntry* pEntry)
{
    pEntry->szName[0] = '\0';
    pEntry->bFolder = false;
    // DOS says "no more files" at the end, and "file not found" for a
    // folder without any entry.
    if (nError == kDosNoMoreFiles || nError == kDosFileNotFound)
        return 0;
    if (nError != kDosOk)
        return nError;
    // DOS ends the name with a NUL within its 13 bytes.
    size_t nName = 0;
    while (nName + 1 < sizeof(pFound->szName) && pFound->szName[nName])
        ++nName;
    memcpy(pEntry->szName, pFound->szName, nName);
    pEntry->szName[nName] = '\0';
    pEntry->bFolder = (pFound->nAttributes & kDosDirectory) != 0;
    return 0;
}

uint16_t Handle(InstallHandle hFile)
{
    return static_cast<uint16_t>(hFile);
}

} // namespace

InstallError CDosFileSystem::GetKind(const char* pszPath, InstallFileKind* pKind)
{
    uint8_t nAttributes = 0;
    const uint16_t nError = DosGetAttributes(pszPath, &nAttributes);
    *pKind = kKindNothing;
    if (nError == kDosFileNotFound || nError == kDosPathNotFound)
        return 0;
    if (nError != kDosOk)
        return nError;
    *pKind = (nAttributes & kDosDirectory) ? kKindFolder : kKindFile;
    return 0;
}

InstallError CDosFileSystem::FindFirst(const char* pszFolder, InstallFind* pFind, InstallFindEntry* pEntry)
{
    char szPattern[kPathSize + 4] = "";
    AppendText(szPattern, sizeof(szPattern), pszFolder);
    AppendText(szPattern, sizeof(szPattern), "\\*.*");
    return Found(DosFindFirst(szPattern, kDosHidden | kDosSystem | kDosDirectory, SearchOf(pFind)),
                 SearchOf(pFind), pEntry);
}

InstallError CDosFileSystem::FindNext(InstallFind* pFind, InstallFindEntry* pEntry)
{
    return Found(DosFindNext(SearchOf(pFind)), SearchOf(pFind), pEntry);
}

void CDosFileSystem::FindClose(InstallFind*)
{
    // DOS keeps nothing of a search but its record.
}

InstallError CDosFileSystem::CreateFolder(const char* pszPath)
{
    return DosMakeDir(pszPath);
}

InstallError CDosFileSystem::RemoveFolder(const char* pszPath)
{
    return DosRemoveDir(pszPath);
}

InstallError CDosFileSystem::OpenToRead(const char* pszPath, InstallHandle* phFile)
{
    uint16_t hFile = 0;
    const uint16_t nError = DosOpen(pszPath, kDosReadAccess, &hFile);
    *phFile = hFile;
    return nError;
}

InstallError CDosFileSystem::CreateToWrite(const char* pszPath, InstallHandle* phFile)
{
    uint16_t hFile = 0;
    const uint16_t nError = DosCreate(pszPath, &hFile);
    *phFile = hFile;
    return nError;
}

InstallError CDosFileSystem::Read(InstallHandle hFile, void* pBuffer, unsigned nSize, unsigned* pnRead)
{
    // One call reads at most 65,535 bytes.
    uint16_t nRead = 0;
    const uint16_t nError =
        DosRead(Handle(hFile), pBuffer, static_cast<uint16_t>(nSize > 0xFFFF ? 0xFFFF : nSize), &nRead);
    *pnRead = nRead;
    return nError;
}

InstallError CDosFileSystem::Write(InstallHandle hFile, const void* pData, unsigned nSize)
{
    const char* p = static_cast<const char*>(pData);
    while (nSize > 0) {
        const uint16_t nPart = static_cast<uint16_t>(nSize > 0x8000 ? 0x8000 : nSize);
        if (const uint16_t nError = DosWrite(Handle(hFile), p, nPart))
            return nError;
        p += nPart;
        nSize -= nPart;
    }
    return 0;
}

InstallError CDosFileSystem::Close(InstallHandle hFile)
{
    return DosClose(Handle(hFile));
}

InstallError CDosFileSystem::Delete(const char* pszPath)
{
    uint8_t nAttributes = 0;
    if (DosGetAttributes(pszPath, &nAttributes) == kDosOk && (nAttributes & kDosReadOnly))
        DosSetAttributes(pszPath, static_cast<uint8_t>(nAttributes & ~kDosReadOnly));
    return DosDelete(pszPath);
}

InstallError CDosFileSystem::GetAttributes(const char* pszPath, unsigned* pnAttributes)
{
    uint8_t nAttributes = 0;
    const uint16_t nError = DosGetAttributes(pszPath, &nAttributes);
    *pnAttributes = nAttributes & (kDosReadOnly | kDosHidden | kDosSystem | kDosArchive);
    return nError == kDosFileNotFound || nError == kDosPathNotFound ? 0 : nError;
}

InstallError CDosFileSystem::SetAttributes(const char* pszPath, unsigned nAttributes)
{
    return DosSetAttributes(pszPath, static_cast<uint8_t>(nAttributes));
}

InstallError CDosFileSystem::Rename(const char* pszFrom, const char* pszTo)
{
    // MS-DOS mode runs one program: nothing else can have the file open.
    return DosRename(pszFrom, pszTo);
}

void CDosFileSystem::OnProgress(unsigned long nFile, unsigned long nFiles, const char* pszName)
{
    CDosTexts texts;
    char szLine[kPathSize + 64];
    DescribeInstallProgress(texts, nFile, nFiles, pszName, szLine, sizeof(szLine));
    DosPrint(szLine);
    DosPrint("\n");
}

void CDosTexts::LoadText(unsigned nId, char* pszOut, unsigned nSize)
{
    if (nSize == 0)
        return;
    pszOut[0] = '\0';
    if (const char* pszText = FindInstallText(nId))
        AppendText(pszOut, nSize, pszText);
}

void CDosTexts::DescribeError(InstallError nError, char* pszOut, unsigned nSize)
{
    static const struct
    {
        InstallError nError;
        const char* pszText;
    } kWords[] = {
        {kDosFileNotFound, "The file was not found"},
        {kDosPathNotFound, "The folder was not found"},
        {kDosTooManyOpenFiles, "Too many files are open"},
        {kDosAccessDenied, "Access was denied"},
        {kDosInvalidDrive, "There is no such drive"},
        {kDosWriteProtected, "The disk is write-protected"},
        {kDosNotReady, "The drive is not ready"},
        {kDosWriteFault, "The disk could not be written"},
        {kDosReadFault, "The disk could not be read"},
        {kDosGeneralFailure, "The drive failed"},
        {kDosSharingViolation, "The file is in use"},
        {kDosDiskFull, "The disk is full"},
        {kDosFileExists, "The file exists already"},
    };
    if (nSize == 0)
        return;
    pszOut[0] = '\0';
    for (const auto& word : kWords) {
        if (word.nError == nError) {
            AppendText(pszOut, nSize, word.pszText);
            break;
        }
    }
    // The code too: for what has no words here, and for a support call.
    char szNumber[12];
    char szCode[32];
    FormatInstallNumber(nError, szNumber);
    FormatInstallText(szCode, sizeof(szCode), *pszOut ? " (MS-DOS error %s)." : "MS-DOS error %s.", szNumber);
    AppendText(pszOut, nSize, szCode);
}
