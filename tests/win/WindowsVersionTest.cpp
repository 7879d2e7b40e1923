// The Windows version that a session's prefix is set to report, as a program
// started there sees it. Run only in the sessions of the version matrix,
// which name their version in QX_EXPECT_WINDOWS.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace {

struct WindowsVersion
{
    const char* pszName; // Wine's name for it
    DWORD nPlatformId;
    DWORD nMajor, nMinor, nBuild;
};

// One row per case, as a table (the formatter would pack them):
// clang-format off
const WindowsVersion kVersions[] = {
    {"win95", VER_PLATFORM_WIN32_WINDOWS, 4, 0, 950},
    // Wine reports the second edition of Windows 98.
    {"win98", VER_PLATFORM_WIN32_WINDOWS, 4, 10, 2222},
    {"nt40", VER_PLATFORM_WIN32_NT, 4, 0, 1381},
    {"winxp", VER_PLATFORM_WIN32_NT, 5, 1, 2600},
    // A program without a manifest that names Windows 10 is told 6.2, as on
    // Windows 10 itself; the launcher carries no manifest.
    {"win10", VER_PLATFORM_WIN32_NT, 6, 2, 9200},
};
// clang-format on

} // namespace

TEST(WindowsVersion, ProgramsSeeTheVersionTheSessionSets)
{
    const char* pszExpected = getenv("QX_EXPECT_WINDOWS");
    ASSERT_NE(pszExpected, nullptr) << "QX_EXPECT_WINDOWS names the version this session sets";
    const WindowsVersion* pWant = nullptr;
    for (const WindowsVersion& v : kVersions) {
        if (strcmp(v.pszName, pszExpected) == 0)
            pWant = &v;
    }
    ASSERT_NE(pWant, nullptr) << "unknown version " << pszExpected;

    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof(info);
    ASSERT_TRUE(GetVersionExA(&info));
    EXPECT_EQ(info.dwPlatformId, pWant->nPlatformId);
    EXPECT_EQ(info.dwMajorVersion, pWant->nMajor);
    EXPECT_EQ(info.dwMinorVersion, pWant->nMinor);
    EXPECT_EQ(info.dwBuildNumber & 0xFFFF, pWant->nBuild);

    // GetVersion packs the same: major and minor in the low word, and the top
    // bit set on the Windows 95 family, whose high word carries no build.
    const DWORD nVersion = GetVersion();
    EXPECT_EQ(LOBYTE(LOWORD(nVersion)), pWant->nMajor);
    EXPECT_EQ(HIBYTE(LOWORD(nVersion)), pWant->nMinor);
    EXPECT_EQ((nVersion & 0x80000000u) != 0, pWant->nPlatformId == VER_PLATFORM_WIN32_WINDOWS);
}
