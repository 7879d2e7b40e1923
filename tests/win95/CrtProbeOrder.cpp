// Static objects with a priority, in a file of their own: they must be
// constructed before the other file's objects and destroyed after them.
#include "CrtProbe.h"

#include <string.h>
#include <windows.h>

namespace {

char g_achLog[1024];
size_t g_nLog = 0;

// Constructed first of all and so destroyed last: writes the log after every
// other exit step that the log records.
class CLogWriter
{
public:
    CLogWriter() = default;
    ~CLogWriter()
    {
        HANDLE hFile = CreateFileA(QX_PROBE_LOG_PATH, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
        if (hFile == INVALID_HANDLE_VALUE)
            return;
        DWORD nWritten;
        WriteFile(hFile, g_achLog, static_cast<DWORD>(g_nLog), &nWritten, nullptr);
        CloseHandle(hFile);
    }
};

__attribute__((init_priority(101))) CLogWriter g_logWriter;
__attribute__((init_priority(1000))) CLoggedObject g_early("early");

} // namespace

void LogEvent(const char* psz)
{
    const size_t nLen = strlen(psz);
    if (g_nLog + nLen + 1 > sizeof(g_achLog))
        return;
    memcpy(g_achLog + g_nLog, psz, nLen);
    g_nLog += nLen;
    g_achLog[g_nLog++] = ' ';
}

CLoggedObject::CLoggedObject(const char* pszName) : m_pszName(pszName)
{
    LogEvent(pszName);
}

CLoggedObject::~CLoggedObject()
{
    char szEvent[32] = "~";
    strcpy(szEvent + 1, m_pszName);
    LogEvent(szEvent);
}
