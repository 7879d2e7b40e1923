// The launcher window at the display settings of the time: on a screen of
// 640 by 480, 800 by 600 or 1024 by 768 pixels (one session each, which
// names it in QX_EXPECT_DESKTOP), at 96, 120 and 144 dots per inch, which
// one test each sets. The window must fit the work area, and a click of the X
// server's mouse on each button must reach that button.
#include "LauncherDialogFixture.h"
#include "TestSupport.h"
#include "res/resource.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <string>

using namespace qxtest;

namespace {

// Sets the display's dots per inch for the programs started from now on
// (Wine reads the setting when a program starts, as Windows 95 does after the
// restart that the setting asks for); the old setting comes back when the
// object goes.
class ScopedDpi
{
public:
    explicit ScopedDpi(DWORD nDpi)
    {
        if (RegCreateKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, nullptr, 0,
                            KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &m_hKey, nullptr) != ERROR_SUCCESS) {
            m_hKey = nullptr;
            return;
        }
        DWORD nSize = sizeof(m_nOld);
        m_bHadOld = RegQueryValueExA(m_hKey, kValue, nullptr, nullptr, reinterpret_cast<BYTE*>(&m_nOld),
                                     &nSize) == ERROR_SUCCESS;
        m_bSet = RegSetValueExA(m_hKey, kValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&nDpi),
                                sizeof(nDpi)) == ERROR_SUCCESS;
    }
    ~ScopedDpi()
    {
        if (!m_hKey)
            return;
        if (m_bHadOld)
            RegSetValueExA(m_hKey, kValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&m_nOld),
                           sizeof(m_nOld));
        else
            RegDeleteValueA(m_hKey, kValue);
        RegCloseKey(m_hKey);
    }
    ScopedDpi(const ScopedDpi&) = delete;
    ScopedDpi& operator=(const ScopedDpi&) = delete;

    bool IsSet() const { return m_bSet; }

private:
    static constexpr const char* kValue = "LogPixels";
    HKEY m_hKey = nullptr;
    DWORD m_nOld = 0;
    bool m_bHadOld = false;
    bool m_bSet = false;
};

// Whether a program started now sees nDpi and the session's desktop: this
// program's own display test, run in a new process.
bool NewProgramsSee(int nDpi)
{
    SetEnvironmentVariableA("QX_EXPECT_DPI", std::to_string(nDpi).c_str());
    Process probe;
    const bool bStarted =
        probe.Start("\"" + ProgramPath() +
                    "\" --gtest_brief=1 --gtest_filter=DisplaySettings.ProgramsSeeTheDisplayTheSessionSets");
    SetEnvironmentVariableA("QX_EXPECT_DPI", nullptr);
    DWORD nExitCode = 1;
    return bStarted && probe.WaitForExit(&nExitCode, 30000) && nExitCode == 0;
}

// Presses the left mouse button at pt (screen coordinates) through the X
// server, as a person's mouse does. Wine's desktop is an X window, found by
// its name; the screen's coordinates start at its corner.
bool ClickThroughX(POINT pt)
{
    return StartShell("d=$(xwininfo -root -tree | grep -m1 'Wine desktop' | grep -oE '[+][0-9]+[+][0-9]+' | "
                      "head -n1); d=${d#+}; xdotool mousemove $((${d%+*} + " +
                      std::to_string(pt.x) + ")) $((${d#*+} + " + std::to_string(pt.y) + ")) click 1");
}

bool Contains(const RECT& rcOuter, const RECT& rcInner)
{
    return rcInner.left >= rcOuter.left && rcInner.top >= rcOuter.top && rcInner.right <= rcOuter.right &&
           rcInner.bottom <= rcOuter.bottom;
}

// How far, in pixels, an edge of a button may be from its template place
// scaled to the client area: one for the rounding of dialog units, one for
// the shrinking, one to spare.
const int kProportionTolerance = 3;

