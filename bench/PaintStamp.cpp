// Linked into the benchmark builds of the launcher and of the baseline, never
// into a shipped program: the sources of both stay as they are. Before the
// program's own code runs, a static object hooks window creation on the main
// thread, and the first dialog of the program's own module gets a window
// procedure that passes every message on and then watches for the end of the
// first complete paint: the dialog's first WM_PAINT, and the buttons' paints
// that are due after it, drawn at once. At that moment it writes one line to
// standard output:
//
//   qxbench paint_end=QPC freq=F client=X,Y,W,H phases=A,B,C,D,E
//           [gdi_before=N gdi_after=N gdi_types_before=T:N,...
//           gdi_types_after=... repaints=N repaint_ticks=T]
//
// QPC is the performance counter (under Wine, CLOCK_MONOTONIC_RAW in ticks of
// F per second), X and Y the client area's origin on the Wine desktop. The
// phases are the counter at five earlier moments: the program's static
// initialisation (its own code begins), the dialog window's creation, the end
// of WM_INITDIALOG, and the start and end of the dialog's first WM_PAINT. With
// QX_BENCH_REPAINTS above zero it then repaints the dialog that many times,
// each a synchronous WM_PAINT of the dialog alone, and reports their time and
// the live GDI objects before and after. Either way it then ends the dialog
// as the Quit button would.
#include <windows.h>

#ifndef QX_BENCH_REPAINTS
#define QX_BENCH_REPAINTS 0
#endif

namespace {

HHOOK g_hCreateHook;
HWND g_hDialog;
WNDPROC g_pfnDialogProc;
bool g_bStamped;

enum Phase
{
    kPhaseInit,
    kPhaseCreate,
    kPhaseInitDialogEnd,
    kPhasePaintStart,
    kPhasePaintEnd,
    kPhaseCount
};
LONGLONG g_anPhase[kPhaseCount];

void MarkPhase(Phase nPhase)
{
    LARGE_INTEGER nNow;
    ::QueryPerformanceCounter(&nNow);
    g_anPhase[nPhase] = nNow.QuadPart;
}

// Output without the C run-time, which the programs may not link.
class CLine
{
public:
    CLine() : m_nLength(0) {}

    CLine& Text(const char* psz)
    {
        while (*psz != '\0' && m_nLength < sizeof(m_szText))
            m_szText[m_nLength++] = *psz++;
        return *this;
    }

    CLine& Number(unsigned long long nValue)
    {
        char szDigits[24];
        int nDigits = 0;
        do {
            szDigits[nDigits++] = static_cast<char>('0' + nValue % 10);
            nValue /= 10;
        } while (nValue != 0);
        while (nDigits > 0 && m_nLength < sizeof(m_szText))
            m_szText[m_nLength++] = szDigits[--nDigits];
        return *this;
    }

    CLine& Signed(long nValue)
    {
        if (nValue < 0) {
            Text("-");
            return Number(static_cast<unsigned long long>(-static_cast<long long>(nValue)));
        }
        return Number(static_cast<unsigned long long>(nValue));
    }

    void Write()
    {
        Text("\n");
        DWORD nWritten = 0;
        ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), m_szText, m_nLength, &nWritten, nullptr);
    }

private:
    char m_szText[1024];
    DWORD m_nLength;
};

// Live GDI objects of this process, by type (OBJ_PEN 1 to OBJ_COLORSPACE 14).
// Wine's GetGuiResources is a stub that returns 0. Wine's GDI handles are an
// index into the process's handle table in their low word and a generation
// count in the high word, and a handle whose high word is zero matches
// whatever generation the slot holds; so asking GetObjectType about every
// low-word value finds every live object (stock objects included). On
// Windows the generation is checked, and the count would be zero.
const int kObjectTypes = 15;

int CountGdiObjects(int (&anByType)[kObjectTypes])
{
    int nTotal = 0;
    for (int& n : anByType)
        n = 0;
    for (UINT_PTR nSlot = 1; nSlot < 0x10000; ++nSlot) {
        const DWORD nType = ::GetObjectType(reinterpret_cast<HGDIOBJ>(nSlot));
        if (nType == 0)
            continue;
        ++nTotal;
        if (nType < static_cast<DWORD>(kObjectTypes))
            ++anByType[nType];
    }
    return nTotal;
}

void WriteCounts(CLine& line, const char* pszName, const int (&anByType)[kObjectTypes])
{
    line.Text(" ").Text(pszName).Text("=");
    bool bFirst = true;
    for (int nType = 1; nType < kObjectTypes; ++nType) {
        if (anByType[nType] == 0)
            continue;
        if (!bFirst)
            line.Text(",");
        line.Number(static_cast<unsigned>(nType)).Text(":").Number(static_cast<unsigned>(anByType[nType]));
        bFirst = false;
    }
}

