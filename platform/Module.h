// The modules that the program's code and its resources come from.
#pragma once

#include <windows.h>

// The program's module: the instance handle given to the entry routine, or
// the program file's own module before that.
HINSTANCE AfxGetInstanceHandle();
void AfxSetInstanceHandle(HINSTANCE hInstance);

// Where CString::LoadString and dialog templates come from; the program's
// own module unless set.
HINSTANCE AfxGetResourceHandle();
void AfxSetResourceHandle(HINSTANCE hResource);
