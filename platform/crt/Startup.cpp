// The entry point and the exit path of a program linked without a C run-time
// library.
#include "platform/crt/Crt.h"

#include <stdlib.h>
#include <windows.h>

// Laid out by the linker: -1, the constructors (or destructors) in link
// order, then a null pointer.
extern "C" void (*__CTOR_LIST__[])();
extern "C" void (*__DTOR_LIST__[])();

namespace qxcrt {
void (*g_pfnCloseOpenStreams)() = nullptr;
}

namespace {

// The C standard asks for room for 32 functions; each static object with a
// destructor takes one.
constexpr int kMaxAtExit = 32;
void (*g_apfnAtExit[kMaxAtExit])();
int g_nAtExit = 0;

void RunStaticConstructors()
{
    // Last entry first, as libgcc does: the linker sorts prioritised
    // constructors so that this order runs the lowest priority number first.
    int n = 0;
    while (__CTOR_LIST__[n + 1])
        ++n;
    for (; n > 0; --n)
        __CTOR_LIST__[n]();
}

// The command line after the program's name and the blanks behind it, as the
// system's C run-time hands it to WinMain.
char* SkipProgramName(char* pszCommandLine)
{
    unsigned char* p = reinterpret_cast<unsigned char*>(pszCommandLine);
    if (*p == '"') {
        ++p;
        while (*p && *p != '"')
            ++p;
        if (*p == '"')
            ++p;
    } else {
        while (*p > ' ')
            ++p;
    }
    while (*p && *p <= ' ')
        ++p;
    return reinterpret_cast<char*>(p);
}

} // namespace

extern "C" int atexit(void (*pfn)())
{
    if (!pfn || g_nAtExit == kMaxAtExit)
        return -1;
    g_apfnAtExit[g_nAtExit++] = pfn;
    return 0;
}

extern "C" void exit(int nCode)
{
    // A function may register another while exit runs; that one runs too.
    while (g_nAtExit > 0)
        g_apfnAtExit[--g_nAtExit]();
    for (void (**ppfn)() = __DTOR_LIST__ + 1; *ppfn; ++ppfn)
        (*ppfn)();
    if (qxcrt::g_pfnCloseOpenStreams)
        qxcrt::g_pfnCloseOpenStreams();
    ::ExitProcess(static_cast<UINT>(nCode));
}

// The loader calls the entry point without arguments; the stack it gives may
// be aligned to four bytes only.
extern "C" __attribute__((force_align_arg_pointer, noreturn)) void WinMainCRTStartup()
{
    RunStaticConstructors();

    STARTUPINFOA si;
    ::GetStartupInfoA(&si);
    const int nCmdShow = (si.dwFlags & STARTF_USESHOWWINDOW) ? si.wShowWindow : SW_SHOWDEFAULT;
    exit(WinMain(::GetModuleHandleA(nullptr), nullptr, SkipProgramName(::GetCommandLineA()), nCmdShow));
}
