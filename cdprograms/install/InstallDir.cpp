#include "cdprograms/install/InstallDir.h"

#include <string.h>

namespace {

bool IsLetter(char ch)
{
    return (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z');
}

bool IsRefused(char ch)
{
    static const char kRefused[] = "<>:\"/|?*&%^;,=";
    if (static_cast<unsigned char>(ch) < 0x20)
        return true;
    for (const char* p = kRefused; *p; ++p) {
        if (*p == ch)
            return true;
    }
    return false;
}

// An MS-DOS name: one to QX_DOS_MAX_BASE_NAME characters, then at most a
// dot and one to QX_DOS_MAX_EXTENSION more; none of them a blank, a dot or one that MS-DOS names refuse.
bool IsDosName(const char* pBegin, const char* pEnd)
{
    const char* pDot = pBegin;
    while (pDot < pEnd && *pDot != '.')
        ++pDot;
    const ptrdiff_t nBase = pDot - pBegin;
    const ptrdiff_t nExtension = pDot < pEnd ? pEnd - pDot - 1 : 0;
    if (nBase < 1 || nBase > QX_DOS_MAX_BASE_NAME || nExtension > QX_DOS_MAX_EXTENSION ||
        (pDot < pEnd && nExtension == 0))
        return false;
    for (const char* p = pBegin; p < pEnd; ++p) {
        if (p != pDot && (*p == ' ' || *p == '.' || *p == '+' || *p == '[' || *p == ']'))
            return false;
    }
    return true;
}

// A name that MS-DOS and Windows keep for a device, whatever its case and
// extension; Windows drops blanks before the dot too ("CON .TXT").
bool IsDeviceName(const char* pBegin, const char* pEnd)
{
    static const char kDevices[] = "CON\0PRN\0AUX\0NUL\0COM1\0COM2\0COM3\0COM4\0LPT1\0LPT2\0LPT3\0CLOCK$\0";
    const char* pBaseEnd = pBegin;
    while (pBaseEnd < pEnd && *pBaseEnd != '.')
        ++pBaseEnd;
    while (pBaseEnd > pBegin && pBaseEnd[-1] == ' ')
        --pBaseEnd;
    for (const char* pszDevice = kDevices; pszDevice < kDevices + sizeof(kDevices) - 1;
         pszDevice += strlen(pszDevice) + 1) {
        const char* p = pBegin;
        const char* q = pszDevice;
        while (p < pBaseEnd && *q && (*p == *q || (*p >= 'a' && *p <= 'z' && *p - 'a' + 'A' == *q))) {
            ++p;
            ++q;
        }
        if (p == pBaseEnd && !*q)
            return true;
    }
    return false;
}

} // namespace

InstallDirCheck CheckInstallDir(const char* pszTyped, InstallDirRules rules)
{
    InstallDirCheck check = {};
    const char* pBegin = pszTyped ? pszTyped : "";
    while (*pBegin == ' ')
        ++pBegin;
    const char* pEnd = pBegin;
    while (*pEnd)
        ++pEnd;
    while (pEnd > pBegin && (pEnd[-1] == ' ' || pEnd[-1] == '\\'))
        --pEnd;
    const size_t nLength = static_cast<size_t>(pEnd - pBegin);

    if (nLength == 0 && *pBegin == '\0') {
        check.verdict = kInstallDirEmpty;
        return check;
    }
    // "C:\" and "C:" trim to "C:": a drive root is no folder of its own.
    if (nLength < 4 || !IsLetter(pBegin[0]) || pBegin[1] != ':' || pBegin[2] != '\\') {
        check.verdict = kInstallDirNotFull;
        return check;
    }
    if (nLength > kMaxInstallDir) {
        check.verdict = kInstallDirTooLong;
        return check;
    }
    for (const char* p = pBegin + 3; p < pEnd; ++p) {
        if (IsRefused(*p)) {
            check.verdict = kInstallDirBadChar;
            check.chBad = *p;
            return check;
        }
    }
    for (const char* p = pBegin + 3; p + 1 < pEnd; ++p) {
        if (p[0] == ' ' && p[1] == ' ') {
            check.verdict = kInstallDirTwoBlanks;
            return check;
        }
    }
    // Each part between backslashes: not empty, not "." or "..", and not
    // ending in a blank or a dot, which the file system would drop.
    const char* pPart = pBegin + 3;
    for (;;) {
        const char* pPartEnd = pPart;
        while (pPartEnd < pEnd && *pPartEnd != '\\')
            ++pPartEnd;
        if (pPartEnd == pPart || pPart[0] == ' ' || pPartEnd[-1] == ' ' || pPartEnd[-1] == '.') {
            check.verdict = kInstallDirBadName;
            return check;
        }
        if (IsDeviceName(pPart, pPartEnd)) {
            check.verdict = kInstallDirDeviceName;
            memcpy(check.szPart, pPart, static_cast<size_t>(pPartEnd - pPart));
            return check;
        }
        if (pPartEnd == pEnd)
            break;
        pPart = pPartEnd + 1;
    }
    if (rules == kDosFolderRules) {
        for (pPart = pBegin + 3; pPart < pEnd;) {
            const char* pPartEnd = pPart;
            while (pPartEnd < pEnd && *pPartEnd != '\\')
                ++pPartEnd;
            if (!IsDosName(pPart, pPartEnd)) {
                check.verdict = kInstallDirNotDosName;
                return check;
            }
            pPart = pPartEnd + 1;
        }
    }

    check.verdict = kInstallDirOk;
    for (size_t i = 0; i < nLength; ++i)
        check.szDir[i] = pBegin[i];
    check.szDir[nLength] = '\0';
    return check;
}
