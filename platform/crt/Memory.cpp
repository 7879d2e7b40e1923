// The heap of a program linked without a C run-time library.
#include <stddef.h>
#include <stdlib.h>
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
