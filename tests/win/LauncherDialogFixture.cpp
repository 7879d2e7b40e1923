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

std::map<int, TemplateControl> TemplateControls()
{
    std::map<int, TemplateControl> controls;
    const CLauncherModule launcher;
    const auto dlg = CreateHiddenDialog(launcher, IDD_LAUNCHER);
    for (HWND h = dlg ? GetWindow(dlg, GW_CHILD) : nullptr; h; h = GetWindow(h, GW_HWNDNEXT))
        controls[GetDlgCtrlID(h)] = {ClientRectOfChild(dlg, h), WindowText(h)};
    return controls;
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
