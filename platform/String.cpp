#include "platform/String.h"

#include "platform/Module.h"

#include <stdlib.h>
#include <string.h>

namespace {
char g_chNil = '\0';
}

CString::CString() : m_pchData(&g_chNil), m_nLength(0) {}

CString::CString(const CString& other) : CString()
{
    Assign(other.m_pchData, other.m_nLength);
}

CString::CString(const char* psz) : CString()
{
    *this = psz;
}

CString::~CString()
{
    Empty();
}

CString& CString::operator=(const CString& other)
{
    if (this != &other)
        Assign(other.m_pchData, other.m_nLength);
    return *this;
}

CString& CString::operator=(const char* psz)
{
    Assign(psz, psz ? static_cast<int>(strlen(psz)) : 0);
    return *this;
}

void CString::Empty()
{
    if (m_pchData != &g_chNil)
        free(m_pchData);
    m_pchData = &g_chNil;
    m_nLength = 0;
}

void CString::Assign(const char* pch, int nLength)
{
    // Copy first: pch may point into our own buffer.
    if (nLength == 0) {
        Empty();
        return;
    }
    char* pchNew = static_cast<char*>(malloc(static_cast<size_t>(nLength) + 1));
    if (!pchNew)
        return;
    memcpy(pchNew, pch, static_cast<size_t>(nLength));
    pchNew[nLength] = '\0';
    Empty();
    m_pchData = pchNew;
    m_nLength = nLength;
}

BOOL CString::LoadString(UINT nID)
{
    // LoadStringA cuts to the buffer and tells nothing of the real length:
    // grow the buffer until the text comes back shorter than it. The string
    // then keeps that buffer, so the one allocation that can fail is checked.
    Empty();
    for (int nSize = 256; nSize <= 0x10000; nSize *= 2) {
        char* pch = static_cast<char*>(malloc(static_cast<size_t>(nSize)));
        if (!pch)
            return FALSE;
        const int nLen = ::LoadStringA(AfxGetResourceHandle(), nID, pch, nSize);
        if (nLen == 0) {
            free(pch);
            return FALSE;
        }
        if (nLen < nSize - 1) {
            m_pchData = pch;
            m_nLength = nLen;
            return TRUE;
        }
        free(pch);
    }
    return FALSE;
}

void CString::MakeLower()
{
    if (m_nLength > 0)
        ::CharLowerA(m_pchData);
}
