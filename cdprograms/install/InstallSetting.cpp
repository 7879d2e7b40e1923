#include "cdprograms/install/InstallSetting.h"

#include "res/CdContract.h"

#include <string.h>

namespace {

const char kSectionName[] = QX_INI_SECTION;
const char kKeyName[] = QX_INI_KEY;
const unsigned kSectionLength = sizeof(kSectionName) - 1;
const unsigned kKeyLength = sizeof(kKeyName) - 1;
// MS-DOS's end-of-file mark, Ctrl+Z.
const char kEndOfFile = '\x1A';

bool IsBlank(char ch)
{
    return ch == ' ' || ch == '\t' || ch == '\r';
}

// The profile functions compare names without regard to case, in ASCII.
char Lower(char ch)
{
    return ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch - 'A' + 'a') : ch;
}

} // namespace

void CIniScanner::Start(char* pszValue, unsigned nValueSize)
{
    m_state = kLead;
    m_nOffset = m_nLineStart = m_nMarks = 0;
    m_nMatched = 0;
    m_bMatching = m_bBlankAfterName = m_bKeyLine = m_bSectionLine = false;
    m_sectionState = kBeforeSection;
    m_bSection = m_bSectionOpen = m_bKey = m_bLastLineOpen = false;
    m_nSectionEnd = m_nKeyStart = m_nKeyEnd = 0;
    m_pszValue = nValueSize ? pszValue : nullptr;
    m_nValueSize = nValueSize;
    m_nValueStored = 0;
    m_nValueLength = m_nValueEnd = 0;
    m_chFirst = m_chLast = '\0';
    if (m_pszValue)
        m_pszValue[0] = '\0';
}

void CIniScanner::Match(char ch, const char* pszName, unsigned nLength)
{
    if (m_bMatching && m_nMatched < nLength && Lower(ch) == Lower(pszName[m_nMatched]))
        ++m_nMatched;
    else
        m_bMatching = false;
}

void CIniScanner::Feed(const char* pText, unsigned nSize)
{
    for (const char* p = pText; p != pText + nSize; ++p, ++m_nOffset) {
        // Marks wait: only the end of the text tells whether they end it.
        if (*p == kEndOfFile) {
            ++m_nMarks;
            continue;
        }
        for (; m_nMarks; --m_nMarks)
            Step(kEndOfFile);
        if (*p == '\n')
            EndLine(m_nOffset + 1, false);
        else
            Step(*p);
    }
}

// One character of a line, not its line end.
void CIniScanner::Step(char ch)
{
    switch (m_state) {
    case kLead:
        // The mark some editors put at the start of a UTF-8 text is no
        // part of its first line.
        if (IsBlank(ch) || (m_nOffset < 3 && ch == "\xEF\xBB\xBF"[m_nOffset]))
            break;
        m_nMatched = 0;
        m_bMatching = true;
        m_bBlankAfterName = false;
        if (ch == '[') {
            m_state = kSection;
        } else {
            m_state = kKey;
            Match(ch, kKeyName, kKeyLength);
        }
        break;
    case kSection:
        if (ch != ']') {
            Match(ch, kSectionName, kSectionLength);
            break;
        }
        // Any section line ends the first [Orvane] section.
        if (m_sectionState == kInSection)
            m_sectionState = kAfterSection;
        if (m_sectionState == kBeforeSection && m_bMatching && m_nMatched == kSectionLength) {
            m_sectionState = kInSection;
            m_bSectionLine = true;
        }
        m_state = kRest;
        break;
    case kKey:
        if (ch == '=') {
            m_bKeyLine = m_sectionState == kInSection && !m_bKey && m_bMatching && m_nMatched == kKeyLength;
            m_state = m_bKeyLine ? kValue : kRest;
        } else if (IsBlank(ch)) {
            m_bBlankAfterName = true;
        } else if (m_bBlankAfterName) {
            m_bMatching = false; // a blank inside the name
        } else {
            Match(ch, kKeyName, kKeyLength);
        }
        break;
    case kValue:
        if (m_nValueLength == 0 && IsBlank(ch))
            break;
        if (m_nValueLength == 0)
            m_chFirst = ch;
        // The whole buffer, the terminator's place too: a quote may go.
        if (m_pszValue && m_nValueStored < m_nValueSize)
            m_pszValue[m_nValueStored++] = ch;
        ++m_nValueLength;
        if (!IsBlank(ch)) {
            m_nValueEnd = m_nValueLength;
            m_chLast = ch;
        }
        break;
    case kRest:
        break;
    }
}

void CIniScanner::Finish()
{
    m_bLastLineOpen = TextEnd() != m_nLineStart;
    if (m_bLastLineOpen)
        EndLine(TextEnd(), true);
}

