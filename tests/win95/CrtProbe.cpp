// A program linked against our small C run-time library, as the launcher is.
// CTest runs it under Wine with the name of a check ("startup", "files",
// "full-disk", "memory"); it prints each failed check with its line and
// exits with the number of failures. It also runs itself as a child to watch
// start-up and exit from outside. Built with -fno-builtin, so that every call
// below reaches the library instead of the compiler's own expansion.
#include "CrtProbe.h"

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

namespace {

CLoggedObject g_first("a1");
CLoggedObject g_second("a2");

int g_nFailures = 0;

void Print(const char* psz)
{
    DWORD nWritten;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), psz, static_cast<DWORD>(strlen(psz)), &nWritten, nullptr);
}

void FormatNumber(unsigned long n, char* pszOut)
{
    char szDigits[12];
    int i = 0;
    do {
        szDigits[i++] = static_cast<char>('0' + n % 10);
        n /= 10;
    } while (n);
    while (i)
        *pszOut++ = szDigits[--i];
    *pszOut = '\0';
}

void Fail(int nLine, const char* pszWhat, const char* pszRow)
{
    char szLine[12];
    FormatNumber(static_cast<unsigned long>(nLine), szLine);
    Print("CrtProbe.cpp:");
    Print(szLine);
    Print(": failed: ");
    Print(pszWhat);
    if (pszRow) {
        Print(" [");
        Print(pszRow);
        Print("]");
    }
    Print("\n");
    ++g_nFailures;
}

#define CHECK(cond) ((cond) ? (void)0 : Fail(__LINE__, #cond, nullptr))
// In a table: names the row as well.
#define CHECK_ROW(cond, row) ((cond) ? (void)0 : Fail(__LINE__, #cond, (row)))

