// The backdrop picture: a packed device-independent bitmap from the resources
// turned into a logical palette and a bitmap for the screen.
#pragma once

#include <windows.h>

// Builds the logical palette of the packed bitmap whose information header is
// at pHeader, from the full colour table of its bit count (read directly after
// a 40-byte header). Always stores the entry count in *pnColors first; returns
// null when there are no entries (more than 8 bits per pixel) or when the
// working memory cannot be had. The caller deletes the palette.
HPALETTE CreateDibPalette(const BITMAPINFOHEADER* pHeader, int* pnColors);

// Selects the palette into the device context as a foreground palette and
// realises it; returns how many entries of the system palette changed.
UINT RealizeForegroundPalette(HDC hDC, HPALETTE hPalette);

// Loads bitmap resource pszName of hInstance as a bitmap compatible with the
// screen, converted through the picture's own palette, which goes to
// *phPalette (null without one, or when the resource is missing). Returns
// null when the resource is missing or the bitmap cannot be made. The caller
// deletes both with DeleteObject.
HBITMAP LoadDibResource(HINSTANCE hInstance, LPCSTR pszName, HPALETTE* phPalette);
