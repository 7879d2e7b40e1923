// The path clean-up as first written, one character at a time, kept as the
// oracle that commands/CanonicalizeCommandPath.cpp must match byte for byte
// (the native tests and the differential fuzz target compare the two).
#include "tests/common/CanonicalizeCommandPathReference.h"

#include <cassert>
#include <cstddef>

namespace {

bool IsLetter(char ch)
{
    return (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z');
}

bool IsForbidden(char ch)
{
    switch (ch) {
    case '"':
    case '*':
    case '<':
    case '>':
    case '?':
    case '|':
        return true;
    default:
        return false;
    }
}

// True when the character just before nPos is a segment boundary: '\', ':'
// or the beginning of the whole text (prefix included).
bool FollowsBoundary(const char* psz, size_t nPos)
{
    return nPos == 0 || psz[nPos - 1] == '\\' || psz[nPos - 1] == ':';
}

} // namespace

int CanonicalizeCommandPathReference(char* pszPath)
{
    if (pszPath == nullptr)
        return 0;

    char* const psz = pszPath;
    bool bInvalid = false;

    // Nothing below nStart is ever removed: first the prefix, later also a
    // ".." that could not climb.
    size_t nStart = 0;
    if (psz[0] != '\0') {
        if (psz[1] == ':') {
            bInvalid = !IsLetter(psz[0]);
            nStart = 2;
        } else if (psz[0] == '\\' && psz[1] == '\\') {
            nStart = 2;
            while (psz[nStart] != '\0' && psz[nStart] != '\\')
                ++nStart;
        }
    }
    if (psz[nStart] == '\0')
        return bInvalid ? 0 : 1;

    bool bClimbed = false;
    size_t nRead = nStart;
    size_t nWrite = nStart;
    char chPrevRead = '\0'; // nothing read yet, whatever the prefix ends with
    char chLastInput = '\0';
    while (psz[nRead] != '\0') {
        chLastInput = psz[nRead++];
        const char ch = chLastInput == '/' ? '\\' : chLastInput;
        if (IsForbidden(ch))
            bInvalid = true;
        const bool bAfterDot = chPrevRead == '.';
        chPrevRead = ch;

        if (ch != '\\' || !bAfterDot) {
            psz[nWrite++] = ch;
            continue;
        }

        // A separator right after a '.', and that '.' is the last character
        // written (a '.' is always written).
        const size_t nDot = nWrite - 1;
        if (nDot == 0 || psz[nDot - 1] != '.') {
            if (FollowsBoundary(psz, nDot))
                --nWrite; // a "." segment: drop the dot and this separator
            else
                psz[nWrite++] = ch; // a name ending in a dot, such as "b."
            continue;
        }

        const size_t nFirstDot = nDot - 1;
        if (!FollowsBoundary(psz, nFirstDot)) {
            psz[nWrite++] = ch; // a name ending in two dots, such as "b.."
            continue;
        }

        if (nFirstDot <= nStart + 1) {
            // Nothing to climb over: the ".." stays, and no later ".." may
            // remove it.
            bClimbed = true;
            nStart = nWrite;
            psz[nWrite++] = ch;
            continue;
        }

        // Remove the segment before the "..": back to the '\' that ends the
        // segment before it, else back to the start limit. The search begins
        // just before the boundary that precedes the "..".
        // A blank is no boundary: a line folds as one path, as it always has ("run.bat a\..\b" is "b").
        nWrite = nStart;
        for (size_t nPos = nFirstDot - 1; nPos > nStart;) {
            --nPos;
            if (psz[nPos] == '\\') {
                nWrite = nPos + 1;
                break;
            }
        }
    }

    // A text that ended in '\' keeps saying "a directory" after folding. Every
    // fold that swallows the final separator has removed at least the two
    // characters appended here.
    if (chLastInput == '\\' && (nWrite == 0 || psz[nWrite - 1] != '\\')) {
        assert(nWrite + 2 <= nRead);
        psz[nWrite++] = '.';
        psz[nWrite++] = '\\';
    }
    psz[nWrite] = '\0';

    if (bInvalid)
        return 0;
    const bool bRooted = psz[0] == '\\' || (psz[0] != '\0' && psz[1] == ':' && psz[2] == '\\');
    return bClimbed && bRooted ? 0 : 1;
}
