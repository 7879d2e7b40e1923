#include "LauncherDialogFixture.h"

namespace qxtest {

const char kGameDir[] = "c:\\qxtest_game";

RECT ClientRectOfChild(HWND hDlg, HWND hChild)
{
    RECT rc;
    GetWindowRect(hChild, &rc);
    MapWindowPoints(nullptr, hDlg, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

std::string RectText(const RECT& rc)
{
    return std::to_string(rc.left) + "," + std::to_string(rc.top) + "-" + std::to_string(rc.right) + "," +
           std::to_string(rc.bottom);
}

TemplateLayout LayOutTemplate()
{
    TemplateLayout layout = {};
    const CLauncherModule launcher;
    const auto dlg = CreateHiddenDialog(launcher, IDD_LAUNCHER);
    RECT rcWindow = {};
    if (dlg) {
        GetWindowRect(dlg, &rcWindow);
        GetClientRect(dlg, &layout.rcClient);
    }
    layout.window = {rcWindow.right - rcWindow.left, rcWindow.bottom - rcWindow.top};
    for (HWND h = dlg ? GetWindow(dlg, GW_CHILD) : nullptr; h; h = GetWindow(h, GW_HWNDNEXT))
        layout.controls[GetDlgCtrlID(h)] = {ClientRectOfChild(dlg, h), WindowText(h)};
    return layout;
}

RECT PlaceInWindow(const TemplateLayout& layout, const RECT& rc, HWND hDlg, const RECT& rcWork)
{
    RECT rcWindow, rcClient;
    GetWindowRect(hDlg, &rcWindow);
    GetClientRect(hDlg, &rcClient);
    int nNumerator = rcClient.right, nDenominator = layout.rcClient.right;
    if (rcWindow.right - rcWindow.left != rcWork.right - rcWork.left) {
        nNumerator = rcClient.bottom;
        nDenominator = layout.rcClient.bottom;
    }
    return {MulDiv(rc.left, nNumerator, nDenominator), MulDiv(rc.top, nNumerator, nDenominator),
            MulDiv(rc.right, nNumerator, nDenominator), MulDiv(rc.bottom, nNumerator, nDenominator)};
}

namespace {

BOOL CALLBACK CollectNotepad(HWND h, LPARAM lParam)
{
    if (IsWindowVisible(h) && ClassName(h) == "Notepad")
        reinterpret_cast<std::vector<HWND>*>(lParam)->push_back(h);
    return TRUE;
}

} // namespace

std::vector<HWND> NotepadWindows()
{
    std::vector<HWND> found;
    EnumWindows(CollectNotepad, reinterpret_cast<LPARAM>(&found));
    return found;
}

void CloseNotepads()
{
    for (HWND h : NotepadWindows())
        PostMessageA(h, WM_CLOSE, 0, 0);
    WaitFor([] { return NotepadWindows().empty(); });
}

} // namespace qxtest
