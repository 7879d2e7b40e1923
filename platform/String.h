// CString: the framework's 8-bit string in the system's ANSI code page.
#pragma once

#include <windows.h>

class CString
{
public:
    CString();
    CString(const CString& other);
    explicit CString(const char* psz);
    ~CString();

    CString& operator=(const CString& other);
    CString& operator=(const char* psz);

    int GetLength() const { return m_nLength; }
    BOOL IsEmpty() const { return m_nLength == 0; }
    void Empty();
    // NOLINTNEXTLINE(google-explicit-constructor): passes as a C string to every call that takes one
    operator const char*() const { return m_pchData; }

    // Loads string resource nID from the resource module, whatever its length.
    // FALSE (and an empty string) when the table has no such string or the
    // memory for it cannot be had.
    BOOL LoadString(UINT nID);

    // Lower-cases in place by the system code page (CharLowerA).
    void MakeLower();

private:
    // On allocation failure the string keeps its old text.
    void Assign(const char* pch, int nLength);

    char* m_pchData;
    int m_nLength;
};
