// The one setting the installer owns: key InstallDir in section [Orvane] of
// qx.ini. Read and written as text, in a stream, so that a file of any size
// and lines of any length pass through whole, for the MS-DOS installer too,
// which has no profile functions. Portable (see InstallFileSystem.h).
//
// A line is read as the system's profile functions read it, for the ordinary
// cases: blanks (blank, tab, carriage return) before a line, around the "="
// and after a value do not count; section and key names compare without
// regard to case (A to Z); a section runs from its "[Name]" line to the next
// one, and only the first [Orvane] section and the first InstallDir in it
// count; a value in matching double or single quotes loses them; a UTF-8
// mark at the start of the text is no part of its first line, and MS-DOS's
// end-of-file mark (Ctrl+Z, as COPY CON and older editors leave it) at its
// end no part of its last one: the text ends there, and what is added goes
// before the mark, where TYPE and such editors still show it.
#pragma once

#include "cdprograms/install/InstallFileSystem.h"

// Reads an INI text piece by piece and finds where InstallDir of [Orvane]
// stands. Offsets count bytes from the start of the text.
class CIniScanner
{
public:
    // Starts over; the value found is copied to pszValue (nValueSize bytes,
    // cut to fit, always terminated). pszValue may be null.
    void Start(char* pszValue, unsigned nValueSize);
    void Feed(const char* pText, unsigned nSize);
    // Ends the text: its last line may have no line end.
    void Finish();

    bool HasSection() const { return m_bSection; }
    bool HasKey() const { return m_bKey; }
    // Just past the [Orvane] line, its line end included.
    unsigned long SectionLineEnd() const { return m_nSectionEnd; }
    // That line is the text's last and has no line end.
    bool SectionLineOpen() const { return m_bSectionOpen; }
    // The InstallDir line, its line end included.
    unsigned long KeyLineStart() const { return m_nKeyStart; }
    unsigned long KeyLineEnd() const { return m_nKeyEnd; }
    unsigned long Size() const { return m_nOffset; }
    // Where the text ends: before the end-of-file marks at its very end, if
    // any, else at its end (known once the text is finished).
    unsigned long TextEnd() const { return m_nOffset - m_nMarks; }
    // The text is not empty and its last line has no line end (known once
    // the text is finished).
    bool LastLineOpen() const { return m_bLastLineOpen; }

private:
    void Match(char ch, const char* pszName, unsigned nLength);
    void Step(char ch);
    void EndLine(unsigned long nEnd, bool bOpen);

    enum State
    {
        kLead,    // blanks at the start of a line
        kSection, // the name after "["
        kKey,     // the name before "="
        kValue,   // after "="
        kRest,    // nothing more of this line counts
    };
    State m_state;
    unsigned long m_nOffset, m_nLineStart;
    // End-of-file marks read last: they count as text only once more follows.
    unsigned long m_nMarks;
    // The line's name so far: how many characters of the name looked for
    // matched, and whether the name can still be it.
    unsigned m_nMatched;
    bool m_bMatching, m_bBlankAfterName;
    bool m_bKeyLine;     // this line is the InstallDir that counts
    bool m_bSectionLine; // this line is the [Orvane] that counts
    enum SectionState
    {
        kBeforeSection, // no [Orvane] line yet
        kInSection,     // in the first [Orvane]
        kAfterSection,  // past it: a later [Orvane] does not count
    };
    SectionState m_sectionState;
    bool m_bSection, m_bSectionOpen, m_bKey, m_bLastLineOpen;
    unsigned long m_nSectionEnd, m_nKeyStart, m_nKeyEnd;

    // The value: where it goes, how much of it is there, and where its last
    // non-blank character ends (trailing blanks are not part of it).
    char* m_pszValue;
    unsigned m_nValueSize, m_nValueStored;
    unsigned long m_nValueLength, m_nValueEnd;
    char m_chFirst, m_chLast;
};

// InstallDir of [Orvane] in the file pszIniPath, read through pBuffer
// (nBuffer bytes): copied to pszValue, cut to nValueSize - 1 characters.
// An empty value when the file, the section or the key is not there; an
// error only when the file is there and cannot be read.
InstallError ReadInstallDirSetting(CInstallFileSystem& fs, const char* pszIniPath, char* pBuffer,
                                   unsigned nBuffer, char* pszValue, unsigned nValueSize);

// Scans the whole file pszIniPath into *pScanner (started by the caller);
// a missing file is an empty text.
InstallError ScanIniFile(CInstallFileSystem& fs, const char* pszIniPath, char* pBuffer, unsigned nBuffer,
                         CIniScanner* pScanner);

// What CopyIniWithInstallDir did.
enum IniCopyResult
{
    kIniCopied,
    kIniReadFailed,
    kIniWriteFailed,
    kIniChanged,
};

// Writes to hTo the text of file pszFrom, as scanned into scan, with
// InstallDir of [Orvane] set to pszValue: an InstallDir line that counts is
// replaced where it stands, a section without one gets one right after its
// "[Orvane]" line, and a text without the section gets it at its end (before
// an end-of-file mark that ends the file). Every
// other byte stays as it was; the new line ends in CR LF. *pnWritten counts
// the bytes written. kIniChanged when pszFrom is no longer the text that was
// scanned (another program wrote it meanwhile).
IniCopyResult CopyIniWithInstallDir(CInstallFileSystem& fs, const char* pszFrom, const CIniScanner& scan,
                                    const char* pszValue, InstallHandle hTo, char* pBuffer, unsigned nBuffer,
                                    unsigned long* pnWritten, InstallError* pnError);
