// The kinds of handle the launcher gives back to the system, each with its
// one way of release: device contexts, selections of objects and palettes,
// GDI objects, icons and global memory. Owners declared in order release in
// reverse order.
#pragma once

#include "platform/Handle.h"

#include <windows.h>

namespace afx {

struct ClientDCKind : HandleKind<HDC>
{
    ClientDCKind() = default;
    explicit ClientDCKind(HWND hWnd) : m_hWnd(hWnd) {}
    void Free(HDC hDC) const { ::ReleaseDC(m_hWnd, hDC); }
    HWND m_hWnd = nullptr;
};

struct MemoryDCKind : HandleKind<HDC>
{
    static void Free(HDC hDC) { ::DeleteDC(hDC); }
};

struct PaintKind : HandleKind<HDC>
{
    PaintKind() = default;
    explicit PaintKind(HWND hWnd) : m_hWnd(hWnd) {}
    // EndPaint is due even when BeginPaint gave no device context.
    bool IsHeld(HDC) const { return m_hWnd != nullptr; }
    void Free(HDC) const { ::EndPaint(m_hWnd, &m_ps); }
    HWND m_hWnd = nullptr;
    PAINTSTRUCT m_ps = {};
};

// The handle held is the object that the selection replaced.
struct SelectionKind : HandleKind<HGDIOBJ>
{
    SelectionKind() = default;
    explicit SelectionKind(HDC hDC) : m_hDC(hDC) {}
    static bool IsHeld(HGDIOBJ hOld) { return hOld != nullptr && hOld != HGDI_ERROR; }
    void Free(HGDIOBJ hOld) const { ::SelectObject(m_hDC, hOld); }
    HDC m_hDC = nullptr;
};

// The handle held is the palette that the selection replaced; it goes back
// as a background palette, since it is only there to leave the device
// context as it was.
struct PaletteSelectionKind : HandleKind<HPALETTE>
{
    PaletteSelectionKind() = default;
    explicit PaletteSelectionKind(HDC hDC) : m_hDC(hDC) {}
    void Free(HPALETTE hOld) const { ::SelectPalette(m_hDC, hOld, TRUE); }
    HDC m_hDC = nullptr;
};

template <class T>
struct GdiObjectKind : HandleKind<T>
{
    static void Free(T hObject) { ::DeleteObject(hObject); }
};

struct IconKind : HandleKind<HICON>
{
    static void Free(HICON hIcon) { ::DestroyIcon(hIcon); }
};

struct GlobalMemoryKind : HandleKind<HGLOBAL>
{
    static void Free(HGLOBAL hMem) { ::GlobalFree(hMem); }
};

// The handle held is the locked block's address.
struct GlobalLockKind : HandleKind<void*>
{
    GlobalLockKind() = default;
    explicit GlobalLockKind(HGLOBAL hMem) : m_hMem(hMem) {}
    void Free(void*) const { ::GlobalUnlock(m_hMem); }
    HGLOBAL m_hMem = nullptr;
};

} // namespace afx

// GDI objects, deleted with DeleteObject when owned.
template <class T, bool t_bOwned = true>
using CGdiObjectT = CHandleT<afx::GdiObjectKind<T>, t_bOwned>;
typedef CGdiObjectT<HBITMAP> CBitmap;
typedef CGdiObjectT<HPALETTE> CPalette;

// Icons: one that the program made is destroyed; one loaded from resources
// is shared and only borrowed.
typedef CHandleT<afx::IconKind> CIcon;
typedef CHandleT<afx::IconKind, false> CIconHandle;

// The device context of a window's client area from GetDC (the screen's for a
// null window), released with ReleaseDC and the same window.
class CClientDC : public CHandleT<afx::ClientDCKind>
{
public:
    explicit CClientDC(HWND hWnd) : CHandleT(::GetDC(hWnd), afx::ClientDCKind(hWnd)) {}
};

// A memory device context from CreateCompatibleDC, deleted with DeleteDC.
class CMemoryDC : public CHandleT<afx::MemoryDCKind>
{
public:
    CMemoryDC() = default;
    explicit CMemoryDC(HDC hCompatible) : CHandleT(::CreateCompatibleDC(hCompatible)) {}
};

