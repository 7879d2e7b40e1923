// What portable code shares with the Win32 side without <windows.h>: the
// same BOOL that the system headers declare.
#pragma once

typedef int BOOL;
#ifndef FALSE
#define FALSE 0
#endif
#ifndef TRUE
#define TRUE 1
#endif
