#include "cdprograms/install/MarkerRead.h"

#include "res/CdContract.h"

namespace {

const char kKeyword[] = QX_MARKER_KEYWORD;

char LowerAscii(char ch)
{
    return ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch - 'A' + 'a') : ch;
}

bool IsBlank(char ch)
{
    return ch == ' ' || ch == '\t';
}

bool IsPathCharacter(char ch)
{
    const unsigned char b = static_cast<unsigned char>(ch);
    return b >= 0x20 && ch != '*' && ch != '?' && ch != '"' && ch != '<' && ch != '>' && ch != '|';
}

} // namespace

bool ReadMarker(const char* pText, size_t nLength, char (&szDir)[kMaxMarkerWindowsDir + 1])
{
    szDir[0] = '\0';
    const char* p = pText;
    const char* const pEnd = pText + nLength;
    for (const char* pKeyword = kKeyword; *pKeyword; ++pKeyword, ++p) {
        if (p == pEnd || LowerAscii(*p) != *pKeyword)
            return false;
    }
    if (p == pEnd || !IsBlank(*p))
        return false;
    while (p != pEnd && IsBlank(*p))
        ++p;

    const char* const pDir = p;
    while (p != pEnd && *p != '\r' && *p != '\n')
        ++p;
    // Blanks after the directory do not count, and neither do backslashes:
    // "C:\WINDOWS\" names the same folder as "C:\WINDOWS".
    const char* pDirEnd = p;
    while (pDirEnd > pDir && (IsBlank(pDirEnd[-1]) || pDirEnd[-1] == '\\'))
        --pDirEnd;
    const size_t nDir = static_cast<size_t>(pDirEnd - pDir);
    // A folder below a drive's root, "C:\WINDOWS": Windows is never the root.
    if (nDir < 4 || nDir > kMaxMarkerWindowsDir || LowerAscii(pDir[0]) < 'a' || LowerAscii(pDir[0]) > 'z' ||
        pDir[1] != ':' || pDir[2] != '\\')
        return false;
    for (const char* q = pDir; q != pDirEnd; ++q) {
        if (!IsPathCharacter(*q))
            return false;
    }

    // After the line: line ends, blanks, and the end-of-file mark only.
    for (; p != pEnd; ++p) {
        if (*p != '\r' && *p != '\n' && !IsBlank(*p) && *p != '\x1A')
            return false;
    }
    for (size_t i = 0; i < nDir; ++i)
        szDir[i] = pDir[i];
    szDir[nDir] = '\0';
    return true;
}
