// The backdrop picture: a packed device-independent bitmap from the resources
// turned into a logical palette and a bitmap for the screen, at its own size
// or scaled to a window that the display's font setting changed.
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

// TRUE when the screen has the default 96 dots per inch, the setting that
// lays dialog template 102 out at exactly the picture's size.
BOOL IsScreenAtDefaultDpi();

// TRUE when the display shows its colours through a palette (see
// IsPaletteDevice): a picture scaled for it keeps to its own colour table.
BOOL IsPaletteDisplay(HDC hDC);

// Loads bitmap resource pszName of hInstance scaled to cx by cy pixels, as a
// bitmap compatible with the screen, converted through hPalette (the
// picture's own palette; null without one). On a true-colour display each
// pixel is the average of the part of the picture it covers; on a palette
// display it takes the colour-table index of the picture's pixel under its
// centre, so only the picture's own colours show. Returns null when the
// resource is missing, the picture or the size is one the scalers refuse, or
// the memory or the bitmap cannot be had. The caller deletes the bitmap.
HBITMAP LoadScaledDibResource(HINSTANCE hInstance, LPCSTR pszName, HPALETTE hPalette, int cx, int cy);
