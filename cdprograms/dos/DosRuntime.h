// The small run-time of the CD's programs for MS-DOS mode: 16-bit real-mode
// code for a 386 or later, tiny model (code, data and stack in the one
// segment of the program segment prefix), no DOS extender. It gives the DOS
// services the programs use: files and folders, searches, the console, the
// keyboard, the program's own path and its exit code.
//
// Every call that can fail returns a DOS error code (kDosOk, 0, on
// success). Handlers for Ctrl+C and for critical errors are in place from
// the start, so that a write-protected disk or a drive without its CD makes
// a call fail instead of asking "Abort, Retry, Fail?" and perhaps ending the
// program halfway through.
#pragma once

#include "res/CdContract.h"
#include "cdprograms/dos/DosKeys.h"

#include <stddef.h>
#include <stdint.h>

// Appends pszText to the text in pszOut, a buffer of nSize bytes, as far as
// it fits; the result is always terminated. False when it was cut.
bool AppendText(char* pszOut, size_t nSize, const char* pszText);

// The program's own entry: pszArguments is the command tail (what follows
// the program's name, without the blanks in front). Its result is the exit
// code.
int DosMain(const char* pszArguments);

// DOS error codes.
constexpr uint16_t kDosOk = 0;
constexpr uint16_t kDosFileNotFound = 0x02;
constexpr uint16_t kDosPathNotFound = 0x03;
constexpr uint16_t kDosTooManyOpenFiles = 0x04;
constexpr uint16_t kDosAccessDenied = 0x05;
constexpr uint16_t kDosInvalidDrive = 0x0F;
constexpr uint16_t kDosNoMoreFiles = 0x12;
constexpr uint16_t kDosWriteProtected = 0x13;
constexpr uint16_t kDosNotReady = 0x15;
constexpr uint16_t kDosWriteFault = 0x1D;
constexpr uint16_t kDosReadFault = 0x1E;
constexpr uint16_t kDosGeneralFailure = 0x1F;
constexpr uint16_t kDosSharingViolation = 0x20;
constexpr uint16_t kDosDiskFull = 0x27; // also what a short write returns
constexpr uint16_t kDosFileExists = 0x50;
constexpr uint16_t kDosFailedCriticalError = 0x53;

// File attributes.
constexpr uint8_t kDosReadOnly = 0x01;
constexpr uint8_t kDosHidden = 0x02;
constexpr uint8_t kDosSystem = 0x04;
constexpr uint8_t kDosDirectory = 0x10;
constexpr uint8_t kDosArchive = 0x20;

enum DosAccess : uint8_t
{
    kDosReadAccess = 0,
    kDosWriteAccess = 1,
    kDosReadWriteAccess = 2,
};

uint16_t DosOpen(const char* pszPath, DosAccess access, uint16_t* phFile);
// Creates the file, or truncates it when it exists.
uint16_t DosCreate(const char* pszPath, uint16_t* phFile);
// Reads up to nSize bytes; fewer (0 at the end) is no error.
uint16_t DosRead(uint16_t hFile, void* pBuffer, uint16_t nSize, uint16_t* pnRead);
// Writes all nSize bytes or fails: a short write is kDosDiskFull.
uint16_t DosWrite(uint16_t hFile, const void* pBuffer, uint16_t nSize);
uint16_t DosClose(uint16_t hFile);

uint16_t DosDelete(const char* pszPath);
// Renames or moves a file or renames a folder, on one drive.
uint16_t DosRename(const char* pszFrom, const char* pszTo);
uint16_t DosMakeDir(const char* pszPath);
uint16_t DosRemoveDir(const char* pszPath);
uint16_t DosGetAttributes(const char* pszPath, uint8_t* pnAttributes);
uint16_t DosSetAttributes(const char* pszPath, uint8_t nAttributes);

// One directory search. DOS keeps a search's state in its disk transfer
// area; each search has its own, so searches may nest.
struct __attribute__((packed)) DosFind
{
    uint8_t reserved[21];
    uint8_t nAttributes;
    uint16_t nTime;
    uint16_t nDate;
    uint32_t nSize;
    char szName[QX_DOS_MAX_NAME + 1]; // upper case
};
static_assert(sizeof(DosFind) == 43, "DOS's search record");

// Finds the first entry matching pszPattern; nAttributes adds hidden,
// system and directory entries to the plain files.
uint16_t DosFindFirst(const char* pszPattern, uint8_t nAttributes, DosFind* pFind);
uint16_t DosFindNext(DosFind* pFind);

// Writes text to the standard output, each "\n" as CR LF.
void DosPrint(const char* pszText);
void DosPrintChar(char ch);

// Waits for a key, without echo and without Ctrl+C ending the program, and
// gives it as DosKeys.h says. The keys come from the standard input, so a
// file can stand in for the keyboard; its end reads as Escape, since no
// other key will come.
uint16_t DosReadKey();

// The text screen, through the BIOS: its width, as the BIOS keeps it for
// the mode set (80 or 40 columns; 80 where it says 0), and the cursor on
// the page shown, row and column counted from 0.
unsigned DosScreenColumns();
void DosGetCursor(uint8_t* pnRow, uint8_t* pnColumn);
void DosSetCursor(uint8_t nRow, uint8_t nColumn);

// The full path of the program file, as DOS 3 and later put it after the
// environment ("D:\INSTALL.EXE"). False when there is none or it does not
// fit in nSize characters with its terminator.
bool DosGetProgramPath(char* pszPath, size_t nSize);

// The current drive and folder ("C:\GAMES\ORVANE"); nSize must be at
// least kDosCurrentDirSize: DOS gives the folder without its drive in 64
// bytes at most, its terminator with it.
constexpr size_t kDosCurrentDirSize = 3 + 64 + 1;
uint16_t DosGetCurrentDir(char* pszPath, size_t nSize);
