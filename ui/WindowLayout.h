// The arithmetic of the launcher window's geometry, apart from the system
// calls that use it.
#pragma once

// Where an icon of extent nIcon goes to sit centred in an extent of nClient:
// (nClient - nIcon + 1) / 2, truncated toward zero, so it may be negative.
int GetCenteredIconOffset(int nClient, int nIcon);

// How much a window whose template, laid out at the display's setting, is
// larger than the work area shrinks: one scale for both sides, so that the
// controls keep their places over the picture. Equal terms: it stays as it is.
struct FitScale
{
    int nNumerator;
    int nDenominator;
};

// The scale that makes a client area of cxClient by cyClient pixels fit a
// room of cxRoom by cyRoom pixels (the work area less the window's frame):
// the room over the client area on the tighter side, or 1 when it fits.
// Extents count as at least 1 pixel. Scaled to the nearest pixel, the client
// area fills its room on the tighter side and stays within it on the other.
FitScale GetFitScale(int cxClient, int cyClient, int cxRoom, int cyRoom);
