// The display that a session's prefix and X server are set to give, as a
// program started there sees it. Run only in the display sessions, which
// name their settings in QX_EXPECT_DPI, QX_EXPECT_DESKTOP and QX_EXPECT_DEPTH,
// so that the launcher window's tests there cannot pass at 96 dots per inch
// on a true-colour screen by mistake.
#include "platform/GdiHandles.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

TEST(DisplaySettings, ProgramsSeeTheDisplayTheSessionSets)
{
    const char* pszDpi = getenv("QX_EXPECT_DPI");
    const char* pszDesktop = getenv("QX_EXPECT_DESKTOP");
    const char* pszDepth = getenv("QX_EXPECT_DEPTH");
    ASSERT_TRUE(pszDpi || pszDesktop || pszDepth) << "a display session names what it sets";

    CClientDC screen(nullptr);
    ASSERT_NE(screen, nullptr);
    if (pszDpi) {
        EXPECT_EQ(GetDeviceCaps(screen, LOGPIXELSX), atoi(pszDpi));
        EXPECT_EQ(GetDeviceCaps(screen, LOGPIXELSY), atoi(pszDpi));
    }
    if (pszDesktop) {
        int cx = 0, cy = 0;
        ASSERT_EQ(sscanf(pszDesktop, "%dx%d", &cx, &cy), 2) << pszDesktop;
        EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), cx);
        EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), cy);
    }
    if (pszDepth) {
        const int nDepth = atoi(pszDepth);
        EXPECT_EQ(GetDeviceCaps(screen, BITSPIXEL) * GetDeviceCaps(screen, PLANES), nDepth);
        EXPECT_EQ((GetDeviceCaps(screen, RASTERCAPS) & RC_PALETTE) != 0, nDepth <= 8);
    }
}
