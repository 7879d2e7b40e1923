#include "PromptLine.h"

CPromptLine::CPromptLine(const char* pszText) : m_szText(), m_nLength(0), m_nCursor(0)
{
    while (m_nLength < kMaxLength && pszText[m_nLength]) {
        m_szText[m_nLength] = pszText[m_nLength];
        ++m_nLength;
    }
    m_szText[m_nLength] = '\0';
    m_nCursor = m_nLength;
}

CPromptLine::Outcome CPromptLine::OnKey(uint16_t nKey)
{
    switch (nKey) {
    case kKeyEnter:
        return kAccepted;
    case kKeyEscape:
        return kCancelled;
    case kKeyHome:
    case kKeyEnd: {
        const size_t nTo = nKey == kKeyHome ? 0 : m_nLength;
        if (m_nCursor == nTo)
            return kRefused;
        m_nCursor = nTo;
        return kEditing;
    }
    case kKeyLeft:
        if (m_nCursor == 0)
            return kRefused;
        --m_nCursor;
        return kEditing;
    case kKeyRight:
        if (m_nCursor == m_nLength)
            return kRefused;
        ++m_nCursor;
        return kEditing;
    case kKeyBackspace:
    case kKeyDelete: {
        if (nKey == kKeyBackspace) {
            if (m_nCursor == 0)
                return kRefused;
            --m_nCursor;
        } else if (m_nCursor == m_nLength) {
            return kRefused;
        }
        for (size_t i = m_nCursor; i < m_nLength; ++i)
            m_szText[i] = m_szText[i + 1];
        --m_nLength;
        return kEditing;
    }
    default:
        break;
    }
    // A character of the code page goes in at the cursor; control characters
    // and other keys without one do not.
    if (nKey < 0x20 || nKey == 0x7F || nKey >= kKeyExtended || m_nLength == kMaxLength)
        return kRefused;
    for (size_t i = m_nLength + 1; i > m_nCursor; --i)
        m_szText[i] = m_szText[i - 1];
    m_szText[m_nCursor++] = static_cast<char>(nKey);
    ++m_nLength;
    return kEditing;
}
