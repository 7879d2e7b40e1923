// What the pieces of our small C run-time library share. A program for
// Windows 95 links this library instead of a C run-time DLL: Windows 95 ships
// no msvcrt.dll, and the loader refuses a program that imports from it.
//
// What the library gives, for one thread, with the standard declarations
// from <stdio.h>, <stdlib.h> and <string.h>:
//   - the entry point WinMainCRTStartup: static constructors, WinMain with
//     the arguments Windows gives a program, then exit(WinMain's result);
//   - exit and atexit; at exit the atexit functions (static destructors
//     among them) run last registered first, then open files are closed;
//   - fopen for writing only ("w", "wt" text mode, "wb", each with "x" to
//     fail when the file is there already), fputs, fflush, fclose, remove
//     and rename (which fails when the new name is taken, as the system's
//     move does). Text mode writes "\n" as CR LF. A stream that once
//     failed to write stays failed: every later fputs, fflush and fclose on
//     it returns EOF, so a short file is never reported as written;
//   - malloc and free on the process heap, operator delete;
//   - memcpy, memmove, memset, memcmp, strlen, strchr, strrchr, strcmp,
//     strncmp, strcpy.
#pragma once

namespace qxcrt {

// Closes every stream still open; set by the first fopen, called at exit
// after the atexit functions.
extern void (*g_pfnCloseOpenStreams)();

} // namespace qxcrt
