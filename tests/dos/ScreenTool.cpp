// A tool of the MS-DOS tests, built as a .COM program: "SCREEN 40" sets
// the text mode of 40 columns, as MODE 40 does on MS-DOS; "SCREEN" writes
// what the text screen shows to the standard output, each row without the
// blanks at its end and with CR LF, so that a test can read it.
#include "cdprograms/dos/DosRuntime.h"

#include <string.h>

namespace {

uint8_t Peek(uint16_t nSegment, uint16_t nOffset)
{
    uint8_t b;
    const uint32_t nAddress = nOffset;
    asm volatile("movw %1, %%fs\n\tmovb %%fs:(%2), %0" : "=q"(b) : "r"(nSegment), "r"(nAddress));
    return b;
}

uint16_t PeekWord(uint16_t nSegment, uint16_t nOffset)
{
    return static_cast<uint16_t>(Peek(nSegment, nOffset) | Peek(nSegment, static_cast<uint16_t>(nOffset + 1))
                                                               << 8);
}

} // namespace

int DosMain(const char* pszArguments)
{
    if (strcmp(pszArguments, "40") == 0) {
        // Interrupt 10h, function 00h: mode 1, 40 by 25 characters in colour.
        uint16_t ax = 0x0001;
        asm volatile("pushw %%bp\n\tint $0x10\n\tpopw %%bp"
                     : "+a"(ax)
                     :
                     : "bx", "cx", "dx", "si", "di", "memory", "cc");
        return 0;
    }
    // The BIOS's data area: the mode, the columns, where the page shown
    // starts, and the rows less one (0 on adapters that do not keep it).
    const uint16_t nSegment = Peek(0x40, 0x49) == 7 ? 0xB000 : 0xB800;
    const unsigned nColumns = DosScreenColumns();
    const uint16_t nStart = PeekWord(0x40, 0x4E);
    const unsigned nRows = Peek(0x40, 0x84) ? Peek(0x40, 0x84) + 1u : 25u;
    char szRow[256 + 2];
    for (unsigned nRow = 0; nRow < nRows; ++nRow) {
        unsigned n = 0;
        for (unsigned nColumn = 0; nColumn < nColumns && nColumn < 256; ++nColumn)
            szRow[n++] = static_cast<char>(
                Peek(nSegment, static_cast<uint16_t>(nStart + 2 * (nRow * nColumns + nColumn))));
        while (n > 0 && szRow[n - 1] == ' ')
            --n;
        szRow[n++] = '\r';
        szRow[n++] = '\n';
        DosWrite(1, szRow, static_cast<uint16_t>(n));
    }
    return 0;
}
