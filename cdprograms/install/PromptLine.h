// The line the MS-DOS installer edits when it asks for the folder: the text,
// the cursor, and what each key does to them. Standard C++ only, so that it
// builds natively for unit tests; the MS-DOS half reads the keys and draws
// the line.
#pragma once

#include <stddef.h>
#include <stdint.h>

class CPromptLine
{
public:
    // The keys as DOS gives them: a character, or kKeyExtended plus the
    // scan code of a key without one.
    enum : uint16_t
    {
        kKeyBackspace = 0x08,
        kKeyEnter = 0x0D,
        kKeyEscape = 0x1B,
        kKeyExtended = 0x100,
        kKeyHome = kKeyExtended + 0x47,
        kKeyLeft = kKeyExtended + 0x4B,
        kKeyRight = kKeyExtended + 0x4D,
        kKeyEnd = kKeyExtended + 0x4F,
        kKeyDelete = kKeyExtended + 0x53,
    };

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

    Outcome OnKey(uint16_t nKey);

    const char* Text() const { return m_szText; }
    size_t Length() const { return m_nLength; }
    size_t Cursor() const { return m_nCursor; }

private:
    char m_szText[kMaxLength + 1];
    size_t m_nLength;
    size_t m_nCursor;
};
