// What an installation needs of the system it runs on, and nothing more: a
// small file-system interface. The installation itself (Installation.h) is
// portable; each system binds this interface once, Windows through Win32
// (InstallFileSystem_win.cpp) and MS-DOS through int 21h.
//
// The portable installer code is built for both systems and for the native
// tests, so it keeps to what all of them have: C++17 without exceptions,
// run-time type information, heap, standard library containers or static
// constructors, and of the C library only the <string.h> routines strlen,
// strcpy, strcmp, memcpy, memset and memcmp. Most of the interface's
// functions are pure virtual: a run-time library without the C++ library
// provides __cxa_pure_virtual, which the compiler may name in the
// interface's table.
//
// Paths are full paths of 8-bit characters in the system's code page, with
// backslashes, as "C:\GAMES\ORVANE\ORVANE.EXE"; a folder never ends in a
// backslash. No path is longer than kPathSize - 1 characters, and the
// installation keeps within the limits the binding gives it (see
// InstallRequest): under MS-DOS, within MS-DOS's own.
//
// Every operation that can fail returns an InstallError: 0 on success, else
// the system's own code (GetLastError() on Windows, the code int 21h returns
// with the carry flag set under MS-DOS), which the installation passes back
// untouched in its outcome for the binding to word. A failure must never
// return 0; a binding whose system reports a failure without a code returns
// some non-zero code of its own.
#pragma once

#include <stddef.h>

typedef unsigned long InstallError;

enum
{
    // The longest path, its terminator included: Windows' MAX_PATH.
    kPathSize = 260,
};

// File attributes, numbered as MS-DOS and Windows number them.
enum
{
    kAttributeReadOnly = 0x01,
    kAttributeHidden = 0x02,
    kAttributeSystem = 0x04,
    kAttributeArchive = 0x20,
};

enum InstallFileKind
{
    kKindNothing, // no file or folder of that name
    kKindFile,
    kKindFolder,
};

// An open file, as the binding names it: a Win32 HANDLE, an MS-DOS handle.
typedef unsigned long InstallHandle;

// What one directory search keeps between FindFirst and FindClose: the
// caller provides the room, the binding uses it as it needs (a search handle
// under Win32; under MS-DOS the 43-byte find data that int 21h function 4Eh
// fills in and function 4Fh continues from). A search runs while others are
// open: the installation searches each folder of a tree while it searches
// the folders above it.
struct InstallFind
{
    alignas(void*) unsigned char abData[64];
};

// One entry that a search found.
struct InstallFindEntry
{
    // The entry's name, without its folder; empty when the search is at its
    // end. A name that does not fit is an error of the search.
    char szName[kPathSize];
    bool bFolder;
};

class CInstallFileSystem
{
public:
    // What pszPath names. A path that does not exist, or whose folder does
    // not, is kKindNothing and no error; an error is a path the system
    // could not look at (a drive without its medium, say).
    virtual InstallError GetKind(const char* pszPath, InstallFileKind* pKind) = 0;

    // Lists folder pszFolder, entry by entry, in any order, with every kind
    // of file (hidden and system files too) and the folders; "." and ".."
    // may come and are skipped by the caller. FindFirst fills *pEntry with
    // the first entry and FindNext with the next one; at the end they return
    // 0 and an empty name. FindClose ends a search whose FindFirst returned
    // 0, whether or not it reached the end. The binding must not keep
    // pszFolder: the caller changes it while the search is open.
    virtual InstallError FindFirst(const char* pszFolder, InstallFind* pFind, InstallFindEntry* pEntry) = 0;
    virtual InstallError FindNext(InstallFind* pFind, InstallFindEntry* pEntry) = 0;
    virtual void FindClose(InstallFind* pFind) = 0;

    // Creates one folder (its parent exists); removes one empty folder.
    virtual InstallError CreateFolder(const char* pszPath) = 0;
    virtual InstallError RemoveFolder(const char* pszPath) = 0;

    // Opens an existing file to read from its start.
    virtual InstallError OpenToRead(const char* pszPath, InstallHandle* phFile) = 0;
    // Creates a file to write, or empties the one that is there; the new
    // file is a normal one (not read-only), whatever it is copied from.
    virtual InstallError CreateToWrite(const char* pszPath, InstallHandle* phFile) = 0;
    // Reads up to nSize bytes; *pnRead is 0 at the end of the file.
    virtual InstallError Read(InstallHandle hFile, void* pBuffer, unsigned nSize, unsigned* pnRead) = 0;
    // Writes all nSize bytes, or fails: a write that the system cut short (a
    // full disk) is an error, with a code that says so.
    virtual InstallError Write(InstallHandle hFile, const void* pData, unsigned nSize) = 0;
    // Closes the file; for a written file, an error means that what was
    // written may not all be on the disk. The handle is gone either way.
    virtual InstallError Close(InstallHandle hFile) = 0;

    // Deletes a file, read-only or not.
    virtual InstallError Delete(const char* pszPath) = 0;

    // The attributes of file pszPath (kAttributeReadOnly and the others); 0,
    // and no error, when there is no such file.
    virtual InstallError GetAttributes(const char* pszPath, unsigned* pnAttributes) = 0;
    // Gives file pszPath these attributes, of kAttributeReadOnly and the others.
    virtual InstallError SetAttributes(const char* pszPath, unsigned nAttributes) = 0;
    // Gives a file another name in the same folder; pszTo does not exist.
    // Fails while another program has the file open (Windows 95 refuses that
    // by itself; a binding for a system that would let it pass checks
    // first), so that a program in use is never replaced under it.
    virtual InstallError Rename(const char* pszFrom, const char* pszTo) = 0;

    // Called for the settings file before it is read and after it has been
    // replaced: Windows 95 keeps profile files in a cache of its own, which
    // the Win32 binding writes out and lets go here. Nothing to do where no
    // such cache exists.
    virtual void FlushSettings(const char* pszIniPath) = 0;

    // Progress, file by file: nFile (counted from 0) of nFiles is about to be
    // copied; pszName is its path below the game's folder on the CD.
    virtual void OnProgress(unsigned long nFile, unsigned long nFiles, const char* pszName) = 0;

    // Called once the new settings file has taken the old one's place: true
    // when the system's own reader of such files (the one the launcher
    // uses) finds InstallDir of [Orvane] to be pszValue. False puts the old
    // file back and fails the installation. A system without such a reader
    // keeps this one, which trusts the installation's own read-back.
    virtual bool ConfirmSetting(const char* pszIniPath, const char* pszValue)
    {
        (void)pszIniPath;
        (void)pszValue;
        return true;
    }

protected:
    // Never deleted through the interface: no virtual destructor, and so no
    // operator delete that a run-time library would have to provide.
    ~CInstallFileSystem() = default;
};
