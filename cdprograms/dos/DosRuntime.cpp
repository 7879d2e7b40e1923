#include "cdprograms/dos/DosRuntime.h"

#include <string.h>

namespace {

// What the linker script and the start-up code define.
extern "C" {
extern char __bss_start[], __bss_end[];
extern void (*__init_array_start[])();
extern void (*__init_array_end[])();
void DosFailCriticalError();
void DosIgnoreBreak();

// The program segment prefix, at offset 0 of the program's segment.
struct DosProgramSegmentPrefix
{
    uint8_t unused[0x2C];
    uint16_t nEnvironmentSegment;
    uint8_t unused2[0x80 - 0x2E];
    uint8_t nTailLength;
    char szTail[127]; // ends with CR
};
extern volatile DosProgramSegmentPrefix DosPsp;
}

struct DosRegs
{
    uint16_t ax, bx, cx, dx, si, di;
};

// Calls DOS (interrupt 21h); true when it reports an error (carry set).
// Some calls change DS, ES and BP (59h does): they are kept for the
// compiled code, which relies on DS = ES = SS.
bool CallDos(DosRegs& r)
{
    bool bCarry;
    asm volatile("pushw %%ds\n\tpushw %%es\n\tpushw %%bp\n\t"
                 "int $0x21\n\t"
                 "popw %%bp\n\tpopw %%es\n\tpopw %%ds"
                 : "=@ccc"(bCarry), "+a"(r.ax), "+b"(r.bx), "+c"(r.cx), "+d"(r.dx), "+S"(r.si), "+D"(r.di)
                 :
                 : "memory");
    return bCarry;
}

// Calls the BIOS's video services (interrupt 10h). Some BIOSes change BP
// while they move the screen up; DS and ES are kept as for DOS.
void CallVideo(DosRegs& r)
{
    asm volatile("pushw %%ds\n\tpushw %%es\n\tpushw %%bp\n\t"
                 "int $0x10\n\t"
                 "popw %%bp\n\tpopw %%es\n\tpopw %%ds"
                 : "+a"(r.ax), "+b"(r.bx), "+c"(r.cx), "+d"(r.dx), "+S"(r.si), "+D"(r.di)
                 :
                 : "memory", "cc");
}

uint16_t Near(const void* p)
{
    return static_cast<uint16_t>(reinterpret_cast<uintptr_t>(p));
}

// A DOS error, with the reason behind a failed critical error asked of DOS
// (a write-protected disk, a drive that is not ready).
uint16_t ErrorOf(uint16_t nError)
{
    if (nError != kDosFailedCriticalError)
        return nError;
    DosRegs r = {0x5900, 0, 0, 0, 0, 0};
    CallDos(r);
    return r.ax;
}

// Calls DOS and gives kDosOk or the error.
uint16_t Call(DosRegs& r)
{
    return CallDos(r) ? ErrorOf(r.ax) : kDosOk;
}

uint16_t CallWithPath(uint16_t ax, const char* pszPath, uint16_t cx = 0)
{
    DosRegs r = {ax, 0, cx, Near(pszPath), 0, 0};
    return Call(r);
}

uint16_t CallForHandle(uint16_t ax, const char* pszPath, uint16_t cx, uint16_t* phFile)
{
    DosRegs r = {ax, 0, cx, Near(pszPath), 0, 0};
    const uint16_t nError = Call(r);
    *phFile = nError == kDosOk ? r.ax : 0xFFFF;
    return nError;
}

uint8_t PeekFar(uint16_t nSegment, uint16_t nOffset)
{
    uint8_t b;
    const uint32_t nAddress = nOffset;
    asm volatile("movw %1, %%fs\n\tmovb %%fs:(%2), %0" : "=q"(b) : "r"(nSegment), "r"(nAddress));
    return b;
}

// The BIOS's data area, at segment 40h.
constexpr uint16_t kBiosData = 0x40;
constexpr uint16_t kBiosColumns = 0x4A; // a word: the text mode's columns
constexpr uint16_t kBiosPage = 0x62;    // the page shown

void SetVector(uint8_t nInterrupt, void (*pfnHandler)())
{
    DosRegs r = {static_cast<uint16_t>(0x2500 | nInterrupt),
                 0,
                 0,
                 static_cast<uint16_t>(reinterpret_cast<uintptr_t>(pfnHandler)),
                 0,
                 0};
    CallDos(r);
}

void WriteOut(const char* p, uint16_t n)
{
    DosRegs r = {0x4000, 1, n, Near(p), 0, 0};
    CallDos(r);
}

// The DOS version, major in the high byte ("7.10" is 0x070A).
uint16_t DosVersion()
{
    DosRegs r = {0x3000, 0, 0, 0, 0, 0};
    CallDos(r);
    return static_cast<uint16_t>((r.ax & 0xFF) << 8 | r.ax >> 8);
}

// Ends the program: the programs end by returning from DosMain.
[[noreturn]] void DosExit(uint8_t nCode)
{
    DosRegs r = {static_cast<uint16_t>(0x4C00 | nCode), 0, 0, 0, 0, 0};
    CallDos(r);
    __builtin_unreachable();
}

} // namespace