// Painting in answer to WM_PAINT: BeginPaint now, EndPaint when it goes.
class CPaintDC : public CHandleT<afx::PaintKind>
{
public:
    explicit CPaintDC(HWND hWnd) : CHandleT(nullptr, afx::PaintKind(hWnd))
    {
        m_h = ::BeginPaint(hWnd, &m_kind.m_ps);
    }
};

// Selects a GDI object into a device context and puts the object it replaced
// back when it goes, so that the selected object can be deleted afterwards.
// Declare it after the owner of the device context.
class CSelectObjectGuard : public CHandleT<afx::SelectionKind>
{
public:
    CSelectObjectGuard() = default;
    CSelectObjectGuard(HDC hDC, HGDIOBJ hObject)
        : CHandleT(hDC && hObject ? ::SelectObject(hDC, hObject) : nullptr, afx::SelectionKind(hDC))
    {
    }
};

// Selects a palette into a device context and puts the palette it replaced
// back when it goes, so that the selected one can be deleted afterwards.
// Declare it after the owner of the device context.
class CSelectPaletteGuard : public CHandleT<afx::PaletteSelectionKind>
{
public:
    CSelectPaletteGuard() = default;
    CSelectPaletteGuard(HDC hDC, HPALETTE hPalette, BOOL bForceBackground)
        : CHandleT(hDC && hPalette ? ::SelectPalette(hDC, hPalette, bForceBackground) : nullptr,
                   afx::PaletteSelectionKind(hDC))
    {
    }
};

// A memory device context, compatible with the screen, that keeps a bitmap
// and the bitmap's palette selected from Create to Release: what a window
// copies from at each paint, with nothing to set up in between. The bitmap
// and the palette are borrowed and must outlive the selection; both go back
// out of the device context before it is deleted.
class CBitmapDC
{
public:
    CBitmapDC() = default;
    CBitmapDC(const CBitmapDC&) = delete;
    CBitmapDC& operator=(const CBitmapDC&) = delete;
    ~CBitmapDC() { Release(); }

    // Selects hBitmap, and hPalette (null: none) realised as a foreground
    // palette, into a new memory device context. FALSE, holding nothing, when
    // there is no bitmap or the device context cannot be had.
    BOOL Create(HBITMAP hBitmap, HPALETTE hPalette)
    {
        Release();
        BITMAP bm;
        if (!hBitmap || ::GetObjectA(hBitmap, sizeof(bm), &bm) == 0)
            return FALSE;
        m_dc = CMemoryDC(nullptr);
        if (!m_dc)
            return FALSE;
        if (hPalette) {
            m_selectPalette = CSelectPaletteGuard(m_dc, hPalette, FALSE);
            ::RealizePalette(m_dc);
        }
        m_selectBitmap = CSelectObjectGuard(m_dc, hBitmap);
        if (!m_selectBitmap) {
            Release();
            return FALSE;
        }
        m_cx = bm.bmWidth;
        m_cy = bm.bmHeight;
        return TRUE;
    }

    // Undoes the selections in reverse order, then deletes the device context.
    void Release()
    {
        m_selectBitmap = CSelectObjectGuard();
        m_selectPalette = CSelectPaletteGuard();
        m_dc = CMemoryDC();
        m_cx = m_cy = 0;
    }

    // NOLINTNEXTLINE(google-explicit-constructor): passed as the device context, as the owners above are
    operator HDC() const { return m_dc; }
    // The selected bitmap's size; 0 when nothing is held.
    int GetWidth() const { return m_cx; }
    int GetHeight() const { return m_cy; }

private:
    CMemoryDC m_dc;
    CSelectPaletteGuard m_selectPalette;
    CSelectObjectGuard m_selectBitmap;
    int m_cx = 0;
    int m_cy = 0;
};

// A global memory block from GlobalAlloc, freed with GlobalFree.
class CGlobalMemory : public CHandleT<afx::GlobalMemoryKind>
{
public:
    CGlobalMemory(UINT nFlags, SIZE_T nBytes) : CHandleT(::GlobalAlloc(nFlags, nBytes)) {}
};

// The address of a locked global memory block, unlocked with GlobalUnlock
// when it goes. Declare it after the block's owner.
class CGlobalLock : public CHandleT<afx::GlobalLockKind>
{
public:
    explicit CGlobalLock(HGLOBAL hMem)
        : CHandleT(hMem ? ::GlobalLock(hMem) : nullptr, afx::GlobalLockKind(hMem))
    {
    }

    // Null when the block is missing or could not be locked.
    void* GetData() const { return m_h; }
};
