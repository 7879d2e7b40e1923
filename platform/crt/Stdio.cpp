// Files for writing, for a program linked without a C run-time library.
#include "platform/crt/Crt.h"

#include <stdio.h>
#include <stdlib.h>
#include <windows.h>

namespace {

// As large as the system's C run-time buffer: a small file goes to the disk
// in one write, at the flush or the close, and that is where a full disk
// shows.
constexpr DWORD kBufferSize = 4096;

struct CStream
{
    HANDLE hFile;
    CStream* pNext;
    DWORD nUsed;
    bool bText;
    bool bFailed;
    char achBuffer[kBufferSize];
};

CStream* g_pOpenStreams = nullptr;

CStream* ToStream(FILE* pFile)
{
    return reinterpret_cast<CStream*>(pFile);
}

// A write may take part of the bytes; a full disk then fails the next one.
bool WriteAll(HANDLE hFile, const char* pch, DWORD nCount)
{
    while (nCount > 0) {
        DWORD nWritten = 0;
        if (!::WriteFile(hFile, pch, nCount, &nWritten, nullptr) || nWritten == 0 || nWritten > nCount)
            return false;
        pch += nWritten;
        nCount -= nWritten;
    }
    return true;
}

bool Flush(CStream* pStream)
{
    if (!pStream->bFailed && pStream->nUsed > 0 &&
        !WriteAll(pStream->hFile, pStream->achBuffer, pStream->nUsed))
        pStream->bFailed = true;
    pStream->nUsed = 0;
    return !pStream->bFailed;
}

bool Put(CStream* pStream, char ch)
{
    if (pStream->nUsed == kBufferSize && !Flush(pStream))
        return false;
    pStream->achBuffer[pStream->nUsed++] = ch;
    return true;
}

void CloseOpenStreams()
{
    while (g_pOpenStreams)
        fclose(reinterpret_cast<FILE*>(g_pOpenStreams));
}

} // namespace

extern "C" FILE* fopen(const char* pszPath, const char* pszMode)
{
    bool bValid = pszPath && pszMode && pszMode[0] == 'w';
    bool bText = true;
    DWORD nCreation = CREATE_ALWAYS;
    for (const char* pch = bValid ? pszMode + 1 : ""; *pch; ++pch) {
        if (*pch == 'b' || *pch == 't')
            bText = *pch == 't';
        else if (*pch == 'x')
            nCreation = CREATE_NEW;
        else
            bValid = false;
    }
    if (!bValid) {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }

    CStream* pStream = static_cast<CStream*>(malloc(sizeof(CStream)));
    if (!pStream)
        return nullptr;
    pStream->hFile = ::CreateFileA(pszPath, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                   nCreation, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (pStream->hFile == INVALID_HANDLE_VALUE) {
        free(pStream);
        return nullptr;
    }
    pStream->nUsed = 0;
    pStream->bText = bText;
    pStream->bFailed = false;
    pStream->pNext = g_pOpenStreams;
    g_pOpenStreams = pStream;
    qxcrt::g_pfnCloseOpenStreams = CloseOpenStreams;
    return reinterpret_cast<FILE*>(pStream);
}

extern "C" int fputs(const char* psz, FILE* pFile)
{
    CStream* pStream = ToStream(pFile);
    if (!pStream || !psz || pStream->bFailed)
        return EOF;
    for (; *psz; ++psz) {
        if ((*psz == '\n' && pStream->bText && !Put(pStream, '\r')) || !Put(pStream, *psz))
            return EOF;
    }
    return 0;
}

// A null stream flushes every open one.
extern "C" int fflush(FILE* pFile)
{
    bool bFlushed = true;
    for (CStream* pStream = pFile ? ToStream(pFile) : g_pOpenStreams; pStream;
         pStream = pFile ? nullptr : pStream->pNext) {
        bFlushed = Flush(pStream) && bFlushed;
    }
    return bFlushed ? 0 : EOF;
}

// Fails when the last bytes could not be written, when the stream had failed
// before, or when the system could not close the file; the stream is gone
// either way.
extern "C" int fclose(FILE* pFile)
{
    CStream* pStream = ToStream(pFile);
    if (!pStream)
        return EOF;
    bool bClosed = Flush(pStream);
    bClosed = ::CloseHandle(pStream->hFile) && bClosed;
    for (CStream** ppLink = &g_pOpenStreams; *ppLink; ppLink = &(*ppLink)->pNext) {
        if (*ppLink == pStream) {
            *ppLink = pStream->pNext;
            break;
        }
    }
    free(pStream);
    return bClosed ? 0 : EOF;
}

extern "C" int remove(const char* pszPath)
{
    return ::DeleteFileA(pszPath) ? 0 : -1;
}

// As the system moves files: it fails when the new name is taken.
extern "C" int rename(const char* pszOld, const char* pszNew)
{
    return ::MoveFileA(pszOld, pszNew) ? 0 : -1;
}