bool AppendText(char* pszOut, size_t nSize, const char* pszText)
{
    if (nSize == 0)
        return *pszText == '\0';
    size_t n = strlen(pszOut);
    while (*pszText && n + 1 < nSize)
        pszOut[n++] = *pszText++;
    pszOut[n] = '\0';
    return *pszText == '\0';
}

uint16_t DosOpen(const char* pszPath, DosAccess access, uint16_t* phFile)
{
    return CallForHandle(static_cast<uint16_t>(0x3D00 | access), pszPath, 0, phFile);
}

uint16_t DosCreate(const char* pszPath, uint16_t* phFile)
{
    return CallForHandle(0x3C00, pszPath, 0, phFile);
}

uint16_t DosRead(uint16_t hFile, void* pBuffer, uint16_t nSize, uint16_t* pnRead)
{
    DosRegs r = {0x3F00, hFile, nSize, Near(pBuffer), 0, 0};
    const uint16_t nError = Call(r);
    *pnRead = nError == kDosOk ? r.ax : 0;
    return nError;
}

uint16_t DosWrite(uint16_t hFile, const void* pBuffer, uint16_t nSize)
{
    if (nSize == 0) // a write of 0 bytes would cut the file here
        return kDosOk;
    DosRegs r = {0x4000, hFile, nSize, Near(pBuffer), 0, 0};
    const uint16_t nError = Call(r);
    if (nError == kDosOk && r.ax != nSize)
        return kDosDiskFull;
    return nError;
}

uint16_t DosClose(uint16_t hFile)
{
    DosRegs r = {0x3E00, hFile, 0, 0, 0, 0};
    return Call(r);
}

uint16_t DosDelete(const char* pszPath)
{
    return CallWithPath(0x4100, pszPath);
}

uint16_t DosRename(const char* pszFrom, const char* pszTo)
{
    // The new name is in ES:DI; ES is this program's segment already.
    DosRegs r = {0x5600, 0, 0, Near(pszFrom), 0, Near(pszTo)};
    return Call(r);
}

uint16_t DosMakeDir(const char* pszPath)
{
    return CallWithPath(0x3900, pszPath);
}

uint16_t DosRemoveDir(const char* pszPath)
{
    return CallWithPath(0x3A00, pszPath);
}

uint16_t DosGetAttributes(const char* pszPath, uint8_t* pnAttributes)
{
    DosRegs r = {0x4300, 0, 0, Near(pszPath), 0, 0};
    const uint16_t nError = Call(r);
    *pnAttributes = nError == kDosOk ? static_cast<uint8_t>(r.cx) : 0;
    return nError;
}

uint16_t DosSetAttributes(const char* pszPath, uint8_t nAttributes)
{
    return CallWithPath(0x4301, pszPath, nAttributes);
}

uint16_t DosFindFirst(const char* pszPattern, uint8_t nAttributes, DosFind* pFind)
{
    DosRegs dta = {0x1A00, 0, 0, Near(pFind), 0, 0};
    CallDos(dta);
    return CallWithPath(0x4E00, pszPattern, nAttributes);
}

uint16_t DosFindNext(DosFind* pFind)
{
    DosRegs dta = {0x1A00, 0, 0, Near(pFind), 0, 0};
    CallDos(dta);
    DosRegs r = {0x4F00, 0, 0, 0, 0, 0};
    return Call(r);
}

void DosPrint(const char* pszText)
{
    const char* pRun = pszText;
    for (const char* p = pszText;; ++p) {
        if (*p != '\n' && *p != '\0')
            continue;
        WriteOut(pRun, static_cast<uint16_t>(p - pRun));
        if (*p == '\0')
            return;
        WriteOut("\r\n", 2);
        pRun = p + 1;
    }
}

void DosPrintChar(char ch)
{
    const char sz[2] = {ch, '\0'};
    DosPrint(sz);
}

namespace {

// True when the standard input is a file that has nothing more to read.
bool InputEnded()
{
    DosRegs info = {0x4400, 0, 0, 0, 0, 0};
    if (CallDos(info) || (info.dx & 0x80) != 0) // a device: the keyboard waits
        return false;
    DosRegs status = {0x4406, 0, 0, 0, 0, 0};
    return !CallDos(status) && static_cast<uint8_t>(status.ax) == 0;
}

} // namespace