// The whole file, at most nCapacity bytes; -1 when it cannot be read.
long ReadBack(const char* pszPath, char* pchOut, DWORD nCapacity)
{
    HANDLE hFile = CreateFileA(pszPath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return -1;
    DWORD nRead = 0;
    const BOOL bRead = ReadFile(hFile, pchOut, nCapacity, &nRead, nullptr);
    CloseHandle(hFile);
    return bRead ? static_cast<long>(nRead) : -1;
}

bool FileHolds(const char* pszPath, const char* pchExpected, size_t nExpected)
{
    static char s_achFile[65536];
    const long nLen = ReadBack(pszPath, s_achFile, sizeof(s_achFile));
    return nLen >= 0 && static_cast<size_t>(nLen) == nExpected &&
           memcmp(s_achFile, pchExpected, nExpected) == 0;
}

bool FileHolds(const char* pszPath, const char* pszExpected)
{
    return FileHolds(pszPath, pszExpected, strlen(pszExpected));
}

bool FileExists(const char* pszPath)
{
    return GetFileAttributesA(pszPath) != INVALID_FILE_ATTRIBUTES;
}

bool StartsWith(const char* psz, const char* pszPrefix)
{
    return strncmp(psz, pszPrefix, strlen(pszPrefix)) == 0;
}

// ---- start-up and exit, seen from a child run of this program

void OnExitFirst()
{
    LogEvent("atexit1");
}

void OnExitSecond()
{
    LogEvent("atexit2");
}

const char kUnclosedPath[] = "C:\\qxcrt_unclosed.txt";

// What WinMain got, as one log entry.
void LogArguments(HINSTANCE hInstance, HINSTANCE hPrevInstance, const char* pszCmdLine, int nCmdShow)
{
    char szEntry[300] = "main[";
    if (strlen(pszCmdLine) < 200)
        strcpy(szEntry + strlen(szEntry), pszCmdLine);
    strcpy(szEntry + strlen(szEntry), "]show=");
    FormatNumber(static_cast<unsigned long>(nCmdShow), szEntry + strlen(szEntry));
    strcpy(szEntry + strlen(szEntry),
           hInstance == GetModuleHandleA(nullptr) ? ",instance" : ",WRONG-INSTANCE");
    strcpy(szEntry + strlen(szEntry), hPrevInstance ? ",WRONG-PREVIOUS" : ",no-previous");
    LogEvent(szEntry);
}

void EndThroughExit()
{
    exit(7);
}

int RunChild(HINSTANCE hInstance, HINSTANCE hPrevInstance, char* pszCmdLine, int nCmdShow)
{
    LogArguments(hInstance, hPrevInstance, pszCmdLine, nCmdShow);
    atexit(OnExitFirst);
    atexit(OnExitSecond);
    // Left open: the exit closes it, after every atexit function.
    if (FILE* pFile = fopen(kUnclosedPath, "w"))
        fputs("left open\n", pFile);
    if (StartsWith(pszCmdLine, "child-exit")) {
        EndThroughExit();
        LogEvent("after-exit");
    }
    return 42;
}

// Runs this program with szArguments after its own name (quoted when bQuote)
// and the given show state (-1: none); the exit code, or -1.
long RunSelf(const char* pszArguments, bool bQuote, int nShow)
{
    char szExe[MAX_PATH];
    GetModuleFileNameA(nullptr, szExe, MAX_PATH);
    char szCmdLine[MAX_PATH + 100] = "";
    strcpy(szCmdLine, bQuote ? "\"" : "");
    strcpy(szCmdLine + strlen(szCmdLine), szExe);
    strcpy(szCmdLine + strlen(szCmdLine), bQuote ? "\"" : "");
    strcpy(szCmdLine + strlen(szCmdLine), pszArguments);

    STARTUPINFOA si;
    memset(&si, 0, sizeof(si));
    si.cb = sizeof(si);
    if (nShow >= 0) {
        si.dwFlags = STARTF_USESHOWWINDOW;
        si.wShowWindow = static_cast<WORD>(nShow);
    }
    PROCESS_INFORMATION pi;
    if (!CreateProcessA(szExe, szCmdLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return -1;
    DWORD nExitCode = static_cast<DWORD>(-1);
    if (WaitForSingleObject(pi.hProcess, 20000) == WAIT_OBJECT_0)
        GetExitCodeProcess(pi.hProcess, &nExitCode);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return static_cast<long>(nExitCode);
}

void CheckStartup()
{
    static const struct
    {
        const char* pszName;
        const char* pszArguments;
        bool bQuote;
        int nShow;
        long nExitCode;
        const char* pszLog;
    } kRows[] = {
        {"quoted name, arguments kept as given, show state passed on", "   child  one \"two three\"  ", true,
         SW_SHOWMINNOACTIVE, 42,
         "early a1 a2 main[child  one \"two three\"  ]show=7,instance,no-previous "
         "atexit2 atexit1 ~a2 ~a1 ~early "},
        {"bare name ended by a tab, no show state, exit from inside", "\tchild-exit", false, -1, 7,
         "early a1 a2 main[child-exit]show=10,instance,no-previous atexit2 atexit1 ~a2 ~a1 ~early "},
    };
    for (const auto& row : kRows) {
        DeleteFileA(QX_PROBE_LOG_PATH);
        DeleteFileA(kUnclosedPath);
        CHECK_ROW(RunSelf(row.pszArguments, row.bQuote, row.nShow) == row.nExitCode, row.pszName);
        CHECK_ROW(FileHolds(QX_PROBE_LOG_PATH, row.pszLog), row.pszName);
        CHECK_ROW(FileHolds(kUnclosedPath, "left open\r\n"), row.pszName);
    }
    DeleteFileA(QX_PROBE_LOG_PATH);
    DeleteFileA(kUnclosedPath);
}

// ---- files

const char kPath[] = "C:\\qxcrt_file.txt";

void CheckTextAndBinaryModes()
{
    static const struct
    {
        const char* pszName;
        const char* pszMode;
        const char* apszPieces[3];
        const char* pszOnDisk;
    } kRows[] = {
        {"text, line ends in two pieces", "wt", {"@echo off\n", "\nb", ""}, "@echo off\r\n\r\nb"},
        {"text by default", "w", {"win95dir ", "C:\\windows", "\n"}, "win95dir C:\\windows\r\n"},
        {"binary", "wb", {"a\nb\n", "", ""}, "a\nb\n"},
        {"empty file", "w", {"", "", ""}, ""},
        {"no line end at the end", "wt", {"no line end", "", ""}, "no line end"},
        {"a CR of its own stays", "wt", {"\r\n", "", ""}, "\r\r\n"},
    };
    for (const auto& row : kRows) {
        FILE* pFile = fopen(kPath, row.pszMode);
        CHECK_ROW(pFile != nullptr, row.pszName);
        if (!pFile)
            continue;
        for (const char* pszPiece : row.apszPieces)
            CHECK_ROW(fputs(pszPiece, pFile) >= 0, row.pszName);
        CHECK_ROW(fclose(pFile) == 0, row.pszName);
        CHECK_ROW(FileHolds(kPath, row.pszOnDisk), row.pszName);
    }
}

void CheckLongFileAndReplacement()
{
    // Many times the buffer: every line end still becomes CR LF.
    static char s_achExpected[40000];
    FILE* pFile = fopen(kPath, "wt");
    CHECK(pFile != nullptr);
    if (!pFile)
        return;
    size_t nExpected = 0;
    for (int i = 0; i < 3000; ++i) {
        char szLine[16];
        FormatNumber(static_cast<unsigned long>(i), szLine);
        strcpy(szLine + strlen(szLine), "\n");
        CHECK(fputs(szLine, pFile) >= 0);
        const size_t nDigits = strlen(szLine) - 1;
        memcpy(s_achExpected + nExpected, szLine, nDigits);
        memcpy(s_achExpected + nExpected + nDigits, "\r\n", 2);
        nExpected += nDigits + 2;
    }
    CHECK(fclose(pFile) == 0);
    CHECK(FileHolds(kPath, s_achExpected, nExpected));

    // "w" replaces the long file whole.
    pFile = fopen(kPath, "w");
    CHECK(pFile != nullptr);
    if (pFile) {
        CHECK(fputs("x", pFile) >= 0);
        CHECK(fclose(pFile) == 0);
    }
    CHECK(FileHolds(kPath, "x"));
}

void CheckFlush()
{
    FILE* pFile = fopen(kPath, "w");
    CHECK(pFile != nullptr);
    if (!pFile)
        return;
    CHECK(fputs("one\n", pFile) >= 0);
    CHECK(fflush(pFile) == 0);
    CHECK(FileHolds(kPath, "one\r\n"));
    CHECK(fputs("two", pFile) >= 0);
    CHECK(fflush(nullptr) == 0);
    CHECK(FileHolds(kPath, "one\r\ntwo"));
    CHECK(fclose(pFile) == 0);
}

void CheckOpenFailures()
{
    CreateDirectoryA("C:\\qxcrt_dir", nullptr);
    static const struct
    {
        const char* pszPath;
        const char* pszMode;
    } kRows[] = {
        {"C:\\qxcrt_dir", "w"},               // a directory
        {"C:\\qxcrt_missing\\file.txt", "w"}, // in a missing directory
        {"C:\\qxcrt_mode.txt", "r"},          // modes other than writing
        {"C:\\qxcrt_mode.txt", "a"},
        {"C:\\qxcrt_mode.txt", "w+"},
        {"C:\\qxcrt_mode.txt", "wtz"},
        {"C:\\qxcrt_mode.txt", ""},
    };
    for (const auto& row : kRows) {
        FILE* pFile = fopen(row.pszPath, row.pszMode);
        CHECK_ROW(pFile == nullptr, row.pszMode);
        if (pFile)
            fclose(pFile);
    }
    CHECK(!FileExists("C:\\qxcrt_mode.txt"));
    CHECK(fopen(nullptr, "w") == nullptr);
    RemoveDirectoryA("C:\\qxcrt_dir");
}

void CheckRemove()
{
    FILE* pFile = fopen(kPath, "w");
    CHECK(pFile != nullptr);
    if (pFile)
        CHECK(fclose(pFile) == 0);
    CHECK(remove(kPath) == 0);
    CHECK(!FileExists(kPath));
    CHECK(remove(kPath) != 0);
}

// "x" creates a file or fails, leaving the one there as it is; rename moves
// a file to a name that is free, and to no other.
void CheckExclusiveOpenAndRename()
{
    const char kOther[] = "C:\\qxcrt_other.txt";
    remove(kPath);
    remove(kOther);
    FILE* pFile = fopen(kPath, "wx");
    CHECK(pFile != nullptr);
    if (pFile) {
        CHECK(fputs("first\n", pFile) >= 0);
        CHECK(fclose(pFile) == 0);
    }
    CHECK(FileHolds(kPath, "first\r\n"));
    static const char* const kTaken[] = {"wx", "wbx", "wtx"};
    for (const char* pszMode : kTaken) {
        pFile = fopen(kPath, pszMode);
        CHECK_ROW(pFile == nullptr, pszMode);
        if (pFile)
            fclose(pFile);
    }
    CHECK(FileHolds(kPath, "first\r\n"));

    CHECK(rename(kPath, kOther) == 0);
    CHECK(!FileExists(kPath));
    CHECK(FileHolds(kOther, "first\r\n"));
    CHECK(rename(kPath, kOther) != 0);
    pFile = fopen(kPath, "w");
    if (pFile)
        fclose(pFile);
    CHECK(rename(kPath, kOther) != 0);
    CHECK(FileHolds(kPath, ""));
    CHECK(FileHolds(kOther, "first\r\n"));
    remove(kPath);
    remove(kOther);
}

void CheckFiles()
{
    CheckTextAndBinaryModes();
    CheckLongFileAndReplacement();
    CheckFlush();
    CheckOpenFailures();
    CheckRemove();
    CheckExclusiveOpenAndRename();
}

// ---- a full disk: CTest runs this check under a file size limit of 2000
// bytes for the whole Wine process

void FillWith(char* pch, size_t n)
{
    memset(pch, 'z', n);
    pch[n] = '\0';
}

void CheckFullDisk()
{
    static char s_achThousand[1001];
    FillWith(s_achThousand, 1000);

    // Below the limit the file is written whole.
    FILE* pFile = fopen(kPath, "w");
    CHECK(pFile != nullptr);
    if (pFile) {
        CHECK(fputs(s_achThousand, pFile) >= 0);
        CHECK(fclose(pFile) == 0);
        CHECK(FileHolds(kPath, s_achThousand));
    }

    // The buffer takes everything; only the close finds that the last
    // write does not fit. The file is closed anyway and can be removed.
    pFile = fopen(kPath, "w");
    CHECK(pFile != nullptr);
    if (pFile) {
        for (int i = 0; i < 3; ++i)
            CHECK(fputs(s_achThousand, pFile) >= 0);
        CHECK(fclose(pFile) == EOF);
        CHECK(remove(kPath) == 0);
    }

    // A failed flush: the stream stays failed to the close.
    pFile = fopen(kPath, "w");
    CHECK(pFile != nullptr);
    if (pFile) {
        for (int i = 0; i < 3; ++i)
            CHECK(fputs(s_achThousand, pFile) >= 0);
        CHECK(fflush(pFile) == EOF);
        CHECK(fputs("x", pFile) == EOF);
        CHECK(fflush(pFile) == EOF);
        CHECK(fclose(pFile) == EOF);
    }

    // More than the buffer: the write that spills it reports the failure.
    pFile = fopen(kPath, "w");
    CHECK(pFile != nullptr);
    if (pFile) {
        int nFailedAt = 0;
        for (int i = 1; i <= 6 && !nFailedAt; ++i) {
            if (fputs(s_achThousand, pFile) < 0)
                nFailedAt = i;
        }
        CHECK(nFailedAt == 5);
        CHECK(fclose(pFile) == EOF);
    }
    remove(kPath);
}

// ---- memory and strings

void CheckMemory()
{
    void* p = malloc(0);
    CHECK(p != nullptr);
    free(p);
    free(nullptr);
    char* pchBig = static_cast<char*>(malloc(100000));
    CHECK(pchBig != nullptr);
    if (pchBig) {
        memset(pchBig, 0x1FF, 100000); // only the low byte counts
        CHECK(static_cast<unsigned char>(pchBig[0]) == 0xFF &&
              static_cast<unsigned char>(pchBig[99999]) == 0xFF);
        free(pchBig);
    }

    // Every block is aligned for any type, whatever its size and however
    // many came before it.
    static const size_t kSizes[] = {1, 2, 3, 4, 7, 8, 9, 15, 16, 17, 24, 100, 4095, 65536};
    void* apBlocks[sizeof(kSizes) / sizeof(kSizes[0])];
    for (size_t i = 0; i < sizeof(kSizes) / sizeof(kSizes[0]); ++i) {
        char szSize[12];
        FormatNumber(static_cast<unsigned long>(kSizes[i]), szSize);
        apBlocks[i] = malloc(kSizes[i]);
        CHECK_ROW(apBlocks[i] != nullptr, szSize);
        CHECK_ROW(reinterpret_cast<uintptr_t>(apBlocks[i]) % alignof(max_align_t) == 0, szSize);
    }
    for (void* pBlock : apBlocks)
        free(pBlock);

    char szBuffer[16] = "0123456789";
    memmove(szBuffer + 2, szBuffer, 5); // forward overlap
    CHECK(strcmp(szBuffer, "0101234789") == 0);
    strcpy(szBuffer, "0123456789");
    memmove(szBuffer, szBuffer + 2, 5); // backward overlap
    CHECK(strcmp(szBuffer, "2345656789") == 0);
    CHECK(memcpy(szBuffer, "ab", 2) == szBuffer && memcmp(szBuffer, "ab45", 4) == 0);

    // Bytes compare as unsigned.
    CHECK(memcmp("\x80", "\x01", 1) > 0);
    CHECK(memcmp("abc", "abd", 3) < 0);
    CHECK(memcmp("abc", "abd", 2) == 0);

    static const struct
    {
        const char* psz;
        int ch;
        long nFirst; // -1: not found
        long nLast;
    } kSearches[] = {
        {"abcabc", 'b', 1, 4},
        {"abcabc", 'z', -1, -1},
        {"abcabc", '\0', 6, 6}, // the terminator is part of the string
        {"", '\0', 0, 0},
        {"", 'a', -1, -1},
        {"caf\xe9s\xe9", 0xE9, 3, 5}, // a character above 127
        {"d:\\setup\\x.exe", '\\', 2, 8},
    };
    for (const auto& row : kSearches) {
        const char* pFirst = strchr(row.psz, row.ch);
        const char* pLast = strrchr(row.psz, row.ch);
        CHECK_ROW(row.nFirst < 0 ? pFirst == nullptr : pFirst == row.psz + row.nFirst, row.psz);
        CHECK_ROW(row.nLast < 0 ? pLast == nullptr : pLast == row.psz + row.nLast, row.psz);
    }
    CHECK(strlen("") == 0 && strlen("abc") == 3);
    CHECK(strcmp("abc", "abc") == 0 && strcmp("ab", "abc") < 0 && strcmp("\xe9", "e") > 0);
    CHECK(strncmp("child-exit", "child", 5) == 0 && strncmp("abc", "abd", 3) < 0 &&
          strncmp("a", "b", 0) == 0);
    char szCopy[8];
    CHECK(strcpy(szCopy, "xyz") == szCopy && memcmp(szCopy, "xyz", 4) == 0);
}

} // namespace

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow)
{
    if (StartsWith(lpCmdLine, "child"))
        return RunChild(hInstance, hPrevInstance, lpCmdLine, nCmdShow);

    if (strcmp(lpCmdLine, "startup") == 0)
        CheckStartup();
    else if (strcmp(lpCmdLine, "files") == 0)
        CheckFiles();
    else if (strcmp(lpCmdLine, "full-disk") == 0)
        CheckFullDisk();
    else if (strcmp(lpCmdLine, "memory") == 0)
        CheckMemory();
    else
        Fail(__LINE__, "unknown check", lpCmdLine);
    Print(g_nFailures ? "probe: FAILED\n" : "probe: all checks passed\n");
    return g_nFailures;
}
