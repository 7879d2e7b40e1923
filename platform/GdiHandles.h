// Owners of device contexts, GDI selections and global memory blocks: one
// owner per handle, each releasing it the one way it must be released, in
// reverse order of acquisition when they are declared in order.
#pragma once

#include <windows.h>

// The device context of a window's client area from GetDC (the screen's for a
// null window), released with ReleaseDC and the same window.
class CClientDC
{
public:
    explicit CClientDC(HWND hWnd) : m_hWnd(hWnd), m_hDC(::GetDC(hWnd)) {}
    CClientDC(CClientDC&& other) : m_hWnd(other.m_hWnd), m_hDC(other.m_hDC) { other.m_hDC = nullptr; }
    CClientDC(const CClientDC&) = delete;
    CClientDC& operator=(const CClientDC&) = delete;
    ~CClientDC()
    {
        if (m_hDC)
            ::ReleaseDC(m_hWnd, m_hDC);
    }

    HDC GetSafeHdc() const { return m_hDC; }

private:
    HWND m_hWnd;
    HDC m_hDC;
};

// A memory device context from CreateCompatibleDC, deleted with DeleteDC.
class CMemoryDC
{
public:
    explicit CMemoryDC(HDC hCompatible) : m_hDC(::CreateCompatibleDC(hCompatible)) {}
    CMemoryDC(CMemoryDC&& other) : m_hDC(other.m_hDC) { other.m_hDC = nullptr; }
    CMemoryDC(const CMemoryDC&) = delete;
    CMemoryDC& operator=(const CMemoryDC&) = delete;
    ~CMemoryDC()
    {
        if (m_hDC)
            ::DeleteDC(m_hDC);
    }

    HDC GetSafeHdc() const { return m_hDC; }

private:
    HDC m_hDC;
};

// Painting in answer to WM_PAINT: BeginPaint now, EndPaint when it goes.
// EndPaint is due even when BeginPaint gave no device context.
class CPaintDC
{
public:
    explicit CPaintDC(HWND hWnd) : m_hWnd(hWnd), m_hDC(::BeginPaint(hWnd, &m_ps)) {}
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;
    ~CPaintDC() { ::EndPaint(m_hWnd, &m_ps); }

    HDC GetSafeHdc() const { return m_hDC; }

    PAINTSTRUCT m_ps;

private:
    HWND m_hWnd;
    HDC m_hDC;
};

// Selects a GDI object into a device context and puts the object it replaced
// back when it goes, so that the selected object can be deleted afterwards.
// Declare it after the owner of the device context.
class CSelectObjectGuard
{
public:
    CSelectObjectGuard(HDC hDC, HGDIOBJ hObject)
        : m_hDC(hDC), m_hOld(hDC && hObject ? ::SelectObject(hDC, hObject) : nullptr)
    {
    }
    CSelectObjectGuard(CSelectObjectGuard&& other) : m_hDC(other.m_hDC), m_hOld(other.m_hOld)
    {
        other.m_hOld = nullptr;
    }
    CSelectObjectGuard(const CSelectObjectGuard&) = delete;
    CSelectObjectGuard& operator=(const CSelectObjectGuard&) = delete;
    ~CSelectObjectGuard()
    {
        if (m_hOld && m_hOld != HGDI_ERROR)
            ::SelectObject(m_hDC, m_hOld);
    }

private:
    HDC m_hDC;
    HGDIOBJ m_hOld;
};

// A global memory block from GlobalAlloc, freed with GlobalFree.
class CGlobalMemory
{
public:
    CGlobalMemory(UINT nFlags, SIZE_T nBytes) : m_hMem(::GlobalAlloc(nFlags, nBytes)) {}
    CGlobalMemory(CGlobalMemory&& other) : m_hMem(other.m_hMem) { other.m_hMem = nullptr; }
    CGlobalMemory(const CGlobalMemory&) = delete;
    CGlobalMemory& operator=(const CGlobalMemory&) = delete;
    ~CGlobalMemory()
    {
        if (m_hMem)
            ::GlobalFree(m_hMem);
    }

    HGLOBAL GetHandle() const { return m_hMem; }

private:
    HGLOBAL m_hMem;
};

// The address of a locked global memory block, unlocked with GlobalUnlock
// when it goes. Declare it after the block's owner.
class CGlobalLock
{
public:
    explicit CGlobalLock(HGLOBAL hMem) : m_hMem(hMem), m_pData(hMem ? ::GlobalLock(hMem) : nullptr) {}
    CGlobalLock(CGlobalLock&& other) : m_hMem(other.m_hMem), m_pData(other.m_pData)
    {
        other.m_pData = nullptr;
    }
    CGlobalLock(const CGlobalLock&) = delete;
    CGlobalLock& operator=(const CGlobalLock&) = delete;
    ~CGlobalLock()
    {
        if (m_pData)
            ::GlobalUnlock(m_hMem);
    }

    // Null when the block is missing or could not be locked.
    void* GetData() const { return m_pData; }

private:
    HGLOBAL m_hMem;
    void* m_pData;
};
