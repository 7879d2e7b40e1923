#include "commands/CanonicalizeCommandPath.h"

#include <cassert>

namespace {

// The pass looks each character up once in a table; only these classes are
// more than a copy. Everything else, the separator '\' included, is copied as
// it is: a '\' only folds right after a '.', and a '.' deals with the
// character after it itself.
enum CharClass : unsigned char
{
    kPlain = 0,
    kEnd,       // the terminator
    kDot,       // may start a "." or ".." segment
    kSlash,     // becomes '\'
    kForbidden, // " * < > ? |: stays, makes the path invalid
};

struct CharClasses
{
    unsigned char m_anClass[256];
};

constexpr CharClasses MakeCharClasses()
{
    CharClasses classes = {};
    classes.m_anClass[0] = kEnd;
    classes.m_anClass[static_cast<unsigned char>('.')] = kDot;
    classes.m_anClass[static_cast<unsigned char>('/')] = kSlash;
    const char kForbiddenChars[] = "\"*<>?|";
    for (const char* pch = kForbiddenChars; *pch != '\0'; ++pch)
        classes.m_anClass[static_cast<unsigned char>(*pch)] = kForbidden;
    return classes;
}

constexpr CharClasses kClasses = MakeCharClasses();

bool IsLetter(unsigned char ch)
{
    return (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z');
}

// True when the character before pch is a segment boundary: '\', ':' or the
// beginning of the whole text (prefix included).
bool FollowsBoundary(const unsigned char* pszText, const unsigned char* pch)
{
    return pch == pszText || pch[-1] == '\\' || pch[-1] == ':';
}

} // namespace

int CanonicalizeCommandPath(char* pszPath)
{
    if (pszPath == nullptr)
        return 0;

    unsigned char* const psz = reinterpret_cast<unsigned char*>(pszPath);
    bool bInvalid = false;

    // Nothing below pStart is ever removed: first the prefix, later also a
    // ".." that could not climb.
    unsigned char* pStart = psz;
    if (psz[0] != '\0') {
        if (psz[1] == ':') {
            bInvalid = !IsLetter(psz[0]);
            pStart = psz + 2;
        } else if (psz[0] == '\\' && psz[1] == '\\') {
            pStart = psz + 2;
            while (*pStart != '\0' && *pStart != '\\')
                ++pStart;
        }
    }
    if (*pStart == '\0')
        return bInvalid ? 0 : 1;

    bool bClimbed = false;
    unsigned char* pRead = pStart;
    unsigned char* pWrite = pStart;
    // Just past the last '\' read right after a '.'. Every other '\' is
    // copied as it is, so an input whose last character is a '\' that is no
    // longer in the text has it here (a final '/' does not count).
    const unsigned char* pAfterFoldedBackslash = nullptr;
    for (;;) {
        const unsigned char ch = *pRead++;
        const unsigned char nClass = kClasses.m_anClass[ch];
        if (nClass != kDot) {
            if (nClass == kEnd)
                break;
            if (nClass == kForbidden)
                bInvalid = true;
            *pWrite++ = nClass == kSlash ? '\\' : ch;
            continue;
        }

        // A '.': written, then what follows it decides.
        *pWrite++ = '.';
        const unsigned char chNext = *pRead;
        if (chNext != '\\' && chNext != '/')
            continue;
        ++pRead;
        if (chNext == '\\')
            pAfterFoldedBackslash = pRead;

        unsigned char* const pDot = pWrite - 1;
        if (pDot == psz || pDot[-1] != '.') {
            if (FollowsBoundary(psz, pDot))
                pWrite = pDot; // a "." segment: drop the dot and the separator
            else
                *pWrite++ = '\\'; // a name ending in a dot, such as "b."
            continue;
        }

        unsigned char* const pFirstDot = pDot - 1;
        if (!FollowsBoundary(psz, pFirstDot)) {
            *pWrite++ = '\\'; // a name ending in two dots, such as "b.."
            continue;
        }

        if (pFirstDot <= pStart + 1) {
            // Nothing to climb over: the ".." stays, and no later ".." may
            // remove it.
            bClimbed = true;
            pStart = pWrite;
            *pWrite++ = '\\';
            continue;
        }

        // Remove the segment before the "..": back to the '\' that ends the
        // segment before it, else back to the start limit. The search begins
        // just before the boundary that precedes the "..".
        // A blank is no boundary: a line folds as one path, as it always has ("run.bat a\..\b" is "b").
        pWrite = pStart;
        for (unsigned char* pch = pFirstDot - 1; pch > pStart;) {
            --pch;
            if (*pch == '\\') {
                pWrite = pch + 1;
                break;
            }
        }
    }

    // A text that ended in '\' keeps saying "a directory" after folding. Only
    // a fold can take a final '\' out of the text, and every fold that does
    // has removed at least the two characters appended here.
    if (pAfterFoldedBackslash == pRead - 1 && (pWrite == psz || pWrite[-1] != '\\')) {
        assert(pWrite + 2 <= pRead - 1);
        *pWrite++ = '.';
        *pWrite++ = '\\';
    }
    *pWrite = '\0';

    if (bInvalid)
        return 0;
    const bool bRooted = psz[0] == '\\' || (psz[0] != '\0' && psz[1] == ':' && psz[2] == '\\');
    return bClimbed && bRooted ? 0 : 1;
}
