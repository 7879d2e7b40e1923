#include "cdprograms/install/PromptLine.h"

#include <string.h>

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
    case kDosKeyEnter:
        return kAccepted;
    case kDosKeyEscape:
        return kCancelled;
    case kDosKeyHome:
    case kDosKeyEnd: {
        const size_t nTo = nKey == kDosKeyHome ? 0 : m_nLength;
        if (m_nCursor == nTo)
            return kRefused;
        m_nCursor = nTo;
        return kEditing;
    }
    case kDosKeyLeft:
        if (m_nCursor == 0)
            return kRefused;
        --m_nCursor;
        return kEditing;
    case kDosKeyRight:
        if (m_nCursor == m_nLength)
            return kRefused;
        ++m_nCursor;
        return kEditing;
    case kDosKeyBackspace:
    case kDosKeyDelete: {
        if (nKey == kDosKeyBackspace) {
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
    if (nKey < 0x20 || nKey == 0x7F || nKey >= kDosExtendedKey || m_nLength == kMaxLength)
        return kRefused;
    for (size_t i = m_nLength + 1; i > m_nCursor; --i)
        m_szText[i] = m_szText[i - 1];
    m_szText[m_nCursor++] = static_cast<char>(nKey);
    ++m_nLength;
    return kEditing;
}

void PrintWrapped(CTextScreen& screen, const char* pszText)
{
    // A row ends before the screen's last column: a full row would take the
    // cursor to the next one by itself, and the line end would leave a
    // blank row.
    const unsigned nColumns = screen.Columns();
    const size_t nRoom = nColumns > 1 ? nColumns - 1 : 1;
    const char* p = pszText;
    while (*p) {
        size_t nLine = 0;
        while (p[nLine] && p[nLine] != '\n')
            ++nLine;
        size_t nRow = nLine;
        if (nLine > nRoom) {
            nRow = nRoom;
            while (nRow > 0 && p[nRow] != ' ')
                --nRow;
            if (nRow == 0)
                nRow = nRoom;
        }
        screen.Print(p, nRow);
        screen.Print("\r\n", 2);
        p += nRow;
        if (*p == ' ' || *p == '\n')
            ++p;
    }
}

void CPromptView::Start(CTextScreen& screen)
{
    unsigned nColumn;
    screen.GetCursor(&m_nRow, &nColumn);
    m_nShown = 0;
}

void CPromptView::Draw(CTextScreen& screen, const char* pszLabel, const CPromptLine& line)
{
    const unsigned nColumns = screen.Columns();
    const size_t nLabel = strlen(pszLabel);
    screen.SetCursor(m_nRow, 0);
    // A carriage return first, where the output goes to a file.
    screen.Print("\r", 1);
    screen.Print(pszLabel, nLabel);
    screen.Print(line.Text(), line.Length());
    size_t nPrinted = nLabel + line.Length();
    for (; nPrinted < m_nShown; ++nPrinted)
        screen.Print(" ", 1);
    // The prompt begins as many rows above the cursor as it filled: a prompt
    // that grew past the last row moved the screen up.
    unsigned nRow, nColumn;
    screen.GetCursor(&nRow, &nColumn);
    const unsigned nRowsFilled = static_cast<unsigned>(nPrinted / nColumns);
    m_nRow = nRow > nRowsFilled ? nRow - nRowsFilled : 0;
    m_nShown = nLabel + line.Length();
    const size_t nCursor = nLabel + line.Cursor();
    screen.SetCursor(m_nRow + static_cast<unsigned>(nCursor / nColumns),
                     static_cast<unsigned>(nCursor % nColumns));
}

void CPromptView::Finish(CTextScreen& screen)
{
    const unsigned nColumns = screen.Columns();
    screen.SetCursor(m_nRow + static_cast<unsigned>(m_nShown / nColumns),
                     static_cast<unsigned>(m_nShown % nColumns));
    // A prompt that filled its last row has the cursor on the next one.
    if (m_nShown % nColumns != 0)
        screen.Print("\r\n", 2);
}