void StampFirstPaint(HWND hWnd)
{
    // The buttons' paints are due next; draw them now so that the stamp
    // marks the whole window drawn.
    ::RedrawWindow(hWnd, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    LARGE_INTEGER nPaintEnd, nFrequency;
    ::QueryPerformanceCounter(&nPaintEnd);
    ::QueryPerformanceFrequency(&nFrequency);

    POINT ptOrigin = {0, 0};
    ::ClientToScreen(hWnd, &ptOrigin);
    RECT rcClient;
    ::GetClientRect(hWnd, &rcClient);

    CLine line;
    line.Text("qxbench paint_end=").Number(static_cast<unsigned long long>(nPaintEnd.QuadPart));
    line.Text(" freq=").Number(static_cast<unsigned long long>(nFrequency.QuadPart));
    line.Text(" client=").Signed(ptOrigin.x).Text(",").Signed(ptOrigin.y);
    line.Text(",").Signed(rcClient.right).Text(",").Signed(rcClient.bottom);
    line.Text(" phases=");
    for (int nPhase = 0; nPhase < kPhaseCount; ++nPhase)
        line.Text(nPhase == 0 ? "" : ",").Number(static_cast<unsigned long long>(g_anPhase[nPhase]));

    if (QX_BENCH_REPAINTS > 0) {
        int anBefore[kObjectTypes], anAfter[kObjectTypes];
        const int nBefore = CountGdiObjects(anBefore);
        LARGE_INTEGER nStart, nEnd;
        ::QueryPerformanceCounter(&nStart);
        for (int n = 0; n < QX_BENCH_REPAINTS; ++n)
            ::RedrawWindow(hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_NOCHILDREN);
        ::QueryPerformanceCounter(&nEnd);
        const int nAfter = CountGdiObjects(anAfter);
        line.Text(" gdi_before=").Number(static_cast<unsigned>(nBefore));
        line.Text(" gdi_after=").Number(static_cast<unsigned>(nAfter));
        WriteCounts(line, "gdi_types_before", anBefore);
        WriteCounts(line, "gdi_types_after", anAfter);
        line.Text(" repaints=").Number(QX_BENCH_REPAINTS);
        line.Text(" repaint_ticks=").Number(static_cast<unsigned long long>(nEnd.QuadPart - nStart.QuadPart));
    }
    line.Write();
    ::PostMessageA(hWnd, WM_COMMAND, IDCANCEL, 0);
}

LRESULT CALLBACK StampingDialogProc(HWND hWnd, UINT nMessage, WPARAM wParam, LPARAM lParam)
{
    const bool bFirstPaint = nMessage == WM_PAINT && !g_bStamped && !::IsIconic(hWnd);
    if (bFirstPaint)
        MarkPhase(kPhasePaintStart);
    const LRESULT lResult = ::CallWindowProcA(g_pfnDialogProc, hWnd, nMessage, wParam, lParam);
    if (nMessage == WM_INITDIALOG)
        MarkPhase(kPhaseInitDialogEnd);
    if (bFirstPaint) {
        MarkPhase(kPhasePaintEnd);
        g_bStamped = true;
        StampFirstPaint(hWnd);
    }
    return lResult;
}

LRESULT CALLBACK CreateHook(int nCode, WPARAM wParam, LPARAM lParam)
{
    if (nCode == HCBT_CREATEWND && !g_hDialog) {
        const HWND hWnd = reinterpret_cast<HWND>(wParam);
        const CREATESTRUCTA* pCreate = reinterpret_cast<const CBT_CREATEWNDA*>(lParam)->lpcs;
        char szClass[16] = "";
        ::GetClassNameA(hWnd, szClass, sizeof(szClass));
        // The program's own dialog, not a message box of the system's.
        if (::lstrcmpA(szClass, "#32770") == 0 && pCreate->hInstance == ::GetModuleHandleA(nullptr)) {
            MarkPhase(kPhaseCreate);
            g_hDialog = hWnd;
            g_pfnDialogProc = reinterpret_cast<WNDPROC>(
                ::SetWindowLongPtrA(g_hDialog, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(StampingDialogProc)));
        }
    }
    return ::CallNextHookEx(g_hCreateHook, nCode, wParam, lParam);
}

struct CInstallHook
{
    CInstallHook()
    {
        MarkPhase(kPhaseInit);
        g_hCreateHook = ::SetWindowsHookExA(WH_CBT, CreateHook, nullptr, ::GetCurrentThreadId());
    }
} g_installHook;

} // namespace