void CIniScanner::EndLine(unsigned long nEnd, bool bOpen)
{
    if (m_bSectionLine) {
        m_bSection = true;
        m_nSectionEnd = nEnd;
        m_bSectionOpen = bOpen;
        m_bSectionLine = false;
    }
    if (m_bKeyLine) {
        m_bKey = true;
        m_nKeyStart = m_nLineStart;
        m_nKeyEnd = nEnd;
        m_bKeyLine = false;
        if (m_pszValue) {
            // Trailing blanks off, then matching quotes; what is kept of the
            // value moves to the front of the buffer.
            unsigned long nBegin = 0, nEndValue = m_nValueEnd;
            if (nEndValue >= 2 && (m_chFirst == '"' || m_chFirst == '\'') && m_chLast == m_chFirst) {
                nBegin = 1;
                --nEndValue;
            }
            if (nEndValue > m_nValueStored)
                nEndValue = m_nValueStored;
            unsigned n = 0;
            for (unsigned long i = nBegin; i < nEndValue; ++i)
                m_pszValue[n++] = m_pszValue[i];
            m_pszValue[n < m_nValueSize ? n : m_nValueSize - 1] = '\0';
        }
    }
    m_state = kLead;
    m_nLineStart = nEnd;
}

InstallError ScanIniFile(CInstallFileSystem& fs, const char* pszIniPath, char* pBuffer, unsigned nBuffer,
                         CIniScanner* pScanner)
{
    InstallFileKind kind;
    InstallError nError = fs.GetKind(pszIniPath, &kind);
    if (nError)
        return nError;
    if (kind != kKindNothing) {
        InstallHandle hFile;
        nError = fs.OpenToRead(pszIniPath, &hFile);
        if (nError)
            return nError;
        for (;;) {
            unsigned nRead = 0;
            nError = fs.Read(hFile, pBuffer, nBuffer, &nRead);
            if (nError || nRead == 0)
                break;
            pScanner->Feed(pBuffer, nRead);
        }
        fs.Close(hFile);
        if (nError)
            return nError;
    }
    pScanner->Finish();
    return 0;
}

InstallError ReadInstallDirSetting(CInstallFileSystem& fs, const char* pszIniPath, char* pBuffer,
                                   unsigned nBuffer, char* pszValue, unsigned nValueSize)
{
    CIniScanner scanner;
    scanner.Start(pszValue, nValueSize);
    const InstallError nError = ScanIniFile(fs, pszIniPath, pBuffer, nBuffer, &scanner);
    if (nError && nValueSize)
        pszValue[0] = '\0';
    return nError;
}

IniCopyResult CopyIniWithInstallDir(CInstallFileSystem& fs, const char* pszFrom, const CIniScanner& scan,
                                    const char* pszValue, InstallHandle hTo, char* pBuffer, unsigned nBuffer,
                                    unsigned long* pnWritten, InstallError* pnError)
{
    // The old text up to nCut, the new line, the old text from nResume on.
    unsigned long nCut, nResume;
    const char* pszLineEnd = ""; // ends an old last line that has no line end
    bool bSectionLine = false;
    if (scan.HasKey()) {
        nCut = scan.KeyLineStart();
        nResume = scan.KeyLineEnd();
    } else if (scan.HasSection()) {
        nCut = nResume = scan.SectionLineEnd();
        if (scan.SectionLineOpen())
            pszLineEnd = "\r\n";
    } else {
        nCut = nResume = scan.TextEnd();
        if (scan.LastLineOpen())
            pszLineEnd = "\r\n";
        bSectionLine = true;
    }

    *pnWritten = 0;
    *pnError = 0;
    auto write = [&](const void* pData, unsigned long n) {
        if (*pnError || n == 0)
            return;
        *pnError = fs.Write(hTo, pData, static_cast<unsigned>(n));
        if (!*pnError)
            *pnWritten += n;
    };
    auto writeLine = [&]() {
        write(pszLineEnd, strlen(pszLineEnd));
        if (bSectionLine)
            write("[" QX_INI_SECTION "]\r\n", kSectionLength + 4);
        write(QX_INI_KEY "=", kKeyLength + 1);
        write(pszValue, strlen(pszValue));
        write("\r\n", 2);
    };

    bool bLineWritten = false;
    if (nCut == 0) {
        writeLine();
        bLineWritten = true;
    }
    unsigned long nOffset = 0;
    if (scan.Size() != 0) {
        InstallHandle hFrom;
        InstallError nError = fs.OpenToRead(pszFrom, &hFrom);
        if (nError) {
            *pnError = nError;
            return kIniReadFailed;
        }
        while (!*pnError) {
            unsigned nRead = 0;
            nError = fs.Read(hFrom, pBuffer, nBuffer, &nRead);
            if (nError || nRead == 0)
                break;
            const unsigned long nEnd = nOffset + nRead;
            if (nOffset < nCut)
                write(pBuffer, (nEnd < nCut ? nEnd : nCut) - nOffset);
            if (!bLineWritten && nEnd >= nCut) {
                writeLine();
                bLineWritten = true;
            }
            const unsigned long nFrom = nOffset > nResume ? nOffset : nResume;
            if (nFrom < nEnd)
                write(pBuffer + (nFrom - nOffset), nEnd - nFrom);
            nOffset = nEnd;
        }
        fs.Close(hFrom);
        if (nError) {
            *pnError = nError;
            return kIniReadFailed;
        }
    }
    if (!bLineWritten)
        writeLine();
    if (*pnError)
        return kIniWriteFailed;
    return nOffset == scan.Size() ? kIniCopied : kIniChanged;
}