uint16_t DosReadKey()
{
    if (InputEnded())
        return kDosKeyEscape;
    // Function 07h: no echo and no Ctrl+C check.
    DosRegs r = {0x0700, 0, 0, 0, 0, 0};
    CallDos(r);
    const uint8_t ch = static_cast<uint8_t>(r.ax);
    if (ch != 0)
        return ch;
    // A key without a character: its scan code follows.
    if (InputEnded())
        return kDosKeyEscape;
    r.ax = 0x0700;
    CallDos(r);
    return static_cast<uint16_t>(kDosExtendedKey | static_cast<uint8_t>(r.ax));
}

unsigned DosScreenColumns()
{
    const unsigned nColumns = PeekFar(kBiosData, kBiosColumns) | PeekFar(kBiosData, kBiosColumns + 1) << 8;
    return nColumns ? nColumns : 80;
}

namespace {

// Function 02h puts the cursor of the page shown at DX (row, column), 03h
// reads it there.
uint16_t CallCursor(uint16_t ax, uint16_t dx)
{
    DosRegs r = {ax, static_cast<uint16_t>(PeekFar(kBiosData, kBiosPage) << 8), 0, dx, 0, 0};
    CallVideo(r);
    return r.dx;
}

} // namespace

void DosGetCursor(uint8_t* pnRow, uint8_t* pnColumn)
{
    const uint16_t dx = CallCursor(0x0300, 0);
    *pnRow = static_cast<uint8_t>(dx >> 8);
    *pnColumn = static_cast<uint8_t>(dx);
}

void DosSetCursor(uint8_t nRow, uint8_t nColumn)
{
    CallCursor(0x0200, static_cast<uint16_t>(nRow << 8 | nColumn));
}

bool DosGetProgramPath(char* pszPath, size_t nSize)
{
    if (nSize == 0)
        return false;
    pszPath[0] = '\0';
    if (DosVersion() < 0x0300)
        return false;
    // The environment: NUL-terminated strings, an empty one after the last,
    // then a count of further strings (1) and the program's path.
    const uint16_t nSegment = DosPsp.nEnvironmentSegment;
    uint16_t i = 0;
    while (PeekFar(nSegment, i) != 0 || PeekFar(nSegment, static_cast<uint16_t>(i + 1)) != 0) {
        if (++i >= 0x8000) // an environment holds at most 32 KB
            return false;
    }
    i = static_cast<uint16_t>(i + 2);
    const uint16_t nCount = static_cast<uint16_t>(PeekFar(nSegment, i) | PeekFar(nSegment, i + 1) << 8);
    if (nCount == 0)
        return false;
    i = static_cast<uint16_t>(i + 2);
    for (size_t n = 0; n < nSize; ++n) {
        pszPath[n] = static_cast<char>(PeekFar(nSegment, static_cast<uint16_t>(i + n)));
        if (pszPath[n] == '\0')
            return n > 0;
    }
    pszPath[0] = '\0';
    return false;
}

uint16_t DosGetCurrentDir(char* pszPath, size_t nSize)
{
    if (nSize < kDosCurrentDirSize) {
        if (nSize > 0)
            pszPath[0] = '\0';
        return kDosPathNotFound;
    }
    DosRegs drive = {0x1900, 0, 0, 0, 0, 0};
    CallDos(drive);
    pszPath[0] = static_cast<char>('A' + static_cast<uint8_t>(drive.ax));
    pszPath[1] = ':';
    pszPath[2] = '\\';
    DosRegs r = {0x4700, 0, 0, 0, Near(pszPath + 3), 0};
    const uint16_t nError = Call(r);
    if (nError != kDosOk)
        pszPath[0] = '\0';
    return nError;
}

// What the compiler puts in an abstract class's table of virtual functions;
// no object calls it, as no object of such a class is ever made.
extern "C" [[noreturn]] void __cxa_pure_virtual()
{
    DosPrint("pure virtual call\n");
    DosExit(255);
}

// Called by the start-up code on the stack that DOS set up.
extern "C" [[noreturn]] void DosStart()
{
    // DOS loads the image only: the zeroed data are ours to clear.
    memset(__bss_start, 0, static_cast<size_t>(__bss_end - __bss_start));
    for (void (**ppfn)() = __init_array_start; ppfn != __init_array_end; ++ppfn)
        (*ppfn)();
    SetVector(0x23, DosIgnoreBreak);
    SetVector(0x24, DosFailCriticalError);

    // The command tail, before anything uses the disk transfer area that
    // shares its place in the prefix.
    char szArguments[128];
    uint8_t nLength = DosPsp.nTailLength;
    if (nLength > 126)
        nLength = 126;
    uint8_t nStart = 0;
    while (nStart < nLength && (DosPsp.szTail[nStart] == ' ' || DosPsp.szTail[nStart] == '\t'))
        ++nStart;
    uint8_t n = 0;
    for (uint8_t i = nStart; i < nLength && DosPsp.szTail[i] != '\r'; ++i)
        szArguments[n++] = DosPsp.szTail[i];
    szArguments[n] = '\0';

    DosExit(static_cast<uint8_t>(DosMain(szArguments)));
}
