// The arithmetic of the launcher window's geometry, apart from the system
// calls that use it.
#pragma once

// Where an icon of extent nIcon goes to sit centred in an extent of nClient:
// (nClient - nIcon + 1) / 2, truncated toward zero, so it may be negative.
int GetCenteredIconOffset(int nClient, int nIcon);
