// The string routines of the C library, as far as the CD's MS-DOS programs
// have them (platform/crt/String.cpp): the compiler's own headers bring
// <stddef.h>, <stdint.h> and <stdarg.h>, but no C library.
#pragma once

#include <stddef.h>

extern "C" {
void* memcpy(void* pDest, const void* pSrc, size_t n);
void* memmove(void* pDest, const void* pSrc, size_t n);
void* memset(void* pDest, int ch, size_t n);
int memcmp(const void* p1, const void* p2, size_t n);
size_t strlen(const char* psz);
char* strchr(const char* psz, int ch);
char* strrchr(const char* psz, int ch);
int strcmp(const char* psz1, const char* psz2);
int strncmp(const char* psz1, const char* psz2, size_t n);
char* strcpy(char* pszDest, const char* pszSrc);
}
