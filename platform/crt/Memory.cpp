// The heap and the memory and string routines of a program linked without a
// C run-time library; the compiler also emits calls to the mem* routines on
// its own. This file is built with -fno-builtin and
// -fno-tree-loop-distribute-patterns, or the loops below would be turned into
// calls to the very functions they implement.
#include <stddef.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

extern "C" void* malloc(size_t nSize)
{
    return ::HeapAlloc(::GetProcessHeap(), 0, nSize);
}

extern "C" void free(void* p)
{
    if (p)
        ::HeapFree(::GetProcessHeap(), 0, p);
}

// Deleting destructors refer to these; the programs never call new.
void operator delete(void* p) noexcept
{
    free(p);
}

void operator delete(void* p, size_t) noexcept
{
    free(p);
}

extern "C" void* memcpy(void* pDest, const void* pSrc, size_t n)
{
    char* pchDest = static_cast<char*>(pDest);
    const char* pchSrc = static_cast<const char*>(pSrc);
    while (n--)
        *pchDest++ = *pchSrc++;
    return pDest;
}

extern "C" void* memmove(void* pDest, const void* pSrc, size_t n)
{
    char* pchDest = static_cast<char*>(pDest);
    const char* pchSrc = static_cast<const char*>(pSrc);
    if (pchDest <= pchSrc || pchDest >= pchSrc + n)
        return memcpy(pDest, pSrc, n);
    while (n--)
        pchDest[n] = pchSrc[n];
    return pDest;
}

extern "C" void* memset(void* pDest, int ch, size_t n)
{
    unsigned char* pb = static_cast<unsigned char*>(pDest);
    while (n--)
        *pb++ = static_cast<unsigned char>(ch);
    return pDest;
}

extern "C" int memcmp(const void* p1, const void* p2, size_t n)
{
    const unsigned char* pb1 = static_cast<const unsigned char*>(p1);
    const unsigned char* pb2 = static_cast<const unsigned char*>(p2);
    for (; n; --n, ++pb1, ++pb2) {
        if (*pb1 != *pb2)
            return *pb1 < *pb2 ? -1 : 1;
    }
    return 0;
}

extern "C" size_t strlen(const char* psz)
{
    const char* p = psz;
    while (*p)
        ++p;
    return static_cast<size_t>(p - psz);
}

// The terminating null counts as part of the string: strchr(s, 0) finds it.
extern "C" char* strchr(const char* psz, int ch)
{
    const char c = static_cast<char>(ch);
    for (;; ++psz) {
        if (*psz == c)
            return const_cast<char*>(psz);
        if (!*psz)
            return nullptr;
    }
}

extern "C" char* strrchr(const char* psz, int ch)
{
    const char c = static_cast<char>(ch);
    const char* pLast = nullptr;
    for (;; ++psz) {
        if (*psz == c)
            pLast = psz;
        if (!*psz)
            return const_cast<char*>(pLast);
    }
}

// No program calls strcmp, strncmp or strcpy today. They stay for the CD's
// programs, which may take them instead of KERNEL32's lstr* routines, and
// cost nothing where unused: each is a section of its own, which the link
// drops.
extern "C" int strcmp(const char* psz1, const char* psz2)
{
    return strncmp(psz1, psz2, static_cast<size_t>(-1));
}

// Characters compare as unsigned, as memcmp's bytes do.
extern "C" int strncmp(const char* psz1, const char* psz2, size_t n)
{
    for (; n; --n, ++psz1, ++psz2) {
        const unsigned char ch1 = static_cast<unsigned char>(*psz1);
        const unsigned char ch2 = static_cast<unsigned char>(*psz2);
        if (ch1 != ch2)
            return ch1 < ch2 ? -1 : 1;
        if (!ch1)
            break;
    }
    return 0;
}

extern "C" char* strcpy(char* pszDest, const char* pszSrc)
{
    char* p = pszDest;
    while ((*p++ = *pszSrc++) != '\0') {
    }
    return pszDest;
}
