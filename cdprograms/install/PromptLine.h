// The line the MS-DOS installer edits when it asks for the folder: the text,
// the cursor, and what each key does to them; and how text and the line are
// laid out on a text-mode screen of any width (40 columns as well as 80).
// Standard C++ only, so that it builds natively for unit tests; the MS-DOS
// half reads the keys and gives the screen.
#pragma once

#include "cdprograms/dos/DosKeys.h"

#include <stddef.h>
#include <stdint.h>

class CPromptLine
{
public:
    enum
    {
        // Longer than any folder the rules allow, so that a folder too long
        // can still be typed and be told why it is refused; with the label
        // in front it fits an 80-column line.
        kMaxLength = 66,
    };

    enum Outcome
    {
        kEditing,   // the key changed the line, or moved the cursor
        kRefused,   // the key does nothing here (the line is full, the cursor at its end)
        kAccepted,  // Enter: the text is the answer
        kCancelled, // Escape
    };

    // The line begins with pszText (cut to kMaxLength), the cursor at its end.
    explicit CPromptLine(const char* pszText);

    // nKey as DOS gives it (DosKeys.h).
    Outcome OnKey(uint16_t nKey);

    const char* Text() const { return m_szText; }
    size_t Length() const { return m_nLength; }
    size_t Cursor() const { return m_nCursor; }

private:
    char m_szText[kMaxLength + 1];
    size_t m_nLength;
    size_t m_nCursor;
};

// A text-mode screen as the BIOS keeps it: Columns() wide; what is printed
// goes on at the cursor, on to the next row after the last column, and the
// screen moves up a row when its last row is full. Rows and columns count
// from 0.
class CTextScreen
{
public:
    virtual unsigned Columns() = 0;
    virtual void Print(const char* pText, size_t nLength) = 0;
    virtual void GetCursor(unsigned* pnRow, unsigned* pnColumn) = 0;
    virtual void SetCursor(unsigned nRow, unsigned nColumn) = 0;

protected:
    ~CTextScreen() = default;
};

// Prints pszText, each of its lines ("\n" ends one) broken at blanks into
// rows that fit the screen; a word longer than a row is cut.
void PrintWrapped(CTextScreen& screen, const char* pszText);

// The prompt on the screen: its label and the line's text, from the start
// of the row it began on, over as many rows as they take.
class CPromptView
{
public:
    // The prompt begins at the start of the cursor's row.
    void Start(CTextScreen& screen);
    // Draws the label and the text again, blanks over what a shorter text
    // left, and puts the cursor at the line's cursor.
    void Draw(CTextScreen& screen, const char* pszLabel, const CPromptLine& line);
    // Puts the cursor at the start of the row after the prompt.
    void Finish(CTextScreen& screen);

private:
    unsigned m_nRow; // where the prompt begins, however the screen moved up
    size_t m_nShown; // characters drawn, the label's too
};