class LauncherWindowFit : public LauncherDialog
{
protected:
    // Clicks button nId through the X server and waits for what it does.
    void ClickAndSeeItAnswer(int nId)
    {
        RECT rc;
        GetWindowRect(GetDlgItem(m_hDlg, nId), &rc);
        ASSERT_TRUE(ClickThroughX({(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2}));
        switch (nId) {
        case IDOK:
        case IDC_CONFIGURE: {
            HWND hBox = WaitForLauncherMessageBox();
            ASSERT_NE(hBox, nullptr) << "the click brought no warning";
            PostMessageA(hBox, WM_COMMAND, IDCANCEL, 0);
            ASSERT_TRUE(WaitFor([&] { return NoMessageBox(); }));
            break;
        }
        case IDC_VIEW_README:
            ASSERT_TRUE(WaitFor([] { return !NotepadWindows().empty(); })) << "the click opened no read-me";
            CloseNotepads();
            break;
        default: {
            DWORD nExitCode = 1;
            ASSERT_TRUE(WaitForEnd(&nExitCode)) << "the click did not end the launcher";
            break;
        }
        }
    }

    // At nDpi, installed and not: the window fits the work area, its buttons
    // keep their template places in proportion, and a click on each one reaches
    // it. One test per setting, since each starts the launcher about eight times.
    void CheckFitAt(int nDpi)
    {
        const char* pszDesktop = getenv("QX_EXPECT_DESKTOP");
        ASSERT_NE(pszDesktop, nullptr) << "a session of one screen size runs this test";
        // The template as this program lays it out, at the session's 96 dots per
        // inch: the picture's 600 by 400 pixels.
        const TemplateLayout layout = LayOutTemplate();
        ASSERT_EQ(layout.controls.size(), 5u);
        RECT rcWork;
        ASSERT_TRUE(SystemParametersInfoA(SPI_GETWORKAREA, 0, &rcWork, 0));

        const ScopedDpi dpi(nDpi);
        ASSERT_TRUE(dpi.IsSet());
        ASSERT_TRUE(NewProgramsSee(nDpi)) << nDpi << " dots per inch on " << pszDesktop;
        for (bool bInstalled : {true, false}) {
            SCOPED_TRACE(testing::Message() << nDpi << " dots per inch on " << pszDesktop << ", "
                                            << (bInstalled ? "installed" : "not installed"));
            ASSERT_TRUE(Start(bInstalled));
            RECT rcWindow, rcClient;
            GetWindowRect(m_hDlg, &rcWindow);
            GetClientRect(m_hDlg, &rcClient);
            EXPECT_TRUE(Contains(rcWork, rcWindow))
                << "window " << RectText(rcWindow) << ", work area " << RectText(rcWork);
            // The template fits every one of these screens at 96: nothing changes.
            if (nDpi == 96) {
                EXPECT_EQ(RectText(rcClient), RectText(layout.rcClient));
            }

            for (int nId : {IDOK, IDC_CONFIGURE, IDC_VIEW_README, IDCANCEL}) {
                HWND hButton = GetDlgItem(m_hDlg, nId);
                if (!IsWindowVisible(hButton))
                    continue;
                SCOPED_TRACE(testing::Message() << "button " << nId);
                // In proportion: its template place, scaled to the client area.
                const RECT& rcTemplate =
                    layout.controls.at(nId == IDOK && !bInstalled ? IDC_CONFIGURE : nId).rc;
                const RECT rc = ClientRectOfChild(m_hDlg, hButton);
                const RECT rcScaled = {MulDiv(rcTemplate.left, rcClient.right, layout.rcClient.right),
                                       MulDiv(rcTemplate.top, rcClient.bottom, layout.rcClient.bottom),
                                       MulDiv(rcTemplate.right, rcClient.right, layout.rcClient.right),
                                       MulDiv(rcTemplate.bottom, rcClient.bottom, layout.rcClient.bottom)};
                EXPECT_LE(abs(rc.left - rcScaled.left), kProportionTolerance) << RectText(rc);
                EXPECT_LE(abs(rc.top - rcScaled.top), kProportionTolerance) << RectText(rc);
                EXPECT_LE(abs(rc.right - rcScaled.right), kProportionTolerance) << RectText(rc);
                EXPECT_LE(abs(rc.bottom - rcScaled.bottom), kProportionTolerance) << RectText(rc);

                RECT rcScreen;
                GetWindowRect(hButton, &rcScreen);
                EXPECT_TRUE(Contains(rcWork, rcScreen))
                    << "button " << RectText(rcScreen) << ", work area " << RectText(rcWork);
                const POINT centre = {(rcScreen.left + rcScreen.right) / 2,
                                      (rcScreen.top + rcScreen.bottom) / 2};
                ASSERT_EQ(WindowFromPoint(centre), hButton) << "the button's middle cannot be seen";
                ClickAndSeeItAnswer(nId);
                if (HasFatalFailure())
                    return;
            }
        }
    }
};

} // namespace

TEST_F(LauncherWindowFit, At96DotsPerInchTheWindowFitsAndEveryButtonTakesARealClick)
{
    CheckFitAt(96);
}

TEST_F(LauncherWindowFit, At120DotsPerInchTheWindowFitsAndEveryButtonTakesARealClick)
{
    CheckFitAt(120);
}

TEST_F(LauncherWindowFit, At144DotsPerInchTheWindowFitsAndEveryButtonTakesARealClick)
{
    CheckFitAt(144);
}
