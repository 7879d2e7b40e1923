// An in-memory file system for the installer's portable code, with the
// faults a real one has: a disk that fills up, a file in use, a CD taken
// out, an operation that fails once or from some point on, a disk that says
// a write went through when it did not. Paths compare without regard to
// case, as on MS-DOS and Windows; drive D: is the CD.
#pragma once

#include "cdprograms/install/InstallFileSystem.h"

#include <map>
#include <set>
#include <string>
#include <vector>

namespace qxtest {

// Error codes as Win32 numbers them, so that a failing check reads well.
enum : InstallError
{
    kErrNotFound = 2,
    kErrPathNotFound = 3,
    kErrAccessDenied = 5,
    kErrNotReady = 21,
    kErrFault = 31,
    kErrInUse = 32,
    kErrExists = 80,
    kErrDiskFull = 112,
};

class CMemoryFileSystem : public CInstallFileSystem
{
public:
    CMemoryFileSystem() = default;
    CMemoryFileSystem(const CMemoryFileSystem&) = default;
    CMemoryFileSystem& operator=(const CMemoryFileSystem&) = default;
    ~CMemoryFileSystem() = default;

    // Setting up: folders above a path are made as needed.
    void AddFolder(const std::string& strPath);
    void AddFile(const std::string& strPath, const std::string& strData);

    // Looking: the content of a file (false when there is none).
    bool ReadFile(const std::string& strPath, std::string* pData) const;
    bool IsFolder(const std::string& strPath) const;
    bool Exists(const std::string& strPath) const;
    // Every path with its file's size and a hash of its content (and its
    // attributes, when it is read-only, hidden or system), for comparing a
    // whole disk before and after.
    std::map<std::string, std::string> Snapshot() const;
    static std::string Describe(const std::string& strData);
    // Every path below a folder, as created (case kept), sorted.
    std::vector<std::string> List(const std::string& strFolder) const;

    // Faults.
    enum FaultMode
    {
        kNoFault,
        kFailOnce,   // operation number nFaultAt fails, the others go through
        kFailFrom,   // every operation from number nFaultAt on fails
        kCdGoneFrom, // from operation number nFaultAt on, drive D: does not answer
    };
    FaultMode m_faultMode = kNoFault;
    unsigned long m_nFaultAt = 0;
    // Bytes that files on drive C: may hold in all; writes past it fail.
    unsigned long m_nCapacity = ~0UL;
    // Writes past the capacity are taken, and lost when the file is closed,
    // which says nothing: a write-behind cache, a network drive.
    bool m_bLoseAtClose = false;
    // Files that another program holds open: they cannot be renamed,
    // deleted or written.
    std::set<std::string> m_inUse;
    // A file whose writes are cut at this many bytes and still reported as
    // done.
    std::string m_strLiarPath;
    unsigned long m_nLiarSize = 0;
    // MS-DOS's limits: every name made is 8.3 and no path passes the folder
    // and path limits; a breach is refused and counted.
    bool m_bDosNames = false;
    unsigned m_nMaxFolder = kPathSize - 1, m_nMaxPath = kPathSize - 1;
    unsigned long m_nBreaches = 0;
    // Another program writes a file of its own at this path as soon as the
    // file there is renamed away, once.
    std::string m_strIntruderPath, m_strIntruderData;
    // The system's own reader of settings files disagrees with what was written.
    bool m_bRefuseSetting = false;

    // What happened.
    unsigned long m_nOperations = 0;
    unsigned long m_nFlushes = 0;
    std::vector<std::string> m_progress; // "n/N name"
    size_t OpenHandles() const { return m_files.size() + m_finds.size(); }

    // CInstallFileSystem
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
    struct Node
    {
        std::string strPath; // as created
        bool bFolder;
        std::string strData;
        // kAttributeReadOnly and the others; a file created or written gets
        // kAttributeArchive, as on MS-DOS and Windows.
        unsigned nAttributes;
    };
    struct OpenFile
    {
        std::string strKey;
        bool bWrite;
        size_t nPosition;
    };
    struct Search
    {
        std::string strFolderKey;
        std::vector<std::string> names;
        size_t nNext;
    };

    static std::string Key(const std::string& strPath);
    static std::string Parent(const std::string& strKey);
    static bool OnCd(const std::string& strKey);
    // Counts the operation; a fault it meets is returned, else 0.
    InstallError Operation(const std::string& strKey);
    bool Breach(const std::string& strPath, bool bFolder);
    unsigned long UsedOnC() const;
    InstallError NextEntry(Search& search, InstallFindEntry* pEntry);

    std::map<std::string, Node> m_nodes;
    std::map<InstallHandle, OpenFile> m_files;
    std::map<unsigned long, Search> m_finds;
    InstallHandle m_nNextHandle = 1;
    unsigned long m_nNextSearch = 1;
};

} // namespace qxtest
